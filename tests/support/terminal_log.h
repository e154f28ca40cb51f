#pragma once
// TerminalLog: the terminal stand-in's log (its format is described at the top of
// tests/terminal/terminal_stand_in.cpp), read into one TerminalRun for every start of the
// stand-in: a terminal that is started again appends to the same file.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TerminalEvent {
  long long ms = 0;  // since that run's start
  std::string text;  // the line after the time, such as "close 1 ending"
};

// A "MetaTrader4_Internal_Message" that a chart window received.
struct TerminalTick {
  long long ms = 0;
  int chart = 0;
  unsigned long long wParam = 0;
  long long lParam = 0;
};

// One script step that has run.
struct TerminalStep {
  long long ms = 0;
  int line = 0;         // in the script
  std::string outcome;  // "ok", a call's int result, "failed:<error>", "stopped", ...
  std::string text;     // the step as written
  std::map<int, std::string> buffers;  // argument index: a buffer's bytes after the call
};

struct TerminalRun {
  unsigned long processId = 0;
  HWND mainWindow = nullptr;
  std::vector<HWND> charts;
  bool ready = false;  // windows made, script started
  std::vector<TerminalTick> ticks;
  std::vector<TerminalStep> steps;
  std::optional<int> exitCode;        // once the run has logged its end
  std::vector<TerminalEvent> events;  // every line of the run, in order

  // The newest step of script line `line`; nullptr when none has run.
  const TerminalStep* Step(int line) const;
  // The events whose first word is `kind`, such as "close" or "script".
  std::vector<TerminalEvent> Events(std::string_view kind) const;
};

class TerminalLog {
 public:
  // Whole lines only: a line still being written is left for the next read.
  static TerminalLog Parse(std::string_view text);
  // Reads the file from byte `from` on; an empty log when the file is not there (yet).
  static TerminalLog Read(const std::filesystem::path& path, std::uintmax_t from = 0);
  // The file's text from byte `from` on; empty when the file is not there.
  static std::string Text(const std::filesystem::path& path, std::uintmax_t from = 0);

  const std::vector<TerminalRun>& Runs() const { return FRuns; }
  // The first run of process `processId`; nullptr when it has logged nothing.
  const TerminalRun* RunOf(unsigned long processId) const;

 private:
  void Add(long long ms, std::string_view text);

  std::vector<TerminalRun> FRuns;
};
