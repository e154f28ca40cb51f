#pragma once
// Reads a request's whole text or body as a script does: through one of the buffer readers
// (`reader(id, buffer, offset, count)`), in pieces of `size` elements, raising the offset by what
// came back, until a piece comes back short. The buffer holds `size + 1` for the terminator.

#include <vector>

template <typename Char, typename Reader>
std::vector<Char> ReadInPieces(Reader reader, int id, int size) {
  std::vector<Char> whole;
  std::vector<Char> buffer(size + 1);
  for (int read = size; read == size;) {
    read = reader(id, buffer.data(), static_cast<int>(whole.size()), size);
    if (read > 0) whole.insert(whole.end(), buffer.begin(), buffer.begin() + read);
  }
  return whole;
}
