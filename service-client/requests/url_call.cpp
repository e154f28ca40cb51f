#include "service-client/requests/url_call.h"

#include <exception>
#include <utility>

#include "platform/ansi_code_page.h"
#include "service-client/debug_log.h"
#include "service-client/requests/request.h"
#include "service-client/requests/text_positions.h"
#include "service-client/requests/url_encode.h"

namespace {

bool IsSuccessStatus(int status) { return status >= 200 && status <= 299; }

// The transport is only handed URLs whose scheme it is set up for: "https://" with TLS,
// "http://" without. Anything else (an "HTTPS" in capitals, "ftp:") gets no transport at all.
bool SchemeSuitsTransport(const HttpGet& get) {
  return get.url.starts_with(get.useTls ? u"https://" : u"http://");
}

}  // namespace

UrlParts SplitUrl(const std::u16string& url) {
  const int slashes = FindFirst(url, u"//");
  UrlParts parts;
  parts.scheme = SubstringAt(url, FindFirst(url, u"http"), slashes + 1);
  parts.rest = SubstringAt(url, slashes + 2, static_cast<int>(url.size()));
  parts.final = parts.scheme + urlEncode(parts.rest);
  return parts;
}

TURLCall::TURLCall(std::shared_ptr<TRequest> request, int connectTimeout, int readTimeout,
                   HttpProxy proxy, bool checkCertificates,
                   std::unique_ptr<HttpTransport> transport)
    : FRequest(std::move(request)), FHTTP(std::move(transport)) {
  FGet.connectTimeoutMs = connectTimeout;
  FGet.readTimeoutMs = readTimeout;
  // Credentials only with a proxy, and only as a pair.
  if (!proxy.server.empty() && proxy.port > 0) {
    FGet.proxy.server = std::move(proxy.server);
    FGet.proxy.port = proxy.port;
    if (!proxy.username.empty() && !proxy.password.empty()) {
      FGet.proxy.username = std::move(proxy.username);
      FGet.proxy.password = std::move(proxy.password);
    }
  }
  FGet.checkCertificates = checkCertificates;
}

void TURLCall::Execute() {
  if (!FRequest) return;
  try {
    Exchange();
  } catch (const std::exception& error) {
    StoreException(error.what());
  } catch (...) {
    StoreException(nullptr);
  }
  FRequest->SetComplete(true);  // the last access to the record, whatever happened above
  FRequest.reset();
}

void TURLCall::Exchange() {
  const std::u16string url = FRequest->GetUrl();
  DebugLog(u" [TURLCall] Encoding url " + url);
  UrlParts parts = SplitUrl(url);
  DebugLog(u" [TURLCall::Execute()] url parts [" + parts.scheme + u"] [" + parts.rest + u"] [" +
           parts.final);
  FGet.url = std::move(parts.final);
  FGet.useTls = FRequest->IsHttps() == 1;

  HttpReply reply;
  if (!FHTTP) throw std::logic_error("the worker has no transport");
  if (SchemeSuitsTransport(FGet)) {
    reply = FHTTP->Get(FGet);
  } else {
    reply.failure = u"The URL's scheme cannot be used by this transport";
  }

  if (!reply.Replied()) {
    DebugLog(u"EIdException Error: " + reply.failure);
    StoreFailure(0, std::move(reply.failure));
  } else if (!IsSuccessStatus(reply.status)) {
    std::u16string statusLine = AnsiToUtf16(reply.statusLine);
    DebugLog(u"EIdHTTPProtocolException Error: " + statusLine);
    StoreFailure(reply.status, std::move(statusLine));
  } else {
    FRequest->SetResponse(reply.body, reply.contentType);
  }
}

void TURLCall::StoreException(const char* what) noexcept {
  FRequest->SetErrorCode(0);
  try {
    std::u16string message = what ? AnsiToUtf16(what) : u"An unknown error has occurred";
    DebugLog(what ? u"Exception Error: " + message : u"Unknown error occurred ");
    FRequest->SetErrorDescription(std::move(message));
  } catch (...) {
    // Out of memory: the code alone tells the script that the exchange failed.
  }
}

void TURLCall::StoreFailure(int errorCode, std::u16string description) noexcept {
  FRequest->SetErrorCode(errorCode);
  FRequest->SetErrorDescription(std::move(description));
}
