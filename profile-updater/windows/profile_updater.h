#pragma once
// TProfileUpdater: Profixer's single pass. Given the terminal's folder, the new symbol suffix
// and the terminal's process id on its command line, it closes that terminal instance, waits
// for its process to end, rewrites the default profile's charts to the new suffix and starts
// the terminal again. Every failure is shown in a message box (no owner, OK, warning icon) and
// ends the pass at once; nothing after the failing step is done. Windows only.

#include <windows.h>

#include <string>

class TProfileUpdater {
 public:
  struct Options {
    // How long the terminal may take to end after the WM_CLOSE messages.
    DWORD closeWaitMs = 120000;
  };

  // The message boxes' texts and captions.
  static constexpr char kUpdateCaption[] = "MT4 update";
  static constexpr char kRestartCaption[] = "Unable to restart MT4";
  static constexpr char kIncorrectParameters[] =
      "Incorrect parameters for the automatic update of MT4";
  static constexpr char kCannotIdentify[] =
      "Unable to identify the instance of MT4 to be restarted";
  static constexpr char kCannotFind[] = "Unable to find the instance of MT4 to be restarted";
  static constexpr char kCannotControl[] = "Unable to control the instance of MT4 to be restarted";
  static constexpr char kCannotShutDown[] =
      "Unable to shut down and restart MetaTrader 4. Please start the software manually.";
  static constexpr char kCannotRestart[] =
      "Unable to restart MetaTrader 4. Please start the software manually.";

  TProfileUpdater();  // with the shipped options
  explicit TProfileUpdater(Options options);

  // Runs the pass for `commandLine` (the program's whole command line, as GetCommandLineW gives
  // it: the program, then "<folder>" "<suffix>" <pid>) and returns the exit code: always 0.
  int Run(const wchar_t* commandLine) const;

 private:
  struct Arguments {
    std::u16string folder;
    std::string suffix;  // in the ANSI code page, as the chart files are
    DWORD processId = 0;
  };

  bool ReadArguments(const wchar_t* commandLine, Arguments& arguments) const;
  bool CloseTerminal(DWORD processId) const;
  static bool RestartTerminal(const std::u16string& folder);

  const Options FOptions;
};
