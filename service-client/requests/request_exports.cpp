// The asynchronous-request exports. Each is a thin frame around one operation of the request
// registry. Failure values: -1 for ids, flags and codes; for the two readers, the characters
// written so far (followed by a terminator). An id that was never handed out is no failure: it
// answers not complete, no error, code -1 and empty texts.
//
// The readers write at most `count` characters from the 0-based `offset` of the text, each
// UTF-16 unit as its low 8 bits, then a terminator: the buffer must hold count + 1 bytes.
#include "service-client/requests/request_exports.h"

#include <algorithm>
#include <climits>
#include <string>

#include "service-client/debug_log.h"
#include "service-client/library.h"
#include "service-client/requests/request_list.h"
#include "service-client/requests/text_positions.h"

namespace {

std::string TrueFalse(bool value) { return value ? "true" : "false"; }

// Writes the low 8 bits of each unit, then a terminator; returns how many units it wrote.
int CopyLow8Bits(std::u16string_view units, char* buffer) {
  int written = 0;
  for (const char16_t unit : units) buffer[written++] = static_cast<char>(unit & 0xFF);
  buffer[written] = '\0';
  return written;
}

// A reader called without a buffer, or with a negative offset and something to read, fails
// (0 characters, an empty buffer, the failure trace), but without throwing: on MinGW the first
// exception in each load of the library costs the process a TLS slot that is never given back.
template <typename Char>
bool FailsToRead(std::string_view exportName, Char* buffer, int offset, int count) {
  if (buffer) buffer[0] = 0;
  if (buffer && !(count > 0 && offset < 0)) return false;
  ReportExportException(exportName);
  return true;
}

// The frame of both readers: `read(written)` copies into the buffer, keeping `written` up to
// date, traces and returns the count; a failure returns what it had written by then.
template <typename Char, typename Read>
int ReaderExport(std::string_view exportName, Char* buffer, int offset, int count, Read read) {
  if (FailsToRead(exportName, buffer, offset, count)) return 0;
  int written = 0;
  return GuardedExport(
      exportName, [&] { return written; }, [&] { return read(written); });
}

// Writes `bytes`, then a terminator; returns how many bytes it wrote.
int CopyBytes(std::string_view bytes, unsigned char* buffer) {
  std::copy(bytes.begin(), bytes.end(), buffer);
  buffer[bytes.size()] = 0;
  return static_cast<int>(bytes.size());
}

std::u16string Decimal(long long value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

}  // namespace

// Applies to requests created afterwards. Returns 1; -1 on failure.
OV_EXPORT int OV_STDCALL ov_initProxySettings(const char* server, int port, const char* username,
                                              const char* password) {
  return GuardedExport("ov_initProxySettings", -1, [&] {
    DebugLogAnsi("Setting up proxy settings Server [" + std::string(ScriptText(server)) +
                 "] Port [" + std::to_string(port) + "] Username [" +
                 std::string(ScriptText(username)) + "] Password [" +
                 std::string(ScriptText(password)) + "]");
    RequestList().SetProxySettings(ScriptTextToUtf16(server), ScriptTextToUtf16(username),
                                   ScriptTextToUtf16(password), port);
    return 1;
  });
}

// 0 switches the check of https peers off for requests created afterwards; any other value
// switches it on. Returns 1; -1 on failure.
OV_EXPORT int OV_STDCALL ov_setCertificateCheck(int enabled) {
  return GuardedExport("ov_setCertificateCheck", -1, [&] {
    DebugLogAnsi("Setting certificate check [" + std::to_string(enabled) + "]");
    RequestList().SetCertificateCheck(enabled != 0);
    return 1;
  });
}

// The new request's id (1 or greater) at once; the exchange runs on its own thread. -1 on
// failure. A time-out of 0 or below stands for 60000 ms.
OV_EXPORT int OV_STDCALL ov_createAsynchRequest(const char* url, int connectTimeout,
                                                int readTimeout) {
  return GuardedExport("ov_createAsynchRequest", -1, [&] {
    DebugLogAnsi("Creating new Async Request [" + std::string(ScriptText(url)) + "]");
    return RequestList().CreateRequest(ScriptTextToUtf16(url), connectTimeout, readTimeout);
  });
}

// Gives the id up; its record goes about a minute after the exchange has ended.
OV_EXPORT void OV_STDCALL ov_destroyAsynchRequest(int id) {
  GuardedExport("ov_destroyAsynchRequest", [&] {
    DebugLogAnsi("Destroying request with id [" + std::to_string(id) + "]");
    RequestList().ReleaseRequest(id);
  });
}

// 1 once the exchange has ended, else 0; -1 on failure.
OV_EXPORT int OV_STDCALL ov_isAsynchRequestComplete(int id) {
  return GuardedExport("ov_isAsynchRequestComplete", -1, [&] {
    DebugLogAnsi("Checking if async request is complete for id [" + std::to_string(id) +
                 "] with value [" + TrueFalse(RequestList().IsRequestComplete(id)) + "]");
    return RequestList().IsRequestComplete(id) ? 1 : 0;
  });
}

// 1 when the server answered with an error status, else 0; -1 on failure.
OV_EXPORT int OV_STDCALL ov_isAsynchRequestError(int id) {
  return GuardedExport("ov_isAsynchRequestError", -1, [&] {
    DebugLogAnsi("Checking if async request has an error for id [" + std::to_string(id) +
                 "] with value [" + TrueFalse(RequestList().IsRequestError(id)) + "]");
    return RequestList().IsRequestError(id) ? 1 : 0;
  });
}

// -1 no error, above 0 the server's error status, 0 any other failure; -1 on failure.
OV_EXPORT int OV_STDCALL ov_getErrorCode(int id) {
  return GuardedExport("ov_getErrorCode", -1, [&] {
    DebugLogAnsi("Getting error code for id [" + std::to_string(id) + "] with value [" +
                 std::to_string(RequestList().GetErrorCode(id)) + "]");
    return RequestList().GetErrorCode(id);
  });
}

OV_EXPORT int OV_STDCALL ov_getErrorDescription(int id, char* buffer, int offset, int count) {
  return ReaderExport("ov_getErrorDescription", buffer, offset, count, [&](int& written) {
    const std::u16string text = RequestList().GetErrorDescription(id);
    written = CopyLow8Bits(ScriptPiece(text, offset, count), buffer);
    DebugLogAnsi("Getting error description for id [" + std::to_string(id) + "] with value [" +
                 std::to_string(written) + "]");
    return written;
  });
}

OV_EXPORT int OV_STDCALL ov_getAsynchResponse(int id, char* buffer, int offset, int count) {
  return ReaderExport("ov_getAsynchResponse", buffer, offset, count, [&](int& written) {
    const auto piece = RequestList().GetResponsePart(id, offset, count);
    if (piece) written = CopyLow8Bits(*piece, buffer);
    DebugLogAnsi("Getting response for id [" + std::to_string(id) + "] with value [" +
                 std::string(buffer) + "] and return code [" + std::to_string(written) + "]");
    return written;
  });
}

// The wide family: UTF-16 texts in and out, each export with the frame, trace and failure
// values of its 8-bit twin.

OV_EXPORT int OV_STDCALL ov_initProxySettingsW(const ScriptWideChar* server, int port,
                                               const ScriptWideChar* username,
                                               const ScriptWideChar* password) {
  return GuardedExport("ov_initProxySettingsW", -1, [&] {
    DebugLog(u"Setting up proxy settings Server [" + ScriptWideText(server) + u"] Port [" +
             Decimal(port) + u"] Username [" + ScriptWideText(username) + u"] Password [" +
             ScriptWideText(password) + u"]");
    RequestList().SetProxySettings(ScriptWideText(server), ScriptWideText(username),
                                   ScriptWideText(password), port);
    return 1;
  });
}

OV_EXPORT int OV_STDCALL ov_createAsynchRequestW(const ScriptWideChar* url, int connectTimeout,
                                                 int readTimeout) {
  return GuardedExport("ov_createAsynchRequestW", -1, [&] {
    DebugLog(u"Creating new Async Request [" + ScriptWideText(url) + u"]");
    return RequestList().CreateRequest(ScriptWideText(url), connectTimeout, readTimeout);
  });
}

// The error text's units exactly; the buffer must hold count + 1 units.
OV_EXPORT int OV_STDCALL ov_getErrorDescriptionW(int id, ScriptWideChar* buffer, int offset,
                                                 int count) {
  return ReaderExport("ov_getErrorDescriptionW", buffer, offset, count, [&](int& written) {
    const std::u16string text = RequestList().GetErrorDescription(id);
    const std::u16string_view piece = ScriptPiece(text, offset, count);
    WriteScriptWideText(piece, buffer);
    written = static_cast<int>(piece.size());
    DebugLog(u"Getting error description for id [" + Decimal(id) + u"] with value [" +
             Decimal(written) + u"]");
    return written;
  });
}

// The body decoded by its declared charset (WideResponse), units exactly; the buffer must hold
// count + 1 units.
OV_EXPORT int OV_STDCALL ov_getAsynchResponseW(int id, ScriptWideChar* buffer, int offset,
                                               int count) {
  return ReaderExport("ov_getAsynchResponseW", buffer, offset, count, [&](int& written) {
    const auto piece = RequestList().GetWideResponsePart(id, offset, count);
    if (piece) {
      WriteScriptWideText(*piece, buffer);
      written = static_cast<int>(piece->size());
    }
    DebugLog(u"Getting response for id [" + Decimal(id) + u"] with value [" + piece.value_or(u"") +
             u"] and return code [" + Decimal(written) + u"]");
    return written;
  });
}

// The whole length in UTF-16 units of what ov_getAsynchResponseW returns; 0 for an id never
// handed out or a request not complete; -1 on failure.
OV_EXPORT int OV_STDCALL ov_getResponseLength(int id) {
  return GuardedExport("ov_getResponseLength", -1, [&] {
    const std::size_t length = RequestList().GetWideResponseLength(id);
    const int result = static_cast<int>(std::min<std::size_t>(length, INT_MAX));
    DebugLogAnsi("Getting response length for id [" + std::to_string(id) + "] with value [" +
                 std::to_string(result) + "]");
    return result;
  });
}

// The body's bytes exactly as received, for binary replies; the buffer must hold count + 1
// bytes (a terminator follows, as with the other readers).
OV_EXPORT int OV_STDCALL ov_getResponseBytes(int id, unsigned char* buffer, int offset, int count) {
  return ReaderExport("ov_getResponseBytes", buffer, offset, count, [&](int& written) {
    const auto piece = RequestList().GetResponseBytesPart(id, offset, count);
    if (piece) written = CopyBytes(*piece, buffer);
    DebugLogAnsi("Getting response bytes for id [" + std::to_string(id) + "] with return code [" +
                 std::to_string(written) + "]");
    return written;
  });
}
