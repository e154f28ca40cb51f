#include "account-watcher/symbol_list.h"

#include <gtest/gtest.h>

namespace {

// A record of 128 bytes whose name field (record offset 4 on, 12 bytes and the forced zero)
// holds `name`, followed by more non-zero bytes.
std::string Record(const std::string& name) {
  std::string record(kRecordSize, 'Z');
  record.replace(4, name.size(), name);
  if (name.size() < 12) record[4 + name.size()] = '\0';
  return record;
}

TEST(SymbolListTest, TheNameAfterItsSixthCharacterIsTheSuffix) {
  const struct {
    std::string name;
    std::string readName;
    std::optional<std::string> suffix;
  } kCases[] = {
      {"GOLD1", "GOLD1", std::nullopt},
      {"EURUSD", "EURUSD", ""},
      {"EURUSDm", "EURUSDm", "m"},
      {"EURUSD.ecnpr", "EURUSD.ecnpr", ".ecnpr"},
      {"EURUSDmicro12345", "EURUSDmicro1", "micro1"},  // cut after 12 characters
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string name = FirstSymbolName(Record(c.name));
    EXPECT_EQ(name, c.readName);
    EXPECT_EQ(SymbolSuffix(name), c.suffix);
  }
  EXPECT_EQ(FirstSymbolName("ab"), "");
}

TEST(SymbolListTest, SuffixesCompareWithoutRegardToCase) {
  EXPECT_TRUE(SameIgnoringCase("PRO", "pro"));
  EXPECT_TRUE(SameIgnoringCase(".Ecn", ".eCN"));
  EXPECT_TRUE(SameIgnoringCase("", ""));
  EXPECT_FALSE(SameIgnoringCase("", "m"));
  EXPECT_FALSE(SameIgnoringCase("m", "mm"));
  EXPECT_FALSE(SameIgnoringCase("pro", "prO."));
}

}  // namespace
