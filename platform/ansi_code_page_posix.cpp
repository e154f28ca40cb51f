// Windows-1252 as the ANSI code page, implemented as a table.
#include "platform/ansi_code_page.h"

#include <cstdint>

#include "platform/windows_1252.h"

std::u16string AnsiToUtf16(std::string_view ansi) {
  std::u16string text(ansi.size(), u'\0');
  for (size_t i = 0; i < ansi.size(); ++i)
    text[i] = Windows1252ToUnit(static_cast<uint8_t>(ansi[i]));
  return text;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string ansi(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) ansi[i] = Windows1252FromUnit(text[i]);
  return ansi;
}
