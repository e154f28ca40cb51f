#pragma once
// TerminalStandIn: runs the terminal stand-in (tests/terminal/terminal_stand_in.cpp) for a test:
// starts terminal.exe from a terminal folder with a command line and a script, waits for it
// within limits, and reads what it logged.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_handle_windows.h"
#include "tests/support/terminal_log.h"

class TerminalStandIn {
 public:
  // The stand-in's exit codes.
  static constexpr unsigned long kExitClosed = 0;
  static constexpr unsigned long kExitBadInput = 1;
  static constexpr unsigned long kExitAfterLimit = 2;
  static constexpr unsigned long kExitScriptStuck = 3;

  // Starts `folder`\terminal.exe in `folder` with `arguments`; a non-empty `script` is written to
  // a temporary file and passed as --script. The log is the one --log names, else terminal.log
  // in `folder`. Throws std::runtime_error when the process cannot start.
  TerminalStandIn(const std::filesystem::path& folder, const std::vector<std::string>& arguments,
                  std::string_view script = {});
  // Ends the process if it still runs, and removes the script file.
  ~TerminalStandIn();
  TerminalStandIn(const TerminalStandIn&) = delete;
  TerminalStandIn& operator=(const TerminalStandIn&) = delete;

  unsigned long ProcessId() const { return FProcessId; }
  const std::filesystem::path& LogPath() const { return FLogPath; }

  // Waits up to `limit` for the process to end; true when it has.
  bool WaitForExit(std::chrono::milliseconds limit) const;
  bool HasEnded() const { return WaitForExit(std::chrono::milliseconds(0)); }
  // The exit code, once the process has ended.
  std::optional<unsigned long> ExitCode() const;

  // What this process has logged so far.
  TerminalRun Run() const;
  // The log's text since this process started, for failure messages.
  std::string LogText() const;
  // Reads the log until `done` holds for this process's run or `limit` has passed; returns the
  // run as last read.
  TerminalRun WaitForRun(const std::function<bool(const TerminalRun&)>& done,
                         std::chrono::milliseconds limit) const;
  // WaitForRun until the stand-in has made its windows.
  TerminalRun WaitUntilReady(std::chrono::milliseconds limit) const;

  // The terminal's main window as the add-ons find it: the first top-level window of the
  // process whose class name contains "MetaQuotes". nullptr when there is none.
  static HWND FindMainWindow(unsigned long processId);
  // Ends another stand-in process, such as one that a program under test started: a WM_CLOSE to
  // its main window, and TerminateProcess when it has not ended within `limit`. True when it
  // ended by the WM_CLOSE.
  static bool EndProcess(unsigned long processId, std::chrono::milliseconds limit);

 private:
  std::filesystem::path FScriptPath;
  std::filesystem::path FLogPath;
  // Where this process's lines begin: the log may hold earlier runs, whose process ids the
  // system may since have given to this one.
  std::uintmax_t FLogStart = 0;
  UniqueHandle FProcess;
  unsigned long FProcessId = 0;
};
