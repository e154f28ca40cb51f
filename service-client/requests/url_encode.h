#pragma once
// urlEncode: the light encoding that the library applies to texts it puts into a request URL.

#include <string>
#include <string_view>

// Returns `text` with the space as "+" and every code unit from 0x80 up as the lower-case
// percent escapes of its UTF-8 bytes; every other character, the URL's delimiters, "%" and "+"
// included, is copied unchanged. Units are taken one by one, so a surrogate pair gives two
// three-byte sequences (six escapes). The result holds no space and no unit from 0x80 up, so
// encoding it again changes nothing. Keeps no state; safe on any thread.
std::u16string urlEncode(std::u16string_view text);
