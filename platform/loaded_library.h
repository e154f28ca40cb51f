#pragma once
// LoadedLibrary: a shared library loaded by name or path for as long as the object lives, the
// way the terminal loads a script's libraries. Used by the command-line host and the tests.

#include <string>

class LoadedLibrary {
 public:
  // Loads the library; throws std::runtime_error with the system's reason when it cannot.
  explicit LoadedLibrary(const std::string& path);
  ~LoadedLibrary();  // unloads it
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  // The path of `fileName` in the folder of the running program (the folder itself, with its
  // separator, for "").
  static std::string BesideProgram(const std::string& fileName);

  // The exported function `name` as a pointer of type F (for example int OV_STDCALL(int)).
  // Throws std::runtime_error when the library has no such export.
  template <typename F>
  F* Function(const char* name) const {
    return reinterpret_cast<F*>(Symbol(name));
  }

 private:
  void* Symbol(const char* name) const;

  void* FHandle;
};
