// The system's ANSI code page (CP_ACP), through Win32.
#include "platform/ansi_code_page.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace {

int CheckedLength(size_t length) {
  if (length > static_cast<size_t>(std::numeric_limits<int>::max())) {
    throw std::length_error("text too long for a code page conversion");
  }
  return static_cast<int>(length);
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view ansi) {
  if (ansi.empty()) return {};
  const int length = CheckedLength(ansi.size());
  const int units = MultiByteToWideChar(CP_ACP, /*dwFlags=*/0, ansi.data(), length, nullptr, 0);
  std::u16string text(static_cast<size_t>(units), u'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, reinterpret_cast<wchar_t*>(text.data()),
                      units);
  return text;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  if (text.empty()) return {};
  const int length = CheckedLength(text.size());
  const auto* units = reinterpret_cast<const wchar_t*>(text.data());
  const int bytes = WideCharToMultiByte(CP_ACP, /*dwFlags=*/0, units, length, nullptr, 0,
                                        /*lpDefaultChar=*/nullptr, /*lpUsedDefaultChar=*/nullptr);
  std::string ansi(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, units, length, ansi.data(), bytes, nullptr, nullptr);
  return ansi;
}
