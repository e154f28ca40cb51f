#pragma once
// The symbol of a chart file (profiles\default\*.chr), whose bytes are 8-bit text.
//
// The chart's symbol follows the first "ymbol=" (the tail of its key) and ends at the first CR
// or LF after it. Its first six characters name the instrument and stay; the rest is the
// account type's suffix. Searches end at the first zero byte, as in a C string; the bytes
// after the symbol are kept as they are, up to the file's end.

#include <optional>
#include <string>
#include <string_view>

// `content` with the suffix of its first symbol replaced by `suffix` (an empty suffix cuts the
// symbol to its six characters). nullopt when the file is to stay as it is: no "ymbol=", no
// line end after it, a symbol of fewer than six characters, or nothing would change. Only the
// first symbol line changes. Keeps no state; safe on any thread.
std::optional<std::string> ReplaceChartSymbolSuffix(std::string_view content,
                                                    std::string_view suffix);
