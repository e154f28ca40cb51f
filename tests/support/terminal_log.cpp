#include "tests/support/terminal_log.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace {

// Splits off the first blank-separated word of `text`.
std::string_view Word(std::string_view& text) {
  const std::size_t end = std::min(text.find(' '), text.size());
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(std::min(end + 1, text.size()));
  return word;
}

template <typename T>
T Number(std::string_view text) {
  T value{};
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

HWND Window(std::string_view text) { return reinterpret_cast<HWND>(Number<std::uintptr_t>(text)); }

std::string FromHex(std::string_view hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    unsigned value = 0;
    std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
    bytes += static_cast<char>(value);
  }
  return bytes;
}

}  // namespace

const TerminalStep* TerminalRun::Step(int line) const {
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
    if (step->line == line) return &*step;
  }
  return nullptr;
}

std::vector<TerminalEvent> TerminalRun::Events(std::string_view kind) const {
  std::vector<TerminalEvent> found;
  for (const TerminalEvent& event : events) {
    std::string_view rest = event.text;
    if (Word(rest) == kind) found.push_back(event);
  }
  return found;
}

TerminalLog TerminalLog::Parse(std::string_view text) {
  TerminalLog log;
  for (std::size_t end; (end = text.find('\n')) != std::string_view::npos;) {
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    const long long ms = Number<long long>(Word(line));
    log.Add(ms, line);
  }
  return log;
}

TerminalLog TerminalLog::Read(const std::filesystem::path& path, std::uintmax_t from) {
  return Parse(Text(path, from));
}

std::string TerminalLog::Text(const std::filesystem::path& path, std::uintmax_t from) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  if (file && file.seekg(static_cast<std::streamoff>(from))) text << file.rdbuf();
  return text.str();
}

const TerminalRun* TerminalLog::RunOf(unsigned long processId) const {
  for (const TerminalRun& run : FRuns) {
    if (run.processId == processId) return &run;
  }
  return nullptr;
}

void TerminalLog::Add(long long ms, std::string_view text) {
  std::string_view rest = text;
  const std::string_view kind = Word(rest);
  if (kind == "start") {
    FRuns.emplace_back();
    Word(rest);  // "pid"
    FRuns.back().processId = Number<unsigned long>(rest);
  }
  if (FRuns.empty()) return;  // a fragment from before the first start
  TerminalRun& run = FRuns.back();
  run.events.push_back({ms, std::string(text)});
  if (kind == "main") {
    run.mainWindow = Window(rest);
  } else if (kind == "chart") {
    const auto index = Number<std::size_t>(Word(rest));
    if (run.charts.size() <= index) run.charts.resize(index + 1);
    run.charts[index] = Window(rest);
  } else if (kind == "ready") {
    run.ready = true;
  } else if (kind == "tick") {
    TerminalTick tick{ms, Number<int>(Word(rest)), 0, 0};
    tick.wParam = Number<unsigned long long>(Word(rest));
    tick.lParam = Number<long long>(rest);
    run.ticks.push_back(tick);
  } else if (kind == "step") {
    TerminalStep step{ms, Number<int>(Word(rest)), {}, {}, {}};
    step.outcome = Word(rest);
    step.text = rest;
    run.steps.push_back(std::move(step));
  } else if (kind == "buffer") {
    const int line = Number<int>(Word(rest));
    const int argument = Number<int>(Word(rest));
    for (auto step = run.steps.rbegin(); step != run.steps.rend(); ++step) {
      if (step->line != line) continue;
      step->buffers[argument] = FromHex(rest);
      break;
    }
  } else if (kind == "exit") {
    run.exitCode = Number<int>(rest);
  }
}
