// ovcall: plays a terminal script's calls against the Ovilex library, from a command line.
//
//   ovcall get URL [--proxy HOST:PORT[:USER:PASSWORD]] [--connect-timeout MS]
//                  [--read-timeout MS] [--insecure] [--raw]
//   ovcall login URL USER PASSWORD
//   ovcall encrypt TEXT
//   ovcall decrypt BASE64
//
// It loads the library by name from its own folder, as the terminal does. get creates the
// request, polls it until it has ended, and prints the response read in pieces, decoded by its
// charset and written as UTF-8 (--raw: its bytes as received) (exit code 0), or the error code
// and description (exit code 1). Arguments are taken as typed (UTF-8; on Windows the wide
// command line) and passed to the library's wide exports. login logs the user in at the service's
// login address and prints the token (exit code 0) or the failure message (exit code 1), in UTF-8.
// encrypt and decrypt pass the text, in the ANSI code page, to ov_Encrypt or ov_Decrypt and print
// the result: the ciphertext's bytes in hexadecimal, or the deciphered text in UTF-8.
// Wrong arguments or a library that cannot be used: 2.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ansi_code_page.h"
#include "platform/binary_stdout.h"
#include "platform/loaded_library.h"
#include "platform/program_arguments.h"
#include "platform/utf8.h"
#include "service-client/export_frame.h"
#include "service-client/login/login_exports.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUnusable = 2;
constexpr int kPieceSize = 4096;

const char kUsage[] =
    "usage: ovcall get URL [--proxy HOST:PORT[:USER:PASSWORD]] [--connect-timeout MS]\n"
    "                      [--read-timeout MS] [--insecure] [--raw]\n"
    "       ovcall login URL USER PASSWORD\n"
    "       ovcall encrypt TEXT\n"
    "       ovcall decrypt BASE64\n";

struct GetOptions {
  std::string url;
  std::optional<std::string> proxyHost, proxyUser, proxyPassword;
  int proxyPort = 0;
  int connectTimeout = 0;
  int readTimeout = 0;
  bool insecure = false;
  bool raw = false;
};

// The library's request exports, as a script imports them.
struct Ovilex {
  explicit Ovilex(const LoadedLibrary& library)
      : initProxySettings(
            library.Function<int OV_STDCALL(const ScriptWideChar*, int, const ScriptWideChar*,
                                            const ScriptWideChar*)>("ov_initProxySettingsW")),
        setCertificateCheck(library.Function<int OV_STDCALL(int)>("ov_setCertificateCheck")),
        createAsynchRequest(library.Function<int OV_STDCALL(const ScriptWideChar*, int, int)>(
            "ov_createAsynchRequestW")),
        destroyAsynchRequest(library.Function<void OV_STDCALL(int)>("ov_destroyAsynchRequest")),
        isAsynchRequestComplete(
            library.Function<int OV_STDCALL(int)>("ov_isAsynchRequestComplete")),
        getErrorCode(library.Function<int OV_STDCALL(int)>("ov_getErrorCode")),
        getErrorDescription(library.Function<int OV_STDCALL(int, ScriptWideChar*, int, int)>(
            "ov_getErrorDescriptionW")),
        getAsynchResponse(library.Function<int OV_STDCALL(int, ScriptWideChar*, int, int)>(
            "ov_getAsynchResponseW")),
        getResponseBytes(
            library.Function<int OV_STDCALL(int, unsigned char*, int, int)>("ov_getResponseBytes")),
        authenticateUser(library.Function<int OV_STDCALL(
                             const ScriptWideChar*, const ScriptWideChar*, const ScriptWideChar*,
                             ScriptWideChar*, ScriptWideChar*)>("authenticateUser")),
        encrypt(library.Function<int OV_STDCALL(char*, char*, int)>("ov_Encrypt")),
        decrypt(library.Function<int OV_STDCALL(char*, char*, int)>("ov_Decrypt")) {}

  int OV_STDCALL (*initProxySettings)(const ScriptWideChar*, int, const ScriptWideChar*,
                                      const ScriptWideChar*);
  int OV_STDCALL (*setCertificateCheck)(int);
  int OV_STDCALL (*createAsynchRequest)(const ScriptWideChar*, int, int);
  void OV_STDCALL (*destroyAsynchRequest)(int);
  int OV_STDCALL (*isAsynchRequestComplete)(int);
  int OV_STDCALL (*getErrorCode)(int);
  int OV_STDCALL (*getErrorDescription)(int, ScriptWideChar*, int, int);
  int OV_STDCALL (*getAsynchResponse)(int, ScriptWideChar*, int, int);
  int OV_STDCALL (*getResponseBytes)(int, unsigned char*, int, int);
  int OV_STDCALL (*authenticateUser)(const ScriptWideChar*, const ScriptWideChar*,
                                     const ScriptWideChar*, ScriptWideChar*, ScriptWideChar*);
  int OV_STDCALL (*encrypt)(char*, char*, int);
  int OV_STDCALL (*decrypt)(char*, char*, int);
};

