// HttpTransport over WinHTTP: the system's own HTTP stack and TLS, so that no extra DLLs ship
// beside the terminal. Synchronous calls on the caller's thread, one session per GET.

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <string_view>

#include "service-client/requests/http_transport.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

namespace {

constexpr wchar_t kUserAgent[] = L"Ovilex";
constexpr DWORD kMaxRedirects = 15;
// Without this entry WinHTTP on Windows may send loopback targets past the proxy.
constexpr wchar_t kProxyBypass[] = L"<-loopback>";
constexpr DWORD kFirstWinHttpError = 12001;
constexpr DWORD kLastWinHttpError = 12200;
constexpr std::u16string_view kUnusableScheme =
    u"The URL's scheme cannot be used by this transport";

struct InternetHandleCloser {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

struct LocalMemoryFree {
  void operator()(wchar_t* text) const { LocalFree(text); }
};

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string ToUtf16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::string Encode(UINT codePage, std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

std::string Base64(std::string_view bytes) {
  constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += 3) {
    const std::size_t count = std::min<std::size_t>(3, bytes.size() - at);
    unsigned group = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      group = (group << 8) | (i < count ? static_cast<unsigned char>(bytes[at + i]) : 0u);
    }
    for (std::size_t i = 0; i < 4; ++i) {
      text += i <= count ? kDigits[(group >> (18 - 6 * i)) & 0x3F] : '=';
    }
  }
  return text;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const wchar_t c = text[i];
    if ((c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c) != prefix[i]) return false;
  }
  return true;
}

bool IsSchemeCharacter(wchar_t c, bool first) {
  const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
  return letter || (!first && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.'));
}

// A redirect target is relative unless it starts with a scheme and a colon.
bool HasScheme(std::wstring_view url) {
  const std::size_t colon = url.find(L':');
  if (colon == 0 || colon == std::wstring_view::npos) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    if (!IsSchemeCharacter(url[i], i == 0)) return false;
  }
  return true;
}

// Wine reports some socket errors as they are; they mean the same as WinHTTP's own.
DWORD NormalizedError(DWORD error) {
  switch (error) {
    case WSAETIMEDOUT:
      return ERROR_WINHTTP_TIMEOUT;
    case WSAECONNRESET:
    case WSAECONNABORTED:
      return ERROR_WINHTTP_CONNECTION_ERROR;
    case WSAECONNREFUSED:
      return ERROR_WINHTTP_CANNOT_CONNECT;
    default:
      return error;
  }
}

// English whatever the system's language, and where the DLL has no texts (Wine).
const char16_t* KnownErrorText(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
      return u"The operation timed out";
    case ERROR_WINHTTP_INVALID_URL:
      return u"The URL is invalid";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return u"The URL does not use a recognized protocol";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return u"The server name or address could not be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return u"A connection with the server could not be established";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return u"The connection with the server was reset or terminated";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
      return u"The server returned an invalid or unrecognized response";
    case ERROR_WINHTTP_REDIRECT_FAILED:
      return u"The redirects could not be followed (too many of them, or an unusable target)";
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      return u"An error occurred in the secure channel support";
    case ERROR_WINHTTP_SECURE_FAILURE:
      return u"A security error occurred";
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      return u"The certificate has expired or is not yet valid";
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      return u"The certificate's name does not match the server";
    case ERROR_WINHTTP_SECURE_INVALID_CA:
      return u"The certificate is not issued by a trusted authority";
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
      return u"The certificate's revocation could not be checked";
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
      return u"The certificate is invalid";
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
      return u"The certificate has been revoked";
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
      return u"The certificate is not meant for a server";
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
      return u"The server requires a client certificate";
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW:
      return u"The reply's headers are too large";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return u"Not enough memory";
    default:
      return nullptr;
  }
}

std::u16string SystemText(DWORD error) {
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS;
  HMODULE module = nullptr;
  if (error >= kFirstWinHttpError && error <= kLastWinHttpError) {
    module = GetModuleHandleW(L"winhttp.dll");
    flags |= FORMAT_MESSAGE_FROM_HMODULE;
  } else {
    flags |= FORMAT_MESSAGE_FROM_SYSTEM;
  }
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(flags, module, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                     reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const std::unique_ptr<wchar_t, LocalMemoryFree> owner(buffer);
  std::wstring_view text(buffer, buffer ? length : 0);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.remove_suffix(1);
  }
  return ToUtf16(text);
}

