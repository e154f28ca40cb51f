// authenticateUser as a script calls it: wide texts in, the caller's buffers filled.
#include "service-client/login/login_exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "service-client/library.h"
#include "service-client/requests/request_list.h"
#include "tests/support/hex_bytes.h"
#include "tests/support/test_services.h"

namespace {

using namespace std::chrono_literals;

std::basic_string<ScriptWideChar> Wide(std::u16string_view text) {
  return {text.begin(), text.end()};
}

std::basic_string<ScriptWideChar> WideUrl(const std::string& path) {
  const std::string url = TestServices::Get().HttpUrl(path);
  return {url.begin(), url.end()};
}

// The outputs of one call, in buffers of the documented sizes and a guard zone behind each,
// all filled with a mark that a write shows up against.
struct Outputs {
  static constexpr ScriptWideChar kMark = 0x55AA;
  static constexpr std::size_t kGuard = 16;

  std::vector<ScriptWideChar> message =
      std::vector<ScriptWideChar>(kLoginMessageUnits + kGuard, kMark);
  std::vector<ScriptWideChar> code = std::vector<ScriptWideChar>(2 + kGuard, kMark);

  std::u16string Message() const { return Text(message); }
  std::u16string Code() const { return Text(code); }
  bool GuardsIntact() const {
    return std::all_of(message.end() - kGuard, message.end(), IsMark) &&
           std::all_of(code.end() - kGuard, code.end(), IsMark);
  }

  static bool IsMark(ScriptWideChar unit) { return unit == kMark; }
  static std::u16string Text(const std::vector<ScriptWideChar>& buffer) {
    const auto end = std::find(buffer.begin(), buffer.end(), ScriptWideChar{0});
    return end == buffer.end() ? u"(no terminator)" : std::u16string(buffer.begin(), end);
  }
};

class LoginExportsTest : public testing::Test {
 protected:
  void SetUp() override {
    AttachLibrary();
    SetLoginWaitForTesting({5ms, 2000});
  }
  void TearDown() override {
    SetLoginWaitForTesting({});
    DetachLibrary();
  }

  static int LogIn(const std::basic_string<ScriptWideChar>& url, std::u16string_view user,
                   Outputs& outputs) {
    return authenticateUser(Wide(user).c_str(), Wide(u"pw").c_str(), url.c_str(),
                            outputs.message.data(), outputs.code.data());
  }
};

TEST_F(LoginExportsTest, FillsTheScriptsBuffers) {
  const struct {
    std::string path;
    std::u16string user;
    int result;
    std::u16string message, code;
  } kCases[] = {
      {"/login/echo", u"\u00e9 x", 0,
       u"request=authenticate&username=%c3%a9+x&password=pw&serverencrypt=1", u"0"},
      {"/login", u"nobody", 1, u"Wrong user name or password", u"1"},
      {"/status/404", u"u", 1,
       u"Authentication Failed. A platform error has occurred. Please try again later.", u"1"},
      {"/login/echo", u"", 1, u"Username or Password not supplied", u"1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    Outputs outputs;
    EXPECT_EQ(LogIn(WideUrl(c.path), c.user, outputs), c.result);
    EXPECT_EQ(outputs.Message(), c.message);
    EXPECT_EQ(outputs.Code(), c.code);
    EXPECT_TRUE(outputs.GuardsIntact());
  }
}

TEST_F(LoginExportsTest, ALongTokenIsCutToTheDocumentedBuffer) {
  for (const std::size_t length : {1022u, 1023u, 1024u, 5000u}) {
    SCOPED_TRACE(length);
    const std::string hex = ToHex("<sessionid>1</sessionid><encryptedtoken>" +
                                  std::string(length, 'f') + "</encryptedtoken>");
    Outputs outputs;
    EXPECT_EQ(LogIn(WideUrl("/login/reply/" + hex), u"u", outputs), 0);
    EXPECT_EQ(outputs.Message(), std::u16string(std::min<std::size_t>(length, 1023), u'f'));
    EXPECT_TRUE(outputs.GuardsIntact());
  }
}

TEST_F(LoginExportsTest, NullOutputsGetNothingAndSendNothing) {
  Outputs outputs;
  const auto url = WideUrl("/login/echo");
  EXPECT_EQ(authenticateUser(Wide(u"u").c_str(), Wide(u"p").c_str(), url.c_str(), nullptr,
                             outputs.code.data()),
            1);
  EXPECT_EQ(authenticateUser(Wide(u"u").c_str(), Wide(u"p").c_str(), url.c_str(),
                             outputs.message.data(), nullptr),
            1);
  EXPECT_TRUE(std::all_of(outputs.message.begin(), outputs.message.end(), Outputs::IsMark));
  EXPECT_TRUE(std::all_of(outputs.code.begin(), outputs.code.end(), Outputs::IsMark));
  EXPECT_EQ(RequestList().Count(), 0u);
}

TEST_F(LoginExportsTest, NullInputsReadAsEmpty) {
  Outputs outputs;
  EXPECT_EQ(
      authenticateUser(nullptr, nullptr, nullptr, outputs.message.data(), outputs.code.data()), 1);
  EXPECT_EQ(outputs.Message(), u"Username or Password not supplied");
  EXPECT_EQ(outputs.Code(), u"1");
}

TEST(LoginExportsWithoutLibraryTest, AnyFailureIsASystemError) {
  // Outside attach..detach the registry does not exist: the call fails inside, and the script
  // still gets an outcome of the table.
  Outputs outputs;
  EXPECT_EQ(authenticateUser(Wide(u"u").c_str(), Wide(u"p").c_str(), Wide(u"http://h/").c_str(),
                             outputs.message.data(), outputs.code.data()),
            1);
  EXPECT_EQ(outputs.Message(),
            u"Authentication Failed. A system error occurred. Please try again later.");
  EXPECT_EQ(outputs.Code(), u"1");
}

}  // namespace
