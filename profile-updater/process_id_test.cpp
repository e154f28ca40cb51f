#include "profile-updater/process_id.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessIdTest, ReadsAsTheWideTextToLongConversion) {
  const struct {
    std::u16string text;
    std::uint32_t id;
  } kCases[] = {
      {u"4711", 4711},
      {u"  \t4711", 4711},
      {u"+12", 12},
      {u"12abc", 12},
      {u"abc", 0},
      {u"", 0},
      {u"0", 0},
      {u"-1", 0xFFFFFFFF},
      {u"- 5", 0},
      {u"99999999999", 0x7FFFFFFF},
      {u"-99999999999", 0x80000000},
      {u"4 2", 4},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ParseProcessId(c.text), c.id) << std::string(c.text.begin(), c.text.end());
  }
}

}  // namespace
