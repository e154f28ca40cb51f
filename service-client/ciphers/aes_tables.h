#pragma once
// The AES-128 cipher's constant byte tables, computed at compile time from their definitions:
// the FIPS-197 S-box and its inverse, base-0x03 logarithms and powers in GF(2^8) under the
// AES polynomial x^8 + x^4 + x^3 + x + 1, and the products by MixColumns' factors.

#include <array>
#include <cstdint>

namespace aes_tables {

constexpr uint8_t MultiplyByThree(uint8_t x) {
  const uint8_t doubled = static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0x00));
  return static_cast<uint8_t>(doubled ^ x);
}

// FFpow[i] = 0x03^(i mod 255), two full cycles, so that a sum of two logarithms indexes it.
constexpr std::array<uint8_t, 510> MakePowers() {
  std::array<uint8_t, 510> powers{};
  uint8_t power = 1;
  for (int i = 0; i < 510; ++i) {
    powers[i] = power;
    power = MultiplyByThree(power);
  }
  return powers;
}

constexpr std::array<uint8_t, 510> FFpow = MakePowers();

// FFlog[x]: the logarithm of x to the base 0x03; FFlog[0] is 0 and never used.
constexpr std::array<uint8_t, 256> MakeLogarithms() {
  std::array<uint8_t, 256> logarithms{};
  for (int i = 0; i < 255; ++i) logarithms[FFpow[i]] = static_cast<uint8_t>(i);
  return logarithms;
}

constexpr std::array<uint8_t, 256> FFlog = MakeLogarithms();

constexpr uint8_t RotateLeft(uint8_t x, int shift) {
  return static_cast<uint8_t>((x << shift) | (x >> (8 - shift)));
}

// The S-box: the multiplicative inverse followed by the affine transformation.
constexpr std::array<uint8_t, 256> MakeSBox() {
  std::array<uint8_t, 256> box{};
  for (int x = 0; x < 256; ++x) {
    const uint8_t inverse = x == 0 ? 0 : FFpow[255 - FFlog[x]];
    box[x] = static_cast<uint8_t>(inverse ^ RotateLeft(inverse, 1) ^ RotateLeft(inverse, 2) ^
                                  RotateLeft(inverse, 3) ^ RotateLeft(inverse, 4) ^ 0x63);
  }
  return box;
}

constexpr std::array<uint8_t, 256> sBox = MakeSBox();

constexpr std::array<uint8_t, 256> MakeInverseSBox() {
  std::array<uint8_t, 256> box{};
  for (int x = 0; x < 256; ++x) box[sBox[x]] = static_cast<uint8_t>(x);
  return box;
}

constexpr std::array<uint8_t, 256> sBoxInv = MakeInverseSBox();

// Products by the fixed factors of MixColumns and InvMixColumns, one lookup each:
// Products<f>[x] = f * x in GF(2^8), taken through the logarithm tables.
template <uint8_t factor>
constexpr std::array<uint8_t, 256> MakeProducts() {
  std::array<uint8_t, 256> products{};
  for (int x = 1; x < 256; ++x) products[x] = FFpow[FFlog[factor] + FFlog[x]];
  return products;
}

template <uint8_t factor>
constexpr std::array<uint8_t, 256> Products = MakeProducts<factor>();

static_assert(sBox[0x00] == 0x63 && sBox[0x53] == 0xED && sBox[0xFF] == 0x16);
static_assert(sBoxInv[0x63] == 0x00 && FFpow[255] == 1 && FFlog[0x03] == 1);

}  // namespace aes_tables
