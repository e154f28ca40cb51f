#include "service-client/login/user_login.h"

#include <string>

#include "platform/thread.h"
#include "service-client/debug_log.h"
#include "service-client/requests/request.h"
#include "service-client/requests/request_list.h"
#include "service-client/requests/text_positions.h"
#include "service-client/requests/url_encode.h"

namespace {

std::u16string Decimal(long long value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

// Nobody but the login knows its request's id, so it gives the id up on every way out.
class ReleaseOnExit {
 public:
  ReleaseOnExit(TRequestList& requests, int id) : FRequests(requests), FId(id) {}
  ~ReleaseOnExit() {
    try {
      FRequests.ReleaseRequest(FId);
    } catch (...) {
      // Only the purge timer's start can fail; the record then stays registered.
    }
  }
  ReleaseOnExit(const ReleaseOnExit&) = delete;
  ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

 private:
  TRequestList& FRequests;
  const int FId;
};

TUserLogin::Outcome Failure(std::u16string_view message) { return {1, std::u16string(message)}; }

}  // namespace

TUserLogin::TUserLogin(TRequestList& requests) : TUserLogin(requests, Wait{}) {}

TUserLogin::TUserLogin(TRequestList& requests, Wait wait) : FRequests(requests), FWait(wait) {}

TUserLogin::Outcome TUserLogin::Authenticate(std::u16string_view username,
                                             std::u16string_view password,
                                             std::u16string_view url) const {
  DebugLog(u"Username [" + std::u16string(username) + u"] Password [" + std::u16string(password) +
           u"] URL [" + std::u16string(url) + u"]");
  if (username.empty() || password.empty() || url.empty()) return Failure(kNotSupplied);

  const std::u16string loginUrl = std::u16string(url) + u"?request=authenticate&username=" +
                                  urlEncode(username) + u"&password=" + urlEncode(password) +
                                  u"&serverencrypt=1";
  DebugLog(u"Final URL: " + loginUrl);
  int id;
  try {
    id = FRequests.CreateRequest(loginUrl, 60000, 60000);
  } catch (...) {
    return Failure(kSystemError);
  }
  const ReleaseOnExit release(FRequests, id);
  DebugLog(u"Got the request id as: " + Decimal(id));

  if (!WaitForCompletion(id)) {
    DebugLog(u"The request for authentication timed out");
    return Failure(kUnknownResponse);
  }
  return ReadOutcome(ReadReply(id));
}

bool TUserLogin::WaitForCompletion(int id) const {
  for (int n = FWait.sleeps;; --n) {
    if (FRequests.IsRequestComplete(id)) return true;
    if (n <= 0) return false;
    DebugLog(u"Sleeping [" + Decimal(n) + u"]");
    TThread::Sleep(FWait.sleepStep);
  }
}

std::u16string TUserLogin::ReadReply(int id) const {
  std::u16string reply;
  try {
    if (const auto request = FRequests.FindRequest(id)) reply = request->GetResponse();
  } catch (...) {
    reply.clear();  // read as an empty reply
  }
  DebugLog(u"XML: " + reply);
  return reply;
}

TUserLogin::Outcome TUserLogin::ReadOutcome(std::u16string_view reply) {
  const int openAt = FindFirst(reply, u"<sessionid>");
  const int closeAt = FindFirst(reply, u"</sessionid>");
  if (openAt == 0 || closeAt == 0) {
    DebugLog(u"Sending back Authentication Failed.");
    DebugLog(u"Returning");
    return Failure(kPlatformError);
  }
  const std::u16string sessionId = ElementText(reply, u"sessionid");
  DebugLog(u"Pos1: " + Decimal(openAt));
  DebugLog(u"Pos2: " + Decimal(closeAt));
  DebugLog(u"SessionID? " + sessionId);

  Outcome outcome;
  if (sessionId == u"0") {
    outcome = {1, ElementText(reply, u"errormessage")};
    DebugLog(u"Sending back Authentication Failed: " + outcome.message);
  } else {
    outcome = {0, ElementText(reply, u"encryptedtoken")};
    DebugLog(u"Returning Token: [" + outcome.message + u"] Code [1]");
  }
  DebugLog(u"Returning");
  return outcome;
}

std::u16string TUserLogin::ElementText(std::u16string_view reply, std::u16string_view name) {
  const std::u16string open = u"<" + std::u16string(name) + u">";
  const std::u16string close = u"</" + std::u16string(name) + u">";
  const long long length = static_cast<long long>(open.size());
  const long long openAt = FindFirst(reply, open);
  const long long closeAt = FindFirst(reply, close);
  return SubstringAt(reply, static_cast<int>(openAt + length),
                     static_cast<int>(closeAt - openAt - length));
}
