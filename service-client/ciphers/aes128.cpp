#include "service-client/ciphers/aes128.h"

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

void TAES128::cipherState() {
  roundKeyIndex = 0;
  for (int round = 0; round < 9; ++round) {
    xorRoundKey();
    subBytes();
    shiftRows();
    mixcolumns();
  }
  xorRoundKey();
  subBytes();
  shiftRows();
  xorRoundKey();
}

void TAES128::invCipherState() {
  roundKeyIndex = 40;
  xorRoundKey();
  for (int round = 0; round < 9; ++round) {
    invsubBytes();
    invshiftRows();
    roundKeyIndex -= 8;
    xorRoundKey();
    invMixColumns();
  }
  invsubBytes();
  invshiftRows();
  roundKeyIndex = 0;
  xorRoundKey();
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
  for (int column = 0; column < 4; ++column) {
    uint8_t key1[4];
    std::memcpy(key1, keySchedule[roundKeyIndex + column], 4);
    xorWord(state + 4 * column, key1, state + 4 * column);
  }
  roundKeyIndex += 4;
}

void TAES128::shiftRows() {
  uint8_t tempx = state[1];
  state[1] = state[5];
  state[5] = state[9];
  state[9] = state[13];
  state[13] = tempx;
  std::swap(state[2], state[10]);
  std::swap(state[6], state[14]);
  uint8_t tempy = state[15];
  state[15] = state[11];
  state[11] = state[7];
  state[7] = state[3];
  state[3] = tempy;
}

void TAES128::invshiftRows() {
  uint8_t tempx = state[13];
  state[13] = state[9];
  state[9] = state[5];
  state[5] = state[1];
  state[1] = tempx;
  std::swap(state[2], state[10]);
  std::swap(state[6], state[14]);
  uint8_t tempy = state[3];
  state[3] = state[7];
  state[7] = state[11];
  state[11] = state[15];
  state[15] = tempy;
}

void TAES128::subBytes() {
  for (uint8_t& byte : state) byte = sBox[byte];
}

void TAES128::invsubBytes() {
  for (uint8_t& byte : state) byte = sBoxInv[byte];
}

uint8_t TAES128::FFMul(uint8_t a, uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return FFpow[FFlog[a] + FFlog[b]];
}

void TAES128::mixcolumns() {
  uint8_t temp2[16];
  std::memcpy(temp2, state, 16);
  for (int c = 0; c < 4; ++c) {
    const uint8_t* a = temp2 + 4 * c;
    uint8_t* s = state + 4 * c;
    s[0] = FFMul(2, a[0]) ^ FFMul(3, a[1]) ^ a[2] ^ a[3];
    s[1] = FFMul(2, a[1]) ^ FFMul(3, a[2]) ^ a[3] ^ a[0];
    s[2] = FFMul(2, a[2]) ^ FFMul(3, a[3]) ^ a[0] ^ a[1];
    s[3] = FFMul(2, a[3]) ^ FFMul(3, a[0]) ^ a[1] ^ a[2];
  }
}

void TAES128::invMixColumns() {
  uint8_t temp2[16];
  std::memcpy(temp2, state, 16);
  for (int c = 0; c < 4; ++c) {
    const uint8_t* a = temp2 + 4 * c;
    uint8_t* s = state + 4 * c;
    s[0] = FFMul(0x0e, a[0]) ^ FFMul(0x0b, a[1]) ^ FFMul(0x0d, a[2]) ^ FFMul(0x09, a[3]);
    s[1] = FFMul(0x0e, a[1]) ^ FFMul(0x0b, a[2]) ^ FFMul(0x0d, a[3]) ^ FFMul(0x09, a[0]);
    s[2] = FFMul(0x0e, a[2]) ^ FFMul(0x0b, a[3]) ^ FFMul(0x0d, a[0]) ^ FFMul(0x09, a[1]);
    s[3] = FFMul(0x0e, a[3]) ^ FFMul(0x0b, a[0]) ^ FFMul(0x0d, a[1]) ^ FFMul(0x09, a[2]);
  }
}
