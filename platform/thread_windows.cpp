#include <windows.h>

#include <algorithm>
#include <memory>
#include <system_error>

#include "platform/thread.h"

namespace {

// A reference to the module that holds this code, taken for one thread's lifetime.
HMODULE ReferenceOwnModule() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&ReferenceOwnModule), &module)) {
    throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                            "cannot reference the library");
  }
  return module;
}

struct ThreadStart {
  TThread* thread;
  HMODULE module;
};

}  // namespace

struct ThreadStarter {
  static DWORD WINAPI Entry(LPVOID parameter) {
    const ThreadStart start = *std::unique_ptr<ThreadStart>(static_cast<ThreadStart*>(parameter));
    TThread::Run(start.thread);
    // Never returns here: the module may be unmapped by this very call.
    FreeLibraryAndExitThread(start.module, 0);
  }
};

void TThread::Start(std::unique_ptr<TThread> thread) {
  auto start = std::make_unique<ThreadStart>(ThreadStart{thread.get(), nullptr});
  start->module = ReferenceOwnModule();  // after the allocation, which may fail
  HANDLE handle = CreateThread(nullptr, kStackSize, &ThreadStarter::Entry, start.get(),
                               STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!handle) {
    const DWORD error = GetLastError();
    FreeLibrary(start->module);
    throw std::system_error(static_cast<int>(error), std::system_category(),
                            "cannot start a thread");
  }
  CloseHandle(handle);
  start.release();  // the new thread owns it, and the thread object, now
  thread.release();
}

void TThread::Sleep(std::chrono::milliseconds duration) {
  ::Sleep(static_cast<DWORD>(std::clamp<long long>(duration.count(), 0, INFINITE - 1)));
}
