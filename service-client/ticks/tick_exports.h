#pragma once
// The tick exports: synthetic tick messages for a terminal window, and a one-call window flash.
// The window is the handle the script passes as an int; nothing checks it.

#include "service-client/export_frame.h"

// One more generator for `window`: "MetaTrader4_Internal_Message", wParam 2, lParam 1, every
// 5000 ms, the first after one period, until stopped or the library is unloaded.
OV_EXPORT void OV_STDCALL ov_startTickGeneration(int window);
// Stops the newest generator of `window`, from any thread; nothing when it has none.
OV_EXPORT void OV_STDCALL ov_stopTickGeneration(int window);
// Inverts the window's caption once; returns what the system returns (nonzero when the caption
// was drawn active before the call). 0 where there are no windows.
OV_EXPORT int OV_STDCALL ov_FlashWindow(int window);
