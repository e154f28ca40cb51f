#include "service-client/requests/url_call.h"

#include <gtest/gtest.h>

#include <new>

#include "service-client/requests/request.h"
#include "tests/support/debug_log_recorder.h"
#include "tests/support/fake_network.h"

namespace {

TEST(UrlCallTest, SplitsAtTheFirstDoubleSlashAndEncodesOnlyTheRest) {
  const struct {
    std::u16string url, scheme, rest, final;
  } kCases[] = {
      {u"https://srv/a b?x=1", u"https://", u"srv/a b?x=1", u"https://srv/a+b?x=1"},
      {u"http://srv:8080/p?q=%41&t=\u00E9", u"http://", u"srv:8080/p?q=%41&t=\u00E9",
       u"http://srv:8080/p?q=%41&t=%c3%a9"},
      // No "//": the scheme part keeps one character and the rest starts at the second.
      {u"srv/a b", u"s", u"rv/a b", u"srv/a+b"},
      // "http" further on: the scheme part starts there, and the URL is not sent as written.
      {u"x://srv/?u=http", u"http", u"srv/?u=http", u"httpsrv/?u=http"},
      {u"", u"", u"", u""},
  };
  for (const auto& c : kCases) {
    const UrlParts parts = SplitUrl(c.url);
    EXPECT_EQ(parts.scheme, c.scheme) << testing::PrintToString(c.url);
    EXPECT_EQ(parts.rest, c.rest) << testing::PrintToString(c.url);
    EXPECT_EQ(parts.final, c.final) << testing::PrintToString(c.url);
  }
}

HttpReply Failed(std::u16string message) {
  HttpReply reply;
  reply.failure = std::move(message);
  return reply;
}

// Runs one worker for `url` against `network` on this thread and returns its completed record.
std::shared_ptr<TRequest> RunWorker(const FakeNetwork& network, std::u16string url,
                                    HttpProxy proxy = {}) {
  auto request = std::make_shared<TRequest>(std::move(url), 1);
  TURLCall(request, 100, 200, std::move(proxy), true, network.Factory()()).Execute();
  return request;
}

TEST(UrlCallTest, ClassifiesTheReplyIntoTheRecord) {
  const struct {
    HttpReply reply;
    int errorCode;
    std::u16string description, response;
  } kCases[] = {
      {FakeNetwork::Replied(200, "HTTP/1.1 200 OK", "caf\xE9"), -1, u"", u"caf\u00E9"},
      {FakeNetwork::Replied(204, "HTTP/1.1 204 No Content", ""), -1, u"", u""},
      {FakeNetwork::Replied(404, "HTTP/1.1 404 Not Found", "gone"), 404, u"HTTP/1.1 404 Not Found",
       u""},
      {FakeNetwork::Replied(301, "HTTP/1.1 301 Moved Permanently", ""), 301,
       u"HTTP/1.1 301 Moved Permanently", u""},
      {FakeNetwork::Replied(199, "HTTP/1.1 199 Odd", ""), 199, u"HTTP/1.1 199 Odd", u""},
      {Failed(u"Connection refused"), 0, u"Connection refused", u""},
  };
  for (const auto& c : kCases) {
    FakeNetwork network;
    network.SetReply(c.reply);
    const auto request = RunWorker(network, u"http://srv/");
    EXPECT_TRUE(request->IsComplete());
    EXPECT_EQ(request->GetErrorCode(), c.errorCode) << c.reply.statusLine;
    EXPECT_EQ(request->GetErrorDescription(), c.description) << c.reply.statusLine;
    EXPECT_EQ(request->GetResponse(), c.response) << c.reply.statusLine;
  }
}

TEST(UrlCallTest, SendsTheEncodedUrlOverTlsOnlyForALowerCaseHttpsScheme) {
  FakeNetwork network;
  network.SetReply(FakeNetwork::Replied(200, "HTTP/1.1 200 OK", "ok"));
  RunWorker(network, u"http://srv/a b?t=\u00E9");
  RunWorker(network, u"https://srv/");
  const auto sent = network.Requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].url, u"http://srv/a+b?t=%c3%a9");
  EXPECT_FALSE(sent[0].useTls);
  EXPECT_EQ(sent[0].connectTimeoutMs, 100);
  EXPECT_EQ(sent[0].readTimeoutMs, 200);
  EXPECT_TRUE(sent[0].checkCertificates);
  EXPECT_EQ(sent[1].url, u"https://srv/");
  EXPECT_TRUE(sent[1].useTls);
}

