#pragma once
// The stand-in keeps paths as UTF-8 and hands them to the wide Windows functions, so that it
// runs from a folder whose name the ANSI code page cannot hold, as a real terminal can.

#include <string>
#include <string_view>

#include "platform/utf8.h"

inline std::wstring WidePath(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return {units.begin(), units.end()};
}

inline std::string Utf8Path(std::wstring_view wide) {
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}
