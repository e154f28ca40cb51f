#include "service-client/ticks/tick_exports.h"

#include <gtest/gtest.h>

#include "service-client/library.h"
#include "service-client/ticks/tick_message_generator_list.h"
#include "tests/support/debug_log_recorder.h"

namespace {

class TickExportsTest : public testing::Test {
 protected:
  void SetUp() override { AttachLibrary(); }
  void TearDown() override { DetachLibrary(); }
};

TEST_F(TickExportsTest, StartAndStopTraceAndChangeTheRegistry) {
  DebugLogRecorder recorder;
  ov_startTickGeneration(0x1234);
  ov_startTickGeneration(-5);  // handles are passed on unchecked
  ov_stopTickGeneration(0x1234);
  ov_stopTickGeneration(0x999);
  EXPECT_EQ(TickGeneratorList().Windows(), std::vector<WindowHandle>{-5});
  EXPECT_EQ(recorder.Texts(), (std::vector<std::u16string>{
                                  u"Starting the tick generator", u"Starting the tick generator",
                                  u"Stopping tick generator", u"Stopping tick generator"}));
}

TEST_F(TickExportsTest, OutsideAttachAndDetachTheyReportTheFailureAndReturn) {
  DetachLibrary();
  DebugLogRecorder recorder;
  ov_startTickGeneration(1);
  ov_stopTickGeneration(1);
  EXPECT_EQ(recorder.Texts(),
            (std::vector<std::u16string>{
                u"Starting the tick generator", u"Exception occurred ov_startTickGeneration",
                u"Stopping tick generator", u"Exception occurred ov_stopTickGeneration"}));
  AttachLibrary();
}

TEST_F(TickExportsTest, FlashingANullWindowFails) { EXPECT_EQ(ov_FlashWindow(0), 0); }

}  // namespace
