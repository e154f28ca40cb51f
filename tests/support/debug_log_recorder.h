#pragma once
// DebugLogRecorder: collects the trace texts passed to DebugLog while it lives, so that tests can
// check their wording. One recorder at a time; texts from every thread are collected.

#include <string>
#include <vector>

class DebugLogRecorder {
 public:
  DebugLogRecorder();
  ~DebugLogRecorder();
  DebugLogRecorder(const DebugLogRecorder&) = delete;
  DebugLogRecorder& operator=(const DebugLogRecorder&) = delete;

  // The texts recorded so far, oldest first.
  std::vector<std::u16string> Texts() const;
};
