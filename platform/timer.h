#pragma once
// TTimer: a periodic timer that calls its handler on a thread of the system's, every interval,
// the first time one interval after the start, whether or not any thread dispatches window
// messages.
//
// Destroying it stops it from any thread: once the destructor has returned no call of the
// handler runs or will run. The destructor waits only for a call already running, never for a
// thread to end, so it is safe during the library's detach as long as the handler takes no lock
// that the detaching thread holds.

#include <chrono>
#include <functional>
#include <memory>

class TTimer {
 public:
  virtual ~TTimer() = default;
};

// Starts a timer; throws std::system_error when the system has none left. The handler must not
// throw and must not destroy its own timer.
std::unique_ptr<TTimer> StartSystemTimer(std::chrono::milliseconds interval,
                                         std::function<void()> onTimer);
