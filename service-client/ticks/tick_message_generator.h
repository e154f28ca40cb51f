#pragma once
// TTickMessageGenerator: posts one window message with wParam 2 and lParam 1 to its window once
// every interval, the first one interval after its start, until it is destroyed.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/timer.h"
#include "platform/window_messages.h"

// How a generator reaches the system; tests put their own in.
struct TickPlatform {
  std::function<std::unique_ptr<TTimer>(std::chrono::milliseconds, std::function<void()>)>
      startTimer = StartSystemTimer;
  std::function<void(WindowHandle, unsigned, std::uintptr_t, std::intptr_t)> post =
      PostWindowMessage;
  std::function<unsigned(const char*)> registerMessage = RegisterWindowMessageByName;
};

class TTickMessageGenerator {
 public:
  static constexpr std::uintptr_t kWParam = 2;
  static constexpr std::intptr_t kLParam = 1;

  // Starts the timer; throws std::system_error when there is none left.
  TTickMessageGenerator(WindowHandle window, unsigned message, std::chrono::milliseconds interval,
                        const TickPlatform& platform);
  // Stops the timer, from any thread: once it has returned no message is posted any more.
  ~TTickMessageGenerator() = default;
  TTickMessageGenerator(const TTickMessageGenerator&) = delete;
  TTickMessageGenerator& operator=(const TTickMessageGenerator&) = delete;

  WindowHandle GetWindow() const { return FWindow; }

 private:
  const WindowHandle FWindow;
  const unsigned FMessage;
  std::unique_ptr<TTimer> FTimer;  // last: stopped before the fields its handler reads go
};
