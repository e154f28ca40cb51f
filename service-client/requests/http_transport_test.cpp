// The transport conformance suite: one table of exchanges with the local test services, run
// against the platform's transport (libcurl natively, WinHTTP under Wine). Both must give the
// same outcome for every row.
#include "service-client/requests/http_transport.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_services.h"

namespace {

std::u16string Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

HttpGet Get(const std::string& url) {
  HttpGet get;
  get.url = Wide(url);
  get.useTls = url.starts_with("https://");
  get.connectTimeoutMs = 5000;
  get.readTimeoutMs = 10000;
  return get;
}

HttpProxy Proxy(int port, std::string user = "", std::string password = "") {
  return HttpProxy{Wide(TestServices::Get().ProxyHost()), port, Wide(user), Wide(password)};
}

struct Case {
  const char* name;
  HttpGet get;
  // Expected: 0 for a failed exchange, else the final status.
  int status;
  std::string statusLine = "";
  std::string body = "";  // compared only when not empty
  std::string bodyHas = "";
  std::string contentType = "";  // compared only when not empty
};

std::vector<Case> Cases() {
  const TestServices& services = TestServices::Get();
  const auto http = [&](const std::string& path) { return Get(services.HttpUrl(path)); };
  const auto https = [&](const std::string& path, bool check) {
    HttpGet get = Get(services.HttpsUrl(path));
    get.checkCertificates = check;
    return get;
  };
  const auto withProxy = [](HttpGet get, HttpProxy proxy) {
    get.proxy = std::move(proxy);
    return get;
  };
  const auto withReadTimeout = [](HttpGet get, int ms) {
    get.readTimeoutMs = ms;
    return get;
  };
  std::string upperHalf;
  for (int byte = 0x80; byte <= 0xFF; ++byte) upperHalf += static_cast<char>(byte);
  // The target is "localhost" behind a proxy at 127.0.0.1: with the same host for both, Wine's
  // WinHTTP would bypass the proxy.
  const std::string proxied = services.HttpUrl("/echo/via", "localhost");
  const int open = services.ProxyPort();
  const int guarded = services.AuthProxyPort();
  const std::string& user = services.ProxyUser();
  const std::string& password = services.ProxyPassword();

  return {
      {"a body", http("/hello"), 200, "HTTP/1.1 200 OK", "Hello, world"},
      {"every byte of the upper half", http("/bytes"), 200, "HTTP/1.1 200 OK", upperHalf, "",
       "application/octet-stream"},
      {"the content type as sent", http("/charset?type=text/plain;%20charset%3DUTF-8&hex=41"),
       200, "HTTP/1.1 200 OK", "A", "", "text/plain; charset=UTF-8"},
      {"a client error", http("/status/404"), 404, "HTTP/1.1 404 Not Found"},
      {"a server error", http("/status/500"), 500, "HTTP/1.1 500 Internal Server Error"},
      {"a chain of redirects", http("/redirect-chain/3"), 200, "HTTP/1.1 200 OK", "end of chain"},
      {"a redirect to an error", http("/redirect?to=/status/403"), 403, "HTTP/1.1 403 Forbidden"},
      {"a cookie set on a redirect", http("/cookie/set"), 200, "HTTP/1.1 200 OK", "session=abc123"},
      {"the request line as sent", http("/echo/x?a=%41+b"), 200, "", "",
       "GET /echo/x?a=%41+b HTTP/1.1"},
      {"a refused connection", Get("http://127.0.0.1:1/"), 0},
      {"an unknown host", Get("http://no-such-host.invalid/"), 0},
      {"a scheme other than http", Get("ftp://127.0.0.1:1/file"), 0},
      {"a reply slower than the read time-out", withReadTimeout(http("/slow?ms=5000"), 500), 0},
      {"a body that never ends", withReadTimeout(http("/never-ends"), 1000), 0},
      {"a connection closed mid-body", http("/cut"), 0},
      {"https, certificate not checked", https("/hello", false), 200, "HTTP/1.1 200 OK",
       "Hello, world"},
      {"https, self-signed certificate checked", https("/hello", true), 0},
      {"https error status", https("/status/404", false), 404, "HTTP/1.1 404 Not Found"},
      {"through a proxy", withProxy(Get(proxied), Proxy(open)), 200, "", "", "Via:"},
      {"through a guarded proxy without credentials", withProxy(Get(proxied), Proxy(guarded)), 407},
      {"through a guarded proxy with credentials",
       withProxy(Get(proxied), Proxy(guarded, user, password)), 200, "", "", "Via:"},
      {"https through a guarded proxy",
       withProxy(https("/hello", false), Proxy(guarded, user, password)), 200, "HTTP/1.1 200 OK",
       "Hello, world"},
  };
}

TEST(HttpTransportTest, EveryExchangeEndsAsOnEveryPlatform) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    const HttpReply reply = CreateSystemHttpTransport()->Get(c.get);
    if (c.status == 0) {
      EXPECT_FALSE(reply.Replied()) << "status " << reply.status << ": " << reply.statusLine;
      EXPECT_EQ(reply.status, 0);
      continue;
    }
    ASSERT_TRUE(reply.Replied()) << testing::PrintToString(reply.failure);
    EXPECT_EQ(reply.status, c.status);
    if (!c.statusLine.empty()) {
      EXPECT_EQ(reply.statusLine, c.statusLine);
    }
    if (!c.body.empty()) {
      EXPECT_EQ(reply.body, c.body);
    }
    if (!c.contentType.empty()) {
      EXPECT_EQ(reply.contentType, c.contentType);
    }
    if (!c.bodyHas.empty()) {
      EXPECT_NE(reply.body.find(c.bodyHas), std::string::npos) << reply.body;
    }
  }
}

TEST(HttpTransportTest, NoProxyWithoutAHostAndAPositivePort) {
  const TestServices& services = TestServices::Get();
  for (const HttpProxy& proxy : {Proxy(0), HttpProxy{u"", services.ProxyPort(), u"", u""}}) {
    HttpGet get = Get(services.HttpUrl("/echo/direct", "localhost"));
    get.proxy = proxy;
    const HttpReply reply = CreateSystemHttpTransport()->Get(get);
    ASSERT_TRUE(reply.Replied()) << testing::PrintToString(reply.failure);
    EXPECT_EQ(reply.body.find("Via:"), std::string::npos) << reply.body;
  }
}

TEST(HttpTransportTest, AFailureAlwaysCarriesTheTransportsMessage) {
  for (const char* url : {"http://127.0.0.1:1/", "ftp://127.0.0.1:1/"}) {
    const HttpReply reply = CreateSystemHttpTransport()->Get(Get(url));
    EXPECT_FALSE(reply.failure.empty()) << url;
    EXPECT_TRUE(reply.body.empty()) << url;
  }
}

}  // namespace
