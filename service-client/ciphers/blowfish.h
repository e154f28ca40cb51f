#pragma once
// Blowfish: the published 16-round cipher on 64-bit blocks with the standard initial tables.
// The library only deciphers with it (electronic codebook, block by block); single-block
// encipherment serves the key schedule. An object shares nothing: separate objects may be used
// on separate threads.

#include <cstdint>

#include "service-client/ciphers/blowfish_tables.h"

class Blowfish {
 public:
  Blowfish() { Reset(); }
  // Puts the initial tables back, so that no key-dependent value stays in the object's memory.
  ~Blowfish() { Reset(); }
  Blowfish(const Blowfish&) = delete;
  Blowfish& operator=(const Blowfish&) = delete;

  // Copies the initial P-array and S-boxes into the object.
  void Reset();

  // Reset, then the key schedule over `length` key bytes used cyclically (521 encipherments).
  // With length 0 the initial tables stay. Any length is accepted.
  void SetKey(const uint8_t* key, unsigned length);

  // Enciphers or deciphers one block given as its two big-endian halves, in place.
  void EncryptBlock(uint32_t& left, uint32_t& right) const;
  void DecryptBlock(uint32_t& left, uint32_t& right) const;

  // Deciphers every 8-byte block of `data` in place; does nothing when `length` is not a
  // multiple of 8.
  void Decrypt(uint8_t* data, unsigned length) const;

 private:
  uint32_t F(uint32_t x) const;
  template <int kFirst, int kStep>
  void Rounds(uint32_t& left, uint32_t& right) const;

  uint32_t P[18];
  uint32_t S[4][256];
};

// The most bytes that Base64Decode writes for `count` characters: (3 * count + 3) / 4.
// Throws std::length_error when that does not fit an int.
int Base64DecodedSize(int count);

// Decodes standard Base64 leniently: examines at most `count` characters of `text` (which must
// hold that many), stops early at the first "=", passes over characters outside the alphabet,
// and needs no padding. Writes at most Base64DecodedSize(count) bytes to `out` and returns how
// many it wrote.
int Base64Decode(const char* text, uint8_t* out, int count);
