#pragma once
// TAES128: AES-128 (FIPS-197, 10 rounds) over byte buffers and binary files, every whole 16-byte
// block on its own (electronic codebook). The key is a text of 32 lower-case hex digits, turned
// into key bytes and expanded again on every encrypt or decrypt call. Trailing bytes that do not
// fill a block are neither read nor written.
//
// Threads: the round scratch values live per call, so separate objects may be used on separate
// threads at once; one object serves one call at a time.

#include <cstdint>
#include <string>

#include "service-client/ciphers/binary_file.h"

class TAES128 {
 public:
  // Writes a line break and the 16 state bytes as "xx " to standard output.
  void printstate();
  // Enciphers and deciphers the FIPS-197 Appendix B block, printing it after each step.
  void selfTest();

  // Every whole block of `inFile` into `outFile`. Progress: one "." on standard output whenever
  // the bytes taken reach a multiple of 100000. I/O failures throw EInOutError; blocks written
  // before stay written.
  void encrypt(const std::u16string& keyText, TBinaryFile& inFile, TBinaryFile& outFile);
  void decrypt(const std::u16string& keyText, TBinaryFile& inFile, TBinaryFile& outFile);

  // Every whole block of `in` into the same offsets of `out`, which may be `in` itself and must
  // cover those blocks (`outLength` is not used). Progress as for files.
  void encrypt(const std::u16string& keyText, const uint8_t* in, int inLength, uint8_t* out,
               int outLength);
  void decrypt(const std::u16string& keyText, const uint8_t* in, int inLength, uint8_t* out,
               int outLength);

  // The steps of those loops.
  void fillState(TBinaryFile& inFile);
  void fillState(const uint8_t* in, int inLength);
  void encryptNextBlock(TBinaryFile& outFile);
  void encryptNextBlock(uint8_t* out, int outLength);
  void decryptNextBlock(TBinaryFile& outFile);
  void decryptNextBlock(uint8_t* out, int outLength);

  // 16 key bytes from the key text, two characters each (hexToByte); never fails.
  void convertKeyString(const std::u16string& keyText, uint8_t* key);
  void getRCon(int n, uint8_t* word);
  void subWord(const uint8_t* in, uint8_t* out);
  void keyExpansion128(const uint8_t* key);
  void xorRoundKey();
  void shiftRows();
  void invshiftRows();
  void subBytes();
  void invsubBytes();
  uint8_t FFMul(uint8_t a, uint8_t b);
  void mixcolumns();
  void invMixColumns();

  // Byte 4c + r is row r of column c.
  const uint8_t* GetState() const { return state; }

 private:
  void PrepareKey(const std::u16string& keyText);
  void ProcessFile(const std::u16string& keyText, TBinaryFile& inFile, TBinaryFile& outFile,
                   void (TAES128::*nextBlock)(TBinaryFile&));
  void ProcessBuffer(const std::u16string& keyText, const uint8_t* in, int inLength, uint8_t* out,
                     int outLength, void (TAES128::*nextBlock)(uint8_t*, int));
  void AdvanceProgress();
  void cipherState();
  void invCipherState();

  int roundKeyIndex = 0;
  uint8_t state[16] = {};
  uint8_t keySchedule[44][4] = {};
  uint8_t cipherKey[16] = {};
  int position = 0;
};
