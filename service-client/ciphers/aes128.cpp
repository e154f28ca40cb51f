#include "service-client/ciphers/aes128.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "service-client/ciphers/aes_helpers.h"
#include "service-client/ciphers/aes_tables.h"

using aes_tables::FFlog;
using aes_tables::FFpow;
using aes_tables::sBox;
using aes_tables::sBoxInv;

namespace {

constexpr int kBlock = 16;
constexpr int kProgressStep = 100000;

// Whether a whole block starts at `position` of an input of `length` bytes.
bool HasWholeBlock(int position, int64_t length) {
  return position >= 0 && int64_t{position} + kBlock <= length;
}

// Positions are ints: a file beyond their range is an input/output failure, not a short result.
void CheckFilePosition(int position) {
  if (position > INT32_MAX - kBlock) throw EInOutError("file too large");
}

void WriteToStandardOutput(std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
    throw EInOutError("cannot write to standard output");
  }
}

}  // namespace

void TAES128::printstate() {
  std::string line = "\n";
  for (const uint8_t byte : state) {
    const std::u16string hex = hexToString(byte);
    line += {static_cast<char>(hex[0]), static_cast<char>(hex[1]), ' '};
  }
  WriteToStandardOutput(line);
}

void TAES128::selfTest() {
  uint8_t block[kBlock] = {0x32, 0x43, 0xf6, 0xa8, 0x88, 0x5a, 0x30, 0x8d,
                           0x31, 0x31, 0x98, 0xa2, 0xe0, 0x37, 0x07, 0x34};
  const std::u16string keyText = u"2b7e151628aed2a6abf7158809cf4f3c";
  encrypt(keyText, block, kBlock, block, kBlock);  // the state now holds the block's result
  printstate();
  decrypt(keyText, block, kBlock, block, kBlock);
  printstate();
}

void TAES128::PrepareKey(const std::u16string& keyText) {
  position = 0;
  convertKeyString(keyText, cipherKey);
  keyExpansion128(cipherKey);
}

void TAES128::AdvanceProgress() {
  if (position % kProgressStep == 0) WriteToStandardOutput(".");
}

void TAES128::ProcessFile(const std::u16string& keyText, TBinaryFile& inFile, TBinaryFile& outFile,
                          void (TAES128::*nextBlock)(TBinaryFile&)) {
  PrepareKey(keyText);
  while (HasWholeBlock(position, inFile.Size())) {
    CheckFilePosition(position);
    fillState(inFile);
    position += kBlock;
    AdvanceProgress();
    (this->*nextBlock)(outFile);
  }
}

void TAES128::ProcessBuffer(const std::u16string& keyText, const uint8_t* in, int inLength,
                            uint8_t* out, int outLength,
                            void (TAES128::*nextBlock)(uint8_t*, int)) {
  PrepareKey(keyText);
  while (HasWholeBlock(position, inLength)) {
    fillState(in, inLength);
    AdvanceProgress();
    (this->*nextBlock)(out, outLength);
  }
}

void TAES128::encrypt(const std::u16string& keyText, TBinaryFile& inFile, TBinaryFile& outFile) {
  ProcessFile(keyText, inFile, outFile, &TAES128::encryptNextBlock);
}

void TAES128::decrypt(const std::u16string& keyText, TBinaryFile& inFile, TBinaryFile& outFile) {
  ProcessFile(keyText, inFile, outFile, &TAES128::decryptNextBlock);
}

void TAES128::encrypt(const std::u16string& keyText, const uint8_t* in, int inLength, uint8_t* out,
                      int outLength) {
  ProcessBuffer(keyText, in, inLength, out, outLength, &TAES128::encryptNextBlock);
}

void TAES128::decrypt(const std::u16string& keyText, const uint8_t* in, int inLength, uint8_t* out,
                      int outLength) {
  ProcessBuffer(keyText, in, inLength, out, outLength, &TAES128::decryptNextBlock);
}

void TAES128::fillState(TBinaryFile& inFile) {
  std::memset(state, 0, kBlock);
  inFile.ReadBlock(state, kBlock);
}

void TAES128::fillState(const uint8_t* in, int inLength) {
  if (!HasWholeBlock(position, inLength)) throw std::out_of_range("no whole block left");
  std::memcpy(state, in + position, kBlock);
  position += kBlock;
}

void TAES128::encryptNextBlock(TBinaryFile& outFile) {
  cipherState();
  outFile.WriteBlock(state, kBlock);
}

void TAES128::encryptNextBlock(uint8_t* out, int /*outLength*/) {
  cipherState();
  std::memcpy(out + position - kBlock, state, kBlock);
}

void TAES128::decryptNextBlock(TBinaryFile& outFile) {
  invCipherState();
  outFile.WriteBlock(state, kBlock);
}

