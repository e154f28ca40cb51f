#include "service-client/ticks/tick_message_generator_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Timers that fire only when the test says so, and a window system that records every post.
class FakeTickPlatform {
 public:
  struct Post {
    WindowHandle window;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
    bool operator==(const Post&) const = default;
  };

  TickPlatform Platform() {
    TickPlatform platform;
    platform.registerMessage = [this](const char* name) {
      registeredName = name;
      return 0xC123u;
    };
    platform.post = [this](WindowHandle window, unsigned message, std::uintptr_t w,
                           std::intptr_t l) {
      posts.push_back({window, message, w, l});
    };
    platform.startTimer = [this](std::chrono::milliseconds interval, std::function<void()> tick) {
      if (timersLeft-- == 0) throw std::runtime_error("no timer left");
      timers.push_back(std::make_shared<Timer>(interval, std::move(tick)));
      return std::make_unique<TimerHandle>(timers.back());
    };
    return platform;
  }

  // Fires every timer that still runs, once.
  void FireAll() {
    for (const auto& timer : timers) {
      if (timer->running) timer->tick();
    }
  }

  int Running() const {
    int running = 0;
    for (const auto& timer : timers) running += timer->running ? 1 : 0;
    return running;
  }

  struct Timer {
    Timer(std::chrono::milliseconds interval, std::function<void()> tick)
        : interval(interval), tick(std::move(tick)) {}
    std::chrono::milliseconds interval;
    std::function<void()> tick;
    bool running = true;
  };
  struct TimerHandle : TTimer {
    explicit TimerHandle(std::shared_ptr<Timer> timer) : timer(std::move(timer)) {}
    ~TimerHandle() override { timer->running = false; }
    std::shared_ptr<Timer> timer;
  };

  std::string registeredName;
  std::vector<Post> posts;
  std::vector<std::shared_ptr<Timer>> timers;
  int timersLeft = 100;
};

constexpr WindowHandle kA = 0x10010, kB = 0x20020;

TEST(TickMessageGeneratorListTest, EachTickPostsTheRegisteredMessageWithWParam2AndLParam1) {
  FakeTickPlatform fake;
  TTickMessageGeneratorList list(5000ms, fake.Platform());
  EXPECT_EQ(fake.registeredName, "MetaTrader4_Internal_Message");
  list.StartGenerator(kA);
  ASSERT_EQ(fake.timers.size(), 1u);
  EXPECT_EQ(fake.timers[0]->interval, 5000ms);
  EXPECT_TRUE(fake.posts.empty()) << "nothing is posted at the start";
  fake.FireAll();
  fake.FireAll();
  const FakeTickPlatform::Post tick{kA, 0xC123u, 2, 1};
  EXPECT_EQ(fake.posts, (std::vector<FakeTickPlatform::Post>{tick, tick}));
}

TEST(TickMessageGeneratorListTest, AStopRemovesOnlyTheNewestGeneratorOfThatWindow) {
  FakeTickPlatform fake;
  TTickMessageGeneratorList list(5000ms, fake.Platform());
  list.StartGenerator(kA);
  list.StartGenerator(kB);
  list.StartGenerator(kA);
  list.StopGenerator(kA);
  EXPECT_EQ(list.Windows(), (std::vector<WindowHandle>{kA, kB}));
  EXPECT_FALSE(fake.timers[2]->running) << "the third, newest generator of A stops";
  EXPECT_TRUE(fake.timers[0]->running);

  list.StopGenerator(0x999);  // a window without generators
  list.StopGenerator(0);
  EXPECT_EQ(list.Windows(), (std::vector<WindowHandle>{kA, kB}));

  list.StopGenerator(kA);
  list.StopGenerator(kA);
  EXPECT_EQ(list.Windows(), (std::vector<WindowHandle>{kB}));
  EXPECT_EQ(fake.Running(), 1);
}

TEST(TickMessageGeneratorListTest, TwoGeneratorsForOneWindowPostTwicePerPeriod) {
  FakeTickPlatform fake;
  TTickMessageGeneratorList list(5000ms, fake.Platform());
  list.StartGenerator(kA);
  list.StartGenerator(kA);
  fake.FireAll();
  EXPECT_EQ(fake.posts.size(), 2u);
  list.StopGenerator(kA);
  fake.FireAll();
  EXPECT_EQ(fake.posts.size(), 3u);
}

TEST(TickMessageGeneratorListTest, DestroyingTheRegistryStopsEveryGenerator) {
  FakeTickPlatform fake;
  {
    TTickMessageGeneratorList list(5000ms, fake.Platform());
    list.StartGenerator(kA);
    list.StartGenerator(kB);
    EXPECT_EQ(fake.Running(), 2);
  }
  EXPECT_EQ(fake.Running(), 0);
}

TEST(TickMessageGeneratorListTest, AGeneratorWithoutATimerIsNotRegistered) {
  FakeTickPlatform fake;
  fake.timersLeft = 1;
  TTickMessageGeneratorList list(5000ms, fake.Platform());
  list.StartGenerator(kA);
  EXPECT_THROW(list.StartGenerator(kB), std::runtime_error);
  EXPECT_EQ(list.Windows(), (std::vector<WindowHandle>{kA}));
}

// The real system timers: generators started and stopped on different threads, at once.
TEST(TickMessageGeneratorListTest, ThreadsStartAndStopGeneratorsAtOnce) {
  std::atomic<int> posts{0};
  TickPlatform platform;
  platform.post = [&](WindowHandle, unsigned, std::uintptr_t, std::intptr_t) { ++posts; };
  TTickMessageGeneratorList list(1ms, platform);
  {
    std::vector<std::jthread> scripts;
    for (WindowHandle window = 1; window <= 4; ++window) {
      scripts.emplace_back([&list, window] {
        for (int i = 0; i < 10; ++i) list.StartGenerator(window);
      });
      scripts.emplace_back([&list, window] {
        for (int i = 0; i < 10; ++i) list.StopGenerator(window);
      });
    }
  }
  list.StartGenerator(9);  // at least one survivor, whatever the interleaving above
  while (posts == 0) std::this_thread::sleep_for(1ms);
  for (const WindowHandle window : list.Windows()) list.StopGenerator(window);
  EXPECT_TRUE(list.Windows().empty());
  const int stopped = posts;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(posts, stopped) << "a stopped generator posted";
}

}  // namespace
