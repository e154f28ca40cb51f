#pragma once
// EventLog: the stand-in's log file, one event a line: "<ms> <event>", where ms counts from the
// stand-in's start on the steady clock. Lines are appended (a restarted terminal adds to the same
// file) and written through at once, so that a test can read them while the stand-in runs.

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/unique_handle_windows.h"

class EventLog {
 public:
  // Opens `path` for appending, creating it; throws std::runtime_error when it cannot.
  explicit EventLog(const std::string& path);
  EventLog(const EventLog&) = delete;
  EventLog& operator=(const EventLog&) = delete;

  // Appends one event; from any thread.
  void Write(std::string_view event);
  // Write without the lock, for the crash filter: the crashed thread may hold it.
  void WriteUnlocked(std::string_view event);

 private:
  const std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
  std::mutex FMutex;
  UniqueHandle FFile;
};
