// ovcall: plays a terminal script's calls against the Ovilex library, from a command line.
//
//   ovcall get URL [--proxy HOST:PORT[:USER:PASSWORD]] [--connect-timeout MS]
//                  [--read-timeout MS] [--insecure]
//   ovcall login URL USER PASSWORD
//
// It loads the library by name from its own folder, as the terminal does. get creates the
// request, polls it until it has ended, and prints the response read in pieces (exit code 0), or
// the error code and description (exit code 1). login logs the user in at the service's login
// address and prints the token (exit code 0) or the failure message (exit code 1), in UTF-8.
// Wrong arguments or a library that cannot be used: 2.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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
    "                      [--read-timeout MS] [--insecure]\n"
    "       ovcall login URL USER PASSWORD\n";

struct GetOptions {
  std::string url;
  std::optional<std::string> proxyHost, proxyUser, proxyPassword;
  int proxyPort = 0;
  int connectTimeout = 0;
  int readTimeout = 0;
  bool insecure = false;
};

// The library's request exports, as a script imports them.
struct Ovilex {
  explicit Ovilex(const LoadedLibrary& library)
      : initProxySettings(
            library.Function<int OV_STDCALL(const char*, int, const char*, const char*)>(
                "ov_initProxySettings")),
        setCertificateCheck(library.Function<int OV_STDCALL(int)>("ov_setCertificateCheck")),
        createAsynchRequest(
            library.Function<int OV_STDCALL(const char*, int, int)>("ov_createAsynchRequest")),
        destroyAsynchRequest(library.Function<void OV_STDCALL(int)>("ov_destroyAsynchRequest")),
        isAsynchRequestComplete(
            library.Function<int OV_STDCALL(int)>("ov_isAsynchRequestComplete")),
        getErrorCode(library.Function<int OV_STDCALL(int)>("ov_getErrorCode")),
        getErrorDescription(
            library.Function<int OV_STDCALL(int, char*, int, int)>("ov_getErrorDescription")),
        getAsynchResponse(
            library.Function<int OV_STDCALL(int, char*, int, int)>("ov_getAsynchResponse")),
        authenticateUser(library.Function<int OV_STDCALL(
                             const ScriptWideChar*, const ScriptWideChar*, const ScriptWideChar*,
                             ScriptWideChar*, ScriptWideChar*)>("authenticateUser")) {}

  int OV_STDCALL (*initProxySettings)(const char*, int, const char*, const char*);
  int OV_STDCALL (*setCertificateCheck)(int);
  int OV_STDCALL (*createAsynchRequest)(const char*, int, int);
  void OV_STDCALL (*destroyAsynchRequest)(int);
  int OV_STDCALL (*isAsynchRequestComplete)(int);
  int OV_STDCALL (*getErrorCode)(int);
  int OV_STDCALL (*getErrorDescription)(int, char*, int, int);
  int OV_STDCALL (*getAsynchResponse)(int, char*, int, int);
  int OV_STDCALL (*authenticateUser)(const ScriptWideChar*, const ScriptWideChar*,
                                     const ScriptWideChar*, ScriptWideChar*, ScriptWideChar*);
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
template <typename Reader, typename Sink>
void ReadInPieces(Reader reader, int id, Sink sink) {
  std::vector<char> buffer(kPieceSize + 1);
  for (int offset = 0;;) {
    const int read = reader(id, buffer.data(), offset, kPieceSize);
    sink(buffer.data(), read);
    if (read < kPieceSize) return;
    offset += read;
  }
}

int PlayGet(const Ovilex& ovilex, const GetOptions& options) {
  if (options.proxyHost) {
    ovilex.initProxySettings(options.proxyHost->c_str(), options.proxyPort,
                             options.proxyUser.value_or("").c_str(),
                             options.proxyPassword.value_or("").c_str());
  }
  if (options.insecure) ovilex.setCertificateCheck(0);
  const int id =
      ovilex.createAsynchRequest(options.url.c_str(), options.connectTimeout, options.readTimeout);
  if (id == -1) {
    std::fprintf(stderr, "ovcall: the library could not create the request\n");
    return kUnusable;
  }
  if (!WaitForCompletion(ovilex, id)) {
    std::fprintf(stderr, "ovcall: the library could not tell whether request %d ended\n", id);
    return kUnusable;
  }
  const int code = ovilex.getErrorCode(id);
  if (code == -1) {
    MakeStdoutBinary();
    ReadInPieces(ovilex.getAsynchResponse, id,
                 [](const char* piece, int size) { std::fwrite(piece, 1, size, stdout); });
  } else {
    std::fprintf(stderr, "error %d: ", code);
    ReadInPieces(ovilex.getErrorDescription, id,
                 [](const char* piece, int size) { std::fwrite(piece, 1, size, stderr); });
    std::fprintf(stderr, "\n");
  }
  ovilex.destroyAsynchRequest(id);
  return code == -1 ? EXIT_SUCCESS : kFailed;
}

using WideText = std::basic_string<ScriptWideChar>;

WideText Wide(std::u16string_view text) { return {text.begin(), text.end()}; }

int PlayLogin(const Ovilex& ovilex, const std::vector<std::u16string>& arguments) {
  WideText message(kLoginMessageUnits, 0);
  WideText code(2, 0);
  const int result =
      ovilex.authenticateUser(Wide(arguments[1]).c_str(), Wide(arguments[2]).c_str(),
                              Wide(arguments[0]).c_str(), message.data(), code.data());
  message.resize(std::char_traits<ScriptWideChar>::length(message.c_str()));
  const std::string text = Utf16ToUtf8(std::u16string(message.begin(), message.end()));
  if (result == 0) {
    std::printf("%s\n", text.c_str());
    return EXIT_SUCCESS;
  }
  std::fprintf(stderr, "login failed: %s\n", text.c_str());
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + std::min(argc, 2), argv + argc);
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "get") {
      const GetOptions options = ParseGet(arguments);
      const LoadedLibrary library(LoadedLibrary::BesideProgram(OVILEX_FILE_NAME));
      return PlayGet(Ovilex(library), options);
    }
    if (command == "login") {
      std::vector<std::u16string> loginArguments = ProgramArguments(argc, argv);
      loginArguments.erase(loginArguments.begin());
      if (loginArguments.size() != 3) throw std::invalid_argument("login wants URL USER PASSWORD");
      const LoadedLibrary library(LoadedLibrary::BesideProgram(OVILEX_FILE_NAME));
      return PlayLogin(Ovilex(library), loginArguments);
    }
    throw std::invalid_argument(command.empty() ? "no command" : "unknown command: " + command);
  } catch (const std::invalid_argument& error) {
    std::fprintf(stderr, "ovcall: %s\n%s", error.what(), kUsage);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ovcall: %s\n", error.what());
  }
  return kUnusable;
}
