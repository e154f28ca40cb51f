// Tick generators as a terminal script uses them: the stand-in terminal loads Ovilex.dll, starts
// and stops generators for its chart windows, and its charts log every tick they receive. All
// cases share one run of about 19 s, so that their periods overlap.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/terminal_folder.h"
#include "tests/support/terminal_stand_in.h"

namespace {

using namespace std::chrono_literals;

constexpr char kScript[] = R"(load Ovilex.dll
call Ovilex.dll ov_startTickGeneration chart:0
call Ovilex.dll ov_startTickGeneration chart:0
call Ovilex.dll ov_startTickGeneration chart:1
call Ovilex.dll ov_startTickGeneration chart:0
call Ovilex.dll ov_stopTickGeneration chart:0
call Ovilex.dll ov_stopTickGeneration chart:2
call Ovilex.dll ov_FlashWindow main
call Ovilex.dll ov_FlashWindow main
call Ovilex.dll ov_FlashWindow 0
call Ovilex.dll ov_startTickGeneration 0
call Ovilex.dll ov_startTickGeneration 77777
thread
sleep 7500
call Ovilex.dll ov_stopTickGeneration chart:0
endthread
sleep 12500
unload Ovilex.dll
sleep 6000
close
)";
constexpr int kFirstStart = 2, kFlashes = 8, kNullFlash = 10, kCrossThreadStop = 15, kUnload = 18;

class TickGenerationTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static TerminalFolder folder({"Ovilex.dll"});
    TerminalStandIn terminal(folder.Path(), {"--charts", "3"}, kScript);
    ASSERT_TRUE(terminal.WaitForExit(90s)) << terminal.LogText();
    run = terminal.Run();
    log = terminal.LogText();
    exitCode = terminal.ExitCode().value_or(~0ul);
  }

  void SetUp() override { ASSERT_TRUE(run.has_value()) << "the terminal did not end: " << log; }

  // When a step ran, in ms since the stand-in's start.
  static long long StepTime(int line) {
    const TerminalStep* step = run->Step(line);
    return step ? step->ms : -1;
  }

  // Tick times of one chart, relative to the first generator's start.
  static std::vector<long long> TicksOf(int chart) {
    std::vector<long long> times;
    for (const TerminalTick& tick : run->ticks) {
      if (tick.chart == chart) times.push_back(tick.ms - StepTime(kFirstStart));
    }
    return times;
  }

  // How many of `times` fall into the period that ends about `period` × 5 s after the start.
  static long long InPeriod(const std::vector<long long>& times, int period) {
    const long long due = period * 5000LL;
    return std::count_if(times.begin(), times.end(), [due](long long t) {
      return t >= due - 100 && t < due + 2400;  // never early; late by a busy machine's margin
    });
  }

  static inline std::optional<TerminalRun> run;
  static inline std::string log;
  static inline unsigned long exitCode = ~0ul;
};

TEST_F(TickGenerationTest, EveryTickIsTheRegisteredMessageWithWParam2AndLParam1) {
  ASSERT_FALSE(run->ticks.empty()) << log;
  for (const TerminalTick& tick : run->ticks) {
    EXPECT_EQ(tick.wParam, 2u);
    EXPECT_EQ(tick.lParam, 1);
  }
}

TEST_F(TickGenerationTest, TicksComeEveryPeriodTheFirstOnePeriodAfterTheStart) {
  // Chart 1 has one generator all along: one tick at about 5 s and one at about 10 s.
  const auto ticks = TicksOf(1);
  ASSERT_EQ(ticks.size(), 2u) << log;
  EXPECT_EQ(InPeriod(ticks, 1), 1) << log;
  EXPECT_EQ(InPeriod(ticks, 2), 1) << log;
}

TEST_F(TickGenerationTest, EachGeneratorOfAWindowTicksAndAStopEndsOnlyTheNewest) {
  // Chart 0: started three times, the third stopped at once, the second stopped at 7.5 s from
  // another thread: two ticks in the first period, one in the second.
  const auto ticks = TicksOf(0);
  EXPECT_EQ(InPeriod(ticks, 1), 2) << log;
  EXPECT_EQ(InPeriod(ticks, 2), 1) << log;
  EXPECT_EQ(ticks.size(), 3u) << log;
  EXPECT_NE(run->Step(kCrossThreadStop), nullptr) << log;
}

TEST_F(TickGenerationTest, AStopForAWindowWithoutGeneratorsChangesNothing) {
  EXPECT_TRUE(TicksOf(2).empty()) << log;
}

// Generators for a null and an invalid window (lines 11 and 12) post into nothing until the
// unload; the terminal must not notice.
TEST_F(TickGenerationTest, UnloadingTheLibraryStopsItsGeneratorsAndTheTerminalLivesOn) {
  const long long unloaded = StepTime(kUnload);
  ASSERT_GT(unloaded, 0) << log;
  for (const TerminalTick& tick : run->ticks) EXPECT_LT(tick.ms, unloaded) << log;
  EXPECT_TRUE(run->Events("crash").empty()) << log;
  EXPECT_EQ(exitCode, TerminalStandIn::kExitClosed) << log;
}

TEST_F(TickGenerationTest, FlashWindowReturnsWhatTheSystemReturns) {
  // Each call inverts the caption once, so two calls in a row answer one active, one not.
  const TerminalStep* first = run->Step(kFlashes);
  const TerminalStep* second = run->Step(kFlashes + 1);
  const TerminalStep* null = run->Step(kNullFlash);
  ASSERT_TRUE(first && second && null) << log;
  EXPECT_NE(first->outcome == "0", second->outcome == "0") << log;
  EXPECT_EQ(null->outcome, "0") << log;
}

}  // namespace
