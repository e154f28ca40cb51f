#pragma once
// StandInOptions: the stand-in's command line (see terminal_stand_in.cpp for the syntax).

#include <string>

struct StandInOptions {
  int charts = 1;
  // Paths are UTF-8 (tests/terminal/wide_path.h).
  std::string logPath;     // default: terminal.log in the stand-in's folder
  std::string scriptPath;  // empty: no script
  int closeDelayMs = 0;
  bool refuseClose = false;
  int exitAfterMs = 120000;
  std::string folder;  // the stand-in's own folder, with a trailing backslash
  std::string error;   // what was wrong with the command line; empty when nothing

  static StandInOptions Parse(int argc, char** argv);
};