int ParseNumber(const std::string& text, const char* what) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < 0 || value > 0x7FFFFFFF) {
    throw std::invalid_argument(std::string("not a number for ") + what + ": " + text);
  }
  return static_cast<int>(value);
}

std::vector<std::string> SplitAtColons(const std::string& text) {
  std::vector<std::string> fields(1);
  for (const char c : text) {
    if (c == ':' && fields.size() < 4) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

void ParseProxy(const std::string& text, GetOptions& options) {
  const auto fields = SplitAtColons(text);
  if (fields.size() != 2 && fields.size() != 4) {
    throw std::invalid_argument("--proxy wants HOST:PORT or HOST:PORT:USER:PASSWORD");
  }
  options.proxyHost = fields[0];
  options.proxyPort = ParseNumber(fields[1], "the proxy port");
  if (fields.size() == 4) {
    options.proxyUser = fields[2];
    options.proxyPassword = fields[3];
  }
}

GetOptions ParseGet(const std::vector<std::string>& arguments) {
  GetOptions options;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const auto value = [&]() -> const std::string& {
      if (i + 1 >= arguments.size()) throw std::invalid_argument(argument + " wants a value");
      return arguments[++i];
    };
    if (argument == "--proxy") {
      ParseProxy(value(), options);
    } else if (argument == "--connect-timeout") {
      options.connectTimeout = ParseNumber(value(), "--connect-timeout");
    } else if (argument == "--read-timeout") {
      options.readTimeout = ParseNumber(value(), "--read-timeout");
    } else if (argument == "--insecure") {
      options.insecure = true;
    } else if (argument == "--raw") {
      options.raw = true;
    } else if (options.url.empty() && !argument.starts_with("--")) {
      options.url = argument;
    } else {
      throw std::invalid_argument("unexpected argument: " + argument);
    }
  }
  if (options.url.empty()) throw std::invalid_argument("get wants a URL");
  return options;
}

// Polls as a script does from its timer, with a progress line when a person is watching.
bool WaitForCompletion(const Ovilex& ovilex, int id) {
  const bool showProgress = isatty(fileno(stderr));
  const auto start = std::chrono::steady_clock::now();
  int state;
  while ((state = ovilex.isAsynchRequestComplete(id)) == 0) {
    if (showProgress) {
      const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
      std::fprintf(stderr, "\rrequest %d: waiting %.1f s", id, waited.count());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (showProgress) std::fprintf(stderr, "\r%40s\r", "");
  return state == 1;
}

// Reads a text in pieces, as a script with a fixed buffer must, and hands each piece on.
template <typename Char, typename Sink>
void ReadInPieces(int OV_STDCALL (*reader)(int, Char*, int, int), int id, Sink sink) {
  std::vector<Char> buffer(kPieceSize + 1);
  for (int offset = 0;;) {
    const int read = reader(id, buffer.data(), offset, kPieceSize);
    sink(buffer.data(), read);
    if (read < kPieceSize) return;
    offset += read;
  }
}

using WideText = std::basic_string<ScriptWideChar>;

WideText Wide(std::u16string_view text) { return {text.begin(), text.end()}; }
WideText WideFromUtf8(const std::string& text) { return Wide(Utf8ToUtf16(text)); }

// Writes wide pieces to `file` as UTF-8, holding back a piece's last unit when it is the first
// half of a pair whose second half comes with the next piece.
class Utf8Writer {
 public:
  explicit Utf8Writer(std::FILE* file) : FFile(file) {}
  ~Utf8Writer() { Write(nullptr, 0); }

  void Write(const ScriptWideChar* piece, int size) {
    std::u16string units = std::exchange(FHeld, u"");
    units.append(piece, piece + size);
    if (size > 0 && !units.empty() && units.back() >= 0xD800 && units.back() <= 0xDBFF) {
      FHeld = units.back();
      units.pop_back();
    }
    const std::string bytes = Utf16ToUtf8(units);
    std::fwrite(bytes.data(), 1, bytes.size(), FFile);
  }

 private:
  std::FILE* FFile;
  std::u16string FHeld;
};

int PlayGet(const Ovilex& ovilex, const GetOptions& options) {
  if (options.proxyHost) {
    ovilex.initProxySettings(WideFromUtf8(*options.proxyHost).c_str(), options.proxyPort,
                             WideFromUtf8(options.proxyUser.value_or("")).c_str(),
                             WideFromUtf8(options.proxyPassword.value_or("")).c_str());
  }
  if (options.insecure) ovilex.setCertificateCheck(0);
  const int id = ovilex.createAsynchRequest(WideFromUtf8(options.url).c_str(),
                                            options.connectTimeout, options.readTimeout);
  if (id == -1) {
    std::fprintf(stderr, "ovcall: the library could not create the request\n");
    return kUnusable;
  }
  if (!WaitForCompletion(ovilex, id)) {
    std::fprintf(stderr, "ovcall: the library could not tell whether request %d ended\n", id);
    return kUnusable;
  }
  const int code = ovilex.getErrorCode(id);
  MakeStdoutBinary();
  if (code == -1 && options.raw) {
    ReadInPieces(ovilex.getResponseBytes, id,
                 [](const unsigned char* piece, int size) { std::fwrite(piece, 1, size, stdout); });
  } else if (code == -1) {
    Utf8Writer out(stdout);
    ReadInPieces(ovilex.getAsynchResponse, id,
                 [&](const ScriptWideChar* piece, int size) { out.Write(piece, size); });
  } else {
    std::fprintf(stderr, "error %d: ", code);
    {
      Utf8Writer err(stderr);
      ReadInPieces(ovilex.getErrorDescription, id,
                   [&](const ScriptWideChar* piece, int size) { err.Write(piece, size); });
    }
    std::fprintf(stderr, "\n");
  }
  ovilex.destroyAsynchRequest(id);
  return code == -1 ? EXIT_SUCCESS : kFailed;
}

int PlayLogin(const Ovilex& ovilex, const std::vector<std::string>& arguments) {
  WideText message(kLoginMessageUnits, 0);
  WideText code(2, 0);
  const int result = ovilex.authenticateUser(
      WideFromUtf8(arguments[1]).c_str(), WideFromUtf8(arguments[2]).c_str(),
      WideFromUtf8(arguments[0]).c_str(), message.data(), code.data());
  message.resize(std::char_traits<ScriptWideChar>::length(message.c_str()));
  const std::string text = Utf16ToUtf8(std::u16string(message.begin(), message.end()));
  if (result == 0) {
    std::printf("%s\n", text.c_str());
    return EXIT_SUCCESS;
  }
  std::fprintf(stderr, "login failed: %s\n", text.c_str());
  return kFailed;
}

// Both ciphers empty the text they are given, so each call gets a copy; the output holds any
// ciphertext of a 1024-byte text.
int PlayCipher(int OV_STDCALL (*cipher)(char*, char*, int), const std::string& text, bool hex) {
  std::string input = Utf16ToAnsi(Utf8ToUtf16(text));
  std::string output(4096, '\0');
  if (cipher(input.data(), output.data(), static_cast<int>(output.size())) != 0) {
    std::fprintf(stderr, "ovcall: the cipher failed\n");
    return kFailed;
  }
  output.resize(std::char_traits<char>::length(output.c_str()));
  if (hex) {
    for (const unsigned char byte : output) std::printf("%02x", byte);
    std::printf("\n");
  } else {
    std::printf("%s\n", Utf16ToUtf8(AnsiToUtf16(output)).c_str());
  }
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  // As typed, in UTF-8: on Windows from the wide command line, so that no character is lost.
  std::vector<std::string> arguments;
  for (const std::u16string& argument : ProgramArguments(argc, argv)) {
    arguments.push_back(Utf16ToUtf8(argument));
  }
  const std::string command = arguments.empty() ? "" : arguments.front();
  if (!arguments.empty()) arguments.erase(arguments.begin());
  try {
    const auto wants = [&](size_t count, const char* what) {
      if (arguments.size() != count) throw std::invalid_argument(command + " wants " + what);
    };
    std::optional<GetOptions> getOptions;
    if (command == "get") {
      getOptions = ParseGet(arguments);
    } else if (command == "login") {
      wants(3, "URL USER PASSWORD");
    } else if (command == "encrypt" || command == "decrypt") {
      wants(1, "one text");
    } else {
      throw std::invalid_argument(command.empty() ? "no command" : "unknown command: " + command);
    }
    const LoadedLibrary library(LoadedLibrary::BesideProgram(OVILEX_FILE_NAME));
    const Ovilex ovilex(library);
    if (getOptions) return PlayGet(ovilex, *getOptions);
    if (command == "login") return PlayLogin(ovilex, arguments);
    if (command == "encrypt") return PlayCipher(ovilex.encrypt, arguments[0], true);
    return PlayCipher(ovilex.decrypt, arguments[0], false);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "ovcall: %s\n%s", error.what(), kUsage);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ovcall: %s\n", error.what());
  }
  return kUnusable;
}
