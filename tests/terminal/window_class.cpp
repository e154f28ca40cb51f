#include "tests/terminal/window_class.h"

#include <stdexcept>

WindowClass::WindowClass(std::string name, WNDPROC procedure) : FName(std::move(name)) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = FName.c_str();
  if (RegisterClassExA(&windowClass) == 0) {
    throw std::runtime_error("cannot register the window class " + FName + ", error " +
                             std::to_string(GetLastError()));
  }
}

WindowClass::~WindowClass() { UnregisterClassA(FName.c_str(), GetModuleHandleA(nullptr)); }
