#pragma once
// 1-based text positions, as the worker's URL splitting and the login's reply parsing use them.
// Both functions keep no state; safe on any thread.

#include <string>
#include <string_view>

// The 1-based position of the first occurrence of `pattern` in `text`, compared
// case-sensitively; 0 when there is none or `pattern` is empty.
int FindFirst(std::u16string_view text, std::u16string_view pattern);

// The `count` units of `text` from the 1-based position `start`. A start below 1 counts as 1;
// the count is cut to the units that remain; the result is empty when `start` lies beyond the
// text or `count` is below 1.
std::u16string SubstringAt(std::u16string_view text, int start, int count);

// The piece of `text` that a script reads from the 0-based `offset`, at most `count` units:
// empty when `count` is below 1 or `offset` lies outside the text. No overflow for any pair of
// values.
std::u16string_view ScriptPiece(std::u16string_view text, long long offset, long long count);
