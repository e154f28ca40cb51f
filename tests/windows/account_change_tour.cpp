// account_change_tour: shows a newcomer the change of account type end to end, with the real
// Symwatch.dll and Profixer.exe in a terminal stand-in and the question answered OK by the
// program itself. One line per step, then "account change: done" (exit code 0), or what did not
// happen (exit code 1). ./build.sh runs it under Wine; it is no test of its own.
#include <windows.h>
// clang-format keeps blocks apart: tlhelp32.h needs windows.h first.
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/unique_handle_windows.h"
#include "tests/support/account_change.h"
#include "tests/support/message_box.h"
#include "tests/support/terminal_folder.h"
#include "tests/support/terminal_log.h"
#include "tests/support/terminal_stand_in.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::system_clock;
using SteadyClock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// Every wait shares this budget, so a tour that goes wrong still ends within about 40 s.
constexpr Ms kTourLimit = 30s;
// The first stand-in's own safety net, should this program itself be killed.
constexpr char kStandInExitAfter[] = "45000";
constexpr Ms kQuietPeriod = 2s;  // two of the watch's looks, a second apart
constexpr Ms kCloseLimit = 5s;
constexpr int kWatchLine = 2;  // WatchScript's call of StartAccountTypeWatch
constexpr char kOldSuffix[] = "m";
constexpr char kNewSuffix[] = "pro";
constexpr char kOldServer[] = "Broker-Live";
constexpr char kNewServer[] = "Broker-Pro";

struct Chart {
  std::string file;
  std::string base;  // the symbol's first six characters
  int period = 0;
};

const std::vector<Chart> kCharts = {{"chart01.chr", "EURUSD", 60}, {"chart02.chr", "GBPUSD", 1440}};

// What did not happen: ends the tour with exit code 1.
struct TourFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Say(const std::string& line) { std::cout << line << std::endl; }

class Deadline {
 public:
  explicit Deadline(Ms limit) : FEnd(SteadyClock::now() + limit) {}
  Ms Left() const {
    return std::max(Ms(0), std::chrono::duration_cast<Ms>(FEnd - SteadyClock::now()));
  }

 private:
  const SteadyClock::time_point FEnd;
};

std::string Join(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : ", ") + word;
  return text;
}

std::string ChartText(const std::string& symbol, int period) {
  return "<chart>\r\nsymbol=" + symbol + "\r\nperiod=" + std::to_string(period) +
         "\r\n</chart>\r\n";
}

// The symbol of a chart's text: from "symbol=" to the line's end.
std::string ChartSymbol(const std::string& text) {
  const std::size_t start = text.find("symbol=");
  if (start == std::string::npos) return "(no symbol)";
  const std::size_t from = start + 7;
  return text.substr(from, text.find_first_of("\r\n", from) - from);
}

std::vector<std::string> ChartSymbols(const TerminalFolder& folder) {
  std::vector<std::string> symbols;
  for (const Chart& chart : kCharts) symbols.push_back(ChartSymbol(folder.Chart(chart.file)));
  return symbols;
}

std::vector<std::string> ExpectedSymbols(const std::string& suffix) {
  std::vector<std::string> symbols;
  for (const Chart& chart : kCharts) symbols.push_back(chart.base + suffix);
  return symbols;
}

// The full path of process `processId`'s program; empty when it cannot be read.
std::wstring ImagePath(DWORD processId) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return {};
  std::wstring path(MAX_PATH * 8, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  if (!QueryFullProcessImageNameW(process.Get(), 0, path.data(), &size)) return {};
  path.resize(size);
  return path;
}

bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() &&
         CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The processes whose program lies in `folder`: the stand-ins and Profixer.
std::vector<DWORD> ProcessesRunningFrom(const fs::path& folder) {
  const std::wstring prefix = folder.wstring() + L"\\";
  std::vector<DWORD> found;
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return found;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    if (StartsWithIgnoringCase(ImagePath(entry.th32ProcessID), prefix)) {
      found.push_back(entry.th32ProcessID);
    }
  }
  return found;
}

