#include "service-client/ciphers/text_cipher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ansi_code_page.h"
#include "service-client/ciphers/blowfish.h"
#include "service-client/ciphers/text_cipher_exports.h"
#include "tests/support/debug_log_recorder.h"

namespace {

std::string ToBase64(const std::vector<uint8_t>& bytes) {
  constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = uint32_t{bytes[i]} << 16;
    if (i + 1 < bytes.size()) group |= uint32_t{bytes[i + 1]} << 8;
    if (i + 2 < bytes.size()) group |= bytes[i + 2];
    for (size_t k = 0; k < 4; ++k) {
      text += i + k <= bytes.size() ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
  }
  return text;
}

// Calls an export the way a script does: its text in a writable buffer, an output buffer
// pre-filled with '#' so that untouched bytes show.
struct ExportCall {
  int result;
  std::string text;    // the caller's text buffer afterwards, up to its first zero
  std::string output;  // the whole output buffer afterwards
};

ExportCall Call(int (*exportFunction)(char*, char*, int), const std::string& text, int size,
                size_t outputBytes = 2048) {
  std::vector<char> textBuffer(text.begin(), text.end());
  textBuffer.push_back('\0');
  std::string output(outputBytes, '#');
  const int result = exportFunction(textBuffer.data(), output.data(), size);
  return {result, std::string(textBuffer.data()), output};
}

std::string UpToZero(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST(EncryptTextTest, TheEmptyTextGivesRepeatingUnits) {
  const std::u16string units = EncryptText("");
  ASSERT_GE(units.size(), 8u);
  for (size_t k = 8; k < units.size(); ++k) ASSERT_EQ(units[k], units[k - 8]) << "unit " << k;
  EXPECT_EQ(EncryptText(""), units);
}

TEST(EncryptTextTest, TextsWithTheSameFirstBlockShareTheirFirstUnits) {
  const std::u16string a = EncryptText("0123456789abcdef and then one ending");
  const std::u16string b = EncryptText("0123456789abcdef, another ending");
  const size_t shared = std::min({a.size(), b.size(), size_t{8}});
  EXPECT_EQ(a.substr(0, shared), b.substr(0, shared));
  EXPECT_NE(a, b);
}

TEST(EncryptTextTest, OnlyTheFirst1024BytesAreEnciphered) {
  const std::string first(1024, 'q');
  EXPECT_EQ(EncryptText(first + "beyond the work buffer"), EncryptText(first));
}

TEST(CipherExportsTest, EncryptEmptiesTheTextAndWritesTheAnsiResult) {
  const ExportCall call = Call(ov_Encrypt, "secret", 2048);
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(call.text, "");
  const std::string expected = Utf16ToAnsi(EncryptText("secret"));
  EXPECT_EQ(call.output.substr(0, expected.size() + 1), expected + '\0');
  EXPECT_EQ(call.output[expected.size() + 1], '#');
}

TEST(CipherExportsTest, SizeLimitsWhatIsWritten) {
  const std::string full = Utf16ToAnsi(EncryptText("secret"));
  ASSERT_GT(full.size(), 4u);
  const struct {
    int size;
    std::string written;  // the bytes written at the start of the output
  } kCases[] = {
      {-5, ""},
      {0, ""},
      {4, full.substr(0, 4)},  // cut, no terminator
      {static_cast<int>(full.size()), full},
      {static_cast<int>(full.size()) + 1, full + '\0'},
  };
  for (const auto& c : kCases) {
    const ExportCall call = Call(ov_Encrypt, "secret", c.size);
    EXPECT_EQ(call.result, 0) << c.size;
    EXPECT_EQ(call.output.substr(0, c.written.size()), c.written) << c.size;
    EXPECT_EQ(call.output[c.written.size()], '#') << "wrote past its size " << c.size;
  }
}

TEST(CipherExportsTest, NullPointersFailWithoutWriting) {
  char text[] = "secret";
  char output[8] = "#######";
  EXPECT_EQ(ov_Encrypt(nullptr, output, 8), 1);
  EXPECT_EQ(ov_Decrypt(nullptr, output, 8), 1);
  EXPECT_STREQ(output, "#######");
  EXPECT_EQ(ov_Encrypt(text, nullptr, 8), 1);
  EXPECT_EQ(ov_Decrypt(text, nullptr, 8), 1);
  EXPECT_STREQ(text, "secret");
}

std::vector<uint8_t> FixedBlowfishKey() {
  std::vector<uint8_t> key(64);
  key.resize(static_cast<size_t>(Base64Decode(kKeyTextAnsi, key.data(), 32)));
  return key;
}

TEST(CipherExportsTest, DecryptDecodesAndDeciphersUnderTheFixedKey) {
  Blowfish blowfish;
  const std::vector<uint8_t> key = FixedBlowfishKey();
  ASSERT_EQ(key.size(), 21u);
  blowfish.SetKey(key.data(), static_cast<unsigned>(key.size()));
  uint32_t left = 0x48656c6c, right = 0x6f210000;  // "Hello!" and two zero bytes
  blowfish.EncryptBlock(left, right);
  std::vector<uint8_t> block;
  for (const uint32_t half : {left, right}) {
    for (int shift = 24; shift >= 0; shift -= 8)
      block.push_back(static_cast<uint8_t>(half >> shift));
  }

  const struct {
    std::string text, result;
  } kCases[] = {
      {ToBase64(block), "Hello!"},
      {"", ""},
      {"QUJD", "ABC"},  // 3 bytes: not a whole block, returned as decoded
  };
  for (const auto& c : kCases) {
    const ExportCall call = Call(ov_Decrypt, c.text, 64);
    EXPECT_EQ(call.result, 0) << c.text;
    EXPECT_EQ(call.text, "") << c.text;
    EXPECT_EQ(UpToZero(call.output), c.result) << c.text;
  }
}

TEST(CipherExportsTest, DecryptIsNoInverseOfEncrypt) {
  const ExportCall encrypted = Call(ov_Encrypt, "round trip", 2048);
  const ExportCall decrypted = Call(ov_Decrypt, UpToZero(encrypted.output), 2048);
  EXPECT_EQ(decrypted.result, 0);
  EXPECT_NE(UpToZero(decrypted.output), "round trip");
}

TEST(CipherExportsTest, TracesTellWhatWasDone) {
  DebugLogRecorder recorder;
  Call(ov_Encrypt, "abc", 2048);
  Call(ov_Decrypt, "QUJD", 2048);
  const std::vector<std::u16string> traces = recorder.Texts();
  ASSERT_EQ(traces.size(), 6u);
  EXPECT_EQ(traces[0], u"Encrypt called");
  EXPECT_EQ(traces[1], u"Encrypting: abc");
  EXPECT_EQ(traces[2], u"Encrypted: " + AnsiToUtf16(Utf16ToAnsi(EncryptText("abc"))));
  EXPECT_EQ(traces[3], u"Decrypt called with [QUJD]");
  EXPECT_EQ(traces[4], u"Decrypting: QUJD");
  EXPECT_EQ(traces[5], u"Decrypted: ABC");
}

}  // namespace
