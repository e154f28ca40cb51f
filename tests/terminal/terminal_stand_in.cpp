// The terminal stand-in: test tooling that plays the trading terminal's part in the Windows tests
// (built as terminal.exe, a GUI program). It offers what the add-ons rely on and nothing more.
//
// Command line:
//   terminal.exe [--charts N] [--log PATH] [--script FILE] [--close-delay MS] [--refuse-close]
//                [--exit-after MS]
//   --charts N        chart windows, children of the main window (default 1)
//   --log PATH        the event log (default: terminal.log in the stand-in's folder); appended to
//   --script FILE     a script to play on a thread of its own (below)
//   --close-delay MS  end only MS after the first WM_CLOSE (default 0)
//   --refuse-close    ignore WM_CLOSE (it is still logged)
//   --exit-after MS   end after MS in any case (default 120000), so that no stand-in outlives a
//                     test run
// Exit codes: 0 closed by WM_CLOSE, 1 bad command line or script, 2 --exit-after passed, 3 a
// script thread did not stop in time, an exception code when something crashed.
//
// Script: one step a line; blank lines and lines starting with # are skipped.
//   load NAME                   LoadLibraryW; a relative NAME is looked for in experts\libraries\,
//                               then beside terminal.exe, then where the system looks
//   unload NAME                 FreeLibrary of the newest load of NAME
//   call NAME EXPORT [ARG...]   calls a stdcall export with up to 5 arguments; loads NAME first
//                               when the script has not. ARG: a decimal 32-bit int, chart:K
//                               (chart K's window handle as int), main (the main window's), a
//                               "string" (8-bit, no escapes; passed as a writable char*), or
//                               buffer:N (N zero bytes, logged after the call)
//   sleep MS                    waits, dispatching the thread's window messages
//   thread ... endthread        runs the enclosed steps on one more script thread, meanwhile
//                               the script goes on (no nesting)
//   close                       posts WM_CLOSE to the main window
//   destroymain                 the main window destroys itself; the stand-in runs on without it
//                               (no --exit-after then: it is ended from outside)
// Window messages are dispatched between the steps too. When the stand-in ends, each script
// stops after its current step; its libraries are freed when it ends, newest first.
//
// Log: one event a line, "<ms> <event>", ms since the stand-in started (steady clock):
//   start pid <PID>                        first line of every run
//   args <command line>
//   profile <FILE> <BYTES>                 each profiles\default\*.chr at the start
//   main <HWND>                            decimal window handles
//   chart <K> <HWND>
//   ready                                  windows made, script started
//   script <N> begin|end|stopped           script thread N (0: the file's), end once its
//                                          libraries are freed
//   step <LINE> <OUTCOME> <step as written>  OUTCOME: ok, the call's int result, the new
//                                          thread's number, failed:<error>, or stopped
//   buffer <LINE> <ARG> <HEX>              a buffer:N argument's bytes after the call, up to NUL
//   tick <K> <WPARAM> <LPARAM>             chart K received MetaTrader4_Internal_Message
//   close <COUNT> refused|delayed|pending|ending   a WM_CLOSE to the main window
//   main destroyed                         after a destroymain step
//   exit-after <MS>
//   crash <CODE>                           an unhandled exception (hex code)
//   scripts still running                  a script thread did not stop in time
//   exit <CODE>                            last line of a run that ends by itself
//   error <MESSAGE>                        bad command line or script
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/terminal/event_log.h"
#include "tests/terminal/script.h"
#include "tests/terminal/script_threads.h"
#include "tests/terminal/stand_in_options.h"
#include "tests/terminal/stand_in_windows.h"
#include "tests/terminal/wide_path.h"

namespace {

constexpr int kExitBadInput = 1;
constexpr std::chrono::milliseconds kScriptStopLimit{5000};

EventLog* gCrashLog = nullptr;

LONG WINAPI LogCrash(EXCEPTION_POINTERS* exception) {
  char code[16];
  wsprintfA(code, "%08lx", exception->ExceptionRecord->ExceptionCode);
  if (gCrashLog != nullptr) gCrashLog->WriteUnlocked(std::string("crash ") + code);
  return EXCEPTION_EXECUTE_HANDLER;  // ends the process with the exception code
}

std::string ReadScript(const std::string& path) {
  std::ifstream file(std::filesystem::path(WidePath(path)), std::ios::binary);
  if (!file) throw std::invalid_argument("cannot read the script " + path);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Shows that a restarted terminal finds its default profile.
void LogDefaultProfile(EventLog& log, const std::string& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(WidePath(folder + "profiles\\default\\*.chr").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::unique_ptr<void, decltype(&FindClose)> closer(search, FindClose);
  do {
    log.Write("profile " + Utf8Path(found.cFileName) + " " + std::to_string(found.nFileSizeLow));
  } while (FindNextFileW(search, &found));
}

int Run(const StandInOptions& options, EventLog& log) {
  const std::vector<ScriptStep> steps =
      options.scriptPath.empty() ? std::vector<ScriptStep>{}
                                 : Script::Parse(ReadScript(options.scriptPath), options.charts);
  LogDefaultProfile(log, options.folder);
  StandInWindows windows(options, log);
  ScriptThreads scripts({windows.Main(), windows.Charts(), options.folder}, log);
  log.Write("ready");
  if (!options.scriptPath.empty()) scripts.Start(steps);
  const int exitCode = windows.RunUntilEnd();
  if (!scripts.StopAndWait(kScriptStopLimit)) {
    // A thread still inside called code: a normal exit would free its runner under it and
    // could wait for the loader lock it holds.
    log.Write("scripts still running");
    log.Write("exit " + std::to_string(ScriptThreads::kStuckExitCode));
    TerminateProcess(GetCurrentProcess(), ScriptThreads::kStuckExitCode);
  }
  return exitCode;
}

int RunLogged(const StandInOptions& options, EventLog& log) {
  log.Write("start pid " + std::to_string(GetCurrentProcessId()));
  log.Write(std::string("args ") + GetCommandLineA());
  if (!options.error.empty()) {
    log.Write("error " + options.error);
    return kExitBadInput;
  }
  try {
    return Run(options, log);
  } catch (const std::exception& error) {
    log.Write(std::string("error ") + error.what());
    return kExitBadInput;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const StandInOptions options = StandInOptions::Parse(argc, argv);
  try {
    EventLog log(options.logPath);
    gCrashLog = &log;
    SetUnhandledExceptionFilter(LogCrash);
    const int exitCode = RunLogged(options, log);
    log.Write("exit " + std::to_string(exitCode));
    gCrashLog = nullptr;
    return exitCode;
  } catch (const std::exception&) {
    return kExitBadInput;  // no log to tell it to
  }
}
