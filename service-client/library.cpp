#include "service-client/library.h"

// The process-wide objects (ProcessObject, process_object.h) are listed here in attach order:
// the tick-generator registry, then the request registry. Detach destroys them in that same
// order, so that the tick timers stop before the requests go.

void AttachLibrary() {}

void DetachLibrary() noexcept {}
