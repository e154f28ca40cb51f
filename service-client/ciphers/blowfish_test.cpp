#include "service-client/ciphers/blowfish.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "tests/support/hex_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Half(const Bytes& block, int offset) {
  return uint32_t{block[offset]} << 24 | uint32_t{block[offset + 1]} << 16 |
         uint32_t{block[offset + 2]} << 8 | block[offset + 3];
}

TEST(BlowfishTest, PublishedVectorsEncipherAndDecipher) {
  const struct {
    std::string key, plain, cipher;
  } kVectors[] = {
      {"0000000000000000", "0000000000000000", "4ef997456198dd78"},
      {"ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a"},
      {"3000000000000000", "1000000000000001", "7d856f9a613063f2"},
      {"1111111111111111", "1111111111111111", "2466dd878b963c9d"},
      {"0123456789abcdef", "1111111111111111", "61f9c3802281b096"},
      {"1111111111111111", "0123456789abcdef", "7d0cc630afda1ec7"},
      {"fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d"},
      {"7ca110454a1a6e57", "01a1d6d039776742", "59c68245eb05282b"},
      // keys of other lengths, used cyclically
      {"f0", "fedcba9876543210", "f9ad597c49db005e"},
      {"f0e1d2c3b4", "fedcba9876543210", "b39e44481bdb1e6e"},
      {"f0e1d2c3b4a5968778695a4b3c2d1e0f0011223344556677", "fedcba9876543210", "05044b62fa52d080"},
  };
  for (const auto& v : kVectors) {
    const Bytes key = FromHex(v.key), plain = FromHex(v.plain), cipher = FromHex(v.cipher);
    Blowfish blowfish;
    blowfish.SetKey(key.data(), static_cast<unsigned>(key.size()));
    uint32_t left = Half(plain, 0), right = Half(plain, 4);
    blowfish.EncryptBlock(left, right);
    EXPECT_EQ(left, Half(cipher, 0)) << v.key << " " << v.plain;
    EXPECT_EQ(right, Half(cipher, 4)) << v.key << " " << v.plain;
    blowfish.DecryptBlock(left, right);
    EXPECT_EQ(left, Half(plain, 0)) << v.key << " " << v.cipher;
    EXPECT_EQ(right, Half(plain, 4)) << v.key << " " << v.cipher;
  }
}

TEST(BlowfishTest, DecryptTakesWholeBigEndianBlocksOrNothing) {
  const Bytes key = FromHex("0123456789abcdef");
  Blowfish blowfish;
  blowfish.SetKey(key.data(), 8);

  Bytes twelve = FromHex("0123456789abcdef01234567");
  const Bytes untouched = twelve;
  blowfish.Decrypt(twelve.data(), 12);
  EXPECT_EQ(twelve, untouched);

  Bytes sixteen = FromHex("0123456789abcdef61f9c3802281b096");
  blowfish.Decrypt(sixteen.data(), 16);
  uint32_t left = 0x01234567, right = 0x89abcdef;  // bytes 01 23 .. ef as two halves
  blowfish.DecryptBlock(left, right);
  EXPECT_EQ(Half(sixteen, 0), left);
  EXPECT_EQ(Half(sixteen, 4), right);
  EXPECT_EQ(Bytes(sixteen.begin() + 8, sixteen.end()), FromHex("1111111111111111"));
}

TEST(BlowfishTest, TheInitialTablesComeBackOnResetAndDestruction) {
  static_assert(sizeof(Blowfish) == sizeof(BlowfishTables));
  const Bytes key = FromHex("0123456789abcdef");

  Blowfish unkeyed;
  unkeyed.SetKey(key.data(), 0);  // length 0 keeps the initial tables
  EXPECT_EQ(std::memcmp(&unkeyed, &kBlowfishInitialTables, sizeof(Blowfish)), 0);

  alignas(Blowfish) unsigned char storage[sizeof(Blowfish)];
  auto* blowfish = new (storage) Blowfish;
  blowfish->SetKey(key.data(), 8);
  ASSERT_NE(std::memcmp(storage, &kBlowfishInitialTables, sizeof(storage)), 0);
  blowfish->~Blowfish();
  EXPECT_EQ(std::memcmp(storage, &kBlowfishInitialTables, sizeof(storage)), 0)
      << "the key-dependent tables stayed in memory";
}

TEST(Base64Test, DecodesLenientlyUpToCountOrTheFirstEqualsSign) {
  const struct {
    std::string text;
    int count;
    std::string bytes;
  } kCases[] = {
      {"", 0, ""},
      {"QUJD", 4, "ABC"},
      {"QUI=", 4, "AB"},
      {"QQ==", 4, "A"},
      {"QU JD", 5, "ABC"},     // a stray character is passed over
      {"QUJDRA==", 4, "ABC"},  // count ends the walk
      {"QUJDRA==", 8, "ABCD"},
      {"QUJDRA", 6, "ABCD"},  // no padding needed
      {"QUJDR", 5, "ABC"},    // a single value left gives nothing
      {"Q\nU\tJ-D", 8, "ABC"},
      {"QU=JD", 5, "A"},
      {"+/+/", 4, "\xFB\xFF\xBF"},
      {"!!!!", 4, ""},
  };
  for (const auto& c : kCases) {
    std::vector<uint8_t> out(static_cast<size_t>(Base64DecodedSize(c.count)) + 1, 0xEE);
    const int written = Base64Decode(c.text.data(), out.data(), c.count);
    ASSERT_LE(written, Base64DecodedSize(c.count)) << c.text;
    EXPECT_EQ(std::string(out.begin(), out.begin() + written), c.bytes) << c.text;
    EXPECT_EQ(out[static_cast<size_t>(Base64DecodedSize(c.count))], 0xEE) << "wrote past its bound";
  }
}

TEST(Base64Test, DecodedSizeBoundsTheOutput) {
  const struct {
    int count, size;
  } kCases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 3}, {5, 4}, {8, 6}, {32, 24}};
  for (const auto& c : kCases) EXPECT_EQ(Base64DecodedSize(c.count), c.size) << c.count;
}

}  // namespace
