#pragma once
// ScriptRunner: plays one script thread's steps, as a terminal script calls its libraries: on
// its own thread, dispatching that thread's window messages between the steps and during sleeps,
// so that window timers set up by the called code fire there. Each step's outcome goes to the log.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/terminal/event_log.h"
#include "tests/terminal/script.h"

class ScriptLibraries;
class ScriptThreads;

// What the steps refer to: the stand-in's windows and folder.
struct ScriptContext {
  HWND main = nullptr;
  std::vector<HWND> charts;
  std::string folder;  // with a trailing backslash
};

class ScriptRunner {
 public:
  // `threads` starts the script's further threads; `stop` is set when the stand-in ends.
  ScriptRunner(int number, std::vector<ScriptStep> steps, const ScriptContext& context,
               EventLog& log, ScriptThreads& threads, HANDLE stop);
  ScriptRunner(const ScriptRunner&) = delete;
  ScriptRunner& operator=(const ScriptRunner&) = delete;

  // Runs the steps on the calling thread until the last one or the stop event, then frees the
  // libraries the script loaded.
  void Run();

 private:
  // False when the stand-in is ending.
  bool RunStep(const ScriptStep& step, ScriptLibraries& libraries);
  void Call(const ScriptStep& step, ScriptLibraries& libraries);
  std::intptr_t Value(const ScriptArgument& argument, std::string& storage) const;
  void LogStep(const ScriptStep& step, const std::string& outcome);
  bool Stopping() const;
  // Dispatches messages for `milliseconds`; false when the stop event comes first.
  bool SleepDispatching(int milliseconds) const;

  const int FNumber;
  const std::vector<ScriptStep> FSteps;
  const ScriptContext& FContext;
  EventLog& FLog;
  ScriptThreads& FThreads;
  const HANDLE FStop;
};
