#pragma once
// The running program's own file. Windows only.

#include <string>

// The full path of the running program's file, exactly as the system gives it (UTF-16).
std::wstring ProgramPath();
