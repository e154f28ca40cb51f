#include <windows.h>

#include <stdexcept>

#include "platform/ansi_code_page.h"
#include "platform/loaded_library.h"
#include "platform/program_path_windows.h"

namespace {

std::string LastError(const std::string& what) {
  return what + ": Windows error " + std::to_string(GetLastError());
}

}  // namespace

LoadedLibrary::LoadedLibrary(const std::string& path) : FHandle(LoadLibraryA(path.c_str())) {
  if (!FHandle) throw std::runtime_error(LastError("cannot load " + path));
}

LoadedLibrary::~LoadedLibrary() { FreeLibrary(static_cast<HMODULE>(FHandle)); }

void* LoadedLibrary::Symbol(const char* name) const {
  FARPROC symbol = GetProcAddress(static_cast<HMODULE>(FHandle), name);
  if (!symbol) throw std::runtime_error(LastError(std::string("no export ") + name));
  return reinterpret_cast<void*>(symbol);
}

std::string LoadedLibrary::BesideProgram(const std::string& fileName) {
  const std::wstring wide = ProgramPath();
  const std::string path = Utf16ToAnsi(std::u16string(wide.begin(), wide.end()));
  return path.substr(0, path.find_last_of("\\/") + 1) + fileName;
}
