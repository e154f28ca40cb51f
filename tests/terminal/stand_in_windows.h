#pragma once
// StandInWindows: the stand-in's windows on the main thread. The main window's class name
// contains "MetaQuotes", as the terminal's does; it ends the stand-in on WM_CLOSE (or later, or
// never, as the options say). The chart windows are its children and log every
// "MetaTrader4_Internal_Message" they receive. The main window is never shown: under Wine with
// no window manager, destroying a shown window waits two seconds for one.

#include <windows.h>

#include <memory>
#include <vector>

#include "tests/terminal/event_log.h"
#include "tests/terminal/stand_in_options.h"
#include "tests/terminal/window_class.h"

class StandInWindows {
 public:
  static constexpr int kExitClosed = 0;
  static constexpr int kExitAfterLimit = 2;
  // Posted to the main window: it destroys itself, and the stand-in runs on without it (until
  // it is ended from outside), as a terminal whose window has gone.
  static constexpr UINT kDestroyMainMessage = WM_APP + 1;

  // Creates the windows and starts the --exit-after timer; throws std::runtime_error.
  StandInWindows(const StandInOptions& options, EventLog& log);
  StandInWindows(const StandInWindows&) = delete;
  StandInWindows& operator=(const StandInWindows&) = delete;

  HWND Main() const { return FMain.get(); }
  const std::vector<HWND>& Charts() const { return FCharts; }

  // Dispatches this thread's messages until the stand-in is to end; returns its exit code.
  // The windows stay until the object goes.
  int RunUntilEnd();

 private:
  struct Destroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
  };

  static LRESULT CALLBACK MainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ChartProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static StandInWindows* Of(HWND window, UINT message, LPARAM lParam);
  HWND CreateChild(int index);
  void OnClose();
  void OnTimer(WPARAM timer);
  void OnDestroyMain();
  void End(int exitCode);

  const StandInOptions& FOptions;
  EventLog& FLog;
  const UINT FTickMessage;
  const WindowClass FMainClass;
  const WindowClass FChartClass;
  std::unique_ptr<std::remove_pointer_t<HWND>, Destroyer> FMain;
  std::vector<HWND> FCharts;  // children of the main window, which destroys them
  int FCloses = 0;
  bool FEnding = false;
};
