#include "platform/ansi_code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Byte-for-unit pairs that hold both ways under Windows-1252, the code page of these tests'
// machines (Wine reports 1252 as well).
struct CodePagePair {
  std::string ansi;
  std::u16string text;
};

const CodePagePair kPairs[] = {
    {"", u""},
    {"plain ASCII ?&=/", u"plain ASCII ?&=/"},
    {"\xE9", u"\u00E9"},
    {"\x80", u"\u20AC"},
    {"\x81\x8D\x8F\x90\x9D", u"\u0081\u008D\u008F\u0090\u009D"},  // undefined in 1252
    {"\x9F\xA0\xFF", u"\u0178\u00A0\u00FF"},
    {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // an embedded zero is kept
};

TEST(AnsiCodePageTest, DecodesAndEncodesTheTable) {
  for (const auto& pair : kPairs) {
    EXPECT_EQ(AnsiToUtf16(pair.ansi), pair.text) << pair.ansi;
    EXPECT_EQ(Utf16ToAnsi(pair.text), pair.ansi) << pair.ansi;
  }
}

TEST(AnsiCodePageTest, EveryByteSurvivesTheRoundTrip) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  const std::u16string decoded = AnsiToUtf16(all);
  ASSERT_EQ(decoded.size(), all.size());
  EXPECT_EQ(Utf16ToAnsi(decoded), all);
}

TEST(AnsiCodePageTest, UnrepresentableUnitsBecomeTheDefaultCharacter) {
  // A CJK character and each half of a surrogate pair (U+1F600) have no byte in 1252.
  EXPECT_EQ(Utf16ToAnsi(u"x\u4E2Dy"), "x?y");
  EXPECT_EQ(Utf16ToAnsi(u"\U0001F600"), "??");
}

}  // namespace