std::u16string ErrorText(DWORD error) {
  if (const char16_t* known = KnownErrorText(error)) return known;
  std::u16string text = SystemText(error);
  if (!text.empty()) return text;
  const std::string number = std::to_string(error);
  return u"WinHTTP error " + std::u16string(number.begin(), number.end());
}

bool IsCertificateError(DWORD error) {
  switch (error) {
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
      return true;
    default:
      return false;
  }
}

// The reasons WinHTTP gives in its secure-failure callback, in words.
std::u16string CertificateProblems(DWORD flags) {
  struct Problem {
    DWORD flag;
    const char16_t* text;
  };
  static constexpr Problem kProblems[] = {
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, u"it is not issued by a trusted authority"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, u"its name does not match the server"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, u"it has expired or is not yet valid"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE, u"it is not meant for a server"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, u"it has been revoked"},
      {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, u"its revocation could not be checked"},
      {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, u"it is not valid"},
  };
  std::u16string text;
  for (const Problem& problem : kProblems) {
    if ((flags & problem.flag) == 0) continue;
    if (!text.empty()) text += u", ";
    text += problem.text;
  }
  return text;
}

std::wstring Part(const wchar_t* text, DWORD length) {
  return text ? std::wstring(text, length) : std::wstring();
}

// "http://host?query" has no path; some WinHTTP builds (Wine) misread the query as host or port.
std::wstring WithPath(std::wstring url) {
  const std::size_t authority = url.find(L"://");
  if (authority == std::wstring::npos) return url;
  const std::size_t end = url.find_first_of(L"/?#", authority + 3);
  if (end != std::wstring::npos && url[end] != L'/') url.insert(end, 1, L'/');
  return url;
}

bool SchemeMatches(const HttpGet& request) {
  const std::u16string_view url = request.url;
  return request.useTls ? url.starts_with(u"https://") : url.starts_with(u"http://");
}

// "server:port", with brackets around an IPv6 address.
std::wstring ProxyName(const HttpProxy& proxy) {
  std::wstring name = ToWide(proxy.server);
  if (name.find(L':') != std::wstring::npos && !name.starts_with(L'[')) name = L'[' + name + L']';
  return name + L':' + std::to_wstring(proxy.port);
}

bool UsesProxy(const HttpProxy& proxy) { return !proxy.server.empty() && proxy.port > 0; }

bool HasProxyCredentials(const HttpProxy& proxy) {
  return UsesProxy(proxy) && !proxy.username.empty() && !proxy.password.empty();
}

// Asked afresh each time: a function-local static would cost the process a TLS slot for every
// load of the library (MinGW's thread-safe statics never give theirs back).
bool RunsUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

DWORD TimeoutMs(int value) {
  return static_cast<DWORD>(value > 0 ? value : HttpGet::kDefaultTimeoutMs);
}

bool SetDword(HINTERNET handle, DWORD option, DWORD value) {
  return WinHttpSetOption(handle, option, &value, sizeof(value)) != FALSE;
}

// Wine's WinHTTP (8.0) sends a proxy CONNECT without credentials and starts TLS even after a
// 407 reply to it. Under Wine the basic credentials therefore ride on the CONNECT itself: the
// header is added while a new connection opens and removed once it stands, so that the server
// behind the tunnel never sees it.
class WineTunnelCredentials {
 public:
  explicit WineTunnelCredentials(const HttpGet& request) : tunnel_(request.useTls) {
    if (!RunsUnderWine() || !HasProxyCredentials(request.proxy)) return;
    const HttpProxy& proxy = request.proxy;
    const std::string pair = Encode(CP_UTF8, ToWide(proxy.username + u':' + proxy.password));
    const std::string value = Base64(pair);
    header_ = L"Proxy-Authorization: Basic " + std::wstring(value.begin(), value.end());
  }

  bool Active() const { return !header_.empty(); }
  void OnRedirect(std::wstring_view url) {
    if (HasScheme(url)) tunnel_ = StartsWithNoCase(url, L"https://");
  }

  void OnConnecting(HINTERNET request) {
    if (!Active() || !tunnel_) return;
    added_ = WinHttpAddRequestHeaders(request, header_.c_str(), static_cast<DWORD>(-1),
                                      WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
  }

  void OnConnected(HINTERNET request) {
    if (!added_) return;
    // An empty value with REPLACE removes the header.
    WinHttpAddRequestHeaders(request, L"Proxy-Authorization:", static_cast<DWORD>(-1),
                             WINHTTP_ADDREQ_FLAG_REPLACE);
    added_ = false;
  }

 private:
  std::wstring header_;
  bool tunnel_;
  bool added_ = false;
};

// One GET from start to final reply; owns every WinHTTP handle of it.
class Exchange {
 public:
  explicit Exchange(const HttpGet& request) : request_(request), wineTunnel_(request) {}
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  HttpReply Run();

