#pragma once
// Conversions between the process's ANSI code page and UTF-16.
//
// Scripts hand the libraries 8-bit texts in the ANSI code page; inside, every text is UTF-16.
// On Windows the code page is the system's CP_ACP; on Linux it is Windows-1252, so that the
// same tests pass on both. Both functions keep no state and may be called from any thread.

#include <string>
#include <string_view>

// Decodes `ansi` from the ANSI code page. Every byte sequence decodes to something; the only
// failures are exhausted memory (std::bad_alloc) and a text too long for the platform
// (std::length_error).
std::u16string AnsiToUtf16(std::string_view ansi);

// Encodes `text` in the ANSI code page. A unit that the code page cannot represent becomes its
// default character '?'; each unit of a surrogate pair counts on its own. On Windows the
// system may first map such a unit to a similar character (Ā to A). Fails as AnsiToUtf16 does.
std::string Utf16ToAnsi(std::u16string_view text);
