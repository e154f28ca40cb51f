#include "service-client/ticks/tick_exports.h"

#include "platform/window_messages.h"
#include "service-client/debug_log.h"
#include "service-client/library.h"
#include "service-client/ticks/tick_message_generator_list.h"

OV_EXPORT void OV_STDCALL ov_startTickGeneration(int window) {
  GuardedExport("ov_startTickGeneration", [&] {
    DebugLog(u"Starting the tick generator");
    TickGeneratorList().StartGenerator(window);
  });
}

OV_EXPORT void OV_STDCALL ov_stopTickGeneration(int window) {
  GuardedExport("ov_stopTickGeneration", [&] {
    DebugLog(u"Stopping tick generator");
    TickGeneratorList().StopGenerator(window);
  });
}

OV_EXPORT int OV_STDCALL ov_FlashWindow(int window) { return FlashWindowOnce(window); }
