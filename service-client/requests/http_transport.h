#pragma once
// HttpTransport: the one network seam of the library. A transport sends one HTTP GET and hands
// back the final reply, or the reason why there is none.
//
// Two implementations share this contract: WinHTTP on Windows, libcurl with OpenSSL elsewhere
// (CreateSystemHttpTransport). The conformance suite runs the same table against both, so that
// a script sees the same outcome on either.

#include <memory>
#include <string>

struct HttpProxy {
  std::u16string server;    // host name or address; empty: no proxy
  int port = 0;             // 0 or below: no proxy
  std::u16string username;  // both username and password non-empty: basic credentials
  std::u16string password;
};

struct HttpGet {
  // The URL to fetch, already encoded: a scheme, "://", then host, optional port, path, query.
  std::u16string url;
  // The request goes over TLS. The caller (the worker) hands a transport only URLs that begin
  // with "https://" with this set and "http://" without it; other schemes fail before any
  // transport sees them.
  bool useTls = false;
  // Milliseconds; 0 or below means kDefaultTimeoutMs. The connect time-out bounds name lookup
  // and connection set-up, the read time-out every wait for data from the server.
  int connectTimeoutMs = 0;
  int readTimeoutMs = 0;
  HttpProxy proxy;
  // Check the server's certificate chain and name against the system's trust store.
  bool checkCertificates = true;

  static constexpr int kDefaultTimeoutMs = 60000;
};

// The outcome of one GET. Exactly one of two shapes:
//  - replied: the server's final reply after redirects and authentication retries; `status` is
//    its status code, `statusLine` its status line as received without the line end (for
//    example "HTTP/1.1 404 Not Found"), `body` its body bytes exactly as received, and
//    `contentType` its Content-Type header's value (empty when it has none);
//  - failed: no final reply (name lookup, refused or broken connection, time-out, TLS or
//    certificate failure, unusable scheme, a body that cannot be stored); `status` is 0 and
//    `failure` the transport's own message, never empty.
struct HttpReply {
  int status = 0;
  std::string statusLine;
  std::string body;
  std::string contentType;
  std::u16string failure;

  bool Replied() const { return failure.empty(); }
};

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;

  // Sends one GET without a body or headers of the caller's own; follows redirects (http and
  // https only) and keeps cookies only for this one exchange. Never throws for a network
  // failure: that is a failed reply. May throw std::bad_alloc.
  virtual HttpReply Get(const HttpGet& request) = 0;
};

// A new transport of the platform: WinHTTP on Windows, libcurl elsewhere. Each worker owns one.
std::unique_ptr<HttpTransport> CreateSystemHttpTransport();
