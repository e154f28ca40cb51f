#pragma once
// The library's lifecycle: what happens when it is attached to a process and detached from it.
//
// The platform's entry function calls AttachLibrary on process attach and DetachLibrary on
// process detach, on the thread that loads or unloads the library, under the loader lock:
// neither may wait for another thread. The process-wide objects are created in attach order and
// destroyed in the same order; a repeated notification creates or destroys nothing twice.

// Creates the process-wide objects that do not exist yet. May throw when a resource is
// exhausted; the entry function still reports success and the exports then fail cleanly.
void AttachLibrary();

// Destroys the process-wide objects that exist.
void DetachLibrary() noexcept;

class TRequestList;

// The request registry. Throws std::logic_error outside attach..detach.
TRequestList& RequestList();

class TTickMessageGeneratorList;

// The tick-generator registry. Throws std::logic_error outside attach..detach.
TTickMessageGeneratorList& TickGeneratorList();
