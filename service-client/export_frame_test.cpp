#include "service-client/export_frame.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "service-client/debug_log.h"
#include "tests/support/debug_log_recorder.h"

namespace {

using Traces = std::vector<std::u16string>;

TEST(ExportFrameTest, ReturnsTheOperationsResultAndTracesNothingOfItsOwn) {
  DebugLogRecorder recorder;
  EXPECT_EQ(GuardedExport("ov_test", -1, [] { return 42; }), 42);
  EXPECT_EQ(recorder.Texts(), Traces{});
}

TEST(ExportFrameTest, AnyExceptionBecomesTheFailureValueAndItsTrace) {
  const auto throwLogic = []() -> int { throw std::logic_error("x"); };
  const auto throwAlloc = []() -> int { throw std::bad_alloc(); };
  const auto throwInt = []() -> int { throw 7; };  // not even a std::exception
  DebugLogRecorder recorder;
  EXPECT_EQ(GuardedExport("ov_createAsynchRequest", -1, throwLogic), -1);
  EXPECT_EQ(GuardedExport("ov_getErrorCode", -1, throwAlloc), -1);
  EXPECT_EQ(GuardedExport("ov_isAsynchRequestError", -1, throwInt), -1);
  EXPECT_EQ(recorder.Texts(), (Traces{u"Exception occurred ov_createAsynchRequest",
                                      u"Exception occurred ov_getErrorCode",
                                      u"Exception occurred ov_isAsynchRequestError"}));
}

TEST(ExportFrameTest, ACallableFailureValueReportsTheProgressMadeBeforeTheException) {
  int copied = 0;
  const int result = GuardedExport(
      "ov_getAsynchResponse", [&] { return copied; },
      [&]() -> int {
        copied = 3;
        throw std::out_of_range("offset");
      });
  EXPECT_EQ(result, 3);
}

TEST(ExportFrameTest, AnExportWithoutResultSwallowsTheExceptionAfterTracingIt) {
  DebugLogRecorder recorder;
  bool ran = false;
  GuardedExport("ov_destroyAsynchRequest", [&] {
    ran = true;
    throw std::runtime_error("x");
  });
  EXPECT_TRUE(ran);
  EXPECT_EQ(recorder.Texts(), Traces{u"Exception occurred ov_destroyAsynchRequest"});
}

TEST(ExportFrameTest, TheQuietFrameReturnsItsFailureValueWithoutATrace) {
  DebugLogRecorder recorder;
  EXPECT_EQ(QuietlyGuardedExport(1, []() -> int { throw std::bad_alloc(); }), 1);
  EXPECT_EQ(QuietlyGuardedExport(1, [] { return 0; }), 0);
  EXPECT_EQ(recorder.Texts(), Traces{});
}

TEST(ExportFrameTest, ScriptTextsAreReadFromTheAnsiCodePageAndNullIsEmpty) {
  EXPECT_EQ(ScriptText(nullptr), "");
  EXPECT_EQ(ScriptText("caf\xE9"), "caf\xE9");  // unchanged, for the 8-bit trace texts
  EXPECT_EQ(ScriptTextToUtf16(nullptr), u"");
  EXPECT_EQ(ScriptTextToUtf16("caf\xE9 \x80"), u"caf\u00E9 \u20AC");
}

TEST(ExportFrameTest, EightBitTracesReachDebugLogDecoded) {
  DebugLogRecorder recorder;
  DebugLogAnsi("Creating new Async Request [http://srv/\xE9]");
  DebugLog(u"wide");
  EXPECT_EQ(recorder.Texts(), (Traces{u"Creating new Async Request [http://srv/\u00E9]", u"wide"}));
}

}  // namespace
