#pragma once
// TTickMessageGeneratorList: the registry of running tick generators. One instance per process
// exists from library attach to detach, with the interval 5000 ms.
//
// Keyed by window, but not uniquely: every start appends a new generator, so one window may have
// several, each posting on its own timer. A stop removes the newest generator of that window.
// Every operation holds the registry's lock; start and stop may come from any thread, and the
// timers need no message dispatch on the thread that started them.

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "service-client/ticks/tick_message_generator.h"

class TTickMessageGeneratorList {
 public:
  static constexpr char kMessageName[] = "MetaTrader4_Internal_Message";

  // Registers the message at once.
  explicit TTickMessageGeneratorList(std::chrono::milliseconds interval,
                                     TickPlatform platform = {});
  // Stops every generator that still runs.
  ~TTickMessageGeneratorList() = default;
  TTickMessageGeneratorList(const TTickMessageGeneratorList&) = delete;
  TTickMessageGeneratorList& operator=(const TTickMessageGeneratorList&) = delete;

  // Starts one more generator for `window`, unchecked. Throws when no timer can be started.
  void StartGenerator(WindowHandle window);

  // Stops the newest generator of `window`; nothing when it has none.
  void StopGenerator(WindowHandle window);

  // The windows of the running generators, oldest first.
  std::vector<WindowHandle> Windows() const;

  unsigned Message() const { return FMessage; }

 private:
  const std::chrono::milliseconds FInterval;
  const TickPlatform FPlatform;
  const unsigned FMessage;
  mutable std::mutex FLock;
  std::vector<std::unique_ptr<TTickMessageGenerator>> FGenerators;  // newest last
};
