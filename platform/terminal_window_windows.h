#pragma once
// The terminal's main window, as Profixer and Symwatch find it. Windows only.

#include <windows.h>

// The first top-level window of process `processId` whose class name (read with a maximum
// count of 99) contains "MetaQuotes", case-sensitively; nullptr when there is none.
HWND FindTerminalWindow(DWORD processId);
