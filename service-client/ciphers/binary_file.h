#pragma once
// TBinaryFile: an open binary file as the AES file operations use it. The caller opens and closes
// the file; the operations read and write from its current position.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <stdexcept>

// The input/output failure of a file or of standard output (a short read included).
class EInOutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBinaryFile {
 public:
  virtual ~TBinaryFile() = default;
  // The file's current size in bytes.
  virtual int64_t Size() = 0;
  // Reads exactly `count` bytes; throws EInOutError when fewer are there.
  virtual void ReadBlock(uint8_t* bytes, size_t count) = 0;
  // Writes `count` bytes; throws EInOutError on failure.
  virtual void WriteBlock(const uint8_t* bytes, size_t count) = 0;
};

// A TBinaryFile over a standard stream opened in binary mode (std::fstream, std::stringstream).
// The stream is not owned and must outlive this object.
class TStreamFile : public TBinaryFile {
 public:
  explicit TStreamFile(std::iostream& stream) : FStream(stream) {}
  int64_t Size() override;
  void ReadBlock(uint8_t* bytes, size_t count) override;
  void WriteBlock(const uint8_t* bytes, size_t count) override;

 private:
  std::iostream& FStream;
};
