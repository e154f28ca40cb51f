#pragma once
// DebugLog, the library's trace sink.
//
// Every export, the request registry and the worker form trace texts and hand them here. The
// texts are discarded: DebugLog has no effect on any result, buffer or state, takes no lock and
// cannot fail, so it may be called from any thread at any time.

#include <string>
#include <string_view>

// Discards `text`.
void DebugLog(std::u16string text) noexcept;

// Hands an 8-bit trace text, decoded from the ANSI code page, to DebugLog. Forming the UTF-16
// text may throw std::bad_alloc; call it inside an export's guard.
void DebugLogAnsi(std::string_view ansiText);

// Test seam: while an observer is set, DebugLog also shows it every text, on the calling thread,
// before discarding it. The shipped library never sets one.
using DebugLogObserver = void (*)(const std::u16string& text) noexcept;
void SetDebugLogObserver(DebugLogObserver observer) noexcept;
