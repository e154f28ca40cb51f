#include "platform/binary_stdout.h"

void MakeStdoutBinary() {}  // already byte for byte
