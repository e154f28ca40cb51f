#include "tests/terminal/event_log.h"

#include <stdexcept>

#include "tests/terminal/wide_path.h"

EventLog::EventLog(const std::string& path)
    // Append-only access: each line lands whole at the end, even with two stand-ins writing.
    : FFile(CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
  if (!FFile) {
    throw std::runtime_error("cannot open the log " + path + ", error " +
                             std::to_string(GetLastError()));
  }
}

void EventLog::Write(std::string_view event) {
  std::lock_guard lock(FMutex);
  WriteUnlocked(event);
}

void EventLog::WriteUnlocked(std::string_view event) {
  const auto elapsed = std::chrono::steady_clock::now() - FStart;
  std::string line =
      std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
  line.append(" ").append(event).append("\n");
  DWORD written = 0;
  WriteFile(FFile.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}
