#include "service-client/ciphers/blowfish.h"

#include <array>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

void Blowfish::Reset() {
  std::memcpy(P, kBlowfishInitialTables.P, sizeof(P));
  std::memcpy(S, kBlowfishInitialTables.S, sizeof(S));
  // The destructor's reset is a store to memory that is about to die; this barrier makes the
  // compiler treat the tables as read afterwards, so that it cannot drop the store.
  asm volatile("" : : "r"(this) : "memory");
}

void Blowfish::SetKey(const uint8_t* key, unsigned length) {
  Reset();
  if (length == 0) return;
  unsigned j = 0;
  for (uint32_t& word : P) {
    uint32_t keyWord = 0;
    for (int k = 0; k < 4; ++k) {
      keyWord = (keyWord << 8) | key[j];
      j = (j + 1) % length;
    }
    word ^= keyWord;
  }
  uint32_t left = 0;
  uint32_t right = 0;
  for (int i = 0; i < 18; i += 2) {
    EncryptBlock(left, right);
    P[i] = left;
    P[i + 1] = right;
  }
  for (auto& box : S) {
    for (int i = 0; i < 256; i += 2) {
      EncryptBlock(left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

uint32_t Blowfish::F(uint32_t x) const {
  return ((S[0][x >> 24] + S[1][(x >> 16) & 0xFF]) ^ S[2][(x >> 8) & 0xFF]) + S[3][x & 0xFF];
}

// The 16 rounds read the P-array forwards to encipher and backwards to decipher: round i uses
// P[kFirst + i * kStep], the closing whitening the two entries after those.
template <int kFirst, int kStep>
void Blowfish::Rounds(uint32_t& left, uint32_t& right) const {
  uint32_t l = left;
  uint32_t r = right;
  for (int i = 0; i < 16; ++i) {
    l ^= P[kFirst + i * kStep];
    r ^= F(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= P[kFirst + 16 * kStep];
  l ^= P[kFirst + 17 * kStep];
  left = l;
  right = r;
}

void Blowfish::EncryptBlock(uint32_t& left, uint32_t& right) const { Rounds<0, 1>(left, right); }

void Blowfish::DecryptBlock(uint32_t& left, uint32_t& right) const { Rounds<17, -1>(left, right); }

namespace {

uint32_t LoadBigEndian(const uint8_t* bytes) {
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

void StoreBigEndian(uint32_t word, uint8_t* bytes) {
  for (int k = 0; k < 4; ++k) bytes[k] = static_cast<uint8_t>(word >> (24 - 8 * k));
}

}  // namespace

void Blowfish::Decrypt(uint8_t* data, unsigned length) const {
  if (length % 8 != 0) return;
  for (unsigned offset = 0; offset < length; offset += 8) {
    uint32_t left = LoadBigEndian(data + offset);
    uint32_t right = LoadBigEndian(data + offset + 4);
    DecryptBlock(left, right);
    StoreBigEndian(left, data + offset);
    StoreBigEndian(right, data + offset + 4);
  }
}

namespace {

constexpr uint8_t kNotBase64 = 0xFF;

constexpr std::array<uint8_t, 256> MakeBase64Values() {
  std::array<uint8_t, 256> values{};
  values.fill(kNotBase64);
  constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (uint8_t value = 0; value < 64; ++value)
    values[static_cast<uint8_t>(kAlphabet[value])] = value;
  return values;
}

constexpr std::array<uint8_t, 256> kBase64Values = MakeBase64Values();

}  // namespace

int Base64DecodedSize(int count) {
  const long long size = (3LL * count + 3) / 4;
  if (size > std::numeric_limits<int>::max()) throw std::length_error("Base64 text too long");
  return static_cast<int>(size);
}

int Base64Decode(const char* text, uint8_t* out, int count) {
  int written = 0;
  uint32_t group = 0;
  int values = 0;
  for (int i = 0; i < count && text[i] != '='; ++i) {
    const uint8_t value = kBase64Values[static_cast<uint8_t>(text[i])];
    if (value == kNotBase64) continue;
    group = (group << 6) | value;
    if (++values == 4) {
      out[written++] = static_cast<uint8_t>(group >> 16);
      out[written++] = static_cast<uint8_t>(group >> 8);
      out[written++] = static_cast<uint8_t>(group);
      group = 0;
      values = 0;
    }
  }
  if (values >= 2) {
    group <<= 6 * (4 - values);  // left-align the values in 24 bits
    out[written++] = static_cast<uint8_t>(group >> 16);
    if (values == 3) out[written++] = static_cast<uint8_t>(group >> 8);
  }
  return written;
}