TEST(UrlCallTest, AUrlWhoseSchemeSuitsNoTransportFailsWithoutReachingTheNetwork) {
  for (const std::u16string url :
       {u"HTTPS://srv/", u"Http://srv/", u"ftp://srv/f", u"file:///etc/passwd", u"srv/p", u""}) {
    FakeNetwork network;
    const auto request = RunWorker(network, url);
    EXPECT_TRUE(request->IsComplete());
    EXPECT_EQ(request->GetErrorCode(), 0) << testing::PrintToString(url);
    EXPECT_EQ(request->GetErrorDescription(), u"The URL's scheme cannot be used by this transport");
    EXPECT_TRUE(network.Requests().empty()) << testing::PrintToString(url);
  }
}

TEST(UrlCallTest, UsesAProxyOnlyWithAHostAndAPortAndCredentialsOnlyAsAPair) {
  const struct {
    HttpProxy given, used;
  } kCases[] = {
      {{u"proxy", 3128, u"user", u"pass"}, {u"proxy", 3128, u"user", u"pass"}},
      {{u"proxy", 3128, u"user", u""}, {u"proxy", 3128, u"", u""}},
      {{u"proxy", 3128, u"", u"pass"}, {u"proxy", 3128, u"", u""}},
      {{u"", 3128, u"user", u"pass"}, {u"", 0, u"", u""}},
      {{u"proxy", 0, u"user", u"pass"}, {u"", 0, u"", u""}},
      {{u"proxy", -8080, u"", u""}, {u"", 0, u"", u""}},
  };
  for (const auto& c : kCases) {
    FakeNetwork network;
    RunWorker(network, u"http://srv/", c.given);
    const HttpProxy used = network.Requests().at(0).proxy;
    EXPECT_EQ(used.server, c.used.server);
    EXPECT_EQ(used.port, c.used.port);
    EXPECT_EQ(used.username, c.used.username);
    EXPECT_EQ(used.password, c.used.password);
  }
}

template <typename Thrown>
class ThrowingTransport : public HttpTransport {
 public:
  HttpReply Get(const HttpGet&) override { throw Thrown(); }
};

TEST(UrlCallTest, AnExceptionDuringTheExchangeStillCompletesTheRecord) {
  auto outOfMemory = std::make_shared<TRequest>(u"http://srv/", 1);
  TURLCall(outOfMemory, 0, 0, {}, true, std::make_unique<ThrowingTransport<std::bad_alloc>>())
      .Execute();
  EXPECT_TRUE(outOfMemory->IsComplete());
  EXPECT_EQ(outOfMemory->GetErrorCode(), 0);
  EXPECT_EQ(outOfMemory->GetErrorDescription(), u"std::bad_alloc");

  auto unknown = std::make_shared<TRequest>(u"http://srv/", 2);
  TURLCall(unknown, 0, 0, {}, true, std::make_unique<ThrowingTransport<int>>()).Execute();
  EXPECT_TRUE(unknown->IsComplete());
  EXPECT_EQ(unknown->GetErrorCode(), 0);
  EXPECT_EQ(unknown->GetErrorDescription(), u"An unknown error has occurred");
}

TEST(UrlCallTest, TracesTheUrlItsPartsAndTheFailure) {
  const struct {
    HttpReply reply;
    std::u16string failureTrace;
  } kCases[] = {
      {FakeNetwork::Replied(404, "HTTP/1.1 404 Not Found", ""),
       u"EIdHTTPProtocolException Error: HTTP/1.1 404 Not Found"},
      {Failed(u"Connection refused"), u"EIdException Error: Connection refused"},
  };
  for (const auto& c : kCases) {
    FakeNetwork network;
    network.SetReply(c.reply);
    DebugLogRecorder recorder;
    RunWorker(network, u"http://srv/a b");
    EXPECT_EQ(recorder.Texts(),
              (std::vector<std::u16string>{
                  u" [TURLCall] Encoding url http://srv/a b",
                  u" [TURLCall::Execute()] url parts [http://] [srv/a b] [http://srv/a+b",
                  c.failureTrace}));
  }
}

TEST(UrlCallTest, AWorkerWithoutARecordDoesNothing) {
  FakeNetwork network;
  TURLCall(nullptr, 0, 0, {}, true, network.Factory()()).Execute();
  EXPECT_TRUE(network.Requests().empty());
}

}  // namespace