 private:
  bool Fail(std::u16string_view step, DWORD error);
  bool FailWith(std::u16string_view message);
  bool Open();
  bool OpenSession();
  void SetSessionOptions();
  bool OpenRequest(std::wstring_view host, INTERNET_PORT port, std::wstring_view path);
  bool SetRequestOptions();
  void WatchStatus();
  bool SendAndReceive();
  bool SendOnce();
  bool ShouldAuthenticateToProxy(DWORD status);
  bool FailSend(DWORD error);
  bool ReadStatus(HttpReply& reply);
  bool ReadBody(HttpReply& reply);
  bool CheckBodyLength(const HttpReply& reply);
  DWORD StatusCode();
  bool QueryText(DWORD query, std::wstring& text);

  static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, void* info,
                                      DWORD length);
  void OnStatus(HINTERNET handle, DWORD status, void* info, DWORD length);

  const HttpGet& request_;
  std::u16string failure_;
  DWORD certificateProblems_ = 0;
  bool unusableRedirect_ = false;
  WineTunnelCredentials wineTunnel_;
  // Declared last: closed first, so that no callback outlives the members above.
  InternetHandle session_;
  InternetHandle connection_;
  InternetHandle handle_;
};

HttpReply Exchange::Run() {
  HttpReply reply;
  if (Open() && SendAndReceive() && ReadStatus(reply) && ReadBody(reply) &&
      CheckBodyLength(reply)) {
    return reply;
  }
  HttpReply failed;
  failed.failure = std::move(failure_);
  return failed;
}

bool Exchange::Fail(std::u16string_view step, DWORD error) {
  return FailWith(std::u16string(step) + u": " + ErrorText(NormalizedError(error)));
}

bool Exchange::FailWith(std::u16string_view message) {
  failure_ = message;
  return false;
}

bool Exchange::Open() {
  if (!SchemeMatches(request_)) return FailWith(kUnusableScheme);
  const std::wstring url = WithPath(ToWide(request_.url));
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
    return Fail(u"Cannot use the URL", GetLastError());
  }
  const INTERNET_SCHEME scheme = request_.useTls ? INTERNET_SCHEME_HTTPS : INTERNET_SCHEME_HTTP;
  if (parts.nScheme != scheme) return FailWith(kUnusableScheme);
  if (parts.dwHostNameLength == 0) return Fail(u"Cannot use the URL", ERROR_WINHTTP_INVALID_URL);
  const std::wstring host = Part(parts.lpszHostName, parts.dwHostNameLength);
  // The path and the query go out together; WinHTTP wants at least "/".
  std::wstring path = Part(parts.lpszUrlPath, parts.dwUrlPathLength) +
                      Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  path.erase(std::min(path.find(L'#'), path.size()));  // a fragment is not sent
  if (path.empty() || path.front() != L'/') path.insert(0, 1, L'/');
  return OpenSession() && OpenRequest(host, parts.nPort, path) && SetRequestOptions();
}

bool Exchange::OpenSession() {
  const HttpProxy& proxy = request_.proxy;
  if (UsesProxy(proxy)) {
    const std::wstring name = ProxyName(proxy);
    session_.reset(
        WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, name.c_str(), kProxyBypass, 0));
  } else {
    session_.reset(WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
  }
  if (!session_) return Fail(u"Cannot start WinHTTP", GetLastError());
  const int connect = static_cast<int>(TimeoutMs(request_.connectTimeoutMs));
  const int read = static_cast<int>(TimeoutMs(request_.readTimeoutMs));
  if (!WinHttpSetTimeouts(session_.get(), connect, connect, read, read)) {
    return Fail(u"Cannot set the time-outs", GetLastError());
  }
  SetSessionOptions();
  return true;
}

// Best effort: an older WinHTTP keeps its own defaults for what it does not know.
void Exchange::SetSessionOptions() {
  constexpr DWORD kModern =
      WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
  constexpr DWORD kClassic = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 |
                             WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                             WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
  if (!SetDword(session_.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, kModern)) {
    SetDword(session_.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, kClassic);
  }
}

