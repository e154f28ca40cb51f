#pragma once
// The rewrite of the terminal's default profile to a new symbol suffix, and the paths in the
// terminal's folder. Portable: all file access goes through ChartFiles.

#include <string>
#include <string_view>

#include "profile-updater/chart_files.h"

// `folder` + "\" (unless it already ends with one) + `name`.
std::u16string InFolder(std::u16string_view folder, std::u16string_view name);

// Rewrites the first symbol line of every chart file in `folder`\profiles\default\ to `suffix`
// (8-bit, as the files are). A chart that cannot be read or replaced, or that has no symbol to
// rewrite, stays as it is; the others are still rewritten. Returns how many were rewritten.
int RewriteDefaultProfile(std::u16string_view folder, std::string_view suffix, ChartFiles& files);
