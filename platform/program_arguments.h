#pragma once
// The arguments a program was started with, as UTF-16 texts: on Windows exactly as typed (the
// 8-bit argv would have lost what the ANSI code page cannot hold), elsewhere decoded from
// UTF-8.

#include <string>
#include <vector>

// Every argument after the program's own name.
std::vector<std::u16string> ProgramArguments(int argc, char** argv);
