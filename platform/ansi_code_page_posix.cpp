// Windows-1252 as the ANSI code page, implemented as a table.
#include "platform/ansi_code_page.h"

#include <array>
#include <cstdint>

namespace {

// 0x80..0x9F; the five bytes that Windows-1252 leaves undefined map to the C1 controls of the
// same value, as Windows itself does.
constexpr std::array<char16_t, 32> kHighControlsRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t DecodeByte(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControlsRange[byte - 0x80];
  return byte;
}

char EncodeUnit(char16_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (size_t i = 0; i < kHighControlsRange.size(); ++i) {
    if (kHighControlsRange[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view ansi) {
  std::u16string text(ansi.size(), u'\0');
  for (size_t i = 0; i < ansi.size(); ++i) text[i] = DecodeByte(static_cast<uint8_t>(ansi[i]));
  return text;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string ansi(text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) ansi[i] = EncodeUnit(text[i]);
  return ansi;
}
