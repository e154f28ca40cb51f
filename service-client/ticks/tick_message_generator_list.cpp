#include "service-client/ticks/tick_message_generator_list.h"

#include <algorithm>

TTickMessageGeneratorList::TTickMessageGeneratorList(std::chrono::milliseconds interval,
                                                     TickPlatform platform)
    : FInterval(interval),
      FPlatform(std::move(platform)),
      FMessage(FPlatform.registerMessage(kMessageName)) {}

void TTickMessageGeneratorList::StartGenerator(WindowHandle window) {
  std::lock_guard<std::mutex> lock(FLock);
  FGenerators.reserve(FGenerators.size() + 1);  // so that the push below cannot fail
  FGenerators.push_back(
      std::make_unique<TTickMessageGenerator>(window, FMessage, FInterval, FPlatform));
}

void TTickMessageGeneratorList::StopGenerator(WindowHandle window) {
  std::lock_guard<std::mutex> lock(FLock);
  const auto newest =
      std::find_if(FGenerators.rbegin(), FGenerators.rend(),
                   [window](const auto& generator) { return generator->GetWindow() == window; });
  if (newest != FGenerators.rend()) FGenerators.erase(std::next(newest).base());
}

std::vector<WindowHandle> TTickMessageGeneratorList::Windows() const {
  std::lock_guard<std::mutex> lock(FLock);
  std::vector<WindowHandle> windows;
  for (const auto& generator : FGenerators) windows.push_back(generator->GetWindow());
  return windows;
}
