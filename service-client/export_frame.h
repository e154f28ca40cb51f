#pragma once
// The frame that every export of the library follows.
//
// An export converts the caller's 8-bit texts (ScriptText, ScriptTextToUtf16), forms its trace
// text (DebugLogAnsi) and runs its operation, all inside GuardedExport, so that no exception
// ever reaches the calling script. Written once here, an export is then a few lines:
//
//   OV_EXPORT int OV_STDCALL ov_example(const char* text) {
//     return GuardedExport("ov_example", -1, [&] {
//       DebugLogAnsi("Example [" + std::string(ScriptText(text)) + "]");
//       return Operation(ScriptTextToUtf16(text));
//     });
//   }

#include <string>
#include <string_view>
#include <type_traits>

#include "platform/script_export.h"

// The caller's zero-terminated 8-bit text, unchanged; a null pointer reads as the empty text.
std::string_view ScriptText(const char* text) noexcept;

// The caller's text decoded from the ANSI code page; a null pointer gives the empty text.
std::u16string ScriptTextToUtf16(const char* text);

// The scripts' 16-bit text unit: UTF-16, as the terminal's strings are.
#if defined(_WIN32)
using ScriptWideChar = wchar_t;
#else
using ScriptWideChar = char16_t;
#endif
static_assert(sizeof(ScriptWideChar) == sizeof(char16_t));

// The caller's zero-terminated wide text, unit by unit; a null pointer gives the empty text.
std::u16string ScriptWideText(const ScriptWideChar* text);

// Writes `text` and a terminator into `buffer`, which must hold text.size() + 1 units.
void WriteScriptWideText(std::u16string_view text, ScriptWideChar* buffer) noexcept;

// Passes "Exception occurred " followed by `exportName` to DebugLog. Never throws.
void ReportExportException(std::string_view exportName) noexcept;

// Runs `operation` and returns its result. When an exception leaves it, reports it with the
// export's name and returns the failure value instead: `failure` itself, or what `failure()`
// returns when it is callable (for exports whose failure value is the progress made so far).
template <typename Failure, typename Operation>
auto GuardedExport(std::string_view exportName, Failure failure, Operation operation) noexcept
    -> std::invoke_result_t<Operation&> {
  try {
    return operation();
  } catch (...) {
    ReportExportException(exportName);
    if constexpr (std::is_invocable_v<Failure&>) {
      return failure();
    } else {
      return failure;
    }
  }
}

// The same for an export without a result: an exception is reported and the export returns.
template <typename Operation>
void GuardedExport(std::string_view exportName, Operation operation) noexcept {
  try {
    operation();
  } catch (...) {
    ReportExportException(exportName);
  }
}

// For the exports that report nothing when they fail: returns `failureValue` silently.
template <typename Result, typename Operation>
Result QuietlyGuardedExport(Result failureValue, Operation operation) noexcept {
  try {
    return operation();
  } catch (...) {
    return failureValue;
  }
}
