#include "platform/window_messages.h"

// No windows here: the tick registry still runs (and is tested) on its own.

unsigned RegisterWindowMessageByName(const char*) { return 0; }

void PostWindowMessage(WindowHandle, unsigned, std::uintptr_t, std::intptr_t) {}

int FlashWindowOnce(WindowHandle) { return 0; }
