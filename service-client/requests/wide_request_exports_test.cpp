// The wide request exports and the raw body against the local test services: natively on
// libcurl, under Wine on WinHTTP.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/ansi_code_page.h"
#include "service-client/library.h"
#include "service-client/requests/request_exports.h"
#include "tests/support/hex_bytes.h"
#include "tests/support/read_in_pieces.h"
#include "tests/support/test_services.h"

namespace {

using namespace std::chrono_literals;
using WideText = std::basic_string<ScriptWideChar>;

WideText Wide(std::u16string_view text) { return {text.begin(), text.end()}; }

// The test service's address that answers with `bytes` and the Content-Type `type`.
std::u16string ReplyUrl(std::string_view type, std::string_view bytes) {
  std::string encodedType;
  for (const char c : type) encodedType += c == ' ' ? "%20" : c == '=' ? "%3D" : std::string(1, c);
  const std::string url =
      TestServices::Get().HttpUrl("/charset?type=" + encodedType + "&hex=" + ToHex(bytes));
  return {url.begin(), url.end()};
}

class WideRequestExportsTest : public testing::Test {
 protected:
  void SetUp() override { AttachLibrary(); }
  void TearDown() override { DetachLibrary(); }

  static int CreateAndWait(std::u16string_view url) {
    const int id = ov_createAsynchRequestW(Wide(url).c_str(), 5000, 10000);
    EXPECT_GE(id, 1);
    while (id >= 1 && ov_isAsynchRequestComplete(id) == 0) std::this_thread::sleep_for(5ms);
    return id;
  }

  // The whole wide text, read in pieces of `size` units.
  template <typename Reader>
  static std::u16string ReadAll(Reader reader, int id, int size) {
    const std::vector<ScriptWideChar> text = ReadInPieces<ScriptWideChar>(reader, id, size);
    return {text.begin(), text.end()};
  }

  static std::string ReadBytes(int id) {
    const std::vector<unsigned char> bytes =
        ReadInPieces<unsigned char>(ov_getResponseBytes, id, 4);
    return {bytes.begin(), bytes.end()};
  }

  static std::string ReadNarrow(int id) {
    const std::vector<char> text = ReadInPieces<char>(ov_getAsynchResponse, id, 7);
    return {text.begin(), text.end()};
  }
};

TEST_F(WideRequestExportsTest, DecodesTheBodyByItsDeclaredCharset) {
  const std::string kJson = "{\"p\":\"\xE2\x82\xAC \xD0\x96\xD1\x83\xD0\xBA \xF0\x9F\x98\x80\"}";
  const struct {
    const char* what;
    std::string type, bytes;
    std::u16string text;
  } kCases[] = {
      {"json without charset: utf-8", "application/json", kJson,
       u"{\"p\":\"\u20ac \u0416\u0443\u043a \U0001F600\"}"},
      {"declared utf-8", "text/plain; charset=UTF-8", "caf\xC3\xA9", u"caf\u00e9"},
      {"declared iso-8859-1", "text/plain; charset=iso-8859-1", "caf\xE9 \x80",
       u"caf\u00e9 \u0080"},
      {"no charset, not utf-8: the ANSI code page", "text/plain", "caf\xE9 \x80",
       u"caf\u00e9 \u20ac"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const int id = CreateAndWait(ReplyUrl(c.type, c.bytes));
    ASSERT_EQ(ov_getErrorCode(id), -1);
    for (const int size : {1, 3, 13, 100}) {  // 1 and 13 end a piece inside the emoji's pair
      EXPECT_EQ(ReadAll(ov_getAsynchResponseW, id, size), c.text) << "pieces of " << size;
    }
    EXPECT_EQ(ov_getResponseLength(id), static_cast<int>(c.text.size()));
    EXPECT_EQ(ReadBytes(id), c.bytes);
    // The 8-bit reader as before: the ANSI decoding, each unit's low 8 bits.
    std::string narrow;
    for (const char16_t unit : AnsiToUtf16(c.bytes)) narrow += static_cast<char>(unit & 0xFF);
    EXPECT_EQ(ReadNarrow(id), narrow);
    ov_destroyAsynchRequest(id);
  }
}

TEST_F(WideRequestExportsTest, SendsAUrlOutsideTheAnsiCodePage) {
  const std::string base = TestServices::Get().HttpUrl("/echo/");
  const int id =
      CreateAndWait(std::u16string(base.begin(), base.end()) + u"\u0416\u0443\u043a?q=\u20ac");
  const std::u16string echoed = ReadAll(ov_getAsynchResponseW, id, 64);
  EXPECT_TRUE(echoed.starts_with(u"GET /echo/%d0%96%d1%83%d0%ba?q=%e2%82%ac HTTP/1.1\n"))
      << std::string(echoed.begin(), echoed.end());
}

TEST_F(WideRequestExportsTest, ErrorsAndProxySettingsAsTheEightBitTwins) {
  const std::string missing = TestServices::Get().HttpUrl("/status/404");
  const int id = CreateAndWait(std::u16string(missing.begin(), missing.end()));
  EXPECT_EQ(ov_getErrorCode(id), 404);
  EXPECT_EQ(ReadAll(ov_getErrorDescriptionW, id, 5), u"HTTP/1.1 404 Not Found");
  EXPECT_EQ(ov_getResponseLength(id), 0);

  const TestServices& services = TestServices::Get();
  const std::string user = services.ProxyUser(), password = services.ProxyPassword();
  EXPECT_EQ(ov_initProxySettingsW(Wide(u"127.0.0.1").c_str(), services.AuthProxyPort(),
                                  Wide(std::u16string(user.begin(), user.end())).c_str(),
                                  Wide(std::u16string(password.begin(), password.end())).c_str()),
            1);
  const std::string proxied = services.HttpUrl("/echo/via", "localhost");
  const int viaProxy = CreateAndWait(std::u16string(proxied.begin(), proxied.end()));
  EXPECT_NE(ReadAll(ov_getAsynchResponseW, viaProxy, 64).find(u"Via:"), std::u16string::npos);
}

TEST_F(WideRequestExportsTest, OddReaderArgumentsNeverCrash) {
  const std::string hello = TestServices::Get().HttpUrl("/hello");
  const int id = CreateAndWait(std::u16string(hello.begin(), hello.end()));
  ScriptWideChar wide[4] = {'#', '#', '#', '#'};
  unsigned char bytes[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(ov_getAsynchResponseW(id, nullptr, 0, 3), 0);
  EXPECT_EQ(ov_getErrorDescriptionW(id, nullptr, 0, 3), 0);
  EXPECT_EQ(ov_getResponseBytes(id, nullptr, 0, 3), 0);
  EXPECT_EQ(ov_getAsynchResponseW(id, wide, -1, 3), 0);
  EXPECT_EQ(wide[0], 0);
  EXPECT_EQ(ov_getResponseBytes(id, bytes, -1, 3), 0);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(ov_getAsynchResponseW(id, wide, 0x7FFFFFFF, 3), 0);
  EXPECT_EQ(ov_getResponseBytes(id, bytes, 11, 0x7FFFFFFF), 1);  // the last byte, "d"
  EXPECT_EQ(bytes[0], 'd');
  EXPECT_GE(ov_createAsynchRequestW(nullptr, 0, 0), 1);  // an empty URL, which fails later
  EXPECT_EQ(ov_getResponseLength(12345), 0);
}

}  // namespace
