#pragma once
// WindowClass: a window class registered for as long as the object lives.

#include <windows.h>

#include <string>

class WindowClass {
 public:
  // Registers `name` with `procedure`; throws std::runtime_error when it cannot.
  WindowClass(std::string name, WNDPROC procedure);
  ~WindowClass();
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

  const char* Name() const { return FName.c_str(); }

 private:
  const std::string FName;
};
