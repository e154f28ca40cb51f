// The terminal stand-in plays the terminal's part in the Windows tests; this checks that part:
// its main window as the add-ons find it, how it ends, its chart windows' messages and scripts.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/terminal_folder.h"
#include "tests/support/terminal_stand_in.h"

namespace {

using namespace std::chrono_literals;

// For what the stand-in does at once; starting a process under Wine can take seconds.
constexpr auto kLimit = 30s;

std::string ClassName(HWND window) {
  char name[100] = "";
  GetClassNameA(window, name, 99);
  return name;
}

void PostCloses(HWND window, int count) {
  for (int i = 0; i < count; ++i) ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
}

std::size_t Closes(const TerminalRun& run) { return run.Events("close").size(); }

const TerminalEvent* FindEvent(const TerminalRun& run, std::string_view text) {
  for (const TerminalEvent& event : run.events) {
    if (event.text == text) return &event;
  }
  return nullptr;
}

TEST(TerminalStandInTest, ItsMainWindowIsFoundByClassNameAndThreeClosesEndIt) {
  TerminalFolder folder;
  TerminalStandIn terminal(folder.Path(), {"--charts", "3"});
  const TerminalRun run = terminal.WaitUntilReady(kLimit);
  ASSERT_TRUE(run.ready);
  EXPECT_EQ(run.processId, terminal.ProcessId());

  const HWND main = TerminalStandIn::FindMainWindow(terminal.ProcessId());
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main, run.mainWindow);
  ASSERT_EQ(run.charts.size(), 3u);
  for (HWND chart : run.charts) {
    EXPECT_TRUE(IsWindow(chart));
    EXPECT_EQ(ClassName(chart).find("MetaQuotes"), std::string::npos) << ClassName(chart);
  }

  PostCloses(main, 3);
  ASSERT_TRUE(terminal.WaitForExit(kLimit)) << terminal.LogText();
  EXPECT_EQ(terminal.ExitCode(), TerminalStandIn::kExitClosed);
  const TerminalRun ended = terminal.Run();
  EXPECT_NE(FindEvent(ended, "close 1 ending"), nullptr);
  EXPECT_EQ(ended.exitCode, 0);
}

TEST(TerminalStandInTest, RefusingToCloseItLivesUntilItsExitAfter) {
  TerminalFolder folder;
  TerminalStandIn terminal(folder.Path(), {"--refuse-close", "--exit-after", "3000"});
  ASSERT_TRUE(terminal.WaitUntilReady(kLimit).ready);
  PostCloses(TerminalStandIn::FindMainWindow(terminal.ProcessId()), 3);
  const TerminalRun run = terminal.WaitForRun([](auto& r) { return Closes(r) == 3; }, kLimit);
  ASSERT_EQ(Closes(run), 3u);
  EXPECT_EQ(run.Events("close").back().text, "close 3 refused");
  EXPECT_FALSE(terminal.HasEnded());

  ASSERT_TRUE(terminal.WaitForExit(kLimit)) << terminal.LogText();
  EXPECT_EQ(terminal.ExitCode(), TerminalStandIn::kExitAfterLimit);
  const TerminalEvent* exitAfter = FindEvent(terminal.Run(), "exit-after 3000");
  ASSERT_NE(exitAfter, nullptr);
  EXPECT_GE(exitAfter->ms, 3000);
}

TEST(TerminalStandInTest, ACloseDelayPostponesTheEnd) {
  TerminalFolder folder;
  TerminalStandIn terminal(folder.Path(), {"--close-delay", "1500"});
  ASSERT_TRUE(terminal.WaitUntilReady(kLimit).ready);
  PostCloses(TerminalStandIn::FindMainWindow(terminal.ProcessId()), 1);
  ASSERT_TRUE(terminal.WaitForExit(kLimit)) << terminal.LogText();
  EXPECT_EQ(terminal.ExitCode(), TerminalStandIn::kExitClosed);

  const TerminalRun run = terminal.Run();
  const TerminalEvent* close = FindEvent(run, "close 1 delayed");
  const TerminalEvent* exit = FindEvent(run, "exit 0");
  ASSERT_NE(close, nullptr);
  ASSERT_NE(exit, nullptr);
  EXPECT_GE(exit->ms - close->ms, 1450);  // a little slack for the timer's granularity
}

TEST(TerminalStandInTest, AChartWindowLogsTheTerminalMessage) {
  TerminalFolder folder;
  TerminalStandIn terminal(folder.Path(), {"--charts", "2"});
  const TerminalRun ready = terminal.WaitUntilReady(kLimit);
  ASSERT_EQ(ready.charts.size(), 2u);
  const UINT message = RegisterWindowMessageA("MetaTrader4_Internal_Message");
  ASSERT_TRUE(PostMessageA(ready.charts[1], message, 2, 1));

  const TerminalRun run = terminal.WaitForRun([](auto& r) { return !r.ticks.empty(); }, kLimit);
  ASSERT_EQ(run.ticks.size(), 1u);
  EXPECT_EQ(run.ticks[0].chart, 1);
  EXPECT_EQ(run.ticks[0].wParam, 2u);
  EXPECT_EQ(run.ticks[0].lParam, 1);
  EXPECT_TRUE(TerminalStandIn::EndProcess(terminal.ProcessId(), kLimit));
}

