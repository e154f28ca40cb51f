#include "profile-updater/chart_symbol.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace std::string_literals;

constexpr std::nullopt_t kUnchanged = std::nullopt;

TEST(ChartSymbolTest, ReplacesTheSuffixOfTheFirstSymbolLine) {
  const struct {
    const char* what;
    std::string content, suffix;
    std::optional<std::string> expected;
  } kCases[] = {
      {"crlf, suffix replaced", "<chart>\r\nsymbol=EURUSDm\r\nperiod=60\r\n", "pro",
       "<chart>\r\nsymbol=EURUSDpro\r\nperiod=60\r\n"},
      {"six characters get the suffix", "symbol=GBPJPY\r\nx", ".ecn", "symbol=GBPJPY.ecn\r\nx"},
      {"five characters stay", "symbol=GOLD1\r\nx", "m", kUnchanged},
      {"empty suffix cuts to six", "symbol=USDCHFmicro\r\n", "", "symbol=USDCHF\r\n"},
      {"same suffix: nothing to write", "symbol=USDCHFm\r\n", "m", kUnchanged},
      {"no marker", "<chart>\r\nperiod=60\r\n", "m", kUnchanged},
      {"marker in another key", "Symbol=EURUSDm\r\n", "x", "Symbol=EURUSDx\r\n"},
      {"no line end after the marker", "symbol=EURUSDm", "x", kUnchanged},
      {"only the first symbol line", "symbol=EURUSDm\r\nsymbol=GBPUSDm\r\n", "k",
       "symbol=EURUSDk\r\nsymbol=GBPUSDm\r\n"},
      {"lf endings keep the other lines", "<chart>\nsymbol=EURUSDm\nperiod=60\n", "pro",
       "<chart>\nsymbol=EURUSDpro\nperiod=60\n"},
      {"lf line end before a later cr", "symbol=EURUSDm\nx\r\n", "k", "symbol=EURUSDk\nx\r\n"},
      {"a zero byte before the marker ends the search", "ab\0symbol=EURUSDm\r\n"s, "k", kUnchanged},
      {"a zero byte before the line end", "symbol=EURUSDm\0\r\n"s, "k", kUnchanged},
      {"binary bytes after the line end are kept", "symbol=EURUSDm\r\n\xff\0\x01\x80"s, "k",
       "symbol=EURUSDk\r\n\xff\0\x01\x80"s},
      {"empty file", "", "k", kUnchanged},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReplaceChartSymbolSuffix(c.content, c.suffix), c.expected);
  }
}

}  // namespace
