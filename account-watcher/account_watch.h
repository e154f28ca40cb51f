#pragma once
// The account-type watch: once a second, the watch thread reads the first symbol of the
// terminal's newest symbol list (history\<server>\symbols.sel, by last-write time) and compares
// its suffix with the one the installed charts expect. On a mismatch it asks the user once and
// starts Profixer, which closes the terminal, rewrites its charts and starts it again.
//
// Portable: the system is reached only through WatchEnvironment.

#include <atomic>
#include <string>

#include "account-watcher/watch_environment.h"

// The block handed to the watch thread.
struct WatchParams {
  std::string folder;  // the terminal's folder, with or without a trailing backslash
  std::string suffix;  // the suffix that the installed charts expect
};

// The watcher's process-wide flags: false at load, never reset.
struct WatchFlags {
  std::atomic<bool> watchStarted{false};  // the first StartAccountTypeWatch has run
  std::atomic<bool> modulePinned{false};  // the library stays loaded until the process ends
  std::atomic<bool> terminalSeen{false};  // a step has found the terminal's main window
  std::atomic<bool> promptShown{false};   // the prompt is shown at most once per process
};

// The results of one step.
enum WatchResult : int {
  kWatchInconclusive = -1,  // try again: no window yet, no readable list, a short name, ...
  kWatchSuffixMatches = 1,  // the newest list has the expected suffix
  kWatchChangeHandled = 2,  // another suffix: prompt and updater dealt with; the watch ends
  kWatchTerminalGone = 3,   // the terminal's window, seen before, has gone; the watch ends
};

// The messages the watcher shows.
inline constexpr char kPromptCaption[] = "Change of account type";
inline constexpr char kPromptText[] =
    "MetaTrader 4 needs to be updated to reflect your choice of account type.\r\n\r\n"
    "Click OK to update the software. MetaTrader 4 will then restart automatically in a few "
    "seconds.";
inline constexpr char kRestartCaption[] = "Automatic restart";
inline constexpr char kRestartText[] =
    "The automatic restart failed. Please adjust your chart settings manually.";

// One look at the newest symbol list. Never throws except when memory runs out.
int WatchStep(const WatchParams& params, WatchFlags& flags, WatchEnvironment& environment);

// The watch thread's course: a step every second (the first one second after the start) for as
// long as the steps return -1 or 1.
void RunWatch(const WatchParams& params, WatchFlags& flags, WatchEnvironment& environment);

// Profixer's parameters: "<folder>" "<suffix>" <processId>. A trailing backslash of the folder
// is left off, so that it cannot escape the closing quote.
std::string UpdaterParameters(const std::string& folder, const std::string& newSuffix,
                              unsigned long processId);

// `folder` + "\" (unless it already ends with one) + `name`.
std::string InTerminalFolder(const std::string& folder, const std::string& name);
