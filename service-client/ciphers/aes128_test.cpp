#include "service-client/ciphers/aes128.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/hex_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encrypt(const std::u16string& key, Bytes bytes) {
  TAES128().encrypt(key, bytes.data(), static_cast<int>(bytes.size()), bytes.data(),
                    static_cast<int>(bytes.size()));
  return bytes;
}

Bytes Decrypt(const std::u16string& key, Bytes bytes) {
  TAES128().decrypt(key, bytes.data(), static_cast<int>(bytes.size()), bytes.data(),
                    static_cast<int>(bytes.size()));
  return bytes;
}

Bytes SomeBytes(size_t count) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

const std::u16string kAppendixBKey = u"2b7e151628aed2a6abf7158809cf4f3c";

TEST(AES128Test, StandardVectorsEncryptAndDecrypt) {
  const struct {
    std::u16string key;
    std::string plain, cipher;
  } kVectors[] = {
      {kAppendixBKey, "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32"},
      {u"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
       "69c4e0d86a7b0430d8cdb78070b4c55a"},
  };
  for (const auto& v : kVectors) {
    EXPECT_EQ(Encrypt(v.key, FromHex(v.plain)), FromHex(v.cipher)) << v.plain;
    EXPECT_EQ(Decrypt(v.key, FromHex(v.cipher)), FromHex(v.plain)) << v.cipher;
  }
}

// The round operations, applied one by one in the standard's order, give the block cipher.
TEST(AES128Test, TheRoundOperationsStepByStepGiveTheStandardCiphertext) {
  const Bytes plain = FromHex("3243f6a8885a308d313198a2e0370734");
  TAES128 aes;
  uint8_t key[16];
  aes.convertKeyString(kAppendixBKey, key);
  aes.keyExpansion128(key);
  aes.fillState(plain.data(), 16);
  for (int round = 0; round < 9; ++round) {
    aes.xorRoundKey();
    aes.subBytes();
    aes.shiftRows();
    aes.mixcolumns();
  }
  aes.xorRoundKey();
  aes.subBytes();
  aes.shiftRows();
  aes.xorRoundKey();
  EXPECT_EQ(Bytes(aes.GetState(), aes.GetState() + 16),
            FromHex("3925841d02dc09fbdc118597196a0b32"));
}

TEST(AES128Test, RoundOperationsAndTheirInverses) {
  Bytes counting(16);
  for (int i = 0; i < 16; ++i) counting[i] = static_cast<uint8_t>(i);
  TAES128 aes;
  aes.fillState(counting.data(), 16);
  aes.shiftRows();
  EXPECT_EQ(Bytes(aes.GetState(), aes.GetState() + 16),
            Bytes({0, 5, 10, 15, 4, 9, 14, 3, 8, 13, 2, 7, 12, 1, 6, 11}));
  aes.invshiftRows();
  aes.subBytes();
  aes.mixcolumns();
  aes.invMixColumns();
  aes.invsubBytes();
  EXPECT_EQ(Bytes(aes.GetState(), aes.GetState() + 16), counting);

  EXPECT_EQ(aes.FFMul(0x57, 0x83), 0xc1);
  EXPECT_EQ(aes.FFMul(0x57, 0x13), 0xfe);
  EXPECT_EQ(aes.FFMul(0x00, 0x13), 0x00);
  EXPECT_EQ(aes.FFMul(0x01, 0xff), 0xff);
}

TEST(AES128Test, KeyTextsThatAreNotLowerCaseHexStillGiveSixteenBytes) {
  const struct {
    std::u16string keyText;
    std::string key;
  } kCases[] = {
      {kAppendixBKey, "2b7e151628aed2a6abf7158809cf4f3c"},
      {u"zz", "0f0f0f0f0f0f0f0f0f0f0f0f0f0f0f0f"},  // missing characters are not hex digits
      {u"z33z2B", "f3cfdf0f0f0f0f0f0f0f0f0f0f0f0f0f"},
      {u"2B7E151628aed2a6abf7158809cf4f3c", "df8f151628aed2a6abf7158809cf4f3c"},
      {u"", "0f0f0f0f0f0f0f0f0f0f0f0f0f0f0f0f"},
      {u"000102030405060708090a0b0c0d0e0fffff", "000102030405060708090a0b0c0d0e0f"},
  };
  for (const auto& c : kCases) {
    Bytes key(16);
    TAES128().convertKeyString(c.keyText, key.data());
    EXPECT_EQ(key, FromHex(c.key)) << testing::PrintToString(c.keyText);
  }
}