TEST(TerminalStandInTest, AScriptCallsOvilexFromExpertsLibrariesAndTheSystem) {
  TerminalFolder folder({"Ovilex.dll"});
  TerminalStandIn terminal(folder.Path(), {},
                           "# Ovilex.dll is only in experts\\libraries\n"
                           "load Ovilex.dll\n"
                           "call Ovilex.dll ov_getErrorCode 5\n"
                           "call user32.dll GetClassNameA main buffer:99 99\n"
                           "call Missing.dll Anything 1\n"
                           "unload Ovilex.dll\n"
                           "close\n");
  ASSERT_TRUE(terminal.WaitForExit(kLimit)) << terminal.LogText();
  EXPECT_EQ(terminal.ExitCode(), TerminalStandIn::kExitClosed);

  const TerminalRun run = terminal.Run();
  ASSERT_NE(run.Step(2), nullptr);
  EXPECT_EQ(run.Step(2)->outcome, "ok");
  ASSERT_NE(run.Step(3), nullptr);
  EXPECT_EQ(run.Step(3)->outcome, "-1");
  EXPECT_EQ(run.Step(3)->text, "call Ovilex.dll ov_getErrorCode 5");
  ASSERT_NE(run.Step(4), nullptr);
  EXPECT_EQ(run.Step(4)->outcome, "28");
  EXPECT_EQ(run.Step(4)->buffers.at(1), "MetaQuotes::MetaTrader::4.00");
  ASSERT_NE(run.Step(5), nullptr);
  EXPECT_EQ(run.Step(5)->outcome, "failed:126");  // ERROR_MOD_NOT_FOUND
  ASSERT_NE(run.Step(6), nullptr);
  EXPECT_EQ(run.Step(6)->outcome, "ok");
  EXPECT_NE(FindEvent(run, "script 0 end"), nullptr);
}

TEST(TerminalStandInTest, ScriptThreadsRunApartAndStopWhenItEnds) {
  TerminalFolder folder;
  TerminalStandIn terminal(folder.Path(), {},
                           "thread\n"
                           "call kernel32.dll GetCurrentThreadId\n"
                           "endthread\n"
                           "thread\n"
                           "sleep 60000\n"
                           "endthread\n"
                           "call kernel32.dll GetCurrentThreadId\n"
                           "sleep 500\n"
                           "close\n");
  ASSERT_TRUE(terminal.WaitForExit(kLimit)) << terminal.LogText();
  EXPECT_EQ(terminal.ExitCode(), TerminalStandIn::kExitClosed);

  const TerminalRun run = terminal.Run();
  ASSERT_NE(run.Step(1), nullptr);
  EXPECT_EQ(run.Step(1)->outcome, "1");
  ASSERT_NE(run.Step(2), nullptr);
  ASSERT_NE(run.Step(7), nullptr);
  EXPECT_NE(run.Step(2)->outcome, run.Step(7)->outcome);
  EXPECT_NE(FindEvent(run, "script 1 end"), nullptr);
  // The long sleep ends with the stand-in.
  ASSERT_NE(run.Step(5), nullptr);
  EXPECT_EQ(run.Step(5)->outcome, "stopped");
  EXPECT_NE(FindEvent(run, "script 2 stopped"), nullptr);
}

// As the add-ons start the terminal again: ShellExecuteA "open" without parameters.
TEST(TerminalStandInTest, StartedAgainItReadsItsDefaultProfileAndAppendsToTheLog) {
  TerminalFolder folder;
  const std::string chart = "<chart>\r\n</chart>\r\n";
  folder.AddChart("chart01.chr", chart);
  {
    TerminalStandIn first(folder.Path(), {});
    ASSERT_TRUE(first.WaitUntilReady(kLimit).ready) << first.LogText();
    PostCloses(TerminalStandIn::FindMainWindow(first.ProcessId()), 3);
    ASSERT_TRUE(first.WaitForExit(kLimit)) << first.LogText();
  }
  const std::string program = (folder.Path() / "terminal.exe").string();
  const auto started = ShellExecuteA(nullptr, "open", program.c_str(), nullptr, nullptr, SW_SHOW);
  ASSERT_GT(reinterpret_cast<INT_PTR>(started), 32);

  const std::filesystem::path logPath = folder.Path() / "terminal.log";
  const auto deadline = std::chrono::steady_clock::now() + kLimit;
  TerminalLog log = TerminalLog::Read(logPath);
  while ((log.Runs().size() < 2 || !log.Runs()[1].ready) &&
         std::chrono::steady_clock::now() < deadline) {
    Sleep(20);
    log = TerminalLog::Read(logPath);
  }
  ASSERT_EQ(log.Runs().size(), 2u) << TerminalLog::Text(logPath);
  const TerminalRun& again = log.Runs()[1];
  ASSERT_TRUE(again.ready) << TerminalLog::Text(logPath);
  const std::vector<TerminalEvent> profile = again.Events("profile");
  ASSERT_EQ(profile.size(), 1u);
  EXPECT_EQ(profile[0].text, "profile chart01.chr " + std::to_string(chart.size()));
  EXPECT_TRUE(TerminalStandIn::EndProcess(again.processId, kLimit));
}

TEST(TerminalStandInTest, AMalformedScriptEndsItWithItsReason) {
  TerminalFolder folder;
  TerminalStandIn terminal(folder.Path(), {}, "sleep 10\nbogus step\n");
  ASSERT_TRUE(terminal.WaitForExit(kLimit)) << terminal.LogText();
  EXPECT_EQ(terminal.ExitCode(), TerminalStandIn::kExitBadInput);
  EXPECT_NE(FindEvent(terminal.Run(), "error script line 2: unknown step bogus"), nullptr);
}

}  // namespace
