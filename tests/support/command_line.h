#pragma once
// Command lines for the programs that tests start. Windows only.

#include <string>

// `argument` as the system's command-line parser (CommandLineToArgvW, the C runtime) reads it
// back as one argument: quoted when needed, backslashes before a quote doubled, quotes escaped.
std::wstring QuotedArgument(const std::wstring& argument);
