// Profixer against the terminal stand-in in a laid-out terminal folder: the whole course (close,
// rewrite, restart) and every failure message, answered as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/unique_handle_windows.h"
#include "profile-updater/windows/profile_updater.h"
#include "tests/support/command_line.h"
#include "tests/support/message_box.h"
#include "tests/support/terminal_folder.h"
#include "tests/support/terminal_log.h"
#include "tests/support/terminal_stand_in.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Updater = TProfileUpdater;

constexpr auto kBoxLimit = 30s;

// Profixer.exe started with `arguments` after its own quoted path, as the watcher starts it.
class ProfixerProcess {
 public:
  explicit ProfixerProcess(const std::wstring& arguments) {
    const fs::path program = TerminalFolder::BuildFolder() / "Profixer.exe";
    std::wstring commandLine = L"\"" + program.wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
      throw std::runtime_error("cannot start Profixer.exe");
    }
    CloseHandle(info.hThread);
    FProcess = UniqueHandle(info.hProcess);
    FProcessId = info.dwProcessId;
  }
  ~ProfixerProcess() {
    if (WaitForSingleObject(FProcess.Get(), 0) == WAIT_TIMEOUT) TerminateProcess(FProcess.Get(), 9);
  }

  DWORD Id() const { return FProcessId; }
  // The exit code once it has ended within `limit`, else nullopt.
  std::optional<DWORD> ExitCode(std::chrono::milliseconds limit) const {
    if (WaitForSingleObject(FProcess.Get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
      return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(FProcess.Get(), &code);
    return code;
  }

 private:
  UniqueHandle FProcess;
  DWORD FProcessId = 0;
};

// Charts of every kind the rewrite meets; the comments say what becomes of each.
void AddCharts(const TerminalFolder& folder) {
  folder.AddChart("chart01.chr", "<chart>\r\nsymbol=EURUSDm\r\nperiod=60\r\n");  // rewritten
  folder.AddChart("chart02.chr", "<chart>\nsymbol=GBPUSDm\nperiod=60\n");        // LF: rewritten
  folder.AddChart("chart03.chr", "<chart>\r\nsymbol=USDJPYm\r\n");  // held open: unchanged
  folder.AddChart("chart04.chr", "<chart>\r\nsymbol=AUDUSDm\r\n");  // cannot be written
  folder.AddChart("chart05.chr", "<chart>\r\nsymbol=GOLD\r\n");     // short symbol: unchanged
  folder.AddChart("notes.txt", "symbol=EURUSDm\r\n");               // not a chart
  fs::create_directory(folder.ProfileFolder() / "folder.chr");      // skipped at the open
  // A folder where the temporary file would go: the replacement of chart04 fails.
  fs::create_directory(folder.ProfileFolder() / "chart04.chr.profixer.tmp");
}

void ExpectChartsRewritten(const TerminalFolder& folder) {
  EXPECT_EQ(folder.Chart("chart01.chr"), "<chart>\r\nsymbol=EURUSDpro\r\nperiod=60\r\n");
  EXPECT_EQ(folder.Chart("chart02.chr"), "<chart>\nsymbol=GBPUSDpro\nperiod=60\n");
  EXPECT_EQ(folder.Chart("chart03.chr"), "<chart>\r\nsymbol=USDJPYm\r\n");
  EXPECT_EQ(folder.Chart("chart04.chr"), "<chart>\r\nsymbol=AUDUSDm\r\n");
  EXPECT_EQ(folder.Chart("chart05.chr"), "<chart>\r\nsymbol=GOLD\r\n");
  EXPECT_EQ(folder.Chart("notes.txt"), "symbol=EURUSDm\r\n");
}

// Waits for a second start of the stand-in in `folder` and ends it; its process id, or 0.
unsigned long EndRestartedTerminal(const TerminalFolder& folder, unsigned long firstId) {
  const fs::path log = folder.Path() / "terminal.log";
  for (const auto deadline = std::chrono::steady_clock::now() + 30s;
       std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
    const TerminalLog read = TerminalLog::Read(log);
    for (const TerminalRun& run : read.Runs()) {
      if (run.processId != firstId && run.ready) {
        TerminalStandIn::EndProcess(run.processId, 10s);
        return run.processId;
      }
    }
  }
  return 0;
}

TEST(ProfixerTest, ClosesTheTerminalRewritesItsChartsAndStartsItAgain) {
  const struct {
    const char* what;
    std::wstring nameSuffix;
    bool trailingBackslash;
  } kFolders[] = {
      {"plain folder", L"", false},
      {"trailing backslash", L"", true},
      {"characters outside the ANSI code page", L" \u0416\u0443\u043a \u6587", false},
  };
  for (const auto& [what, nameSuffix, trailingBackslash] : kFolders) {
    SCOPED_TRACE(what);
    TerminalFolder folder({}, nameSuffix);
    AddCharts(folder);
    TerminalStandIn terminal(folder.Path(), {});
    ASSERT_TRUE(terminal.WaitUntilReady(30s).ready) << terminal.LogText();
    UniqueHandle heldChart(CreateFileW((folder.ProfileFolder() / "chart03.chr").c_str(),
                                       GENERIC_READ, /*dwShareMode=*/0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(heldChart);

    std::wstring folderText = folder.Path().wstring();
    if (trailingBackslash) folderText += L"\\";
    const ProfixerProcess profixer(QuotedArgument(folderText) + L" \"pro\" " +
                                   std::to_wstring(terminal.ProcessId()));
    EXPECT_EQ(profixer.ExitCode(60s), 0u);
    ASSERT_TRUE(terminal.WaitForExit(5s)) << terminal.LogText();
    EXPECT_EQ(terminal.ExitCode(), TerminalStandIn::kExitClosed);
    EXPECT_FALSE(terminal.Run().Events("close").empty());
    heldChart = UniqueHandle();

    ExpectChartsRewritten(folder);
    EXPECT_FALSE(fs::exists(folder.ProfileFolder() / "chart01.chr.profixer.tmp"));
    EXPECT_NE(EndRestartedTerminal(folder, terminal.ProcessId()), 0u)
        << "terminal.exe started again from the folder";
  }
}

TEST(ProfixerTest, ShowsWhyItCannotStartAndChangesNothing) {
  TerminalFolder folder;
  folder.AddChart("chart01.chr", "symbol=EURUSDm\r\n");
  TerminalStandIn terminal(folder.Path(), {});
  ASSERT_TRUE(terminal.WaitUntilReady(30s).ready) << terminal.LogText();
  const std::wstring folderText = QuotedArgument(folder.Path().wstring());
  const std::wstring terminalId = std::to_wstring(terminal.ProcessId());
  const std::wstring ownId = std::to_wstring(GetCurrentProcessId());  // no terminal window

  const struct {
    std::wstring arguments;
    const char* text;
  } kCases[] = {
      {L"", Updater::kIncorrectParameters},
      {folderText + L" \"pro\"", Updater::kIncorrectParameters},
      {folderText + L" \"pro\" " + terminalId + L" extra", Updater::kIncorrectParameters},
      {folderText + L" \"\u0416\" " + terminalId, Updater::kIncorrectParameters},  // not ANSI
      {folderText + L" \"pro\" abc", Updater::kCannotIdentify},
      {folderText + L" \"pro\" 0", Updater::kCannotIdentify},
      {folderText + L" \"pro\" " + ownId, Updater::kCannotFind},
      {folderText + L" \"pro\" " + ownId + L"xyz", Updater::kCannotFind},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const ProfixerProcess profixer(c.arguments);
    const auto box = AnswerMessageBox(Updater::kUpdateCaption, IDOK, kBoxLimit, profixer.Id());
    ASSERT_TRUE(box.has_value()) << "no message box";
    EXPECT_EQ(box->text, c.text);
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    EXPECT_EQ(profixer.ExitCode(30s), 0u);
  }
  EXPECT_FALSE(terminal.HasEnded());
  EXPECT_EQ(terminal.Run().Events("close").size(), 0u);
  EXPECT_EQ(folder.Chart("chart01.chr"), "symbol=EURUSDm\r\n");
}

TEST(ProfixerTest, ATerminalThatDoesNotCloseIsLeftAsItWas) {
  TerminalFolder folder;
  folder.AddChart("chart01.chr", "symbol=EURUSDm\r\n");
  TerminalStandIn terminal(folder.Path(), {"--refuse-close"});
  ASSERT_TRUE(terminal.WaitUntilReady(30s).ready) << terminal.LogText();

  // The course in this process, with a wait of 1.5 s instead of two minutes.
  const std::wstring commandLine = L"Profixer.exe " + QuotedArgument(folder.Path().wstring()) +
                                   L" \"pro\" " + std::to_wstring(terminal.ProcessId());
  std::thread course([&] { Updater({.closeWaitMs = 1500}).Run(commandLine.c_str()); });
  const auto box = AnswerMessageBox(Updater::kRestartCaption, IDOK, kBoxLimit);
  course.join();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, Updater::kCannotShutDown);

  EXPECT_FALSE(terminal.HasEnded());
  EXPECT_EQ(terminal.Run().Events("close").size(), 3u);
  EXPECT_EQ(folder.Chart("chart01.chr"), "symbol=EURUSDm\r\n") << "no rewrite";
  EXPECT_EQ(TerminalLog::Read(folder.Path() / "terminal.log").Runs().size(), 1u) << "no restart";
}

TEST(ProfixerTest, ReportsATerminalProgramThatCannotBeStarted) {
  TerminalFolder folder;
  folder.AddChart("chart01.chr", "symbol=EURUSDm\r\n");
  TerminalStandIn terminal(folder.Path(), {});
  ASSERT_TRUE(terminal.WaitUntilReady(30s).ready) << terminal.LogText();
  // The running terminal's image cannot be deleted on Windows; rename it instead.
  fs::rename(folder.Path() / "terminal.exe", folder.Path() / "terminal-old.exe");

  const ProfixerProcess profixer(QuotedArgument(folder.Path().wstring()) + L" \"pro\" " +
                                 std::to_wstring(terminal.ProcessId()));
  const auto box = AnswerMessageBox(Updater::kRestartCaption, IDOK, kBoxLimit, profixer.Id());
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, Updater::kCannotRestart);
  EXPECT_EQ(profixer.ExitCode(30s), 0u);
  EXPECT_TRUE(terminal.HasEnded());
  EXPECT_EQ(folder.Chart("chart01.chr"), "symbol=EURUSDpro\r\n") << "the rewrite stays";
}

}  // namespace
