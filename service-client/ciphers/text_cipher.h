#pragma once
// The text operations behind ov_Encrypt and ov_Decrypt, under the key text compiled into the
// library. They are not inverses of each other. Each call builds its own cipher object and work
// buffers, so both may run on several threads at once.

#include <string>
#include <string_view>

// The fixed key text: read as hex digit pairs by the AES path, Base64-decoded by the Blowfish path.
extern const char16_t kKeyTextUtf16[];
extern const char kKeyTextAnsi[];

// AES-128 over a zero-filled 1024-byte work buffer that holds the first 1024 bytes of `text`
// (all 64 blocks, each on its own); the ciphertext read as UTF-16 units (little-endian byte
// pairs) up to the first unit of value 0, at most 512 units.
std::u16string EncryptText(const std::string& text);

// Base64-decodes `text` and, when that gives whole 8-byte blocks, deciphers them with Blowfish
// under the key bytes decoded from the fixed key text. Returns the bytes up to the first zero.
std::string DecryptText(const std::string& text);

// Copies `text` and its terminating zero to the start of `output`, never more than `size` bytes:
// a text of `size` bytes or more is cut with no terminator. Nothing is written when `size` <= 0.
void CopyResult(std::string_view text, char* output, int size);
