#pragma once
// Script: the steps of a stand-in script, parsed from its text (syntax in terminal_stand_in.cpp).

#include <string>
#include <string_view>
#include <vector>

// One argument of a call, resolved to a value when the call runs.
struct ScriptArgument {
  enum class Kind { kInt, kChart, kMain, kString, kBuffer };
  Kind kind = Kind::kInt;
  long long number = 0;  // the int, the chart index or the buffer's size
  std::string text;      // the string
};

struct ScriptStep {
  enum class Command { kLoad, kUnload, kCall, kSleep, kThread, kClose, kDestroyMain };
  Command command = Command::kClose;
  int line = 0;                           // in the script file, from 1
  std::string text;                       // the line as written, for the log
  std::string library;                    // load, unload, call
  std::string function;                   // call
  std::vector<ScriptArgument> arguments;  // call
  int milliseconds = 0;                   // sleep
  std::vector<ScriptStep> block;          // thread: the steps up to endthread
};

class Script {
 public:
  static constexpr std::size_t kMaxArguments = 5;

  // Parses `text`; throws std::invalid_argument naming the line when it is malformed.
  // `charts` is how many chart windows there are, for checking chart:K.
  static std::vector<ScriptStep> Parse(std::string_view text, int charts);
};
