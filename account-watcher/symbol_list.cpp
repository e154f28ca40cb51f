#include "account-watcher/symbol_list.h"

#include <algorithm>

namespace {

constexpr std::size_t kNameOffset = 4;
constexpr std::size_t kNameEnd = 16;
constexpr std::size_t kBaseNameLength = 6;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string FirstSymbolName(std::string_view record) {
  if (record.size() < kNameEnd) return {};
  const std::string_view name = record.substr(kNameOffset, kNameEnd - kNameOffset);
  return std::string(name.substr(0, name.find('\0')));
}

std::optional<std::string> SymbolSuffix(std::string_view name) {
  if (name.size() < kBaseNameLength) return std::nullopt;
  return std::string(name.substr(kBaseNameLength));
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return Lower(x) == Lower(y); });
}
