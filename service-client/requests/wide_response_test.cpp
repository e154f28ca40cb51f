#include "service-client/requests/wide_response.h"

#include <gtest/gtest.h>

#include "platform/ansi_code_page.h"
#include "platform/utf8.h"

namespace {

using Decoding = WideResponse::Decoding;

TEST(WideResponseTest, TheContentTypeAndTheBytesChooseTheDecoding) {
  const struct {
    std::string contentType, body;
    Decoding decoding;
  } kCases[] = {
      {"text/plain; charset=utf-8", "caf\xE9", Decoding::kUtf8},
      {"text/html;charset=\"UTF-8\"", "", Decoding::kUtf8},
      {"text/plain; format=flowed; Charset=ISO-8859-1", "\xC3\xA9", Decoding::kLatin1},
      {"text/plain; charset=us-ascii", "", Decoding::kLatin1},
      {"text/plain; charset=windows-1252", "\xC3\xA9", Decoding::kWindows1252},
      {"text/plain; charset=koi8-r", "\xC3\xA9", Decoding::kAnsi},
      {"application/json", "caf\xE9", Decoding::kUtf8},
      {"application/problem+json", "", Decoding::kUtf8},
      {"text/xml", "", Decoding::kUtf8},
      {"text/plain", "caf\xC3\xA9", Decoding::kUtf8},
      {"text/plain", "caf\xE9", Decoding::kAnsi},
      {"", "\x80\x81", Decoding::kAnsi},
      {"", "plain ascii", Decoding::kUtf8},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(WideResponse::ChooseDecoding(c.contentType, c.body), c.decoding)
        << c.contentType << " / " << testing::PrintToString(c.body);
  }
}

// Reads the whole text in pieces of `size`, as a script does.
std::u16string ReadInPieces(const WideResponse& response, std::string_view body,
                            std::u16string_view ansi, int size) {
  std::u16string text;
  for (;;) {
    const std::u16string piece = response.Piece(body, ansi, text.size(), size);
    text += piece;
    if (static_cast<int>(piece.size()) < size) return text;
  }
}

TEST(WideResponseTest, PiecesOfALongUtf8BodyJoinToItsWholeDecoding) {
  std::string body;
  for (int i = 0; i < 3000; ++i) body += "a\xE2\x82\xAC\xF0\x9F\x98\x80\xD0\x96";  // a € 😀 Ж
  body += "\xFF";  // one malformed byte at the end
  const std::u16string whole = Utf8ToUtf16(body);
  const WideResponse response(body, "application/json", 0);
  EXPECT_EQ(response.Length(), whole.size());
  for (const int size : {7, 4095, 4096, 5000, 100000}) {
    EXPECT_EQ(ReadInPieces(response, body, u"", size), whole) << "pieces of " << size;
  }
  // A piece may start or end between the two halves of a pair.
  EXPECT_EQ(response.Piece(body, u"", 3, 2), whole.substr(3, 2));
  EXPECT_EQ(response.Piece(body, u"", 4, 100), whole.substr(4, 100));
}

TEST(WideResponseTest, SingleByteCharsetsAndTheAnsiFallback) {
  const std::string body = "\x80\xE9\x41";
  EXPECT_EQ(WideResponse(body, "text/plain; charset=iso-8859-1", 3).Piece(body, u"", 0, 10),
            u"\u0080\u00e9A");
  EXPECT_EQ(WideResponse(body, "text/plain; charset=windows-1252", 3).Piece(body, u"", 0, 10),
            u"\u20ac\u00e9A");
  const std::u16string ansi = AnsiToUtf16(body);
  const WideResponse fallback(body, "text/plain", ansi.size());
  EXPECT_EQ(fallback.Length(), ansi.size());
  EXPECT_EQ(ReadInPieces(fallback, body, ansi, 2), ansi);
}

TEST(WideResponseTest, OffsetsAndCountsOutsideTheTextGiveNothing) {
  const std::string body = "\xE2\x82\xAC\xE2\x82\xAC";
  const WideResponse response(body, "text/plain; charset=utf-8", 0);
  for (const auto& [offset, count] :
       {std::pair{-1LL, 5LL}, {2, 5}, {0, 0}, {0, -3}, {1LL << 40, 1}}) {
    EXPECT_EQ(response.Piece(body, u"", offset, count), u"") << offset << " " << count;
  }
  EXPECT_EQ(response.Piece(body, u"", 1, 1LL << 40), u"\u20ac");
  EXPECT_EQ(WideResponse().Length(), 0u);
}

}  // namespace
