#include "account-watcher/windows/windows_watch_environment.h"

#include <shellapi.h>

#include <memory>

#include "account-watcher/symbol_list.h"
#include "platform/terminal_window_windows.h"
#include "platform/thread.h"
#include "platform/unique_handle_windows.h"

namespace {

struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};

UniqueHandle OpenSymbolList(const std::string& path) {
  return UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool WindowsWatchEnvironment::FindTerminalWindow() {
  FTerminalWindow = ::FindTerminalWindow(GetCurrentProcessId());
  return FTerminalWindow != nullptr;
}

bool WindowsWatchEnvironment::MayBeFolder(const std::string& path) {
  // A missing path reads as INVALID_FILE_ATTRIBUTES, all bits set, and passes.
  return (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::vector<HistoryEntry>> WindowsWatchEnvironment::List(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE first = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
  if (first == INVALID_HANDLE_VALUE) return std::nullopt;
  const std::unique_ptr<void, FindCloser> find(first);
  std::vector<HistoryEntry> entries;
  do {
    entries.push_back({entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(find.get(), &entry));
  return entries;
}

std::optional<std::uint64_t> WindowsWatchEnvironment::LastWriteTime(const std::string& path) {
  const UniqueHandle file = OpenSymbolList(path);
  FILETIME written;
  if (!file || !GetFileTime(file.Get(), nullptr, nullptr, &written)) return std::nullopt;
  return (std::uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
}

std::optional<SymbolListRecord> WindowsWatchEnvironment::ReadRecord(const std::string& path) {
  const UniqueHandle file = OpenSymbolList(path);
  if (!file) return std::nullopt;
  SymbolListRecord list;
  LARGE_INTEGER size{}, offset{};
  offset.QuadPart = kRecordOffset;
  if (!GetFileSizeEx(file.Get(), &size) ||
      !SetFilePointerEx(file.Get(), offset, nullptr, FILE_BEGIN)) {
    return list;  // tells nothing: size 0
  }
  list.fileSize = static_cast<std::uint64_t>(size.QuadPart);
  if (list.fileSize < kRecordSize) return list;
  list.record.resize(kRecordSize);
  DWORD read = 0;
  if (!ReadFile(file.Get(), list.record.data(), kRecordSize, &read, nullptr)) read = 0;
  list.record.resize(read);
  return list;
}

bool WindowsWatchEnvironment::FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WindowsWatchEnvironment::Ask(const std::string& text, const std::string& caption) {
  // OK/Cancel, warning icon, task-modal (0x2031), in front of the terminal's window.
  return MessageBoxA(FTerminalWindow, text.c_str(), caption.c_str(),
                     MB_OKCANCEL | MB_ICONWARNING | MB_TASKMODAL) == IDOK;
}

void WindowsWatchEnvironment::Tell(const std::string& text, const std::string& caption) {
  MessageBoxA(/*hWnd=*/nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}

bool WindowsWatchEnvironment::Start(const std::string& path, const std::string& parameters) {
  const HINSTANCE result = ShellExecuteA(/*hwnd=*/nullptr, "open", path.c_str(), parameters.c_str(),
                                         /*lpDirectory=*/"", SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) >= 32;
}

unsigned long WindowsWatchEnvironment::ProcessId() { return GetCurrentProcessId(); }

void WindowsWatchEnvironment::Trace(std::string_view text) {
  OutputDebugStringA(std::string(text).c_str());
}

void WindowsWatchEnvironment::Sleep(int milliseconds) {
  TThread::Sleep(std::chrono::milliseconds(milliseconds));
}
