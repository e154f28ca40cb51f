#include "tests/support/terminal_folder.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/program_path_windows.h"
#include "platform/unique_handle_windows.h"

namespace fs = std::filesystem;

namespace {

void WriteBytes(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary);
  file << bytes;
  if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

// FILETIME counts 100 ns from 1601; the system clock counts from 1970.
FILETIME FileTime(std::chrono::system_clock::time_point time) {
  constexpr long long k1601To1970 = 116444736000000000LL;
  using Ticks = std::chrono::duration<long long, std::ratio<1, 10000000>>;
  const long long ticks =
      std::chrono::duration_cast<Ticks>(time.time_since_epoch()).count() + k1601To1970;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void SetLastWriteTime(const fs::path& path, std::chrono::system_clock::time_point time) {
  UniqueHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  const FILETIME fileTime = FileTime(time);
  if (!file || !SetFileTime(file.Get(), nullptr, nullptr, &fileTime)) {
    throw std::runtime_error("cannot set the last-write time of " + path.string());
  }
}

}  // namespace

TerminalFolder::TerminalFolder(const std::vector<std::string>& libraries,
                               const std::wstring& nameSuffix)
    : FPath(FreshFolder(nameSuffix)) {
  fs::create_directories(LibrariesFolder());
  fs::create_directories(ProfileFolder());
  fs::create_directories(FPath / "history");
  fs::copy_file(BuildFolder() / "terminal.exe", FPath / "terminal.exe");
  for (const std::string& library : libraries) AddLibrary(library);
}

TerminalFolder::~TerminalFolder() {
  std::error_code ignored;
  fs::remove_all(FPath, ignored);
}

void TerminalFolder::AddLibrary(const std::string& fileName) const {
  fs::copy_file(BuildFolder() / fileName, LibrariesFolder() / fileName,
                fs::copy_options::overwrite_existing);
}

void TerminalFolder::AddChart(const std::string& fileName, std::string_view contents) const {
  WriteBytes(ProfileFolder() / fileName, contents);
}

std::string TerminalFolder::Chart(const std::string& fileName) const {
  std::ifstream file(ProfileFolder() / fileName, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file) throw std::runtime_error("cannot read the chart " + fileName);
  return bytes;
}

void TerminalFolder::AddSymbols(std::string_view server, std::string_view bytes,
                                std::chrono::system_clock::time_point lastWrite) const {
  const fs::path path = ServerFolder(server) / "symbols.sel";
  WriteBytes(path, bytes);
  SetLastWriteTime(path, lastWrite);
}

fs::path TerminalFolder::BuildFolder() { return fs::path(ProgramPath()).parent_path(); }

fs::path TerminalFolder::FreshFolder(const std::wstring& nameSuffix) {
  static std::atomic<int> counter = 0;
  const fs::path root = fs::temp_directory_path();
  const std::wstring prefix = L"ov-terminal-" + std::to_wstring(GetCurrentProcessId()) + L"-";
  while (true) {
    const fs::path path = root / (prefix + std::to_wstring(++counter) + nameSuffix);
    if (fs::create_directory(path)) return path;
  }
}
