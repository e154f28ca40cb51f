#pragma once
// UniqueHandle: owns a kernel handle (process, thread, event, file) and closes it. Windows only.

#include <windows.h>

#include <utility>

class UniqueHandle {
 public:
  UniqueHandle() = default;
  // Takes `handle`; INVALID_HANDLE_VALUE (a failed CreateFile) counts as none.
  explicit UniqueHandle(HANDLE handle)
      : FHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~UniqueHandle() {
    if (FHandle) CloseHandle(FHandle);
  }
  UniqueHandle(UniqueHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(FHandle, other.FHandle);
    return *this;
  }

  HANDLE Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }

 private:
  HANDLE FHandle = nullptr;
};
