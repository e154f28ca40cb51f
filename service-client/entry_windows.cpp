// The DLL entry function.
#include <windows.h>

#include "service-client/library.h"

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      try {
        AttachLibrary();
      } catch (...) {
        // The load is never vetoed: the exports report their failure values instead.
      }
      break;
    case DLL_PROCESS_DETACH:
      // At process exit the other threads are gone already, perhaps in the middle of a timer
      // call that would never be seen to end; the system reclaims everything anyway.
      if (reserved == nullptr) DetachLibrary();
      break;
    default:
      break;
  }
  return TRUE;
}
