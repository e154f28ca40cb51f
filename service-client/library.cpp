#include "service-client/library.h"

#include "service-client/process_object.h"
#include "service-client/requests/request_list.h"
#include "service-client/ticks/tick_message_generator_list.h"

namespace {

// The process-wide objects, in attach order. Detach destroys them in that same order, so that
// the tick timers stop before the requests go.
ProcessObject<TTickMessageGeneratorList> TheTickGeneratorList;
ProcessObject<TRequestList> TheRequestList;

constexpr std::chrono::milliseconds kTickInterval{5000};

}  // namespace

void AttachLibrary() {
  TheTickGeneratorList.Create(kTickInterval);
  TheRequestList.Create();
}

void DetachLibrary() noexcept {
  TheTickGeneratorList.Destroy();
  TheRequestList.Destroy();
}

TTickMessageGeneratorList& TickGeneratorList() { return TheTickGeneratorList.Get(); }

TRequestList& RequestList() { return TheRequestList.Get(); }
