// authenticateUser(username, password, url, messageOut, codeOut): logs the user in at the
// service's login address, waiting on the calling thread for about ten seconds at most.
// Returns 0 with "0" in codeOut and the encrypted token in messageOut, or 1 with "1" and a
// failure message: the library's own or the service's. No other value is returned.
//
// Texts are UTF-16. A null input reads as the empty text. messageOut must hold
// kLoginMessageUnits (1024) units including the terminator: a longer token or message is cut
// after 1023 units. codeOut must hold 2 units. A null messageOut or codeOut: 1, and nothing is
// written or sent.
#include "service-client/login/login_exports.h"

#include <atomic>

#include "service-client/library.h"

namespace {

std::atomic<long long> waitStepMs{1000};
std::atomic<int> waitSleeps{10};

TUserLogin::Wait CurrentWait() {
  return {std::chrono::milliseconds(waitStepMs.load()), waitSleeps.load()};
}

std::u16string_view FitMessage(std::u16string_view message) {
  return message.substr(0, kLoginMessageUnits - 1);
}

int WriteOutcome(std::u16string_view message, int result, ScriptWideChar* messageOut,
                 ScriptWideChar* codeOut) noexcept {
  WriteScriptWideText(FitMessage(message), messageOut);
  WriteScriptWideText(result == 0 ? u"0" : u"1", codeOut);
  return result;
}

}  // namespace

OV_EXPORT int OV_STDCALL authenticateUser(const ScriptWideChar* username,
                                          const ScriptWideChar* password, const ScriptWideChar* url,
                                          ScriptWideChar* messageOut, ScriptWideChar* codeOut) {
  if (!messageOut || !codeOut) return 1;
  WriteScriptWideText(u"", messageOut);
  WriteScriptWideText(u"", codeOut);
  try {
    const TUserLogin login(RequestList(), CurrentWait());
    const TUserLogin::Outcome outcome =
        login.Authenticate(ScriptWideText(username), ScriptWideText(password), ScriptWideText(url));
    return WriteOutcome(outcome.message, outcome.result, messageOut, codeOut);
  } catch (...) {
    ReportExportException("authenticateUser");
    return WriteOutcome(TUserLogin::kSystemError, 1, messageOut, codeOut);
  }
}

void SetLoginWaitForTesting(TUserLogin::Wait wait) noexcept {
  waitStepMs.store(wait.sleepStep.count());
  waitSleeps.store(wait.sleeps);
}
