#include "platform/utf8.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point of the well-formed sequence at the start of `bytes` and its length, or
// kReplacement and 1.
std::pair<char32_t, std::size_t> DecodeOne(std::string_view bytes) {
  const auto lead = static_cast<unsigned char>(bytes[0]);
  if (lead < 0x80) return {lead, 1};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || length > bytes.size()) return {kReplacement, 1};
  char32_t point = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (!IsContinuation(byte)) return {kReplacement, 1};
    point = (point << 6) | (byte & 0x3F);
  }
  constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
  if (point < kSmallest[length] || point > 0x10FFFF || surrogate) return {kReplacement, 1};
  return {point, length};
}

void AppendUtf16(char32_t point, std::u16string& text) {
  if (point < 0x10000) {
    text += static_cast<char16_t>(point);
  } else {
    point -= 0x10000;
    text += static_cast<char16_t>(0xD800 | (point >> 10));
    text += static_cast<char16_t>(0xDC00 | (point & 0x3FF));
  }
}

void AppendUtf8(char32_t point, std::string& bytes) {
  if (point < 0x80) {
    bytes += static_cast<char>(point);
  } else if (point < 0x800) {
    bytes += static_cast<char>(0xC0 | (point >> 6));
    bytes += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    bytes += static_cast<char>(0xE0 | (point >> 12));
    bytes += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    bytes += static_cast<char>(0xF0 | (point >> 18));
    bytes += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    bytes += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (point & 0x3F));
  }
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string text;
  text.reserve(utf8.size());
  while (!utf8.empty()) {
    const auto [point, length] = DecodeOne(utf8);
    AppendUtf16(point, text);
    utf8.remove_prefix(length);
  }
  return text;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t point = text[i];
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      point = 0x10000 + ((point - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      point = kReplacement;
    }
    AppendUtf8(point, bytes);
  }
  return bytes;
}

Utf8Sequence NextUtf8Sequence(std::string_view bytes) {
  const auto [point, length] = DecodeOne(bytes);
  // A well-formed U+FFFD takes three bytes; a malformed byte decodes to it alone.
  const bool wellFormed = !(point == kReplacement && length == 1);
  return {length, point >= 0x10000 ? std::size_t{2} : std::size_t{1}, wellFormed};
}

bool IsValidUtf8(std::string_view bytes) {
  while (!bytes.empty()) {
    const Utf8Sequence sequence = NextUtf8Sequence(bytes);
    if (!sequence.wellFormed) return false;
    bytes.remove_prefix(sequence.bytes);
  }
  return true;
}
