#include "tests/support/debug_log_recorder.h"

#include <mutex>

#include "service-client/debug_log.h"

namespace {

std::mutex recordedLock;
std::vector<std::u16string> recorded;

void Record(const std::u16string& text) noexcept {
  try {
    std::lock_guard<std::mutex> lock(recordedLock);
    recorded.push_back(text);
  } catch (...) {
    // A test that runs out of memory fails on its own; the recorder must not throw into DebugLog.
  }
}

}  // namespace

DebugLogRecorder::DebugLogRecorder() {
  {
    std::lock_guard<std::mutex> lock(recordedLock);
    recorded.clear();
  }
  SetDebugLogObserver(&Record);
}

DebugLogRecorder::~DebugLogRecorder() { SetDebugLogObserver(nullptr); }

std::vector<std::u16string> DebugLogRecorder::Texts() const {
  std::lock_guard<std::mutex> lock(recordedLock);
  return recorded;
}
