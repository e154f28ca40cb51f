#include "platform/program_path_windows.h"

#include <windows.h>

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length;
  // A full buffer may have cut the path: try again with twice the room.
  while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);
  }
  path.resize(length);
  return path;
}
