#include "service-client/requests/request_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <set>
#include <thread>

#include "service-client/requests/request.h"
#include "tests/support/debug_log_recorder.h"
#include "tests/support/fake_network.h"

namespace {

using namespace std::chrono_literals;

// A registry on a fake network and a clock that only the test moves; the purge runs when the
// test calls it.
class RequestListTest : public testing::Test {
 protected:
  RequestListTest() : FNow(std::make_shared<TRequestList::Clock::time_point>()) {
    network.SetReply(FakeNetwork::Replied(200, "HTTP/1.1 200 OK", "body"));
    TRequestList::Options options;
    options.purgeTimer = false;
    options.clock = [now = FNow] { return *now; };
    options.createTransport = network.Factory();
    list = std::make_unique<TRequestList>(std::move(options));
  }

  void Advance(std::chrono::milliseconds by) { *FNow += by; }

  void WaitUntilComplete(int id) {
    while (!list->IsRequestComplete(id)) std::this_thread::sleep_for(1ms);
  }

  int CreateComplete() {
    const int id = list->CreateRequest(u"http://srv/", 0, 0);
    WaitUntilComplete(id);
    return id;
  }

  FakeNetwork network;
  std::unique_ptr<TRequestList> list;

 private:
  std::shared_ptr<TRequestList::Clock::time_point> FNow;
};

TEST_F(RequestListTest, IdsCountFromOneAndAreNeverReused) {
  EXPECT_EQ(CreateComplete(), 1);
  EXPECT_EQ(CreateComplete(), 2);
  list->ReleaseRequest(1);
  list->ReleaseRequest(2);
  list->PurgeRequests();
  Advance(60s);
  list->PurgeRequests();
  EXPECT_EQ(list->Count(), 0u);
  EXPECT_EQ(CreateComplete(), 3);
}

TEST_F(RequestListTest, AnUnregisteredIdAnswersTheDefaults) {
  CreateComplete();
  for (const int id : {-1, 0, 2, INT_MIN, INT_MAX}) {
    EXPECT_EQ(list->FindRequest(id), nullptr) << id;
    EXPECT_FALSE(list->IsRequestComplete(id)) << id;
    EXPECT_FALSE(list->IsRequestError(id)) << id;
    EXPECT_EQ(list->GetErrorCode(id), -1) << id;
    EXPECT_EQ(list->GetErrorDescription(id), u"") << id;
    EXPECT_EQ(list->GetResponsePart(id, 0, 10), std::nullopt) << id;
    list->ReleaseRequest(id);
  }
  EXPECT_EQ(list->Count(), 1u);
}

TEST_F(RequestListTest, OnlyAnHttpStatusCountsAsAnError) {
  HttpReply refused;
  refused.failure = u"Connection refused";
  const struct {
    HttpReply reply;
    bool error;
    int code;
    std::u16string description;
  } kCases[] = {
      {FakeNetwork::Replied(200, "HTTP/1.1 200 OK", "x"), false, -1, u""},
      {FakeNetwork::Replied(404, "HTTP/1.1 404 Not Found", ""), true, 404,
       u"HTTP/1.1 404 Not Found"},
      {refused, false, 0, u"Connection refused"},
  };
  for (const auto& c : kCases) {
    network.SetReply(c.reply);
    const int id = CreateComplete();
    EXPECT_EQ(list->IsRequestError(id), c.error) << c.code;
    EXPECT_EQ(list->GetErrorCode(id), c.code);
    EXPECT_EQ(list->GetErrorDescription(id), c.description);
  }
}

TEST_F(RequestListTest, ARunningRequestAnswersTheInitialValues) {
  network.Hold();
  const int id = list->CreateRequest(u"http://srv/", 0, 0);
  network.WaitForRequests(1);
  EXPECT_FALSE(list->IsRequestComplete(id));
  EXPECT_EQ(list->GetErrorCode(id), -1);
  EXPECT_EQ(list->GetResponsePart(id, 0, 10), u"");
  network.Release();
  WaitUntilComplete(id);
  EXPECT_EQ(list->GetResponsePart(id, 0, 10), u"body");
}

TEST_F(RequestListTest, AReleasedRequestGoesAMinuteAfterItHasAlsoCompleted) {
  network.Hold();
  const int id = list->CreateRequest(u"http://srv/", 0, 0);
  list->ReleaseRequest(id);
  Advance(10min);
  list->PurgeRequests();
  EXPECT_NE(list->FindRequest(id), nullptr) << "purged while its worker still runs";

  network.Release();
  WaitUntilComplete(id);
  list->PurgeRequests();  // sees it complete now
  Advance(59s);
  list->PurgeRequests();
  EXPECT_EQ(list->GetResponsePart(id, 0, 10), u"body") << "a released id keeps its answers";
  Advance(1s);
  list->PurgeRequests();
  EXPECT_EQ(list->FindRequest(id), nullptr);
  EXPECT_FALSE(list->IsRequestComplete(id));
}

TEST_F(RequestListTest, ACompleteRequestGoesAMinuteAfterItsRelease) {
  const int kept = CreateComplete();
  const int released = CreateComplete();
  Advance(10min);
  list->ReleaseRequest(released);
  list->ReleaseRequest(released);  // twice is harmless
  list->PurgeRequests();
  Advance(59s);
  list->PurgeRequests();
  EXPECT_NE(list->FindRequest(released), nullptr);
  Advance(1s);
  list->PurgeRequests();
  EXPECT_EQ(list->FindRequest(released), nullptr);
  Advance(24h);
  list->PurgeRequests();
  EXPECT_NE(list->FindRequest(kept), nullptr) << "a request never released stays";
}

TEST_F(RequestListTest, ProxyAndCertificateSettingsReachOnlyLaterRequests) {
  list->SetProxySettings(u"first", u"user", u"pass", 3128);
  CreateComplete();
  list->SetProxySettings(u"second", u"", u"", 8080);
  list->SetCertificateCheck(false);
  CreateComplete();
  const auto sent = network.Requests();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].proxy.server, u"first");
  EXPECT_EQ(sent[0].proxy.port, 3128);
  EXPECT_EQ(sent[0].proxy.password, u"pass");
  EXPECT_TRUE(sent[0].checkCertificates);
  EXPECT_EQ(sent[1].proxy.server, u"second");
  EXPECT_EQ(sent[1].proxy.port, 8080);
  EXPECT_FALSE(sent[1].checkCertificates);
}

