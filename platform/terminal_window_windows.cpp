#include "platform/terminal_window_windows.h"

#include <cstring>

namespace {

struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM searchPointer) {
  auto& search = *reinterpret_cast<Search*>(searchPointer);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search.processId) return TRUE;
  char className[100] = {};
  GetClassNameA(window, className, 99);
  if (std::strstr(className, "MetaQuotes") == nullptr) return TRUE;
  search.found = window;
  return FALSE;  // found: stop
}

}  // namespace

HWND FindTerminalWindow(DWORD processId) {
  Search search{processId, nullptr};
  EnumWindows(&CheckWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
