#include "service-client/requests/url_encode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct EncodingCase {
  std::u16string input;
  std::u16string encoded;
};

const EncodingCase kCases[] = {
    {u"", u""},
    {u"Z\u00FCrich Caf\u00E9 5\u20AC", u"Z%c3%bcrich+Caf%c3%a9+5%e2%82%ac"},
    {u"a&b=c d", u"a&b=c+d"},
    {u"100% + 1", u"100%+++1"},
    {u"\u03A9", u"%ce%a9"},
    {u"\U0001F600", u"%ed%a0%bd%ed%b8%80"},  // each surrogate unit on its own
    {u"+%&=?#:/", u"+%&=?#:/"},
    {u"\x7F\x01\t\n", u"\x7F\x01\t\n"},
    {std::u16string(u"a\0b", 3), std::u16string(u"a\0b", 3)},
    {u"\u0080", u"%c2%80"},
    {u"\u07FF", u"%df%bf"},
    {u"\u0800", u"%e0%a0%80"},
    {u"\uFFFF", u"%ef%bf%bf"},
    {u"\u00E9\u00FC", u"%c3%a9%c3%bc"},
    {u"srv:8080/p?q=%41&t=\u00E9", u"srv:8080/p?q=%41&t=%c3%a9"},
};

TEST(UrlEncodeTest, EncodesEveryUnitAsTheTableSays) {
  for (const auto& c : kCases) {
    EXPECT_EQ(urlEncode(c.input), c.encoded) << testing::PrintToString(c.input);
  }
}

TEST(UrlEncodeTest, EncodingTwiceChangesNothingMore) {
  for (const auto& c : kCases) {
    EXPECT_EQ(urlEncode(urlEncode(c.input)), c.encoded) << testing::PrintToString(c.input);
  }
}

TEST(UrlEncodeTest, EveryUnitFrom0x80UpBecomesLowerCaseEscapesOfItsUtf8Bytes) {
  for (char32_t unit = 0x80; unit <= 0xFFFF; ++unit) {
    const std::u16string encoded = urlEncode(std::u16string(1, static_cast<char16_t>(unit)));
    std::u16string expected;
    const auto escape = [&](unsigned byte) {
      constexpr char16_t kHex[] = u"0123456789abcdef";
      expected += {u'%', kHex[byte >> 4], kHex[byte & 0xF]};
    };
    if (unit < 0x800) {
      escape(0xC0 | (unit >> 6));
    } else {
      escape(0xE0 | (unit >> 12));
      escape(0x80 | ((unit >> 6) & 0x3F));
    }
    escape(0x80 | (unit & 0x3F));
    ASSERT_EQ(encoded, expected) << "unit " << static_cast<unsigned>(unit);
  }
}

}  // namespace
