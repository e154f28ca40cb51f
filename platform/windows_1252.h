#pragma once
// Windows-1252, the Western code page: the ANSI code page on Linux and a charset that web
// replies declare. Portable; no state.

#include <cstdint>

// The UTF-16 unit of `byte`. The five bytes that Windows-1252 leaves undefined map to the C1
// controls of the same value, as Windows itself does.
char16_t Windows1252ToUnit(std::uint8_t byte);

// The byte of `unit`, or '?' when Windows-1252 has none.
char Windows1252FromUnit(char16_t unit);
