#include "tests/terminal/stand_in_options.h"

#include "platform/loaded_library.h"

#include <charconv>
#include <string_view>

namespace {

bool ParseCount(std::string_view text, int minimum, int& value) {
  int parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || parsed < minimum) return false;
  value = parsed;
  return true;
}

}  // namespace

StandInOptions StandInOptions::Parse(int argc, char** argv) {
  StandInOptions options;
  options.folder = LoadedLibrary::BesideProgram("");
  options.logPath = options.folder + "terminal.log";
  for (int i = 1; i < argc && options.error.empty(); ++i) {
    const std::string_view name = argv[i];
    if (name == "--refuse-close") {
      options.refuseClose = true;
      continue;
    }
    if (i + 1 == argc) {
      options.error = "missing value or unknown option: " + std::string(name);
      break;
    }
    const std::string_view value = argv[++i];
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
