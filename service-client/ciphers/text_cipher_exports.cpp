// ov_Encrypt and ov_Decrypt: a script's texts enciphered and deciphered under the fixed key.
// Both empty the caller's text, write the result into `output` (at most `size` bytes), return 0,
// and return 1 with `output` untouched when anything fails. They report no failure trace.
#include <string>

#include "platform/ansi_code_page.h"
#include "service-client/ciphers/text_cipher_exports.h"

#include "service-client/ciphers/text_cipher.h"
#include "service-client/debug_log.h"
#include "service-client/export_frame.h"

OV_EXPORT int OV_STDCALL ov_Encrypt(char* text, char* output, int size) {
  return QuietlyGuardedExport(1, [&] {
    DebugLog(u"Encrypt called");
    if (text == nullptr || output == nullptr) return 1;
    const std::string plain(text);
    text[0] = '\0';
    CopyResult(Utf16ToAnsi(EncryptText(plain)), output, size);
    return 0;
  });
}

OV_EXPORT int OV_STDCALL ov_Decrypt(char* text, char* output, int size) {
  return QuietlyGuardedExport(1, [&] {
    if (text == nullptr || output == nullptr) return 1;
    const std::string cipherText(text);
    DebugLogAnsi("Decrypt called with [" + cipherText + "]");
    text[0] = '\0';
    CopyResult(DecryptText(cipherText), output, size);
    return 0;
  });
}
