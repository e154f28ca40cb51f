#include "profile-updater/chart_symbol.h"

namespace {

constexpr std::string_view kMarker = "ymbol=";
constexpr std::size_t kBaseNameLength = 6;

}  // namespace

std::optional<std::string> ReplaceChartSymbolSuffix(std::string_view content,
                                                    std::string_view suffix) {
  const std::string_view searched = content.substr(0, content.find('\0'));
  const std::size_t marker = searched.find(kMarker);
  if (marker == std::string_view::npos) return std::nullopt;
  const std::size_t symbol = marker + kMarker.size();
  // CR as in a CR LF file; LF too, so that a file saved with LF endings keeps its other lines.
  const std::size_t lineEnd = searched.find_first_of("\r\n", symbol);
  if (lineEnd == std::string_view::npos || lineEnd - symbol < kBaseNameLength) return std::nullopt;

  const std::size_t kept = symbol + kBaseNameLength;
  if (content.substr(kept, lineEnd - kept) == suffix) return std::nullopt;
  std::string rewritten;
  rewritten.reserve(content.size() - (lineEnd - kept) + suffix.size());
  rewritten.append(content.substr(0, kept)).append(suffix).append(content.substr(lineEnd));
  return rewritten;
}
