#include <windows.h>

#include <stdexcept>

#include "platform/loaded_library.h"

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
  std::string path(MAX_PATH, '\0');
  DWORD length;
  while ((length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size()) {
    path.resize(path.size() * 2);
  }
  path.resize(length);
  return path.substr(0, path.find_last_of("\\/") + 1) + fileName;
}
