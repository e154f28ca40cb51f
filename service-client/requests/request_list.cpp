#include "service-client/requests/request_list.h"

#include <climits>
#include <mutex>
#include <set>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "platform/thread.h"
#include "platform/timer.h"
#include "service-client/debug_log.h"
#include "service-client/requests/request.h"
#include "service-client/requests/url_call.h"

namespace {

struct Entry {
  std::shared_ptr<TRequest> record;
  // Set once the record is both released and complete.
  std::optional<TRequestList::Clock::time_point> purgeAt;
};

}  // namespace

// The registry's state, shared with the purge timer's handler.
struct TRequestList::Shared {
  explicit Shared(Options options) : options(std::move(options)) {}

  const Options options;
  mutable std::mutex lock;
  // Indexed by id: a lookup costs the same with ten records or a hundred thousand.
  std::unordered_map<int, Entry> requests;
  std::set<int> released;  // released and not yet deleted
  int lastId = 0;
  HttpProxy proxy;
  bool checkCertificates = true;

  const TRequest* Find(int id) const {
    const auto found = requests.find(id);
    return found == requests.end() ? nullptr : found->second.record.get();
  }

  // Under `lock`.
  void Purge() {
    const Clock::time_point now = options.clock();
    for (auto id = released.begin(); id != released.end();) {
      Entry& entry = requests.at(*id);
      if (entry.record->IsComplete() && !entry.purgeAt) entry.purgeAt = now + options.purgeDelay;
      if (entry.purgeAt && now >= *entry.purgeAt) {
        requests.erase(*id);
        id = released.erase(id);
      } else {
        ++id;
      }
    }
  }
};

TRequestList::TRequestList() : TRequestList(Options()) {}

TRequestList::TRequestList(Options options)
    : FShared(std::make_shared<Shared>(std::move(options))) {}

TRequestList::~TRequestList() {
  FPurgeTimer.reset();  // first, and without the lock, which a running purge may be waiting for
  std::unordered_map<int, Entry> doomed;
  {
    std::lock_guard<std::mutex> lock(FShared->lock);
    doomed.swap(FShared->requests);
    FShared->released.clear();
  }
}  // the records go here, outside the lock

void TRequestList::SetProxySettings(std::u16string server, std::u16string username,
                                    std::u16string password, int port) {
  std::lock_guard<std::mutex> lock(FShared->lock);
  FShared->proxy = HttpProxy{std::move(server), port, std::move(username), std::move(password)};
}

void TRequestList::SetCertificateCheck(bool enabled) {
  std::lock_guard<std::mutex> lock(FShared->lock);
  FShared->checkCertificates = enabled;
}

int TRequestList::CreateRequest(std::u16string url, int connectTimeout, int readTimeout) {
  std::lock_guard<std::mutex> lock(FShared->lock);
  DebugLog(u" [TRequestList::CreateRequest()] Adding url to the RequestList " + url);
  if (FShared->lastId == INT_MAX) throw std::overflow_error("request ids are exhausted");
  const int id = ++FShared->lastId;
  auto record = std::make_shared<TRequest>(std::move(url), id);
  auto worker =
      std::make_unique<TURLCall>(record, connectTimeout, readTimeout, FShared->proxy,
                                 FShared->checkCertificates, FShared->options.createTransport());
  FShared->requests.emplace(id, Entry{record, std::nullopt});
  try {
    DebugLog(u" [TRequestList::CreateRequest()] Url added and new TURLCall object created");
    TThread::Start(std::move(worker));  // the last step that may fail: then the id is returned
  } catch (...) {
    FShared->requests.erase(id);  // nobody will ever learn this id
    throw;
  }
  return id;
}

void TRequestList::ReleaseRequest(int id) {
  std::lock_guard<std::mutex> lock(FShared->lock);
  const auto found = FShared->requests.find(id);
  if (found == FShared->requests.end() || found->second.record->IsMarkedForDeletion()) return;
  found->second.record->MarkForDeletion();
  FShared->released.insert(id);
  StartPurgeTimerIfNeeded();
}

// Under the lock. The timer starts with the first release and runs until the registry goes.
void TRequestList::StartPurgeTimerIfNeeded() {
  if (!FShared->options.purgeTimer || FPurgeTimer) return;
  FPurgeTimer = StartSystemTimer(FShared->options.purgeTick, [shared = FShared]() noexcept {
    try {
      std::lock_guard<std::mutex> lock(shared->lock);
      shared->Purge();
    } catch (...) {
      // The next tick tries again.
    }
  });
}

std::shared_ptr<TRequest> TRequestList::FindRequest(int id) const {
  std::lock_guard<std::mutex> lock(FShared->lock);
  const auto found = FShared->requests.find(id);
  return found == FShared->requests.end() ? nullptr : found->second.record;
}

bool TRequestList::IsRequestComplete(int id) const {
  std::lock_guard<std::mutex> lock(FShared->lock);
  const TRequest* record = FShared->Find(id);
  return record && record->IsComplete();
}

bool TRequestList::IsRequestError(int id) const {
  std::lock_guard<std::mutex> lock(FShared->lock);
  const TRequest* record = FShared->Find(id);
  return record && record->GetErrorCode() > 0;
}

int TRequestList::GetErrorCode(int id) const {
  std::lock_guard<std::mutex> lock(FShared->lock);
  const TRequest* record = FShared->Find(id);
  return record ? record->GetErrorCode() : -1;
}

std::u16string TRequestList::GetErrorDescription(int id) const {
  std::lock_guard<std::mutex> lock(FShared->lock);
  const TRequest* record = FShared->Find(id);
  return record ? record->GetErrorDescription() : u"";
}

template <typename Read>
auto TRequestList::ReadRecord(int id, Read read) const
    -> std::optional<std::invoke_result_t<Read, const TRequest&>> {
  std::lock_guard<std::mutex> lock(FShared->lock);
  const TRequest* record = FShared->Find(id);
  if (!record) return std::nullopt;
  return read(*record);
}

std::optional<std::u16string> TRequestList::GetResponsePart(int id, long long offset,
                                                            long long count) const {
  return ReadRecord(id,
                    [&](const TRequest& record) { return record.GetResponsePart(offset, count); });
}

std::optional<std::u16string> TRequestList::GetWideResponsePart(int id, long long offset,
                                                                long long count) const {
  return ReadRecord(
      id, [&](const TRequest& record) { return record.GetWideResponsePart(offset, count); });
}

std::size_t TRequestList::GetWideResponseLength(int id) const {
  return ReadRecord(id, [](const TRequest& record) { return record.GetWideResponseLength(); })
      .value_or(0);
}

std::optional<std::string> TRequestList::GetResponseBytesPart(int id, long long offset,
                                                              long long count) const {
  return ReadRecord(
      id, [&](const TRequest& record) { return record.GetResponseBytesPart(offset, count); });
}

void TRequestList::PurgeRequests() {
  std::lock_guard<std::mutex> lock(FShared->lock);
  FShared->Purge();
}

std::size_t TRequestList::Count() const {
  std::lock_guard<std::mutex> lock(FShared->lock);
  return FShared->requests.size();
}
