#pragma once
// ScriptLibraries: the libraries one script thread has loaded, as the terminal keeps them for a
// script: loaded by name on first use, and freed (newest first) when the script ends.

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class ScriptLibraries {
 public:
  // `folder` is the stand-in's folder, with a trailing backslash.
  explicit ScriptLibraries(std::string folder) : FFolder(std::move(folder)) {}
  ScriptLibraries(const ScriptLibraries&) = delete;
  ScriptLibraries& operator=(const ScriptLibraries&) = delete;
  ~ScriptLibraries();

  // Loads `name` once more; a relative name is looked for in experts\libraries\, then in the
  // stand-in's folder, then where the system looks. Returns 0 or the system's error code.
  DWORD Load(const std::string& name);
  // Frees the newest load of `name`; returns 0 or an error code.
  DWORD Unload(const std::string& name);
  // The newest load of `name`, loading it first when there is none; nullptr on failure (with
  // the error code in GetLastError).
  HMODULE Use(const std::string& name);

 private:
  struct Freer {
    void operator()(HMODULE module) const { FreeLibrary(module); }
  };
  using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, Freer>;

  std::string Resolve(const std::string& name) const;
  HMODULE Newest(const std::string& name) const;

  const std::string FFolder;
  std::vector<std::pair<std::string, Module>> FLoaded;  // name as written, lower case
};
