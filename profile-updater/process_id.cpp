#include "profile-updater/process_id.h"

#include <cstdint>
#include <limits>

namespace {

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::uint32_t ParseProcessId(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  const bool negative = i < text.size() && text[i] == u'-';
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) ++i;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = std::min<std::int64_t>(value * 10 + (text[i] - u'0'), kLimit + 1);
  }
  const std::int64_t clamped = negative ? -std::min(value, kLimit + 1) : std::min(value, kLimit);
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(clamped));
}
