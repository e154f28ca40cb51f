#include "tests/terminal/script.h"

#include <charconv>
#include <climits>
#include <stdexcept>

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

[[noreturn]] void Fail(int line, const std::string& what) {
  throw std::invalid_argument("script line " + std::to_string(line) + ": " + what);
}

// Words separated by blanks; a double-quoted string (no escapes) is one word.
std::vector<Token> Tokens(std::string_view text, int line) {
  std::vector<Token> tokens;
  std::size_t at = 0;
  while (true) {
    at = text.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) break;
    if (text[at] == '"') {
      const std::size_t close = text.find('"', at + 1);
      if (close == std::string_view::npos) Fail(line, "unterminated string");
      tokens.push_back({std::string(text.substr(at + 1, close - at - 1)), true});
      at = close + 1;
    } else {
      const std::size_t end = std::min(text.find_first_of(" \t", at), text.size());
      tokens.push_back({std::string(text.substr(at, end - at)), false});
      at = end;
    }
  }
  return tokens;
}

long long Number(std::string_view text, long long minimum, long long maximum, int line) {
  long long value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < minimum ||
      value > maximum) {
    Fail(line, "bad number " + std::string(text));
  }
  return value;
}

ScriptArgument Argument(const Token& token, int charts, int line) {
  using Kind = ScriptArgument::Kind;
  const std::string_view text = token.text;
  if (token.quoted) return {Kind::kString, 0, token.text};
  if (text == "main") return {Kind::kMain, 0, {}};
  if (text.starts_with("chart:"))
    return {Kind::kChart, Number(text.substr(6), 0, charts - 1, line), {}};
  if (text.starts_with("buffer:"))
    return {Kind::kBuffer, Number(text.substr(7), 1, 1 << 20, line), {}};
  // A 32-bit value, signed or not, as a script's int or a handle.
  return {Kind::kInt, Number(text, INT_MIN, UINT_MAX, line), {}};
}

void ExpectWords(const std::vector<Token>& tokens, std::size_t count, int line) {
  if (tokens.size() != count) Fail(line, tokens[0].text + " wants " + std::to_string(count - 1));
}

ScriptStep Step(const std::vector<Token>& tokens, int charts, int line) {
  using Command = ScriptStep::Command;
  ScriptStep step;
  step.line = line;
  const std::string& command = tokens[0].text;
  if (command == "load" || command == "unload") {
    ExpectWords(tokens, 2, line);
    step.command = command == "load" ? Command::kLoad : Command::kUnload;
    step.library = tokens[1].text;
  } else if (command == "call") {
    if (tokens.size() < 3 || tokens.size() > 3 + Script::kMaxArguments) {
      Fail(line, "call wants a library, an export and up to 5 arguments");
    }
    step.command = Command::kCall;
    step.library = tokens[1].text;
    step.function = tokens[2].text;
    for (std::size_t i = 3; i < tokens.size(); ++i) {
      step.arguments.push_back(Argument(tokens[i], charts, line));
    }
  } else if (command == "sleep") {
    ExpectWords(tokens, 2, line);
    step.command = Command::kSleep;
    step.milliseconds = static_cast<int>(Number(tokens[1].text, 0, INT_MAX, line));
  } else if (command == "thread" || command == "close" || command == "destroymain") {
    ExpectWords(tokens, 1, line);
    step.command = command == "thread"  ? Command::kThread
                   : command == "close" ? Command::kClose
                                        : Command::kDestroyMain;
  } else {
    Fail(line, "unknown step " + command);
  }
  return step;
}

}  // namespace

std::vector<ScriptStep> Script::Parse(std::string_view text, int charts) {
  std::vector<ScriptStep> steps;
  ScriptStep* thread = nullptr;  // the open thread block, if any
  int line = 0;
  while (!text.empty()) {
    ++line;
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view lineText = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (lineText.ends_with('\r')) lineText.remove_suffix(1);
    const std::vector<Token> tokens = Tokens(lineText, line);
    if (tokens.empty() || (!tokens[0].quoted && tokens[0].text.starts_with('#'))) continue;
    if (tokens[0].text == "endthread") {
      if (thread == nullptr) Fail(line, "endthread without thread");
      thread = nullptr;
      continue;
    }
    ScriptStep step = Step(tokens, charts, line);
    step.text = lineText.substr(lineText.find_first_not_of(" \t"));
    const bool opensThread = step.command == ScriptStep::Command::kThread;
    if (opensThread && thread != nullptr) Fail(line, "threads do not nest");
    std::vector<ScriptStep>& into = thread != nullptr ? thread->block : steps;
    into.push_back(std::move(step));
    if (opensThread) thread = &into.back();
  }
  if (thread != nullptr) Fail(thread->line, "thread without endthread");
  return steps;
}
