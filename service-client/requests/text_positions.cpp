#include "service-client/requests/text_positions.h"

#include <algorithm>
#include <cstdint>

int FindFirst(std::u16string_view text, std::u16string_view pattern) {
  if (pattern.empty()) return 0;
  const size_t index = text.find(pattern);
  return index == std::u16string_view::npos ? 0 : static_cast<int>(index + 1);
}

std::u16string SubstringAt(std::u16string_view text, int start, int count) {
  const int64_t first = std::max(start, 1);
  if (count < 1 || first > static_cast<int64_t>(text.size())) return {};
  return std::u16string(text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(count)));
}

std::u16string_view ScriptPiece(std::u16string_view text, long long offset, long long count) {
  if (count < 1 || offset < 0 || static_cast<unsigned long long>(offset) >= text.size()) return {};
  return text.substr(static_cast<std::size_t>(offset),
                     static_cast<std::size_t>(std::min<unsigned long long>(count, text.size())));
}
