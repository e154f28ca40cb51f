#pragma once
// The first record of the terminal's symbol list (history\<server>\symbols.sel) and the suffix
// rule: the first symbol's name, after its sixth character, is the account type's suffix.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Only these bytes of the file are read: kRecordSize bytes from offset kRecordOffset. A file
// shorter than kRecordSize, or a read that delivers fewer bytes, tells nothing.
inline constexpr std::uint64_t kRecordOffset = 4;
inline constexpr std::size_t kRecordSize = 128;

// The first symbol's name in `record`: from record offset 4 to its first zero byte, and at most
// 12 characters (a zero is forced at record offset 16). Empty when the record is shorter.
std::string FirstSymbolName(std::string_view record);

// The account type's suffix in a symbol's `name`: its characters from the seventh on (empty for
// six). nullopt when the name has fewer than six characters.
std::optional<std::string> SymbolSuffix(std::string_view name);

// Whether two texts are the same, ignoring the case of ASCII letters (suffixes, folder names).
bool SameIgnoringCase(std::string_view a, std::string_view b);