bool Exchange::OpenRequest(std::wstring_view host, INTERNET_PORT port, std::wstring_view path) {
  const std::wstring hostName(host);
  connection_.reset(WinHttpConnect(session_.get(), hostName.c_str(), port, 0));
  if (!connection_) return Fail(u"Cannot connect", GetLastError());
  const std::wstring object(path);
  const DWORD flags = request_.useTls ? WINHTTP_FLAG_SECURE : 0;
  handle_.reset(WinHttpOpenRequest(connection_.get(), L"GET", object.c_str(), nullptr,
                                   WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!handle_) return Fail(u"Cannot create the request", GetLastError());
  return true;
}

bool Exchange::SetRequestOptions() {
  HINTERNET handle = handle_.get();
  SetDword(handle, WINHTTP_OPTION_REDIRECT_POLICY, WINHTTP_OPTION_REDIRECT_POLICY_ALWAYS);
  SetDword(handle, WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, kMaxRedirects);
  // The receive time-out does not bound the wait for the headers everywhere (Wine).
  SetDword(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, TimeoutMs(request_.readTimeoutMs));
  if (!request_.checkCertificates) {
    constexpr DWORD kIgnore =
        SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
        SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
    // A plain request may still be redirected to https; there the flags matter.
    if (!SetDword(handle, WINHTTP_OPTION_SECURITY_FLAGS, kIgnore) && request_.useTls) {
      return Fail(u"Cannot relax the certificate checks", GetLastError());
    }
    // Wine pools connections across sessions: an unchecked one must not serve a later request.
    SetDword(handle, WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_KEEP_ALIVE);
  }
  WatchStatus();
  return true;
}

void Exchange::WatchStatus() {
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(this);
  WinHttpSetOption(handle_.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context));
  DWORD events = WINHTTP_CALLBACK_FLAG_SECURE_FAILURE | WINHTTP_CALLBACK_FLAG_REDIRECT;
  if (wineTunnel_.Active()) events |= WINHTTP_CALLBACK_FLAG_CONNECT_TO_SERVER;
  WinHttpSetStatusCallback(handle_.get(), &Exchange::StatusCallback, events, 0);
}

void CALLBACK Exchange::StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                       void* info, DWORD length) {
  if (context != 0) reinterpret_cast<Exchange*>(context)->OnStatus(handle, status, info, length);
}

void Exchange::OnStatus(HINTERNET handle, DWORD status, void* info, DWORD length) {
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SECURE_FAILURE:
      // The error code alone does not say why the certificate was refused.
      if (info != nullptr && length >= sizeof(DWORD)) {
        certificateProblems_ |= *static_cast<const DWORD*>(info);
      }
      break;
    case WINHTTP_CALLBACK_STATUS_REDIRECT:
      if (info != nullptr) {
        const std::wstring_view url = static_cast<const wchar_t*>(info);
        // Some WinHTTP builds (Wine) follow any scheme as if it were http.
        if (HasScheme(url) && !StartsWithNoCase(url, L"http://") &&
            !StartsWithNoCase(url, L"https://")) {
          unusableRedirect_ = true;
        }
        wineTunnel_.OnRedirect(url);
      }
      break;
    case WINHTTP_CALLBACK_STATUS_CONNECTING_TO_SERVER:
      wineTunnel_.OnConnecting(handle);
      break;
    case WINHTTP_CALLBACK_STATUS_CONNECTED_TO_SERVER:
      wineTunnel_.OnConnected(handle);
      break;
    default:
      break;
  }
}

bool Exchange::SendAndReceive() {
  if (!SendOnce()) return false;
  if (!ShouldAuthenticateToProxy(StatusCode())) return true;
  const HttpProxy& proxy = request_.proxy;
  const std::wstring username = ToWide(proxy.username);
  const std::wstring password = ToWide(proxy.password);
  if (!WinHttpSetCredentials(handle_.get(), WINHTTP_AUTH_TARGET_PROXY, WINHTTP_AUTH_SCHEME_BASIC,
                             username.c_str(), password.c_str(), nullptr)) {
    return Fail(u"Cannot set the proxy credentials", GetLastError());
  }
  return SendOnce();
}

bool Exchange::SendOnce() {
  bool clientCertificateRefused = false;
  for (;;) {
    if (WinHttpSendRequest(handle_.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                           0, 0, 0) &&
        WinHttpReceiveResponse(handle_.get(), nullptr)) {
      if (unusableRedirect_) return FailWith(u"A redirect led to a URL that cannot be used");
      return true;
    }
    const DWORD error = GetLastError();
    // A server that asks for a client certificate gets none, once.
    if (error != ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED || clientCertificateRefused ||
        !WinHttpSetOption(handle_.get(), WINHTTP_OPTION_CLIENT_CERT_CONTEXT,
                          WINHTTP_NO_CLIENT_CERT_CONTEXT, 0)) {
      return FailSend(error);
    }
    clientCertificateRefused = true;
  }
}

