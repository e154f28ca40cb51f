#include "tests/terminal/script_libraries.h"

#include <algorithm>
#include <cctype>

#include "tests/terminal/wide_path.h"

namespace {

// Library names compare as the file system does: without regard to ASCII case.
std::string Key(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name;
}

bool IsRelative(const std::string& name) {
  return !(name.size() > 1 && name[1] == ':') && !name.starts_with('\\') && !name.starts_with('/');
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

ScriptLibraries::~ScriptLibraries() {
  while (!FLoaded.empty()) FLoaded.pop_back();
}

DWORD ScriptLibraries::Load(const std::string& name) {
  HMODULE module = LoadLibraryW(WidePath(Resolve(name)).c_str());
  if (module == nullptr) return GetLastError();
  FLoaded.emplace_back(Key(name), Module(module));
  return 0;
}

DWORD ScriptLibraries::Unload(const std::string& name) {
  const std::string key = Key(name);
  auto found = std::find_if(FLoaded.rbegin(), FLoaded.rend(),
                            [&](const auto& loaded) { return loaded.first == key; });
  if (found == FLoaded.rend()) return ERROR_MOD_NOT_FOUND;
  HMODULE module = found->second.release();
  FLoaded.erase(std::next(found).base());
  return FreeLibrary(module) ? 0 : GetLastError();
}

HMODULE ScriptLibraries::Use(const std::string& name) {
  if (HMODULE module = Newest(name)) return module;
  const DWORD error = Load(name);
  if (error != 0) {
    SetLastError(error);
    return nullptr;
  }
  return FLoaded.back().second.get();
}

std::string ScriptLibraries::Resolve(const std::string& name) const {
  if (!IsRelative(name)) return name;
  for (const std::string& folder : {FFolder + "experts\\libraries\\", FFolder}) {
    if (FileExists(folder + name)) return folder + name;
  }
  return name;
}

HMODULE ScriptLibraries::Newest(const std::string& name) const {
  const std::string key = Key(name);
  for (auto loaded = FLoaded.rbegin(); loaded != FLoaded.rend(); ++loaded) {
    if (loaded->first == key) return loaded->second.get();
  }
  return nullptr;
}
