#include <windows.h>

#include "platform/window_messages.h"

namespace {

HWND AsWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }

}  // namespace

unsigned RegisterWindowMessageByName(const char* name) { return RegisterWindowMessageA(name); }

void PostWindowMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
  PostMessageW(AsWindow(window), message, wParam, lParam);
}

int FlashWindowOnce(WindowHandle window) { return FlashWindow(AsWindow(window), TRUE); }
