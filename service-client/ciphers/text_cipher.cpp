#include "service-client/ciphers/text_cipher.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ansi_code_page.h"
#include "service-client/ciphers/aes128.h"
#include "service-client/ciphers/blowfish.h"
#include "service-client/debug_log.h"

const char16_t kKeyTextUtf16[] = u"m41ekzr2x6c305pdGKW417z52hxlu-]{";
const char kKeyTextAnsi[] = "m41ekzr2x6c305pdGKW417z52hxlu-]{";

namespace {

constexpr int kWorkBufferSize = 1024;
constexpr int kKeyTextLength = sizeof(kKeyTextAnsi) - 1;
// Key lengths Blowfish admits: 64 to 448 bits.
constexpr int kMinimumKeyBytes = 8;
constexpr int kMaximumKeyBytes = 56;
// Spare zero bytes behind the decoded bytes, so that a zero always ends them.
constexpr int kSpareBytes = 10;

std::vector<uint8_t> DecodeBase64(const char* text, int count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(Base64DecodedSize(count)) + kSpareBytes, 0);
  bytes.resize(static_cast<size_t>(Base64Decode(text, bytes.data(), count)) + kSpareBytes);
  return bytes;
}

}  // namespace

std::u16string EncryptText(const std::string& text) {
  DebugLogAnsi("Encrypting: " + text);
  uint8_t buffer[kWorkBufferSize] = {};
  std::memcpy(buffer, text.data(), std::min(text.size(), sizeof(buffer)));
  try {
    TAES128 aes;
    aes.encrypt(kKeyTextUtf16, buffer, kWorkBufferSize, buffer, kWorkBufferSize);
  } catch (...) {
    // The buffer keeps whatever was enciphered so far.
  }
  std::u16string units;
  for (int k = 0; k < kWorkBufferSize / 2; ++k) {
    const char16_t unit = static_cast<char16_t>(buffer[2 * k] | buffer[2 * k + 1] << 8);
    if (unit == 0) break;
    units += unit;
  }
  DebugLogAnsi("Encrypted: " + Utf16ToAnsi(units));
  return units;
}

std::string DecryptText(const std::string& text) {
  DebugLogAnsi("Decrypting: " + text);
  std::vector<uint8_t> key = DecodeBase64(kKeyTextAnsi, kKeyTextLength);
  const int keyLength = static_cast<int>(key.size()) - kSpareBytes;
  if (keyLength < kMinimumKeyBytes || keyLength > kMaximumKeyBytes) return "";

  std::vector<uint8_t> data = DecodeBase64(text.data(), static_cast<int>(text.size()));
  const unsigned dataLength = static_cast<unsigned>(data.size()) - kSpareBytes;
  {
    Blowfish blowfish;  // reset again as soon as it goes
    blowfish.SetKey(key.data(), static_cast<unsigned>(keyLength));
    blowfish.Decrypt(data.data(), dataLength);
  }
  const std::string result(reinterpret_cast<const char*>(data.data()));  // up to the first zero
  DebugLogAnsi("Decrypted: " + result);
  return result;
}

void CopyResult(std::string_view text, char* output, int size) {
  if (size <= 0) return;
  const size_t room = static_cast<size_t>(size);
  std::memcpy(output, text.data(), std::min(text.size(), room));
  if (text.size() < room) output[text.size()] = '\0';
}
