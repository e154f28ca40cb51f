// libFuzzer target for the chart rewrite: any bytes as a chart file, any suffix. Beyond the
// sanitizers' checks it holds the rewrite to its properties: only the suffix between the kept
// head and the kept tail changes, and a second rewrite to the same suffix changes nothing.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "profile-updater/chart_symbol.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t suffixLength = std::min<std::size_t>(data[0] % 16, input.size());
  const std::string_view suffix = input.substr(0, suffixLength);
  const std::string_view content = input.substr(suffixLength);

  const auto rewritten = ReplaceChartSymbolSuffix(content, suffix);
  if (!rewritten) return 0;
  const std::size_t head = content.find("ymbol=") + 12;
  const std::size_t tail = content.find_first_of("\r\n", head);
  Check(head <= content.size() && tail != std::string_view::npos);
  Check(std::string_view(*rewritten).substr(0, head) == content.substr(0, head));
  Check(std::string_view(*rewritten).substr(head, suffix.size()) == suffix);
  Check(std::string_view(*rewritten).substr(head + suffix.size()) == content.substr(tail));
  if (suffix.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos) {
    Check(!ReplaceChartSymbolSuffix(*rewritten, suffix));
  }
  return 0;
}
