#pragma once
// TUserLogin: the blocking login of a terminal script against the service's login address.
//
// Authenticate sends the user name and password as one GET request through the request
// registry, waits on the calling thread for the reply (a look at once, then one after each of
// `sleeps` sleeps of `sleepStep`), picks the session id, the service's error message or the
// encrypted token out of the reply's text and says what the script receives. The token is
// passed on exactly as received; nothing is decrypted.
//
// The request is released once its reply has been read or the wait has run out, so the registry
// deletes its record after the exchange has ended; the login keeps nothing between calls.
//
// Threads: any thread; several logins may run at the same time, each with a request of its own.
// No lock is held while waiting.

#include <chrono>
#include <string>
#include <string_view>

class TRequestList;

class TUserLogin {
 public:
  struct Wait {
    std::chrono::milliseconds sleepStep{1000};
    int sleeps = 10;
  };

  // What the script receives: result 0 (code "0", the token in the message) or 1 (code "1", a
  // failure message).
  struct Outcome {
    int result = 1;
    std::u16string message;
  };

  // The messages of the library's own failures.
  static constexpr std::u16string_view kNotSupplied = u"Username or Password not supplied";
  static constexpr std::u16string_view kSystemError =
      u"Authentication Failed. A system error occurred. Please try again later.";
  static constexpr std::u16string_view kUnknownResponse = u"Unknown response";
  static constexpr std::u16string_view kPlatformError =
      u"Authentication Failed. A platform error has occurred. Please try again later.";

  // With the shipped wait: ten sleeps of 1000 ms.
  explicit TUserLogin(TRequestList& requests);
  TUserLogin(TRequestList& requests, Wait wait);

  // Logs `username` in at `url`. Empty texts send nothing. Throws only when memory runs out
  // outside the creation of the request and the reading of its reply; the caller then reports
  // kSystemError. The request is released on every path.
  Outcome Authenticate(std::u16string_view username, std::u16string_view password,
                       std::u16string_view url) const;

  // The text between the first "<name>" and the first "</name>" of `reply`, compared
  // case-sensitively: nothing decoded or trimmed; empty when the closing tag is missing or comes
  // first; from the tag length on when only the opening tag is missing.
  static std::u16string ElementText(std::u16string_view reply, std::u16string_view name);

 private:
  bool WaitForCompletion(int id) const;
  std::u16string ReadReply(int id) const;
  static Outcome ReadOutcome(std::u16string_view reply);

  TRequestList& FRequests;
  const Wait FWait;
};
