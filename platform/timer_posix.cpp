#include <condition_variable>
#include <mutex>

#include "platform/thread.h"
#include "platform/timer.h"

namespace {

// What the timer thread and the timer object share; the thread may outlive the object.
struct TimerState {
  TimerState(std::chrono::milliseconds interval, std::function<void()> onTimer)
      : interval(interval), onTimer(std::move(onTimer)) {}

  const std::chrono::milliseconds interval;
  const std::function<void()> onTimer;
  std::mutex lock;  // held while the handler runs
  std::condition_variable stop;
  bool stopped = false;
};

class TimerThread : public TThread {
 public:
  explicit TimerThread(std::shared_ptr<TimerState> state) : FState(std::move(state)) {}

  void Execute() override {
    std::unique_lock<std::mutex> lock(FState->lock);
    auto next = std::chrono::steady_clock::now() + FState->interval;
    while (!FState->stop.wait_until(lock, next, [&] { return FState->stopped; })) {
      FState->onTimer();
      next += FState->interval;
    }
  }

 private:
  std::shared_ptr<TimerState> FState;
};

class ThreadTimer : public TTimer {
 public:
  ThreadTimer(std::chrono::milliseconds interval, std::function<void()> onTimer)
      : FState(std::make_shared<TimerState>(interval, std::move(onTimer))) {
    TThread::Start(std::make_unique<TimerThread>(FState));
  }

  ~ThreadTimer() override {
    {
      std::lock_guard<std::mutex> lock(FState->lock);  // waits for a running call only
      FState->stopped = true;
    }
    FState->stop.notify_all();
  }

 private:
  std::shared_ptr<TimerState> FState;
};

}  // namespace

std::unique_ptr<TTimer> StartSystemTimer(std::chrono::milliseconds interval,
                                         std::function<void()> onTimer) {
  return std::make_unique<ThreadTimer>(interval, std::move(onTimer));
}