TEST(AES128Test, OnlyWholeBlocksAreProcessed) {
  for (const size_t length : {0, 15, 16, 1024, 1030}) {
    const Bytes plain = SomeBytes(length);
    const Bytes cipher = Encrypt(kAppendixBKey, plain);
    const size_t whole = length / 16 * 16;
    EXPECT_EQ(Bytes(cipher.begin() + whole, cipher.end()),
              Bytes(plain.begin() + whole, plain.end()))
        << "the partial block of " << length << " bytes is left as it was";
    for (size_t block = 0; block < whole; block += 16) {
      const Bytes single =
          Encrypt(kAppendixBKey, Bytes(plain.begin() + block, plain.begin() + block + 16));
      ASSERT_EQ(Bytes(cipher.begin() + block, cipher.begin() + block + 16), single)
          << "each block on its own, block at " << block;
    }
    EXPECT_EQ(Decrypt(kAppendixBKey, cipher), plain) << length << " bytes";
  }
}

TEST(AES128Test, SeparateBuffersLeaveTheInputAlone) {
  const Bytes plain = SomeBytes(40);
  Bytes out(40, 0xAA);
  TAES128().encrypt(kAppendixBKey, plain.data(), 40, out.data(), 40);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 32),
            Encrypt(kAppendixBKey, Bytes(plain.begin(), plain.begin() + 32)));
  EXPECT_EQ(Bytes(out.begin() + 32, out.end()), Bytes(8, 0xAA));
}

TEST(AES128Test, ProgressMarksAndTheSelfTestGoToStandardOutput) {
  testing::internal::CaptureStdout();
  Encrypt(kAppendixBKey, Bytes(1024));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  testing::internal::CaptureStdout();
  Encrypt(kAppendixBKey, Bytes(100000));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), ".");
  testing::internal::CaptureStdout();
  Encrypt(kAppendixBKey, Bytes(200016));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "..");

  testing::internal::CaptureStdout();
  TAES128().selfTest();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\n39 25 84 1d 02 dc 09 fb dc 11 85 97 19 6a 0b 32 "
            "\n32 43 f6 a8 88 5a 30 8d 31 31 98 a2 e0 37 07 34 ");
}

// Overlapping calls on different objects must not spoil each other's blocks.
TEST(AES128Test, ConcurrentCallsGiveTheSameBlocksAsSequentialOnes) {
  const Bytes plainA = SomeBytes(64 * 1024);
  const Bytes plainB(64 * 1024, 0x5C);
  const std::u16string keyB = u"000102030405060708090a0b0c0d0e0f";
  const Bytes expectedA = Encrypt(kAppendixBKey, plainA);
  const Bytes expectedB = Encrypt(keyB, plainB);
  Bytes resultA, resultB;
  std::thread a([&] {
    for (int i = 0; i < 5; ++i) resultA = Encrypt(kAppendixBKey, plainA);
  });
  std::thread b([&] {
    for (int i = 0; i < 5; ++i) resultB = Encrypt(keyB, plainB);
  });
  a.join();
  b.join();
  EXPECT_EQ(resultA, expectedA);
  EXPECT_EQ(resultB, expectedB);
}

std::stringstream BinaryStream(const Bytes& bytes) {
  std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  stream.seekg(0);
  return stream;
}

Bytes Contents(std::stringstream& stream) {
  const std::string text = stream.str();
  return Bytes(text.begin(), text.end());
}

TEST(AES128Test, FilesAreProcessedBlockByBlockWithoutTheirPartialBlock) {
  const Bytes plain = SomeBytes(40);
  std::stringstream in = BinaryStream(plain);
  std::stringstream out = BinaryStream({});
  TStreamFile inFile(in), outFile(out);
  TAES128().encrypt(kAppendixBKey, inFile, outFile);
  const Bytes cipher = Contents(out);
  EXPECT_EQ(cipher, Encrypt(kAppendixBKey, Bytes(plain.begin(), plain.begin() + 32)));

  std::stringstream cipherIn = BinaryStream(cipher);
  std::stringstream plainOut = BinaryStream({});
  TStreamFile cipherFile(cipherIn), plainFile(plainOut);
  TAES128().decrypt(kAppendixBKey, cipherFile, plainFile);
  EXPECT_EQ(Contents(plainOut), Bytes(plain.begin(), plain.begin() + 32));
}

// A file that claims more bytes than it gives: its third block read comes up short.
class ShortReadFile : public TBinaryFile {
 public:
  int64_t Size() override { return 64; }
  void ReadBlock(uint8_t* bytes, size_t count) override {
    if (++FReads == 3) throw EInOutError("short read");
    std::fill(bytes, bytes + count, uint8_t{0x11});
  }
  void WriteBlock(const uint8_t*, size_t) override {}

 private:
  int FReads = 0;
};

TEST(AES128Test, AShortReadFailsAndKeepsTheBlocksWrittenBefore) {
  ShortReadFile in;
  std::stringstream out = BinaryStream({});
  TStreamFile outFile(out);
  EXPECT_THROW(TAES128().encrypt(kAppendixBKey, in, outFile), EInOutError);
  EXPECT_EQ(Contents(out), Encrypt(kAppendixBKey, Bytes(32, 0x11)));
}

}  // namespace
