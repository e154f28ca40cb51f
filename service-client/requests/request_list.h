#pragma once
// TRequestList: the registry of asynchronous requests. One instance per process exists from
// library attach to detach.
//
// It hands out ids (1, 2, 3, ..., never reused), creates each request's record and starts its
// worker, answers the scripts' questions by id, keeps the proxy settings and the certificate
// check that new workers receive, and deletes the records that scripts have released once their
// exchange has ended.
//
// Threads: every operation may be called from any thread; each holds the registry's lock for
// its whole duration and copies what it returns while it holds it. Workers take no lock: they
// write only their own record, which the registry shares with them.
//
// Purge: a record that is both released and complete is deleted purgeDelay (60 s) after the
// later of the two events, within one purgeTick, by a system timer (it needs no window
// messages) that starts with the first release and is stopped before the registry goes. Tests
// may switch the timer off and call PurgeRequests themselves with a clock of their own.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/timer.h"
#include "service-client/requests/http_transport.h"

class TRequest;

class TRequestList {
 public:
  using Clock = std::chrono::steady_clock;

  struct Options {
    std::chrono::milliseconds purgeDelay{60000};
    // How often the purge timer looks; the delay is kept to within one tick.
    std::chrono::milliseconds purgeTick{1000};
    bool purgeTimer = true;
    std::function<Clock::time_point()> clock = [] { return Clock::now(); };
    // One new transport per worker.
    std::function<std::unique_ptr<HttpTransport>()> createTransport = CreateSystemHttpTransport;
  };

  TRequestList();
  explicit TRequestList(Options options);
  // Stops the purge timer (waiting only for a purge that runs at that moment) and deletes every
  // record, complete or not, without waiting for any worker: workers keep their own record alive
  // and finish on it.
  ~TRequestList();
  TRequestList(const TRequestList&) = delete;
  TRequestList& operator=(const TRequestList&) = delete;

  // For workers created from now on. An empty server or a port of 0 or below means no proxy;
  // credentials count only as a non-empty pair.
  void SetProxySettings(std::u16string server, std::u16string username, std::u16string password,
                        int port);

  // For workers created from now on; on by default.
  void SetCertificateCheck(bool enabled);

  // Registers a new record for `url`, starts its worker and returns its id. Throws when the
  // record or the worker cannot be created (nothing stays registered then) or when the ids are
  // exhausted.
  int CreateRequest(std::u16string url, int connectTimeout, int readTimeout);

  // Marks the record with `id` for deletion; an unregistered id changes nothing.
  void ReleaseRequest(int id);

  // The record with `id`, or null. The record stays valid for as long as the pointer is held,
  // even when it is purged meanwhile.
  std::shared_ptr<TRequest> FindRequest(int id) const;

  // Lookups; an unregistered id answers false, false, -1 and "".
  bool IsRequestComplete(int id) const;
  bool IsRequestError(int id) const;  // error code above 0
  int GetErrorCode(int id) const;
  std::u16string GetErrorDescription(int id) const;

  // The piece of the response that a script reads (ScriptPiece); nullopt for an unregistered id.
  std::optional<std::u16string> GetResponsePart(int id, long long offset, long long count) const;
  // The same for the wide reader's text and for the body's bytes; nullopt for an unregistered
  // id. The wide text's whole length is 0 for one.
  std::optional<std::u16string> GetWideResponsePart(int id, long long offset,
                                                    long long count) const;
  std::size_t GetWideResponseLength(int id) const;
  std::optional<std::string> GetResponseBytesPart(int id, long long offset, long long count) const;

  // Deletes the records that are released and complete and whose delay has run out.
  void PurgeRequests();

  // How many records are registered.
  std::size_t Count() const;

 private:
  struct Shared;

  void StartPurgeTimerIfNeeded();
  // read(record) under the lock for the record with `id`; nullopt for an unregistered id.
  template <typename Read>
  auto ReadRecord(int id, Read read) const
      -> std::optional<std::invoke_result_t<Read, const TRequest&>>;

  std::shared_ptr<Shared> FShared;
  std::unique_ptr<TTimer> FPurgeTimer;
};
