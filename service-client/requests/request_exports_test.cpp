// The request exports as a script calls them, against the local test services: natively on
// libcurl, under Wine on WinHTTP.
#include "service-client/requests/request_exports.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "service-client/library.h"
#include "tests/support/debug_log_recorder.h"
#include "tests/support/read_in_pieces.h"
#include "tests/support/test_services.h"

namespace {

using namespace std::chrono_literals;

class RequestExportsTest : public testing::Test {
 protected:
  void SetUp() override { AttachLibrary(); }
  void TearDown() override { DetachLibrary(); }

  static const TestServices& Services() { return TestServices::Get(); }

  static int CreateAndWait(const std::string& url, int connectTimeout = 5000,
                           int readTimeout = 10000) {
    const int id = ov_createAsynchRequest(url.c_str(), connectTimeout, readTimeout);
    EXPECT_GE(id, 1) << url;
    while (id >= 1 && ov_isAsynchRequestComplete(id) == 0) std::this_thread::sleep_for(5ms);
    return id;
  }

  // The whole text, read as a script does: in pieces until one comes back short.
  template <typename Reader>
  static std::string ReadAll(Reader reader, int id) {
    const std::vector<char> text = ReadInPieces<char>(reader, id, 7);
    return {text.begin(), text.end()};
  }
};

TEST_F(RequestExportsTest, IdsStartAtOneAfterLoading) {
  EXPECT_EQ(CreateAndWait(Services().HttpUrl("/hello")), 1);
  EXPECT_EQ(CreateAndWait(Services().HttpUrl("/hello")), 2);
}

TEST_F(RequestExportsTest, ReportsSuccessHttpErrorsAndOtherFailuresApart) {
  const struct {
    std::string url;
    int error, code;
    std::string response, description;
  } kCases[] = {
      {Services().HttpUrl("/hello"), 0, -1, "Hello, world", ""},
      {Services().HttpUrl("/status/500"), 1, 500, "", "HTTP/1.1 500 Internal Server Error"},
      {Services().HttpUrl("/redirect?to=/status/404"), 1, 404, "", "HTTP/1.1 404 Not Found"},
      {"http://127.0.0.1:1/", 0, 0, "", "(the transport's message)"},
      {"HTTPS://localhost/", 0, 0, "", "The URL's scheme cannot be used by this transport"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.url);
    const int id = CreateAndWait(c.url);
    EXPECT_EQ(ov_isAsynchRequestComplete(id), 1);
    EXPECT_EQ(ov_isAsynchRequestError(id), c.error);
    EXPECT_EQ(ov_getErrorCode(id), c.code);
    EXPECT_EQ(ReadAll(ov_getAsynchResponse, id), c.response);
    const std::string description = ReadAll(ov_getErrorDescription, id);
    if (c.description.starts_with("(")) {
      EXPECT_FALSE(description.empty());
    } else {
      EXPECT_EQ(description, c.description);
    }
    ov_destroyAsynchRequest(id);
  }
}

TEST_F(RequestExportsTest, ReadsAPieceFromAnOffsetAndTerminatesIt) {
  const int id = CreateAndWait(Services().HttpUrl("/hello"));  // "Hello, world": 12 characters
  const struct {
    int offset, count, written;
    std::string piece;
  } kCases[] = {
      {0, 4, 4, "Hell"},
      {8, 4, 4, "orld"},
      {10, 4, 2, "ld"},
      {12, 4, 0, ""},
      {0, 0, 0, ""},
      {0, -5, 0, ""},
      {-1, 4, 0, ""},
      {INT_MIN, 4, 0, ""},
      {1, INT_MAX, 11, "ello, world"},
      {INT_MAX, INT_MAX, 0, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "offset " << c.offset << " count " << c.count);
    char buffer[32];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(ov_getAsynchResponse(id, buffer, c.offset, c.count), c.written);
    EXPECT_EQ(std::string(buffer), c.piece);
    EXPECT_EQ(buffer[c.written + 1], '#') << "wrote past the terminator";
  }
}

TEST_F(RequestExportsTest, GivesEachCharacterOfTheAnsiDecodedBodyAsItsLow8Bits) {
  const int id = CreateAndWait(Services().HttpUrl("/bytes"));  // bytes 0x80 to 0xFF
  const std::string response = ReadAll(ov_getAsynchResponse, id);
  ASSERT_EQ(response.size(), 128u);
  EXPECT_EQ(static_cast<unsigned char>(response[0x80 - 0x80]), 0xAC);  // the euro sign, U+20AC
  EXPECT_EQ(static_cast<unsigned char>(response[0x9F - 0x80]), 0x78);  // Y diaeresis, U+0178
  EXPECT_EQ(static_cast<unsigned char>(response[0xE9 - 0x80]), 0xE9);
  EXPECT_EQ(static_cast<unsigned char>(response[0xFF - 0x80]), 0xFF);
}

TEST_F(RequestExportsTest, EncodesSpacesAndCharactersFromTheUpperHalfOnly) {
  // The script's URL is ANSI text: 0xE9 is "é" in code page 1252.
  const int id = CreateAndWait(Services().HttpUrl("/echo/a b?t=\xE9&x=%41+y:1"));
  const std::string echo = ReadAll(ov_getAsynchResponse, id);
  EXPECT_TRUE(echo.starts_with("GET /echo/a+b?t=%c3%a9&x=%41+y:1 HTTP/1.1\n")) << echo;
}

TEST_F(RequestExportsTest, AnIdNeverHandedOutAnswersTheDefaults) {
  CreateAndWait(Services().HttpUrl("/hello"));
  for (const int id : {-1, 0, 2, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(id);
    char buffer[8] = "#######";
    ov_destroyAsynchRequest(id);
    EXPECT_EQ(ov_isAsynchRequestComplete(id), 0);
    EXPECT_EQ(ov_isAsynchRequestError(id), 0);
    EXPECT_EQ(ov_getErrorCode(id), -1);
    EXPECT_EQ(ov_getAsynchResponse(id, buffer, 0, 7), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(ov_getErrorDescription(id, buffer, 0, 7), 0);
    EXPECT_EQ(buffer[0], '\0');
  }
}

TEST_F(RequestExportsTest, AReleasedIdKeepsItsAnswersUntilThePurge) {
  const int id = CreateAndWait(Services().HttpUrl("/hello"));
  ov_destroyAsynchRequest(id);
  ov_destroyAsynchRequest(id);
  EXPECT_EQ(ov_isAsynchRequestComplete(id), 1);
  EXPECT_EQ(ReadAll(ov_getAsynchResponse, id), "Hello, world");
}

TEST_F(RequestExportsTest, NullArgumentsNeverCrash) {
  EXPECT_EQ(ov_initProxySettings(nullptr, 0, nullptr, nullptr), 1);
  const int id = ov_createAsynchRequest(nullptr, 0, 0);  // an empty URL, which fails
  ASSERT_GE(id, 1);
  while (ov_isAsynchRequestComplete(id) == 0) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(ov_getErrorCode(id), 0);
  EXPECT_EQ(ov_getAsynchResponse(id, nullptr, 0, 10), 0);
  EXPECT_EQ(ov_getErrorDescription(id, nullptr, 0, 10), 0);
}

TEST_F(RequestExportsTest, ATimeOutOfZeroOrBelowStillWaitsForTheReply) {
  EXPECT_EQ(ov_getErrorCode(CreateAndWait(Services().HttpUrl("/slow?ms=300"), 0, 0)), -1);
  EXPECT_EQ(ov_getErrorCode(CreateAndWait(Services().HttpUrl("/slow?ms=300"), -1, INT_MIN)), -1);
  EXPECT_EQ(ov_getErrorCode(CreateAndWait(Services().HttpUrl("/slow?ms=5000"), 5000, 500)), 0);
}

TEST_F(RequestExportsTest, ProxyAndCertificateSettingsApplyToLaterRequests) {
  const std::string echo = Services().HttpUrl("/echo/p", "localhost");
  const std::string proxy = Services().ProxyHost();
  ASSERT_EQ(
      ov_initProxySettings(proxy.c_str(), Services().AuthProxyPort(),
                           Services().ProxyUser().c_str(), Services().ProxyPassword().c_str()),
      1);
  const int proxied = CreateAndWait(echo);
  ASSERT_EQ(ov_initProxySettings(proxy.c_str(), Services().AuthProxyPort(), "", ""), 1);
  const int refused = CreateAndWait(echo);
  ASSERT_EQ(ov_initProxySettings("", 0, "", ""), 1);
  const int direct = CreateAndWait(echo);
  EXPECT_NE(ReadAll(ov_getAsynchResponse, proxied).find("Via:"), std::string::npos);
  EXPECT_EQ(ov_getErrorCode(refused), 407);
  EXPECT_EQ(ReadAll(ov_getAsynchResponse, direct).find("Via:"), std::string::npos);

  const std::string https = Services().HttpsUrl("/hello");
  EXPECT_EQ(ov_getErrorCode(CreateAndWait(https)), 0) << "a self-signed certificate passed";
  ASSERT_EQ(ov_setCertificateCheck(0), 1);
  EXPECT_EQ(ReadAll(ov_getAsynchResponse, CreateAndWait(https)), "Hello, world");
  ASSERT_EQ(ov_setCertificateCheck(1), 1);
  EXPECT_EQ(ov_getErrorCode(CreateAndWait(https)), 0);
}

TEST_F(RequestExportsTest, ScriptsOnSeveralThreadsGetTheirOwnRequests) {
  const std::string url = Services().HttpUrl("/hello");
  std::vector<std::string> answers(8 * 10);
  {
    std::vector<std::jthread> scripts;
    for (int t = 0; t < 8; ++t) {
      scripts.emplace_back([&, t] {
        for (int i = 0; i < 10; ++i) {
          const int id = CreateAndWait(url);
          answers[t * 10 + i] = ReadAll(ov_getAsynchResponse, id);
          ov_destroyAsynchRequest(id);
        }
      });
    }
  }
  for (const std::string& answer : answers) EXPECT_EQ(answer, "Hello, world");
}

TEST_F(RequestExportsTest, TracesEachCallInItsOwnWords) {
  const int id = CreateAndWait(Services().HttpUrl("/hello"));
  char buffer[8];
  const struct {
    std::function<void()> call;
    std::u16string trace;
  } kCases[] = {
      {[&] { ov_initProxySettings("h", 8080, "u", "p"); },
       u"Setting up proxy settings Server [h] Port [8080] Username [u] Password [p]"},
      {[&] { ov_destroyAsynchRequest(77); }, u"Destroying request with id [77]"},
      {[&] { ov_isAsynchRequestComplete(id); }, u"Checking if async request is complete for id [" +
                                                    std::u16string(u"1") + u"] with value [true]"},
      {[&] { ov_isAsynchRequestError(77); },
       u"Checking if async request has an error for id [77] with value [false]"},
      {[&] { ov_getErrorCode(77); }, u"Getting error code for id [77] with value [-1]"},
      {[&] { ov_getErrorDescription(77, buffer, 0, 7); },
       u"Getting error description for id [77] with value [0]"},
      {[&] { ov_getAsynchResponse(id, buffer, 0, 4); },
       u"Getting response for id [1] with value [Hell] and return code [4]"},
      {[&] { ov_getErrorDescription(id, buffer, -1, 4); },
       u"Exception occurred ov_getErrorDescription"},
      {[&] { ov_getAsynchResponse(id, nullptr, 0, 4); },
       u"Exception occurred ov_getAsynchResponse"},
      {[&] { ov_setCertificateCheck(1); }, u"Setting certificate check [1]"},
  };
  ASSERT_EQ(id, 1);
  for (const auto& c : kCases) {
    DebugLogRecorder recorder;
    c.call();
    EXPECT_EQ(recorder.Texts(), std::vector<std::u16string>{c.trace});
  }
}

TEST_F(RequestExportsTest, OutsideAttachAndDetachEveryExportFailsCleanly) {
  DetachLibrary();
  char buffer[8] = "#######";
  EXPECT_EQ(ov_initProxySettings("h", 1, "", ""), -1);
  EXPECT_EQ(ov_setCertificateCheck(0), -1);
  EXPECT_EQ(ov_createAsynchRequest("http://127.0.0.1:1/", 0, 0), -1);
  ov_destroyAsynchRequest(1);
  EXPECT_EQ(ov_isAsynchRequestComplete(1), -1);
  EXPECT_EQ(ov_isAsynchRequestError(1), -1);
  EXPECT_EQ(ov_getErrorCode(1), -1);
  EXPECT_EQ(ov_getAsynchResponse(1, buffer, 0, 7), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(ov_getErrorDescription(1, buffer, 0, 7), 0);
  AttachLibrary();
}

}  // namespace
