#include "platform/program_arguments.h"

#include "platform/utf8.h"

std::vector<std::u16string> ProgramArguments(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(Utf8ToUtf16(argv[i]));
  return arguments;
}
