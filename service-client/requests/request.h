#pragma once
// TRequest: the state of one asynchronous HTTP request.
//
// The request registry creates, holds and deletes each record; one worker thread performs the
// exchange and writes the outcome; the exports and the login read it through the registry.
//
// Threads: the outcome (response, error code, error description) has one writer, the worker,
// which writes it first and calls SetComplete(true) last. The completion flag is published with
// release ordering and read with acquire ordering, and the outcome getters answer with the
// initial values until they see it set: a reader never looks at a text while the worker is
// still writing it, and once it sees the record complete it sees the whole final outcome, which
// no setter changes afterwards. FMarkedForDeletion is read and written only under the
// registry's list lock.

#include <atomic>
#include <string>
#include <string_view>

#include "service-client/requests/wide_response.h"

class TRequest {
 public:
  // A running record for `url` with the registry's id `id`: error code -1, empty texts.
  TRequest(std::u16string url, int id);

  TRequest(const TRequest&) = delete;
  TRequest& operator=(const TRequest&) = delete;

  int GetId() const { return FId; }
  std::u16string GetUrl() const { return FUrl; }

  // 1 when the URL begins with lower-case "https", else 0.
  int IsHttps() const { return FHttps; }

  // The response body; "" until the record is complete.
  std::u16string GetResponse() const;

  // The piece of the response that a script reads (ScriptPiece); "" until complete.
  std::u16string GetResponsePart(long long offset, long long count) const;

  // The same for the wide reader: the body decoded as its Content-Type says (WideResponse).
  std::u16string GetWideResponsePart(long long offset, long long count) const;
  // The wide reader's whole text's length in UTF-16 units; 0 until complete.
  std::size_t GetWideResponseLength() const;
  // The same piece rules for the body's bytes exactly as received.
  std::string GetResponseBytesPart(long long offset, long long count) const;

  // Stores the whole reply body: its bytes, its text decoded from the ANSI code page, and how
  // the wide reader decodes it, given its Content-Type. On an exception (exhausted memory) the
  // previous response is kept. Ignored once the record is complete.
  void SetResponse(std::string_view body, std::string_view contentType = {});

  // The reply body's bytes decoded from the ANSI code page, whatever charset the server named.
  static std::u16string StreamToString(std::string_view body);

  // -1 (no error) until the record is complete; then -1, an HTTP status above 0, or 0.
  int GetErrorCode() const;
  // Ignored once the record is complete.
  void SetErrorCode(int errorCode);

  // "" until the record is complete.
  std::u16string GetErrorDescription() const;
  // Ignored once the record is complete.
  void SetErrorDescription(std::u16string description);

  bool IsComplete() const { return FComplete.load(std::memory_order_acquire); }

  // The worker's last access: true publishes the outcome. The flag never goes back to false.
  void SetComplete(bool complete);

  // Under the registry's list lock only. The mark never goes back.
  void MarkForDeletion() { FMarkedForDeletion = true; }
  bool IsMarkedForDeletion() const { return FMarkedForDeletion; }

 private:
  const std::u16string FUrl;
  std::u16string FResponse;  // the body decoded from the ANSI code page
  std::string FBody;         // the body's bytes
  WideResponse FWideResponse;
  int FErrorCode = -1;
  std::u16string FErrorDescription;
  std::atomic<bool> FComplete{false};
  const int FId;
  const int FHttps;
  bool FMarkedForDeletion = false;
};
