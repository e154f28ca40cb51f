#pragma once
// The few window functions the library uses on the terminal's windows. A window is named by its
// handle as the script passes it: a 32-bit int, widened with its sign. Nothing here checks the
// handle: a zero, invalid or closed window simply fails. Where there are no windows (Linux) the
// functions do nothing and report failure.

#include <cstdint>

using WindowHandle = std::intptr_t;

// The system-wide id of the window message named `name`; 0 on failure.
unsigned RegisterWindowMessageByName(const char* name);

// Posts `message` to `window` without waiting for it; a failure is not reported.
void PostWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam);

// Inverts the window's caption once; nonzero when it was drawn active before the call.
int FlashWindowOnce(WindowHandle window);
