#include "tests/terminal/script_threads.h"

namespace {

constexpr std::chrono::milliseconds kLastWait{5000};

}  // namespace

ScriptThreads::ScriptThreads(ScriptContext context, EventLog& log)
    : FContext(std::move(context)),
      FLog(log),
      FStop(CreateEventA(nullptr, /*bManualReset=*/TRUE, /*bInitialState=*/FALSE, nullptr)) {}

ScriptThreads::~ScriptThreads() {
  if (!StopAndWait(kLastWait)) TerminateProcess(GetCurrentProcess(), kStuckExitCode);
}

int ScriptThreads::Start(std::vector<ScriptStep> steps) {
  std::lock_guard lock(FMutex);
  if (FStopping || !FStop) return -1;
  const int number = static_cast<int>(FRunners.size());
  auto runner =
      std::make_unique<ScriptRunner>(number, std::move(steps), FContext, FLog, *this, FStop.Get());
  UniqueHandle thread(CreateThread(nullptr, 0, ThreadMain, runner.get(), 0, nullptr));
  if (!thread) return -1;
  FRunners.push_back(std::move(runner));
  FThreads.push_back(std::move(thread));
  return number;
}

bool ScriptThreads::StopAndWait(std::chrono::milliseconds limit) {
  {
    std::lock_guard lock(FMutex);
    FStopping = true;
  }
  if (FStop) SetEvent(FStop.Get());
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!AllEnded()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  return true;
}

DWORD WINAPI ScriptThreads::ThreadMain(void* runner) {
  static_cast<ScriptRunner*>(runner)->Run();
  return 0;
}

bool ScriptThreads::AllEnded() const {
  std::lock_guard lock(FMutex);
  for (const UniqueHandle& thread : FThreads) {
    if (WaitForSingleObject(thread.Get(), 0) != WAIT_OBJECT_0) return false;
  }
  return true;
}
