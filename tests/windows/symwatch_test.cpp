// Symwatch in the terminal stand-in, which plays the terminal and its script: the script starts
// the watch and ends, the test writes the terminal's symbol lists and answers the prompt. The
// last test runs the whole change of account type with the real Profixer.
#include <windows.h>
// clang-format keeps blocks apart: tlhelp32.h needs windows.h first.
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

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

constexpr const char* kPromptCaption = kAccountChangeCaption;
constexpr char kPromptText[] =
    "MetaTrader 4 needs to be updated to reflect your choice of account type.\r\n\r\n"
    "Click OK to update the software. MetaTrader 4 will then restart automatically in a few "
    "seconds.";
constexpr auto kPromptLimit = 15s;  // steps are a second apart; Wine is slow to start a dialog
constexpr auto kQuietPeriod = 4s;   // long enough for three steps

// Where a recording updater (the stand-in copied as Profixer.exe) logs its command line.
fs::path RecordingUpdaterLog(const TerminalFolder& folder) {
  return folder.LibrariesFolder() / "terminal.log";
}

void AddRecordingUpdater(const TerminalFolder& folder) {
  fs::copy_file(TerminalFolder::BuildFolder() / "terminal.exe",
                folder.LibrariesFolder() / "Profixer.exe");
}

// The stand-in, whose script starts the watch for `folderText` and `suffix` and unloads the
// library at once, as a script that ends does.
std::unique_ptr<TerminalStandIn> StartWatching(const TerminalFolder& folder,
                                               const std::string& folderText,
                                               const std::string& suffix,
                                               const std::string& moreSteps = "") {
  auto terminal = std::make_unique<TerminalStandIn>(
      folder.Path(), std::vector<std::string>{"--exit-after", "90000"},
      WatchScript(folderText, suffix, moreSteps));
  EXPECT_TRUE(terminal->WaitUntilReady(30s).ready) << terminal->LogText();
  return terminal;
}

std::unique_ptr<TerminalStandIn> StartWatching(const TerminalFolder& folder,
                                               const std::string& suffix) {
  return StartWatching(folder, folder.Path().string(), suffix);
}

TEST(SymwatchTest, KeepsWatchingAfterTheScriptHasGoneAndAsksOnce) {
  TerminalFolder folder({"Symwatch.dll"});
  AddRecordingUpdater(folder);
  folder.AddSymbols("Live", SymbolList("EURUSDm"), Clock::now() - 60s);
  // The second call, whose suffix would not match, must change nothing.
  const auto terminal = StartWatching(
      folder, folder.Path().string(), "M",
      "call Symwatch.dll StartAccountTypeWatch \"" + folder.Path().string() + "\" \"x\"\n");
  EXPECT_FALSE(AnswerMessageBox(kPromptCaption, IDCANCEL, kQuietPeriod, terminal->ProcessId()))
      << "the list matches";

  folder.AddSymbols("LivePro", SymbolList("EURUSDpro"), Clock::now());
  const auto prompt =
      AnswerMessageBox(kPromptCaption, IDCANCEL, kPromptLimit, terminal->ProcessId());
  ASSERT_TRUE(prompt.has_value()) << "no prompt after the change";
  EXPECT_EQ(prompt->text, kPromptText);
  EXPECT_EQ(prompt->buttons, (std::vector<int>{IDOK, IDCANCEL}));
  EXPECT_EQ(prompt->owner, terminal->Run().mainWindow);

  folder.AddSymbols("LiveX", SymbolList("EURUSDx"), Clock::now() + 60s);
  EXPECT_FALSE(AnswerMessageBox(kPromptCaption, IDCANCEL, kQuietPeriod, terminal->ProcessId()))
      << "asked twice";
  EXPECT_FALSE(fs::exists(RecordingUpdaterLog(folder))) << "Cancel started the updater";
  EXPECT_FALSE(terminal->HasEnded());
}

TEST(SymwatchTest, OkStartsTheUpdaterWithTheNewSuffix) {
  TerminalFolder folder({"Symwatch.dll"});
  AddRecordingUpdater(folder);
  folder.AddSymbols("Live", SymbolList("EURUSDm"), Clock::now() - 60s);
  folder.AddSymbols("Demo", SymbolList("GBPUSD.ecn"), Clock::now());
  const std::string folderText = folder.Path().string() + "\\";  // left off in the command line
  const auto terminal = StartWatching(folder, folderText, "m");
  ASSERT_TRUE(AnswerMessageBox(kPromptCaption, IDOK, kPromptLimit, terminal->ProcessId()));

  const TerminalLog log = [&] {
    for (const auto deadline = std::chrono::steady_clock::now() + 20s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
      const TerminalLog read = TerminalLog::Read(RecordingUpdaterLog(folder));
      if (!read.Runs().empty() && !read.Runs()[0].Events("args").empty()) return read;
    }
    return TerminalLog();
  }();
  ASSERT_EQ(log.Runs().size(), 1u) << "the updater was not started";
  const std::string arguments = log.Runs()[0].Events("args")[0].text;
  const std::string expectedEnd =
      " \"" + folder.Path().string() + "\" \".ecn\" " + std::to_string(terminal->ProcessId());
  EXPECT_TRUE(arguments.ends_with(expectedEnd)) << arguments;
  EXPECT_NE(arguments.find("Profixer.exe"), std::string::npos) << arguments;
}

