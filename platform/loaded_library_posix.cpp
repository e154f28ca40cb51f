#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>

#include "platform/loaded_library.h"

namespace {

std::string LastError(const std::string& what) {
  const char* reason = dlerror();
  return what + ": " + (reason ? reason : "unknown reason");
}

}  // namespace

LoadedLibrary::LoadedLibrary(const std::string& path) : FHandle(dlopen(path.c_str(), RTLD_NOW)) {
  if (!FHandle) throw std::runtime_error(LastError("cannot load " + path));
}

LoadedLibrary::~LoadedLibrary() { dlclose(FHandle); }

void* LoadedLibrary::Symbol(const char* name) const {
  void* symbol = dlsym(FHandle, name);
  if (!symbol) throw std::runtime_error(LastError(std::string("no export ") + name));
  return symbol;
}

std::string LoadedLibrary::BesideProgram(const std::string& fileName) {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / fileName).string();
}