void EndProcess(DWORD processId) {
  const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
  if (!process) return;
  TerminateProcess(process.Get(), 1);
  WaitForSingleObject(process.Get(), static_cast<DWORD>(kCloseLimit.count()));
}

// When it goes, ends whatever still runs from the terminal folder (a tour that stopped half-way
// may leave the restarted terminal or Profixer behind), so that the folder can be removed.
class FolderSweep {
 public:
  explicit FolderSweep(const TerminalFolder& folder) : FFolder(folder) {}
  ~FolderSweep() {
    // Again after ending some: Profixer may just have started a terminal.
    for (int round = 0; round < 3; ++round) {
      const std::vector<DWORD> running = ProcessesRunningFrom(FFolder.Path());
      if (running.empty()) return;
      for (DWORD processId : running) {
        Say("ended pid " + std::to_string(processId) + ", still running from the folder");
        EndProcess(processId);
      }
    }
  }
  FolderSweep(const FolderSweep&) = delete;
  FolderSweep& operator=(const FolderSweep&) = delete;

 private:
  const TerminalFolder& FFolder;
};

void LayOut(const TerminalFolder& folder) {
  for (const Chart& chart : kCharts) {
    folder.AddChart(chart.file, ChartText(chart.base + kOldSuffix, chart.period));
  }
  const std::string first = kCharts.front().base + kOldSuffix;
  folder.AddSymbols(kOldServer, SymbolList(first), Clock::now() - 60s);
  Say("laid out a terminal folder with " + std::to_string(kCharts.size()) + " charts for " +
      Join(ExpectedSymbols(kOldSuffix)) + " (suffix " + kOldSuffix + ") and the server " +
      kOldServer + ", whose symbol list starts with " + first + ": " + folder.Path().string());
}

// The script's thread has ended, its libraries freed.
bool ScriptEnded(const TerminalRun& run) {
  const std::vector<TerminalEvent> events = run.Events("script");
  return !events.empty() && events.back().text == "script 0 end";
}

// The stand-in plays the terminal: its script starts the watch and ends, as an expert would.
std::unique_ptr<TerminalStandIn> StartTerminal(const TerminalFolder& folder,
                                               const Deadline& deadline) {
  const std::string folderText = folder.Path().string();
  auto terminal = std::make_unique<TerminalStandIn>(
      folder.Path(), std::vector<std::string>{"--exit-after", kStandInExitAfter},
      WatchScript(folderText, kOldSuffix));
  const TerminalRun run = terminal->WaitForRun(ScriptEnded, deadline.Left());
  const TerminalStep* call = run.Step(kWatchLine);
  if (call == nullptr || call->outcome.starts_with("failed")) {
    throw TourFailure("the terminal did not start the watch:\n" + terminal->LogText());
  }
  Say("the terminal (stand-in, pid " + std::to_string(terminal->ProcessId()) +
      ") starts the watch: StartAccountTypeWatch(\"" + folderText + "\", \"" + kOldSuffix + "\")");
  if (!ScriptEnded(run)) {
    throw TourFailure("the terminal's script did not end:\n" + terminal->LogText());
  }
  Say("its script unloads Symwatch.dll and ends; the watch goes on in the library's thread");
  return terminal;
}

void ExpectNoQuestion(const TerminalStandIn& terminal) {
  if (AnswerMessageBox(kAccountChangeCaption, IDCANCEL, kQuietPeriod, terminal.ProcessId())) {
    throw TourFailure("Symwatch asked although the suffix had not changed");
  }
  Say("for " + std::to_string(kQuietPeriod.count() / 1000) +
      " s the suffix matches the charts': Symwatch asks nothing");
}

void ChangeAccountType(const TerminalFolder& folder) {
  const std::string first = kCharts.front().base + kNewSuffix;
  folder.AddSymbols(kNewServer, SymbolList(first), Clock::now());
  Say(std::string("the terminal logs in to the server ") + kNewServer +
      ": the newest symbol list now starts with " + first + " (history\\" + kNewServer +
      "\\symbols.sel)");
}

