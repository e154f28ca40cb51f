#include <windows.h>

#include <system_error>

#include "platform/timer.h"

namespace {

// A thread-pool timer: its callbacks run on pool threads, so it needs no message loop, and it
// can be stopped from any thread, the loader's included (the wait covers only a running call,
// which posts a message or purges records and takes no lock the loader holds). No callback
// library is set: under Wine that keeps the module loaded for the timer's whole life, so the
// library would never be unloaded and its timers never stopped.
class ThreadPoolTimer : public TTimer {
 public:
  ThreadPoolTimer(std::chrono::milliseconds interval, std::function<void()> onTimer)
      : FOnTimer(std::move(onTimer)), FTimer(CreateThreadpoolTimer(&OnTimer, this, nullptr)) {
    if (!FTimer) {
      throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                              "cannot create a timer");
    }
    // Relative due times are negative, in units of 100 ns.
    const LONGLONG due = -static_cast<LONGLONG>(interval.count()) * 10000;
    FILETIME dueTime{static_cast<DWORD>(due & 0xFFFFFFFF), static_cast<DWORD>(due >> 32)};
    SetThreadpoolTimer(FTimer, &dueTime, static_cast<DWORD>(interval.count()), 0);
  }

  ~ThreadPoolTimer() override {
    SetThreadpoolTimer(FTimer, nullptr, 0, 0);      // no new calls
    WaitForThreadpoolTimerCallbacks(FTimer, TRUE);  // cancels queued ones, waits for a running one
    CloseThreadpoolTimer(FTimer);
  }

  ThreadPoolTimer(const ThreadPoolTimer&) = delete;
  ThreadPoolTimer& operator=(const ThreadPoolTimer&) = delete;

 private:
  static VOID CALLBACK OnTimer(PTP_CALLBACK_INSTANCE, PVOID self, PTP_TIMER) {
    static_cast<ThreadPoolTimer*>(self)->FOnTimer();
  }

  const std::function<void()> FOnTimer;
  const PTP_TIMER FTimer;
};

}  // namespace

std::unique_ptr<TTimer> StartSystemTimer(std::chrono::milliseconds interval,
                                         std::function<void()> onTimer) {
  return std::make_unique<ThreadPoolTimer>(interval, std::move(onTimer));
}
