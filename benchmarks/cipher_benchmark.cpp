// Throughput of the library's ciphers beside OpenSSL's, and the per-call latency of the
// text-encryption exports. Prints a table; run it through ./benchmarks/run.sh, which pins
// OpenSSL to its software AES path so that both sides do the same kind of work.
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "service-client/ciphers/aes128.h"
#include "service-client/ciphers/blowfish.h"
#include "service-client/ciphers/text_cipher_exports.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kBufferBytes = 1 << 20;
constexpr int kRuns = 9;

// Median seconds of one run of `work`.
double MedianSeconds(const std::function<void()>& work, int repeats) {
  std::vector<double> seconds;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    for (int i = 0; i < repeats; ++i) work();
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count() / repeats);
  }
  std::nth_element(seconds.begin(), seconds.begin() + kRuns / 2, seconds.end());
  return seconds[kRuns / 2];
}

double MegabytesPerSecond(const std::function<void()>& work) {
  return kBufferBytes / 1e6 / MedianSeconds(work, 1);
}

void OpenSslEcb(const EVP_CIPHER* cipher, const unsigned char* key, bool encrypt,
                std::vector<unsigned char>& buffer) {
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  int length = 0;
  if (!context || !EVP_CipherInit_ex(context, cipher, nullptr, key, nullptr, encrypt ? 1 : 0) ||
      !EVP_CIPHER_CTX_set_padding(context, 0) ||
      !EVP_CipherUpdate(context, buffer.data(), &length, buffer.data(),
                        static_cast<int>(buffer.size()))) {
    EVP_CIPHER_CTX_free(context);
    throw std::runtime_error("OpenSSL cipher failed");
  }
  EVP_CIPHER_CTX_free(context);
}

struct Row {
  const char* what;
  double ours, theirs;
};

void PrintTables(const std::vector<Row>& throughput, double encryptSeconds, double decryptSeconds) {
  const std::string line30(30, '-'), line12(12, '-'), line7(7, '-');
  std::printf("\n| %-28s | %10s | %10s | %5s |\n", "1 MiB, MB/s", "ours", "OpenSSL", "ratio");
  std::printf("|%s|%s|%s|%s|\n", line30.c_str(), line12.c_str(), line12.c_str(), line7.c_str());
  for (const Row& row : throughput) {
    std::printf("| %-28s | %10.1f | %10.1f | %5.2f |\n", row.what, row.ours, row.theirs,
                row.ours / row.theirs);
  }
  std::printf("\n| %-28s | %10s |\n", "export, one call", "median us");
  std::printf("|%s|%s|\n", line30.c_str(), line12.c_str());
  std::printf("| %-28s | %10.1f |\n", "ov_Encrypt", encryptSeconds * 1e6);
  std::printf("| %-28s | %10.1f |\n", "ov_Decrypt", decryptSeconds * 1e6);
}

}  // namespace

int main() {
  // Blowfish lives in OpenSSL 3's legacy provider.
  EVP_CIPHER* bfEcb = nullptr;
  if (!OSSL_PROVIDER_load(nullptr, "legacy") || !OSSL_PROVIDER_load(nullptr, "default") ||
      !(bfEcb = EVP_CIPHER_fetch(nullptr, "BF-ECB", nullptr))) {
    std::fprintf(stderr, "OpenSSL's Blowfish is not available\n");
    return 1;
  }
  std::vector<unsigned char> buffer(kBufferBytes, 0x5A);
  const int length = static_cast<int>(buffer.size());
  const unsigned char aesKey[16] = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                                    0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
  const unsigned char blowfishKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  TAES128 aes;
  Blowfish blowfish;
  blowfish.SetKey(blowfishKey, sizeof(blowfishKey));

  // Measured first and printed afterwards: the AES progress marks go to standard output too.
  const std::vector<Row> throughput = {
      {"AES-128 ECB encrypt", MegabytesPerSecond([&] {
         aes.encrypt(u"2b7e151628aed2a6abf7158809cf4f3c", buffer.data(), length, buffer.data(),
                     length);
       }),
       MegabytesPerSecond([&] { OpenSslEcb(EVP_aes_128_ecb(), aesKey, true, buffer); })},
      {"Blowfish ECB decrypt",
       MegabytesPerSecond([&] { blowfish.Decrypt(buffer.data(), static_cast<unsigned>(length)); }),
       MegabytesPerSecond([&] { OpenSslEcb(bfEcb, blowfishKey, false, buffer); })},
  };
  EVP_CIPHER_free(bfEcb);

  char output[2048];
  const double encryptSeconds = MedianSeconds(
      [&] {
        char text[] = "a short text for the service";
        ov_Encrypt(text, output, sizeof(output));
      },
      200);
  const double decryptSeconds = MedianSeconds(
      [&] {
        char text[] = "QUJDREVGR0hJSktMTU5PUA==";
        ov_Decrypt(text, output, sizeof(output));
      },
      200);
  PrintTables(throughput, encryptSeconds, decryptSeconds);
  return 0;
}
