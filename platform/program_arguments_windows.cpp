// clang-format keeps blocks apart: shellapi.h needs windows.h first.
#include <windows.h>

#include <shellapi.h>

#include <memory>

#include "platform/program_arguments.h"

std::vector<std::u16string> ProgramArguments(int, char**) {
  int count = 0;
  const std::unique_ptr<LPWSTR, decltype(&LocalFree)> arguments(
      CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
  std::vector<std::u16string> result;
  for (int i = 1; arguments && i < count; ++i) {
    const wchar_t* argument = arguments.get()[i];
    result.emplace_back(argument, argument + wcslen(argument));
  }
  return result;
}
