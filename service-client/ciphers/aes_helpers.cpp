#include "service-client/ciphers/aes_helpers.h"

#include <algorithm>

void xorWord(const uint8_t* a, const uint8_t* b, uint8_t* out) {
  for (int k = 0; k < 4; ++k) out[k] = a[k] ^ b[k];
}

void setWord(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t* out) {
  out[0] = b0;
  out[1] = b1;
  out[2] = b2;
  out[3] = b3;
}

void rotWord(const uint8_t* in, uint8_t* out) { setWord(in[1], in[2], in[3], in[0], out); }

void StringToBytes(const std::u16string& text, uint8_t* out, int outLength) {
  const size_t count = std::min(text.size(), static_cast<size_t>(std::max(outLength, 0)));
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(text[i]);
}

std::u16string BytesToString(const uint8_t* bytes, int length) {
  return std::u16string(bytes, bytes + std::max(length, 0));
}

uint8_t hexToBit(char16_t ch) {
  if (ch >= u'0' && ch <= u'9') return static_cast<uint8_t>(ch - u'0');
  if (ch >= u'a' && ch <= u'f') return static_cast<uint8_t>(ch - u'a' + 10);
  return 255;
}

uint8_t hexToByte(const std::u16string& text) {
  const uint8_t high = hexToBit(text.size() > 0 ? text[0] : u'\0');
  const uint8_t low = hexToBit(text.size() > 1 ? text[1] : u'\0');
  return static_cast<uint8_t>((high << 4) ^ low);
}

char16_t hexChar(int n) { return u"0123456789abcdef"[n & 0xF]; }

std::u16string hexToString(uint8_t b) { return {hexChar(b >> 4), hexChar(b & 0xF)}; }
