#include "service-client/ciphers/binary_file.h"

#include <istream>

int64_t TStreamFile::Size() {
  const std::streampos current = FStream.tellg();
  FStream.seekg(0, std::ios::end);
  const std::streampos end = FStream.tellg();
  FStream.seekg(current);
  if (!FStream || current == std::streampos(-1) || end == std::streampos(-1)) {
    throw EInOutError("cannot take the size of the file");
  }
  return static_cast<int64_t>(end);
}

void TStreamFile::ReadBlock(uint8_t* bytes, size_t count) {
  FStream.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
  if (FStream.gcount() != static_cast<std::streamsize>(count)) {
    throw EInOutError("short read from the file");
  }
}

void TStreamFile::WriteBlock(const uint8_t* bytes, size_t count) {
  FStream.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(count));
  if (!FStream) throw EInOutError("cannot write to the file");
}
