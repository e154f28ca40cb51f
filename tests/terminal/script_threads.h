#pragma once
// ScriptThreads: the stand-in's script threads, the first started for the script file and one
// more for every `thread` block. Each runs a ScriptRunner; all are told to stop when the
// stand-in ends.

#include <windows.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/unique_handle_windows.h"
#include "tests/terminal/event_log.h"
#include "tests/terminal/script_runner.h"

class ScriptThreads {
 public:
  // The process's exit code when a script thread would not stop.
  static constexpr UINT kStuckExitCode = 3;

  ScriptThreads(ScriptContext context, EventLog& log);
  // A thread that still runs would outlive its runner: then the process ends here and now.
  ~ScriptThreads();
  ScriptThreads(const ScriptThreads&) = delete;
  ScriptThreads& operator=(const ScriptThreads&) = delete;

  // Runs `steps` on a new thread; returns its script number (0 for the first), or -1 when the
  // stand-in is ending or there is no thread to be had.
  int Start(std::vector<ScriptStep> steps);
  // Tells every script to stop after its current step, and waits up to `limit` for all of them
  // while dispatching this thread's messages (a script may be sending to the windows). True when
  // all have ended.
  bool StopAndWait(std::chrono::milliseconds limit);

 private:
  static DWORD WINAPI ThreadMain(void* runner);
  bool AllEnded() const;

  const ScriptContext FContext;
  EventLog& FLog;
  const UniqueHandle FStop;
  mutable std::mutex FMutex;
  bool FStopping = false;
  std::vector<std::unique_ptr<ScriptRunner>> FRunners;
  std::vector<UniqueHandle> FThreads;
};
