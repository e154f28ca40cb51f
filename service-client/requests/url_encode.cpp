#include "service-client/requests/url_encode.h"

namespace {

void AppendEscape(std::u16string& out, unsigned byte) {
  constexpr char16_t kHexDigits[] = u"0123456789abcdef";
  out += u'%';
  out += kHexDigits[(byte >> 4) & 0xF];
  out += kHexDigits[byte & 0xF];
}

}  // namespace

std::u16string urlEncode(std::u16string_view text) {
  std::u16string encoded;
  encoded.reserve(text.size());
  for (const char16_t unit : text) {
    if (unit == u' ') {
      encoded += u'+';
    } else if (unit < 0x80) {
      encoded += unit;
    } else if (unit < 0x800) {
      AppendEscape(encoded, 0xC0 | (unit >> 6));
      AppendEscape(encoded, 0x80 | (unit & 0x3F));
    } else {
      AppendEscape(encoded, 0xE0 | (unit >> 12));
      AppendEscape(encoded, 0x80 | ((unit >> 6) & 0x3F));
      AppendEscape(encoded, 0x80 | (unit & 0x3F));
    }
  }
  return encoded;
}