TEST(SymwatchTest, AMissingUpdaterEndsTheWatchWithoutAPrompt) {
  TerminalFolder folder({"Symwatch.dll"});
  folder.AddSymbols("Live", SymbolList("EURUSDpro"), Clock::now());
  const auto terminal = StartWatching(folder, "m");
  EXPECT_FALSE(AnswerMessageBox(kPromptCaption, IDCANCEL, kQuietPeriod, terminal->ProcessId()));

  AddRecordingUpdater(folder);
  folder.AddSymbols("Demo", SymbolList("EURUSDx"), Clock::now() + 60s);
  EXPECT_FALSE(AnswerMessageBox(kPromptCaption, IDCANCEL, kQuietPeriod, terminal->ProcessId()))
      << "the watch went on";
}

TEST(SymwatchTest, DownloadsAndPlainFilesAreNotSymbolLists) {
  TerminalFolder folder({"Symwatch.dll"});
  AddRecordingUpdater(folder);
  folder.AddSymbols("Live", SymbolList("EURUSDm"), Clock::now() - 60s);
  folder.AddSymbols("DOWNLOADS", SymbolList("EURUSDx"), Clock::now());
  std::ofstream(folder.Path() / "history" / "symbols.sel", std::ios::binary)
      << SymbolList("EURUSDx");
  const auto terminal = StartWatching(folder, "m");
  EXPECT_FALSE(AnswerMessageBox(kPromptCaption, IDCANCEL, kQuietPeriod, terminal->ProcessId()));

  folder.AddSymbols("Demo", SymbolList("EURUSDx"), Clock::now() + 60s);
  EXPECT_TRUE(AnswerMessageBox(kPromptCaption, IDCANCEL, kPromptLimit, terminal->ProcessId()))
      << "the watch had stopped";
}

// The threads that process `processId` runs now.
int ThreadCount(DWORD processId) {
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
       more = Thread32Next(snapshot.Get(), &entry)) {
    if (entry.th32OwnerProcessID == processId) ++count;
  }
  return count;
}

TEST(SymwatchTest, TheWatchEndsWhenTheTerminalWindowHasGone) {
  TerminalFolder folder({"Symwatch.dll"});
  AddRecordingUpdater(folder);
  folder.AddSymbols("Live", SymbolList("EURUSDm"), Clock::now());
  const auto terminal =
      StartWatching(folder, folder.Path().string(), "m", "sleep 3000\ndestroymain\nsleep 60000\n");
  std::this_thread::sleep_for(1500ms);  // the watch runs, the script sleeps
  const int watching = ThreadCount(terminal->ProcessId());

  const auto destroyed = [](const TerminalRun& run) {
    const auto events = run.Events("main");
    return !events.empty() && events.back().text == "main destroyed";
  };
  ASSERT_TRUE(destroyed(terminal->WaitForRun(destroyed, 20s))) << terminal->LogText();
  int count = watching;
  for (int waited = 0; count >= watching && waited < 100; ++waited) {
    std::this_thread::sleep_for(50ms);
    count = ThreadCount(terminal->ProcessId());
  }
  EXPECT_EQ(count, watching - 1) << "the watch thread did not end";
  EXPECT_FALSE(terminal->HasEnded());
}

// The whole change of account type: the terminal's script starts the watch, the terminal
// receives a symbol list with another suffix, the user agrees, and Profixer closes the terminal,
// rewrites its charts and starts it again.
TEST(SymwatchTest, AChangeOfAccountTypeEndToEnd) {
  TerminalFolder folder({"Symwatch.dll", "Profixer.exe"});
  folder.AddChart("chart01.chr", "<chart>\r\nsymbol=EURUSDm\r\nperiod=60\r\n</chart>\r\n");
  folder.AddChart("chart02.chr", "<chart>\r\nsymbol=GBPJPYm\r\nperiod=1440\r\n</chart>\r\n");
  folder.AddSymbols("Broker-Live", SymbolList("EURUSDm"), Clock::now() - 60s);
  const auto terminal = StartWatching(folder, "m");
  std::this_thread::sleep_for(2s);  // a step or two with the old account type

  folder.AddSymbols("Broker-Pro", SymbolList("EURUSDpro"), Clock::now());
  const auto prompt = AnswerMessageBox(kPromptCaption, IDOK, kPromptLimit, terminal->ProcessId());
  ASSERT_TRUE(prompt.has_value()) << terminal->LogText();
  ASSERT_TRUE(terminal->WaitForExit(60s)) << "the terminal was not closed";
  EXPECT_EQ(terminal->ExitCode(), TerminalStandIn::kExitClosed);

  unsigned long restarted = 0;
  for (const auto deadline = std::chrono::steady_clock::now() + 60s;
       restarted == 0 && std::chrono::steady_clock::now() < deadline;
       std::this_thread::sleep_for(100ms)) {
    const TerminalLog log = TerminalLog::Read(folder.Path() / "terminal.log");
    for (const TerminalRun& run : log.Runs()) {
      if (run.processId != terminal->ProcessId() && run.ready) restarted = run.processId;
    }
  }
  ASSERT_NE(restarted, 0u) << "the terminal was not started again";
  EXPECT_TRUE(TerminalStandIn::EndProcess(restarted, 10s));
  EXPECT_EQ(folder.Chart("chart01.chr"),
            "<chart>\r\nsymbol=EURUSDpro\r\nperiod=60\r\n</chart>\r\n");
  EXPECT_EQ(folder.Chart("chart02.chr"),
            "<chart>\r\nsymbol=GBPJPYpro\r\nperiod=1440\r\n</chart>\r\n");
}

}  // namespace
