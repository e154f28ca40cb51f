#include "tests/terminal/stand_in_options.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "platform/program_arguments.h"
#include "platform/program_path_windows.h"
#include "tests/terminal/wide_path.h"

namespace {

bool ParseCount(std::string_view text, int minimum, int& value) {
  int parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || parsed < minimum) return false;
  value = parsed;
  return true;
}

std::string ProgramFolder() {
  const std::wstring path = ProgramPath();
  return Utf8Path(path.substr(0, path.find_last_of(L"\\/") + 1));
}

}  // namespace

StandInOptions StandInOptions::Parse(int argc, char** argv) {
  StandInOptions options;
  options.folder = ProgramFolder();
  options.logPath = options.folder + "terminal.log";
  std::vector<std::string> arguments{""};
  for (const std::u16string& argument : ProgramArguments(argc, argv)) {
    arguments.push_back(Utf16ToUtf8(argument));
  }
  argc = static_cast<int>(arguments.size());
  for (int i = 1; i < argc && options.error.empty(); ++i) {
    const std::string_view name = arguments[i];
    if (name == "--refuse-close") {
      options.refuseClose = true;
      continue;
    }
    if (i + 1 == argc) {
      options.error = "missing value or unknown option: " + std::string(name);
      break;
    }
    const std::string_view value = arguments[++i];
    bool ok = true;
    if (name == "--charts") {
      ok = ParseCount(value, 1, options.charts);
    } else if (name == "--log") {
      options.logPath = value;
    } else if (name == "--script") {
      options.scriptPath = value;
    } else if (name == "--close-delay") {
      ok = ParseCount(value, 0, options.closeDelayMs);
    } else if (name == "--exit-after") {
      ok = ParseCount(value, 1, options.exitAfterMs);
    } else {
      options.error = "unknown option " + std::string(name);
    }
    if (!ok) options.error = "bad value for " + std::string(name) + ": " + std::string(value);
  }
  return options;
}
