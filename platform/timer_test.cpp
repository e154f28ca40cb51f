#include "platform/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(TimerTest, FiresRepeatedlyUntilDestroyedAndNeverAfterwards) {
  std::atomic<int> calls{0};
  std::atomic<bool> destroyed{false};
  std::atomic<int> callsAfterDestruction{0};
  auto timer = StartSystemTimer(2ms, [&] {
    if (destroyed) ++callsAfterDestruction;
    std::this_thread::sleep_for(1ms);  // a call that is still running when the stop comes
    ++calls;
  });
  while (calls < 5) std::this_thread::sleep_for(1ms);
  timer.reset();
  destroyed = true;
  const int atStop = calls;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(calls, atStop);
  EXPECT_EQ(callsAfterDestruction, 0);
}

TEST(TimerTest, TheFirstCallComesOneIntervalAfterTheStart) {
  std::atomic<bool> called{false};
  const auto start = std::chrono::steady_clock::now();
  std::atomic<std::chrono::steady_clock::duration> firstAfter{};
  auto timer = StartSystemTimer(200ms, [&] {
    if (!called.exchange(true)) firstAfter = std::chrono::steady_clock::now() - start;
  });
  while (!called) std::this_thread::sleep_for(1ms);
  timer.reset();
  // A lower bound only: a busy machine may be late, never early.
  EXPECT_GE(firstAfter.load(), 190ms);
}

TEST(TimerTest, ManyTimersStopFromAnotherThread) {
  std::atomic<int> calls{0};
  std::vector<std::unique_ptr<TTimer>> timers;
  for (int i = 0; i < 20; ++i) timers.push_back(StartSystemTimer(1ms, [&] { ++calls; }));
  while (calls < 40) std::this_thread::sleep_for(1ms);
  std::thread([&] { timers.clear(); }).join();
  const int atStop = calls;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(calls, atStop);
}

}  // namespace
