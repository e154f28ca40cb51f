#include "service-client/requests/text_positions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

TEST(TextPositionsTest, FindFirstGivesTheOneBasedPositionOfTheFirstOccurrence) {
  const struct {
    std::u16string text, pattern;
    int position;
  } kCases[] = {
      {u"https://srv", u"http", 1},
      {u"https://srv//x", u"//", 7},
      {u"a<sessionid>1</sessionid>", u"<sessionid>", 2},
      {u"<SessionId>", u"<sessionid>", 0},  // case-sensitive
      {u"abc", u"", 0},
      {u"", u"a", 0},
      {u"ab", u"abc", 0},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FindFirst(c.text, c.pattern), c.position)
        << testing::PrintToString(c.text) << " " << testing::PrintToString(c.pattern);
  }
}

TEST(TextPositionsTest, SubstringAtClampsItsStartAndCount) {
  const struct {
    int start, count;
    std::u16string result;
  } kCases[] = {
      {1, 3, u"abc"}, {3, 2, u"cd"},           {5, 10, u"ef"},          {6, 1, u"f"},
      {7, 1, u""},    {0, 3, u"abc"},          {-5, 2, u"ab"},          {2, 0, u""},
      {2, -1, u""},   {1, INT_MAX, u"abcdef"}, {INT_MAX, INT_MAX, u""}, {INT_MIN, 1, u"a"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(SubstringAt(u"abcdef", c.start, c.count), c.result)
        << "start " << c.start << " count " << c.count;
  }
}

TEST(TextPositionsTest, ScriptPieceReadsFromAZeroBasedOffsetWithoutOverflow) {
  const struct {
    long long offset, count;
    std::u16string piece;
  } kCases[] = {
      {0, 4, u"0123"},
      {8, 4, u"89"},
      {10, 4, u""},
      {0, 0, u""},
      {3, -1, u""},
      {-1, 0, u""},
      {9, INT_MAX, u"9"},
      {INT_MAX, INT_MAX, u""},
      {0, LLONG_MAX, u"0123456789"},
      {LLONG_MAX, LLONG_MAX, u""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ScriptPiece(u"0123456789", c.offset, c.count), c.piece)
        << "offset " << c.offset << " count " << c.count;
  }
}

}  // namespace
