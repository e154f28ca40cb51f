#include "service-client/export_frame.h"

#include "platform/ansi_code_page.h"
#include "service-client/debug_log.h"

std::string_view ScriptText(const char* text) noexcept {
  return text ? std::string_view(text) : std::string_view();
}

std::u16string ScriptTextToUtf16(const char* text) { return AnsiToUtf16(ScriptText(text)); }

std::u16string ScriptWideText(const ScriptWideChar* text) {
  std::u16string units;
  for (; text && *text; ++text) units += static_cast<char16_t>(*text);
  return units;
}

void WriteScriptWideText(std::u16string_view text, ScriptWideChar* buffer) noexcept {
  for (const char16_t unit : text) *buffer++ = static_cast<ScriptWideChar>(unit);
  *buffer = 0;
}

void ReportExportException(std::string_view exportName) noexcept {
  try {
    DebugLogAnsi("Exception occurred " + std::string(exportName));
  } catch (...) {
    // Out of memory while reporting: the trace is lost, the failure value still goes back.
  }
}