void TAES128::decryptNextBlock(uint8_t* out, int /*outLength*/) {
  invCipherState();
  std::memcpy(out + position - kBlock, state, kBlock);
}

namespace {

// The state as four column words, byte r of column c in bits 8r..8r+7. The round functions work
// on these words in registers, apart from the object's fields; the helpers are always inlined so
// that a block never goes through memory between steps (byte-wide and block-wide accesses to one
// buffer stall the processor).
using Columns = std::array<uint32_t, 4>;

// Column(b0, b1, b2, b3) is the little-endian word of those bytes, so columns load and store
// with plain copies.
static_assert(std::endian::native == std::endian::little);

[[gnu::always_inline]] inline uint8_t ByteOf(uint32_t column, int row) {
  return static_cast<uint8_t>(column >> (8 * row));
}

[[gnu::always_inline]] inline uint32_t Column(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return uint32_t{b0} | uint32_t{b1} << 8 | uint32_t{b2} << 16 | uint32_t{b3} << 24;
}

[[gnu::always_inline]] inline Columns LoadColumns(const uint8_t* bytes) {
  Columns columns;
  std::memcpy(columns.data(), bytes, sizeof(columns));
  return columns;
}

[[gnu::always_inline]] inline void StoreColumns(const Columns& columns, uint8_t* bytes) {
  std::memcpy(bytes, columns.data(), sizeof(columns));
}

[[gnu::always_inline]] inline Columns XorColumns(const Columns& columns, const Columns& key) {
  return {columns[0] ^ key[0], columns[1] ^ key[1], columns[2] ^ key[2], columns[3] ^ key[3]};
}

// Round steps are written as functions byteAt(c, r) that give the new byte of row r in column
// c, so that steps compose without packing the columns in between.

// The bytes of `in` as they stand.
[[gnu::always_inline]] inline auto BytesOf(const Columns& in) {
  return [&in](int c, int r) { return ByteOf(in[c], r); };
}

// Every byte through `box` (SubBytes with sBox, InvSubBytes with sBoxInv), with row r of column
// c taken from column c + r * kStep (0: no shift, 1: ShiftRows, 3: InvShiftRows). Substitution
// and shifting commute, so one step does both.
template <int kStep>
[[gnu::always_inline]] inline auto SubstitutedShiftedBytes(const Columns& in,
                                                           const std::array<uint8_t, 256>& box) {
  return [&in, &box](int c, int r) { return box[ByteOf(in[(c + r * kStep) % 4], r)]; };
}

// The columns made of the bytes that byteAt gives.
template <typename ByteAt>
[[gnu::always_inline]] inline Columns ColumnsOf(ByteAt byteAt) {
  Columns out;
  for (int c = 0; c < 4; ++c)
    out[c] = Column(byteAt(c, 0), byteAt(c, 1), byteAt(c, 2), byteAt(c, 3));
  return out;
}

// MixColumns over the bytes that byteAt gives; every product is read from a table (Products), as
// FFMul would give it.
template <typename ByteAt>
[[gnu::always_inline]] inline Columns MixedColumnsOf(ByteAt byteAt) {
  const auto& times2 = aes_tables::Products<2>;
  const auto& times3 = aes_tables::Products<3>;
  Columns out;
  for (int c = 0; c < 4; ++c) {
    const uint8_t a0 = byteAt(c, 0), a1 = byteAt(c, 1), a2 = byteAt(c, 2), a3 = byteAt(c, 3);
    out[c] = Column(times2[a0] ^ times3[a1] ^ a2 ^ a3, times2[a1] ^ times3[a2] ^ a3 ^ a0,
                    times2[a2] ^ times3[a3] ^ a0 ^ a1, times2[a3] ^ times3[a0] ^ a1 ^ a2);
  }
  return out;
}

// The box for a shift alone.
constexpr std::array<uint8_t, 256> MakeIdentityBox() {
  std::array<uint8_t, 256> box{};
  for (int x = 0; x < 256; ++x) box[x] = static_cast<uint8_t>(x);
  return box;
}

constexpr std::array<uint8_t, 256> kIdentityBox = MakeIdentityBox();

[[gnu::always_inline]] inline Columns InverseMix(const Columns& in) {
  const auto& times9 = aes_tables::Products<0x09>;
  const auto& times11 = aes_tables::Products<0x0b>;
  const auto& times13 = aes_tables::Products<0x0d>;
  const auto& times14 = aes_tables::Products<0x0e>;
  Columns out;
  for (int c = 0; c < 4; ++c) {
    const uint8_t a0 = ByteOf(in[c], 0), a1 = ByteOf(in[c], 1), a2 = ByteOf(in[c], 2),
                  a3 = ByteOf(in[c], 3);
    out[c] = Column(times14[a0] ^ times11[a1] ^ times13[a2] ^ times9[a3],
                    times14[a1] ^ times11[a2] ^ times13[a3] ^ times9[a0],
                    times14[a2] ^ times11[a3] ^ times13[a0] ^ times9[a1],
                    times14[a3] ^ times11[a0] ^ times13[a1] ^ times9[a2]);
  }
  return out;
}

}  // namespace

