#pragma once
// Conversions between UTF-8 and UTF-16, the same on every platform. Both keep no state and may
// be called from any thread; they fail only when memory runs out.

#include <string>
#include <string_view>

// Decodes `utf8`. Each byte that does not belong to a well-formed sequence (stray continuation
// bytes, overlong forms, surrogates, values above U+10FFFF, a cut-off end) becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Encodes `text`, joining surrogate pairs; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// One step of decoding: the sequence at the start of `bytes` (which must not be empty).
struct Utf8Sequence {
  std::size_t bytes = 1;  // its length; 1 for a byte that starts no well-formed sequence
  std::size_t units = 1;  // the UTF-16 units it decodes to: 2 above U+FFFF, else 1
  bool wellFormed = true;
};
Utf8Sequence NextUtf8Sequence(std::string_view bytes);

// Whether `bytes` is well-formed UTF-8 throughout.
bool IsValidUtf8(std::string_view bytes);