TEST_F(RequestListTest, ATransportThatCannotBeCreatedRegistersNothing) {
  TRequestList::Options options;
  options.purgeTimer = false;
  options.createTransport = []() -> std::unique_ptr<HttpTransport> { throw std::bad_alloc(); };
  TRequestList failing(std::move(options));
  EXPECT_THROW(failing.CreateRequest(u"http://srv/", 0, 0), std::bad_alloc);
  EXPECT_EQ(failing.Count(), 0u);
  EXPECT_EQ(failing.FindRequest(1), nullptr);
}

TEST_F(RequestListTest, TracesEachNewRequest) {
  DebugLogRecorder recorder;
  CreateComplete();
  const auto texts = recorder.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0],
            u" [TRequestList::CreateRequest()] Adding url to the RequestList http://srv/");
  EXPECT_NE(
      std::find(texts.begin(), texts.end(),
                u" [TRequestList::CreateRequest()] Url added and new TURLCall object created"),
      texts.end());
}

TEST_F(RequestListTest, DestroyingTheRegistryLeavesRunningWorkersAValidRecord) {
  network.Hold();
  std::vector<std::shared_ptr<TRequest>> records;
  for (int i = 0; i < 5; ++i)
    records.push_back(list->FindRequest(list->CreateRequest(u"http://srv/", 0, 0)));
  network.WaitForRequests(5);
  list.reset();
  network.Release();
  for (const auto& record : records) {
    while (!record->IsComplete()) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(record->GetResponse(), u"body");
  }
}

// The real purge timer, on the real clock, with nobody calling PurgeRequests.
TRequestList::Options QuickPurge(const FakeNetwork& network) {
  TRequestList::Options options;
  options.purgeDelay = 20ms;
  options.purgeTick = 5ms;
  options.createTransport = network.Factory();
  return options;
}

TEST(RequestListPurgeTimerTest, DeletesReleasedRecordsWithoutAnyoneAsking) {
  FakeNetwork network;
  TRequestList list(QuickPurge(network));
  const int id = list.CreateRequest(u"http://srv/", 0, 0);
  list.ReleaseRequest(id);
  while (list.Count() != 0) std::this_thread::sleep_for(1ms);
  // It starts again for the next release.
  const int next = list.CreateRequest(u"http://srv/", 0, 0);
  list.ReleaseRequest(next);
  while (list.Count() != 0) std::this_thread::sleep_for(1ms);
}

TEST(RequestListPurgeTimerTest, ScriptThreadsAtOnceGetDistinctIdsAndTheirOwnOutcomes) {
  FakeNetwork network;
  HttpReply reply;
  reply.status = 200;
  reply.body = "shared body";
  network.SetReply(reply);
  TRequestList list(QuickPurge(network));
  constexpr int kThreads = 8;
  constexpr int kRequestsEach = 40;
  std::vector<std::vector<int>> ids(kThreads);
  std::atomic<int> wrongAnswers{0};
  {
    std::vector<std::jthread> scripts;
    for (int t = 0; t < kThreads; ++t) {
      scripts.emplace_back([&, t] {
        for (int i = 0; i < kRequestsEach; ++i) {
          const int id = list.CreateRequest(u"http://srv/", 0, 0);
          ids[t].push_back(id);
          while (!list.IsRequestComplete(id)) std::this_thread::yield();
          if (list.GetErrorCode(id) != -1 || list.IsRequestError(id) ||
              list.GetResponsePart(id, 7, 100) != u"body") {
            ++wrongAnswers;
          }
          list.ReleaseRequest(id);
        }
      });
    }
  }
  EXPECT_EQ(wrongAnswers, 0);
  std::set<int> distinct;
  for (const auto& mine : ids) distinct.insert(mine.begin(), mine.end());
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kRequestsEach));
  EXPECT_EQ(*distinct.begin(), 1);
  EXPECT_EQ(*distinct.rbegin(), kThreads * kRequestsEach);
  while (list.Count() != 0) std::this_thread::sleep_for(1ms);
}

}  // namespace
