#pragma once
// The terminal's process id as the updater's command line gives it.

#include <cstdint>
#include <string_view>

// The value of `text` read as the C library's wide-text-to-long conversion in base 10 reads it:
// leading white space and a sign are accepted, reading stops at the first non-digit, no digits
// give 0, and a value beyond the 32-bit signed range is clamped to it. The result is that
// value's 32 bits, as the process id type takes it ("-1" gives 0xFFFFFFFF).
std::uint32_t ParseProcessId(std::u16string_view text);
