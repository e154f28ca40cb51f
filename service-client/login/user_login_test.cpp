// The login against the local test service's login endpoints: natively on libcurl, under Wine
// on WinHTTP, with a shortened wait.
#include "service-client/login/user_login.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "service-client/ciphers/text_cipher.h"
#include "service-client/requests/request.h"
#include "service-client/requests/request_list.h"
#include "tests/support/debug_log_recorder.h"
#include "tests/support/fake_network.h"
#include "tests/support/hex_bytes.h"
#include "tests/support/test_services.h"

namespace {

using namespace std::chrono_literals;
using Outcome = TUserLogin::Outcome;

std::u16string Utf16(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// The address at which the test service answers a login with exactly `reply`.
std::u16string ReplyingUrl(std::string_view reply) {
  return Utf16(TestServices::Get().HttpUrl("/login/reply/" + ToHex(reply)));
}

// A registry that deletes released records within milliseconds of their completion.
TRequestList::Options QuickPurge() {
  TRequestList::Options options;
  options.purgeDelay = 10ms;
  options.purgeTick = 5ms;
  return options;
}

bool WaitUntilEmpty(const TRequestList& requests) {
  for (auto deadline = std::chrono::steady_clock::now() + 20s;
       std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(5ms)) {
    if (requests.Count() == 0) return true;
  }
  return false;
}

class UserLoginTest : public testing::Test {
 protected:
  Outcome LogIn(std::u16string_view url, std::u16string_view user = u"trader",
                std::u16string_view password = u"pw") {
    return TUserLogin(FRequests, {5ms, 2000}).Authenticate(user, password, url);
  }

  TRequestList FRequests{QuickPurge()};
};

TEST_F(UserLoginTest, TheReplysElementsDecideTheOutcome) {
  const std::u16string kPlatformError(TUserLogin::kPlatformError);
  const struct {
    const char* what;
    std::string reply;
    int result;
    std::u16string message;
  } kCases[] = {
      {"refused", "<sessionid>0</sessionid><errormessage>Wrong credentials</errormessage>", 1,
       u"Wrong credentials"},
      {"token",
       "<?xml version=\"1.0\"?><r><sessionid>12</sessionid>"
       "<encryptedtoken>Ab+/Cd==</encryptedtoken></r>",
       0, u"Ab+/Cd=="},
      {"empty session id", "<sessionid></sessionid><encryptedtoken>t</encryptedtoken>", 0, u"t"},
      {"session id \" 0\", no token", "<sessionid> 0</sessionid>", 0, u""},
      {"nothing decoded or trimmed",
       "<sessionid>0</sessionid><errormessage> a &amp; b\r\n</errormessage>", 1, u" a &amp; b\r\n"},
      {"first elements count",
       "<sessionid>0</sessionid><sessionid>5</sessionid>"
       "<errormessage>one</errormessage><errormessage>two</errormessage>",
       1, u"one"},
      {"token without closing tag", "<sessionid>3</sessionid><encryptedtoken>abc", 0, u""},
      {"closing tag before opening tag",
       "</sessionid>0<sessionid><encryptedtoken>tok</encryptedtoken>", 0, u"tok"},
      {"no opening token tag: from the tag length on",
       "<sessionid>7</sessionid>0123456789abcdefgh</encryptedtoken>", 0,
       u"essionid>0123456789abcdefgh"},
      {"other capitals", "<SessionId>0</SessionId><errormessage>x</errormessage>", 1,
       kPlatformError},
      {"attributes", "<sessionid id=\"1\">0</sessionid>", 1, kPlatformError},
      {"no closing session tag", "<sessionid>12<encryptedtoken>t</encryptedtoken>", 1,
       kPlatformError},
      {"empty reply", "", 1, kPlatformError},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = LogIn(ReplyingUrl(c.reply));
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.message, c.message);
  }
  EXPECT_TRUE(WaitUntilEmpty(FRequests)) << "every login gives its request up";
}

TEST_F(UserLoginTest, FailedExchangesArePlatformErrors) {
  const auto& services = TestServices::Get();
  for (const std::string& url :
       {services.HttpUrl("/status/500"), services.HttpUrl("/login/nothing-here"),
        std::string("http://127.0.0.1:1/login"), services.HttpsUrl("/login/echo")}) {
    SCOPED_TRACE(url);
    const Outcome outcome = LogIn(Utf16(url));
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.message, TUserLogin::kPlatformError);
  }
}

TEST_F(UserLoginTest, SendsTheLightlyEncodedQuery) {
  const struct {
    std::u16string user, password, url;
    std::u16string query;
  } kCases[] = {
      {u"trader", u"pw", u"/login/echo",
       u"request=authenticate&username=trader&password=pw&serverencrypt=1"},
      {u"a b&c", u"p w", u"/login/echo",
       u"request=authenticate&username=a+b&c&password=p+w&serverencrypt=1"},
      {u"\u00e9", u"\u20ac", u"/login/echo",
       u"request=authenticate&username=%c3%a9&password=%e2%82%ac&serverencrypt=1"},
      // The address is used as given: a query of its own gets a second "?".
      {u"u", u"p", u"/login/echo?x=1",
       u"x=1?request=authenticate&username=u&password=p&serverencrypt=1"},
  };
  for (const auto& c : kCases) {
    const Outcome outcome =
        LogIn(Utf16(TestServices::Get().HttpUrl("")) + c.url, c.user, c.password);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.message, c.query);
  }
}

