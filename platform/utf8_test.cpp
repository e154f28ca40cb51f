#include "platform/utf8.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8Test, DecodesEveryLengthAndReplacesWhatIsMalformed) {
  const struct {
    const char* what;
    std::string utf8;
    std::u16string text;
  } kCases[] = {
      {"ascii", "a~", u"a~"},
      {"two to four bytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", u"\u00e9\u20ac\U0001F600"},
      {"largest", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"stray continuation", "a\x80z", u"a\uFFFDz"},
      {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"cut off", "x\xE2\x82", u"x\uFFFD\uFFFD"},
      {"latin-1 byte", "caf\xE9!", u"caf\uFFFD!"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.text);
  }
}

TEST(Utf8Test, EncodesPairsJoinedAndLoneSurrogatesReplaced) {
  EXPECT_EQ(Utf16ToUtf8(u"a\u00e9\u20ac\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{u'a', char16_t(0xD83D), u'b', char16_t(0xDE00)}),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(Utf8Test, TellsWellFormedTextFromOther) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain \xE2\x82\xAC \xF0\x9F\x98\x80 \xEF\xBF\xBD"));
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(IsValidUtf8("cut \xE2\x82"));
}

}  // namespace
