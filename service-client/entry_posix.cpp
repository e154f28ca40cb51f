// The shared object's load and unload hooks, the Linux counterpart of DllMain.
#include "service-client/library.h"

namespace {

__attribute__((constructor)) void OnLoad() {
  try {
    AttachLibrary();
  } catch (...) {
    // The load is never vetoed: the exports report their failure values instead.
  }
}

__attribute__((destructor)) void OnUnload() { DetachLibrary(); }

}  // namespace