TEST_F(UserLoginTest, TheDemoUserGetsATokenAndOthersTheServicesReason) {
  const std::u16string url = Utf16(TestServices::Get().HttpUrl("/login"));
  const Outcome accepted = LogIn(url, u"trader", u"opensesame");
  EXPECT_EQ(accepted.result, 0);
  // The demo service enciphers the token as the library's ov_Decrypt reads it.
  EXPECT_EQ(DecryptText(std::string(accepted.message.begin(), accepted.message.end())),
            "session 4711 for trader");
  const Outcome refused = LogIn(url, u"trader", u"guess");
  EXPECT_EQ(refused.result, 1);
  EXPECT_EQ(refused.message, u"Wrong user name or password");
}

TEST_F(UserLoginTest, AnEmptyTextSendsNothing) {
  const std::u16string url = Utf16(TestServices::Get().HttpUrl("/login/echo"));
  const struct {
    std::u16string user, password, url;
  } kCases[] = {{u"", u"pw", url}, {u"u", u"", url}, {u"u", u"pw", u""}};
  DebugLogRecorder traces;
  for (const auto& c : kCases) {
    const Outcome outcome = LogIn(c.url, c.user, c.password);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.message, TUserLogin::kNotSupplied);
  }
  EXPECT_EQ(FRequests.Count(), 0u);
  EXPECT_EQ(traces.Texts().size(), std::size(kCases)) << "only the first trace of each call";
}

TEST_F(UserLoginTest, ALateReplyTimesOutThenCompletesAndIsDeleted) {
  const std::u16string url = Utf16(TestServices::Get().HttpUrl("/login/slow/600"));
  const Outcome outcome = TUserLogin(FRequests, {10ms, 3}).Authenticate(u"u", u"p", url);
  EXPECT_EQ(outcome.result, 1);
  EXPECT_EQ(outcome.message, TUserLogin::kUnknownResponse);
  const auto request = FRequests.FindRequest(1);
  ASSERT_NE(request, nullptr) << "still registered while its exchange runs";
  EXPECT_FALSE(request->IsComplete());
  EXPECT_TRUE(WaitUntilEmpty(FRequests));
  EXPECT_TRUE(request->IsComplete()) << "deleted only after it completed";
  EXPECT_EQ(request->GetResponse(),
            u"<sessionid>2</sessionid><encryptedtoken>late</encryptedtoken>");
}

// Logins against a fake network, whose reply and timing the test sets.
class UserLoginTraceTest : public testing::Test {
 protected:
  static TRequestList::Options Options(const FakeNetwork& network) {
    TRequestList::Options options = QuickPurge();
    options.createTransport = network.Factory();
    return options;
  }

  FakeNetwork FNetwork;
  TRequestList FRequests{Options(FNetwork)};
};

TEST_F(UserLoginTraceTest, TracesEveryStepOfASuccessfulLogin) {
  FNetwork.SetReply(FakeNetwork::Replied(
      200, "HTTP/1.1 200 OK", "<sessionid>12</sessionid><encryptedtoken>T0k</encryptedtoken>"));
  DebugLogRecorder recorder;
  EXPECT_EQ(TUserLogin(FRequests, {1ms, 1000}).Authenticate(u"a b", u"pw", u"http://h/l").result,
            0);

  // The registry's and the worker's traces (" [...") and the sleeps, which depend on timing, are
  // left out.
  std::vector<std::u16string> traces = recorder.Texts();
  std::erase_if(traces, [](const std::u16string& text) {
    return text.starts_with(u" [") || text.starts_with(u"Sleeping [");
  });
  const std::u16string kQuery = u"?request=authenticate&username=a+b&password=pw&serverencrypt=1";
  EXPECT_EQ(traces, (std::vector<std::u16string>{
                        u"Username [a b] Password [pw] URL [http://h/l]",
                        u"Final URL: http://h/l" + kQuery,
                        u"Got the request id as: 1",
                        u"XML: <sessionid>12</sessionid><encryptedtoken>T0k</encryptedtoken>",
                        u"Pos1: 1",
                        u"Pos2: 14",
                        u"SessionID? 12",
                        u"Returning Token: [T0k] Code [1]",
                        u"Returning",
                    }));
}

TEST_F(UserLoginTraceTest, LooksElevenTimesBeforeItGivesUp) {
  FNetwork.Hold();
  DebugLogRecorder recorder;
  EXPECT_EQ(TUserLogin(FRequests, {1ms, 10}).Authenticate(u"u", u"p", u"http://h/").message,
            TUserLogin::kUnknownResponse);
  std::vector<std::u16string> traces = recorder.Texts();
  std::erase_if(traces, [](const std::u16string& text) { return text.starts_with(u" ["); });
  ASSERT_EQ(traces.size(), 14u);
  for (int n = 10; n >= 1; --n)
    EXPECT_EQ(traces[13 - n], u"Sleeping [" + Utf16(std::to_string(n)) + u"]");
  EXPECT_EQ(traces.back(), u"The request for authentication timed out");
  FNetwork.Release();
  EXPECT_TRUE(WaitUntilEmpty(FRequests)) << "the released request goes once it completes";
}

TEST_F(UserLoginTraceTest, ARefusalTracesTheServicesReason) {
  FNetwork.SetReply(FakeNetwork::Replied(
      200, "HTTP/1.1 200 OK", "x<sessionid>0</sessionid><errormessage>No</errormessage>"));
  DebugLogRecorder recorder;
  EXPECT_EQ(TUserLogin(FRequests, {1ms, 1000}).Authenticate(u"u", u"p", u"http://h/").result, 1);
  const std::vector<std::u16string> traces = recorder.Texts();
  const std::vector<std::u16string> kTail = {u"Pos1: 2", u"Pos2: 14", u"SessionID? 0",
                                             u"Sending back Authentication Failed: No",
                                             u"Returning"};
  ASSERT_GE(traces.size(), kTail.size());
  EXPECT_TRUE(std::equal(kTail.begin(), kTail.end(), traces.end() - kTail.size()));
}

}  // namespace