// The FIPS-197 Cipher, round keys 0..43 in order: what nine rounds of xorRoundKey, subBytes,
// shiftRows and mixcolumns, then xorRoundKey, subBytes, shiftRows and xorRoundKey compute.
void TAES128::cipherState() {
  Columns columns = XorColumns(LoadColumns(state), LoadColumns(keySchedule[0]));
  for (int round = 1; round <= 9; ++round) {
    columns = XorColumns(MixedColumnsOf(SubstitutedShiftedBytes<1>(columns, sBox)),
                         LoadColumns(keySchedule[4 * round]));
  }
  columns = XorColumns(ColumnsOf(SubstitutedShiftedBytes<1>(columns, sBox)),
                       LoadColumns(keySchedule[40]));
  StoreColumns(columns, state);
  roundKeyIndex = 44;
}

// The FIPS-197 InvCipher, round keys 40..43 down to 0..3.
void TAES128::invCipherState() {
  Columns columns = XorColumns(LoadColumns(state), LoadColumns(keySchedule[40]));
  for (int round = 9; round >= 1; --round) {
    columns = InverseMix(XorColumns(ColumnsOf(SubstitutedShiftedBytes<3>(columns, sBoxInv)),
                                    LoadColumns(keySchedule[4 * round])));
  }
  columns = XorColumns(ColumnsOf(SubstitutedShiftedBytes<3>(columns, sBoxInv)),
                       LoadColumns(keySchedule[0]));
  StoreColumns(columns, state);
  roundKeyIndex = 4;
}

void TAES128::convertKeyString(const std::u16string& keyText, uint8_t* key) {
  for (size_t i = 0; i < 16; ++i) {
    key[i] = hexToByte(2 * i < keyText.size() ? keyText.substr(2 * i, 2) : u"");
  }
}

void TAES128::getRCon(int n, uint8_t* word) {
  uint8_t rc = 0x36;
  if (n >= 1 && n <= 8) {
    rc = static_cast<uint8_t>(1 << (n - 1));
  } else if (n == 9) {
    rc = 0x1b;
  }
  setWord(rc, 0, 0, 0, word);
}

void TAES128::subWord(const uint8_t* in, uint8_t* out) {
  for (int k = 0; k < 4; ++k) out[k] = sBox[in[k]];
}

void TAES128::keyExpansion128(const uint8_t* key) {
  for (int i = 0; i < 4; ++i)
    setWord(key[4 * i], key[4 * i + 1], key[4 * i + 2], key[4 * i + 3], keySchedule[i]);
  for (int i = 4; i < 44; ++i) {
    uint8_t temp[4];
    std::memcpy(temp, keySchedule[i - 1], 4);
    if (i % 4 == 0) {
      uint8_t rotated[4];
      uint8_t substituted[4];
      uint8_t rcon[4];
      rotWord(temp, rotated);
      subWord(rotated, substituted);
      getRCon(i / 4, rcon);
      xorWord(substituted, rcon, temp);
    }
    xorWord(keySchedule[i - 4], temp, keySchedule[i]);
  }
}

void TAES128::xorRoundKey() {
  // Four schedule words lie back to back.
  StoreColumns(XorColumns(LoadColumns(state), LoadColumns(keySchedule[roundKeyIndex])), state);
  roundKeyIndex += 4;
}

void TAES128::shiftRows() {
  const Columns in = LoadColumns(state);
  StoreColumns(ColumnsOf(SubstitutedShiftedBytes<1>(in, kIdentityBox)), state);
}

void TAES128::invshiftRows() {
  const Columns in = LoadColumns(state);
  StoreColumns(ColumnsOf(SubstitutedShiftedBytes<3>(in, kIdentityBox)), state);
}

void TAES128::subBytes() {
  const Columns in = LoadColumns(state);
  StoreColumns(ColumnsOf(SubstitutedShiftedBytes<0>(in, sBox)), state);
}

void TAES128::invsubBytes() {
  const Columns in = LoadColumns(state);
  StoreColumns(ColumnsOf(SubstitutedShiftedBytes<0>(in, sBoxInv)), state);
}

uint8_t TAES128::FFMul(uint8_t a, uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return FFpow[FFlog[a] + FFlog[b]];
}

void TAES128::mixcolumns() {
  const Columns in = LoadColumns(state);
  StoreColumns(MixedColumnsOf(BytesOf(in)), state);
}

void TAES128::invMixColumns() { StoreColumns(InverseMix(LoadColumns(state)), state); }
