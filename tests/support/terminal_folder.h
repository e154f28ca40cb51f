#pragma once
// TerminalFolder: a fresh terminal folder for one test, under the temporary folder, laid out as
// the add-ons expect the terminal's: terminal.exe (the stand-in), experts\libraries\ with the
// add-ons, history\<server>\symbols.sel and profiles\default\*.chr. Removed when it goes.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class TerminalFolder {
 public:
  // Copies the stand-in in as terminal.exe and each of `libraries` (file names in the build's
  // bin folder, such as "Ovilex.dll") into experts\libraries\. The folder's name ends with
  // `nameSuffix`. Throws when it cannot.
  explicit TerminalFolder(const std::vector<std::string>& libraries = {},
                          const std::wstring& nameSuffix = L"");
  // Removes the folder as far as it can (a process still running from it keeps its files).
  ~TerminalFolder();
  TerminalFolder(const TerminalFolder&) = delete;
  TerminalFolder& operator=(const TerminalFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path LibrariesFolder() const { return FPath / "experts" / "libraries"; }
  std::filesystem::path ProfileFolder() const { return FPath / "profiles" / "default"; }
  std::filesystem::path ServerFolder(std::string_view server) const {
    return FPath / "history" / server;
  }

  // Copies `fileName` from the build's bin folder into experts\libraries\.
  void AddLibrary(const std::string& fileName) const;
  // Writes profiles\default\`fileName`.
  void AddChart(const std::string& fileName, std::string_view contents) const;
  // The bytes of profiles\default\`fileName`; throws when it cannot be read.
  std::string Chart(const std::string& fileName) const;
  // Writes history\`server`\symbols.sel and gives it `lastWrite` as its last-write time.
  void AddSymbols(
      std::string_view server, std::string_view bytes,
      std::chrono::system_clock::time_point lastWrite = std::chrono::system_clock::now()) const;

  // The build's bin folder: where the running test program, the deliverables and the stand-in
  // (terminal.exe) are.
  static std::filesystem::path BuildFolder();

 private:
  static std::filesystem::path FreshFolder(const std::wstring& nameSuffix);

  const std::filesystem::path FPath;
};
