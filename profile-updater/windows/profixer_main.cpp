// Profixer.exe "<terminal folder>" "<new suffix>" <terminal process id>
// A GUI program without a window of its own: it shows only message boxes. Exit code 0.
#include <windows.h>

#include "profile-updater/windows/profile_updater.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return TProfileUpdater().Run(GetCommandLineW());
}
