#include "service-client/library.h"

#include "service-client/process_object.h"
#include "service-client/requests/request_list.h"

namespace {

// The process-wide objects, in attach order. Detach destroys them in that same order, so that
// the tick timers stop before the requests go.
ProcessObject<TRequestList> TheRequestList;

}  // namespace

void AttachLibrary() { TheRequestList.Create(); }

void DetachLibrary() noexcept { TheRequestList.Destroy(); }

TRequestList& RequestList() { return TheRequestList.Get(); }
