#pragma once
// WindowsWatchEnvironment: the account-type watch's view of the running terminal, through the
// 8-bit Win32 functions (the folder is the script's 8-bit text). Windows only.

#include <windows.h>

#include "account-watcher/watch_environment.h"

class WindowsWatchEnvironment : public WatchEnvironment {
 public:
  bool FindTerminalWindow() override;
  bool MayBeFolder(const std::string& path) override;
  std::optional<std::vector<HistoryEntry>> List(const std::string& folder) override;
  std::optional<std::uint64_t> LastWriteTime(const std::string& path) override;
  std::optional<SymbolListRecord> ReadRecord(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool Ask(const std::string& text, const std::string& caption) override;
  void Tell(const std::string& text, const std::string& caption) override;
  bool Start(const std::string& path, const std::string& parameters) override;
  unsigned long ProcessId() override;
  void Trace(std::string_view text) override;
  void Sleep(int milliseconds) override;

 private:
  HWND FTerminalWindow = nullptr;  // found by the latest FindTerminalWindow
};