bool Exchange::ShouldAuthenticateToProxy(DWORD status) {
  if (status != HTTP_STATUS_PROXY_AUTH_REQ || !HasProxyCredentials(request_.proxy)) return false;
  DWORD supported = 0;
  DWORD first = 0;
  DWORD target = 0;
  if (!WinHttpQueryAuthSchemes(handle_.get(), &supported, &first, &target)) return false;
  return (supported & WINHTTP_AUTH_SCHEME_BASIC) != 0;
}

bool Exchange::FailSend(DWORD error) {
  if (unusableRedirect_) return FailWith(u"A redirect led to a URL that cannot be used");
  const std::u16string problems = CertificateProblems(certificateProblems_);
  if (error == ERROR_WINHTTP_SECURE_FAILURE && !problems.empty()) {
    return FailWith(u"The server's certificate was not accepted: " + problems);
  }
  if (IsCertificateError(error)) return Fail(u"The server's certificate was not accepted", error);
  // Wine reports a refused certificate this way too, without saying why.
  if (error == ERROR_WINHTTP_SECURE_FAILURE || error == ERROR_WINHTTP_SECURE_CHANNEL_ERROR) {
    return Fail(UsesProxy(request_.proxy)
                    ? u"The secure connection failed (certificate not accepted, TLS handshake "
                      u"failed, or the proxy refused the tunnel)"
                    : u"The secure connection failed (certificate not accepted or TLS handshake "
                      u"failed)",
                error);
  }
  return Fail(u"The request failed", error);
}

DWORD Exchange::StatusCode() {
  DWORD status = 0;
  DWORD size = sizeof(status);
  if (!WinHttpQueryHeaders(handle_.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return 0;
  }
  return status;
}

bool Exchange::QueryText(DWORD query, std::wstring& text) {
  DWORD size = 0;
  WinHttpQueryHeaders(handle_.get(), query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                      &size, WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(handle_.get(), query, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  buffer.resize(size / sizeof(wchar_t));
  text = std::move(buffer);
  return true;
}

bool Exchange::ReadStatus(HttpReply& reply) {
  const DWORD status = StatusCode();
  std::wstring headers;
  if (status == 0 || !QueryText(WINHTTP_QUERY_RAW_HEADERS_CRLF, headers)) {
    return FailWith(u"The server's reply has no valid status line");
  }
  reply.status = static_cast<int>(status);
  // WinHTTP decoded the header bytes with the ANSI code page; this gives them back.
  reply.statusLine = Encode(CP_ACP, std::wstring_view(headers).substr(0, headers.find(L"\r\n")));
  std::wstring contentType;
  if (QueryText(WINHTTP_QUERY_CONTENT_TYPE, contentType)) {
    reply.contentType = Encode(CP_ACP, contentType);
  }
  return true;
}

bool Exchange::ReadBody(HttpReply& reply) {
  std::string& body = reply.body;
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(handle_.get(), &available)) {
      return Fail(u"Cannot receive the reply's body", GetLastError());
    }
    if (available == 0) return true;
    const std::size_t stored = body.size();
    if (available > body.max_size() - stored) {
      return FailWith(u"The reply's body is too large to be stored");
    }
    body.resize(stored + available);
    DWORD read = 0;
    if (!WinHttpReadData(handle_.get(), body.data() + stored, available, &read)) {
      return Fail(u"Cannot receive the reply's body", GetLastError());
    }
    body.resize(stored + read);
    if (read == 0) return true;
  }
}

// Some WinHTTP builds (Wine) end a body silently when the connection drops early.
bool Exchange::CheckBodyLength(const HttpReply& reply) {
  const int status = reply.status;
  if (status < 200 || status == 204 || status == 304) return true;
  std::wstring encoding;
  if (QueryText(WINHTTP_QUERY_TRANSFER_ENCODING, encoding)) return true;
  std::wstring length;
  if (!QueryText(WINHTTP_QUERY_CONTENT_LENGTH, length)) return true;
  const std::string digits = Encode(CP_ACP, length);
  unsigned long long expected = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
  if (error != std::errc() || end != digits.data() + digits.size()) return true;
  if (reply.body.size() >= expected) return true;
  return FailWith(u"The connection was closed before the whole body was received");
}

class WinHttpTransport final : public HttpTransport {
 public:
  HttpReply Get(const HttpGet& request) override { return Exchange(request).Run(); }
};

}  // namespace

std::unique_ptr<HttpTransport> CreateSystemHttpTransport() {
  return std::make_unique<WinHttpTransport>();
}
