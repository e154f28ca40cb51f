#include "service-client/ticks/tick_message_generator.h"

TTickMessageGenerator::TTickMessageGenerator(WindowHandle window, unsigned message,
                                             std::chrono::milliseconds interval,
                                             const TickPlatform& platform)
    : FWindow(window), FMessage(message) {
  // The handler keeps its own copies: it reads nothing of the generator.
  FTimer = platform.startTimer(interval, [post = platform.post, window, message] {
    post(window, message, kWParam, kLParam);
  });
}
