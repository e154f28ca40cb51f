// Symwatch.dll: StartAccountTypeWatch(folder, suffix), the watcher's one export.
//
// A script calls it once with the terminal's folder and the symbol suffix that the installed
// charts expect (8-bit texts; a null pointer reads as empty). It returns at once; the watch runs
// on a thread of its own until the account type changes or the terminal goes, and keeps the
// library loaded until the process ends, whatever the script unloads. Later calls do nothing.
#include <windows.h>

#include <memory>

#include "account-watcher/account_watch.h"
#include "account-watcher/windows/windows_watch_environment.h"
#include "platform/script_export.h"
#include "platform/thread.h"

namespace {

WatchFlags flags;

class WatchThread : public TThread {
 public:
  explicit WatchThread(std::unique_ptr<WatchParams> params) : FParams(std::move(params)) {}

 protected:
  void Execute() override {
    WindowsWatchEnvironment environment;
    RunWatch(*FParams, flags, environment);
  }

 private:
  const std::unique_ptr<WatchParams> FParams;
};

// Keeps this library in the process until it ends: the watch thread runs its code long after
// the script may have unloaded it.
void PinModule() {
  if (flags.modulePinned) return;
  HMODULE self = nullptr;
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(reinterpret_cast<const void*>(&PinModule)),
                         &self)) {
    flags.modulePinned = true;
  }
}

std::string Text(const char* text) { return text ? text : ""; }

}  // namespace

OV_EXPORT void OV_STDCALL StartAccountTypeWatch(const char* folder, const char* suffix) {
  if (flags.watchStarted.exchange(true)) return;
  try {
    auto params = std::make_unique<WatchParams>(WatchParams{Text(folder), Text(suffix)});
    PinModule();
    TThread::Start(std::make_unique<WatchThread>(std::move(params)));
  } catch (...) {
    // Out of memory or no thread: no watch in this process, and nothing reaches the script.
    OutputDebugStringA("MT4 account type watch not started");
  }
}
