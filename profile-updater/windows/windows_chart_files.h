#pragma once
// WindowsChartFiles: the chart files of a terminal folder on disk, through the wide Win32 file
// functions (the folder's text is used exactly as given, whatever the ANSI code page, and no
// path buffer bounds its length).
//
// Read opens a chart without sharing, so a chart another process holds open is skipped.
// Replace writes the new content to a temporary file beside the chart, checks every write,
// flushes it, and then moves it over the chart in one step; on any failure the temporary file
// is removed and the chart is left exactly as it was.

#include "profile-updater/chart_files.h"

class WindowsChartFiles : public ChartFiles {
 public:
  // Charts are small; a bigger file is not a chart and is left alone.
  static constexpr unsigned long long kMaxChartBytes = 64ull << 20;
  // Appended to the chart's name for the temporary file: it ends in neither ".chr" nor, as a
  // short 8.3 name, "CHR", so no listing of charts ever picks it up.
  static constexpr char16_t kTemporarySuffix[] = u".profixer.tmp";

  std::vector<std::u16string> List(const std::u16string& folder) override;
  std::optional<std::string> Read(const std::u16string& path) override;
  bool Replace(const std::u16string& path, std::string_view content) override;
};
