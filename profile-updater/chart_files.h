#pragma once
// ChartFiles: the file access of the profile rewrite, so that the rewrite itself is portable and
// its tests can use files in memory. The shipped implementation is Windows' (WindowsChartFiles).
// Paths are UTF-16 and complete.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ChartFiles {
 public:
  virtual ~ChartFiles() = default;

  // The names of the entries in `folder` that match "*.chr", folders included; empty when the
  // folder cannot be listed.
  virtual std::vector<std::u16string> List(const std::u16string& folder) = 0;

  // The whole content of the file at `path`, opened without sharing; nullopt when it cannot be
  // opened (a folder, a file another process holds open) or read whole.
  virtual std::optional<std::string> Read(const std::u16string& path) = 0;

  // Replaces the file's content with `content` in one step: afterwards it holds either its old
  // content or the new one, whatever fails meanwhile. False when it still holds the old one.
  virtual bool Replace(const std::u16string& path, std::string_view content) = 0;
};
