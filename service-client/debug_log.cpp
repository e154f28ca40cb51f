#include "service-client/debug_log.h"

#include <atomic>

#include "platform/ansi_code_page.h"

namespace {

std::atomic<DebugLogObserver> observer{nullptr};

}  // namespace

void DebugLog(std::u16string text) noexcept {
  if (DebugLogObserver current = observer.load(std::memory_order_acquire)) current(text);
}

void DebugLogAnsi(std::string_view ansiText) { DebugLog(AnsiToUtf16(ansiText)); }

void SetDebugLogObserver(DebugLogObserver newObserver) noexcept {
  observer.store(newObserver, std::memory_order_release);
}
