// The transport on libcurl with OpenSSL, for the native build.
#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>

#include "service-client/requests/http_transport.h"

namespace {

constexpr long kRedirectLimit = 15;

// The URL and proxy texts are ASCII after encoding, except for odd inputs: those go out as UTF-8.
std::string Utf16ToUtf8(std::u16string_view text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (const char16_t unit : text) {
    if (unit < 0x80) {
      utf8 += static_cast<char>(unit);
    } else if (unit < 0x800) {
      utf8 += static_cast<char>(0xC0 | (unit >> 6));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (unit >> 12));
      utf8 += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return utf8;
}

// libcurl's messages are ASCII.
std::u16string AsciiToUtf16(std::string_view text) { return {text.begin(), text.end()}; }

int EffectiveTimeoutMs(int timeoutMs) {
  return timeoutMs > 0 ? timeoutMs : HttpGet::kDefaultTimeoutMs;
}

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

// What the callbacks collect while one exchange runs.
struct Exchange {
  HttpReply reply;
  bool bodyTooLarge = false;

  // Every response of the exchange (a redirect, a proxy's reply to CONNECT) starts with its
  // status line; only the last, final one counts, so each new one starts afresh.
  static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
    auto& exchange = *static_cast<Exchange*>(self);
    std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
      try {
        exchange.reply.statusLine.assign(line);
      } catch (const std::bad_alloc&) {
        return 0;
      }
      exchange.reply.body.clear();
    }
    return size * count;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* self) {
    auto& exchange = *static_cast<Exchange*>(self);
    try {
      exchange.reply.body.append(data, size * count);
    } catch (const std::bad_alloc&) {
      exchange.bodyTooLarge = true;
      return 0;  // libcurl ends the exchange with a write error
    }
    return size * count;
  }
};

class CurlHttpTransport : public HttpTransport {
 public:
  HttpReply Get(const HttpGet& request) override {
    CurlHandle handle(curl_easy_init());
    if (!handle) throw std::bad_alloc();
    Exchange exchange;
    char message[CURL_ERROR_SIZE] = "";
    const std::string url = Utf16ToUtf8(request.url);
    const std::string proxy = ProxyUrl(request.proxy);
    const std::string proxyUser = Utf16ToUtf8(request.proxy.username);
    const std::string proxyPassword = Utf16ToUtf8(request.proxy.password);

    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for time-outs
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    // Only web schemes, also on redirects: a script's URL must never reach file:// or others.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kRedirectLimit);
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // cookies in memory, for this exchange
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(EffectiveTimeoutMs(request.connectTimeoutMs)));
    // libcurl has no per-read time-out: "no byte for that long" is its nearest, in seconds.
    const long readSeconds =
        static_cast<long>((EffectiveTimeoutMs(request.readTimeoutMs) + 999LL) / 1000LL);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, readSeconds);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, request.checkCertificates ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, request.checkCertificates ? 2L : 0L);
    if (!proxy.empty()) {
      curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
      if (!proxyUser.empty() && !proxyPassword.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxyUser.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxyPassword.c_str());
      }
    } else {
      curl_easy_setopt(curl, CURLOPT_PROXY, "");  // never one from the environment
    }
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Exchange::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Exchange::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);

    const CURLcode result = curl_easy_perform(curl);
    if (exchange.bodyTooLarge) throw std::bad_alloc();
    if (result != CURLE_OK) return Failed(result, message);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    exchange.reply.status = static_cast<int>(status);
    const char* contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    if (contentType) exchange.reply.contentType = contentType;
    return std::move(exchange.reply);
  }

 private:
  static std::string ProxyUrl(const HttpProxy& proxy) {
    if (proxy.server.empty() || proxy.port <= 0) return {};
    std::string host = Utf16ToUtf8(proxy.server);
    if (host.find(':') != std::string::npos && !host.starts_with('[')) host = '[' + host + ']';
    return "http://" + host + ":" + std::to_string(proxy.port);
  }

  static HttpReply Failed(CURLcode result, const char* message) {
    HttpReply reply;
    reply.failure = AsciiToUtf16(*message ? message : curl_easy_strerror(result));
    return reply;
  }
};

}  // namespace

std::unique_ptr<HttpTransport> CreateSystemHttpTransport() {
  // Once per process, before the first worker uses libcurl.
  static const CURLcode initialized = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialized != CURLE_OK) throw std::runtime_error(curl_easy_strerror(initialized));
  return std::make_unique<CurlHttpTransport>();
}