void AnswerQuestion(const TerminalStandIn& terminal, const Deadline& deadline) {
  const auto question =
      AnswerMessageBox(kAccountChangeCaption, IDOK, deadline.Left(), terminal.ProcessId());
  if (!question) throw TourFailure("Symwatch did not ask about the change of account type");
  const std::string firstLine = question->text.substr(0, question->text.find('\r'));
  Say(std::string("Symwatch asks: \"") + kAccountChangeCaption + "\": \"" + firstLine +
      "\" ... answered OK");
}

// What Profixer has shown, if it failed: its message boxes have one of two captions.
std::string ProfixerComplaint() {
  for (const char* caption : {"MT4 update", "Unable to restart MT4"}) {
    if (const auto box = AnswerMessageBox(caption, IDOK, Ms(0))) {
      return " (Profixer says: \"" + box->text + "\")";
    }
  }
  return "";
}

// The process id of the terminal that Profixer started, once it has made its windows.
unsigned long WaitForRestart(const TerminalFolder& folder, unsigned long closed,
                             const Deadline& deadline) {
  do {
    const TerminalLog log = TerminalLog::Read(folder.Path() / "terminal.log");
    for (const TerminalRun& run : log.Runs()) {
      if (run.processId != closed && run.ready) return run.processId;
    }
    std::this_thread::sleep_for(100ms);
  } while (deadline.Left() > Ms(0));
  throw TourFailure("the terminal was not started again" + ProfixerComplaint());
}

unsigned long FollowRestart(const TerminalFolder& folder, const TerminalStandIn& terminal,
                            const Deadline& deadline) {
  const unsigned long closed = terminal.ProcessId();
  if (!terminal.WaitForExit(deadline.Left())) {
    throw TourFailure("the terminal (pid " + std::to_string(closed) + ") was not closed" +
                      ProfixerComplaint());
  }
  const unsigned long restarted = WaitForRestart(folder, closed, deadline);
  Say("Profixer closed the terminal (pid " + std::to_string(closed) +
      ") and started it again (pid " + std::to_string(restarted) + ")");
  return restarted;
}

void CheckCharts(const TerminalFolder& folder) {
  const std::vector<std::string> symbols = ChartSymbols(folder);
  Say("charts now: " + Join(symbols));
  if (symbols != ExpectedSymbols(kNewSuffix)) {
    throw TourFailure("the charts were not rewritten to " + Join(ExpectedSymbols(kNewSuffix)));
  }
}

void CloseRestarted(unsigned long restarted) {
  const bool closed = TerminalStandIn::EndProcess(restarted, kCloseLimit);
  Say("closed the restarted terminal (pid " + std::to_string(restarted) + ")" +
      (closed ? "" : " by force: it did not close"));
}

void Tour(const TerminalFolder& folder) {
  const FolderSweep sweep(folder);
  const Deadline deadline(kTourLimit);
  LayOut(folder);
  const auto terminal = StartTerminal(folder, deadline);
  ExpectNoQuestion(*terminal);
  ChangeAccountType(folder);
  AnswerQuestion(*terminal, deadline);
  const unsigned long restarted = FollowRestart(folder, *terminal, deadline);
  CheckCharts(folder);
  CloseRestarted(restarted);
}

// Lays out the folder, tours it and removes it; throws on the first step that did not happen.
void TourInFreshFolder() {
  fs::path path;
  {
    const TerminalFolder folder({"Symwatch.dll", "Profixer.exe"}, L"-tour");
    path = folder.Path();
    Tour(folder);
  }
  if (fs::exists(path)) throw TourFailure("the terminal folder was not removed: " + path.string());
  Say("removed the terminal folder");
}

}  // namespace

int main() {
  const auto start = SteadyClock::now();
  try {
    TourInFreshFolder();
  } catch (const std::exception& failure) {
    Say(std::string("account change: did not happen: ") + failure.what());
    return 1;
  }
  const auto seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  std::cout.precision(1);
  std::cout << std::fixed << "account change: done in " << seconds << " s" << std::endl;
  return 0;
}
