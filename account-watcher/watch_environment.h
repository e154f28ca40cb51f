#pragma once
// WatchEnvironment: what the account-type watch needs of the system, so that its steps are
// portable and their tests can use a fake terminal, fake folders and fake message boxes. The
// shipped implementation is Windows' (WindowsWatchEnvironment). Paths are 8-bit texts in the
// ANSI code page, as the script gives the folder.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct HistoryEntry {
  std::string name;
  bool isFolder = false;
};

// What a symbol list offers when it is opened again for its record.
struct SymbolListRecord {
  std::uint64_t fileSize = 0;
  std::string record;  // what the read of 128 bytes from offset 4 delivered
};

class WatchEnvironment {
 public:
  virtual ~WatchEnvironment() = default;

  // Looks for this process's terminal main window; true when there is one. It is remembered as
  // the owner of the prompt.
  virtual bool FindTerminalWindow() = 0;

  // False when `path` is something other than a folder. A path that does not exist passes (its
  // listing then fails).
  virtual bool MayBeFolder(const std::string& path) = 0;

  // The entries of `folder`, "." and ".." included; nullopt when it cannot be listed.
  virtual std::optional<std::vector<HistoryEntry>> List(const std::string& folder) = 0;

  // The last-write time of the file at `path` (100 ns units), read from the file opened for
  // reading with read and write sharing; nullopt when it cannot be opened or the time read.
  virtual std::optional<std::uint64_t> LastWriteTime(const std::string& path) = 0;

  // Opens the file at `path` the same way and reads its first record; nullopt when it cannot
  // be opened.
  virtual std::optional<SymbolListRecord> ReadRecord(const std::string& path) = 0;

  virtual bool FileExists(const std::string& path) = 0;

  // Shows the OK/Cancel prompt, owned by the terminal window; true when the user chose OK.
  virtual bool Ask(const std::string& text, const std::string& caption) = 0;

  // Shows a message with an OK button and no owner.
  virtual void Tell(const std::string& text, const std::string& caption) = 0;

  // Starts the program at `path` with `parameters`; false when it could not be started.
  virtual bool Start(const std::string& path, const std::string& parameters) = 0;

  virtual unsigned long ProcessId() = 0;

  // Hands a trace text to the debugger's output.
  virtual void Trace(std::string_view text) = 0;

  // Blocks the watch for `milliseconds`.
  virtual void Sleep(int milliseconds) = 0;
};
