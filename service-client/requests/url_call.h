#pragma once
// TURLCall: the worker that carries out one asynchronous request on a thread of its own.
//
// It sends one GET for its record's URL through its own transport, stores the body, or the
// error code and description, in the record, marks the record complete as its very last access
// to it, and deletes itself. The record is shared with the registry, so a record that the
// registry has dropped meanwhile (the library was detached) stays valid until the worker is done.

#include <memory>
#include <string>

#include "platform/thread.h"
#include "service-client/requests/http_transport.h"

class TRequest;

// The worker's view of a URL: the scheme part s, the rest r, and the final URL f = s +
// urlEncode(r).
struct UrlParts {
  std::u16string scheme;
  std::u16string rest;
  std::u16string final;
};

// Splits `url` at its first "//": s runs from the first "http" to that "//", r is everything
// after it. Only r is encoded, so the scheme part reaches the server as written.
UrlParts SplitUrl(const std::u16string& url);

class TURLCall : public TThread {
 public:
  // A worker for `request` with the given time-outs (milliseconds), proxy and certificate check.
  // It runs once TThread::Start is given it. `request` may be null: the worker then does nothing.
  TURLCall(std::shared_ptr<TRequest> request, int connectTimeout, int readTimeout, HttpProxy proxy,
           bool checkCertificates, std::unique_ptr<HttpTransport> transport);

  // Runs the exchange on the calling thread and completes the record. Never throws.
  void Execute() override;

 private:
  void Exchange();
  void StoreFailure(int errorCode, std::u16string description) noexcept;
  // Code 0 and the exception's text (or the unknown-error text for `what` null).
  void StoreException(const char* what) noexcept;

  std::shared_ptr<TRequest> FRequest;
  HttpGet FGet;
  std::unique_ptr<HttpTransport> FHTTP;
};
