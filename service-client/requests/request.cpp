#include "service-client/requests/request.h"

#include <utility>

#include "platform/ansi_code_page.h"
#include "service-client/requests/text_positions.h"

TRequest::TRequest(std::u16string url, int id)
    : FUrl(std::move(url)), FId(id), FHttps(FUrl.starts_with(u"https") ? 1 : 0) {}

std::u16string TRequest::GetResponse() const { return IsComplete() ? FResponse : u""; }

std::u16string TRequest::GetResponsePart(long long offset, long long count) const {
  if (!IsComplete()) return std::u16string(ScriptPiece(u"", offset, count));
  return std::u16string(ScriptPiece(FResponse, offset, count));
}

void TRequest::SetResponse(std::string_view body) {
  if (IsComplete()) return;
  FResponse = StreamToString(body);
}

std::u16string TRequest::StreamToString(std::string_view body) { return AnsiToUtf16(body); }

int TRequest::GetErrorCode() const { return IsComplete() ? FErrorCode : -1; }

void TRequest::SetErrorCode(int errorCode) {
  if (!IsComplete()) FErrorCode = errorCode;
}

std::u16string TRequest::GetErrorDescription() const {
  return IsComplete() ? FErrorDescription : u"";
}

void TRequest::SetErrorDescription(std::u16string description) {
  if (!IsComplete()) FErrorDescription = std::move(description);
}

void TRequest::SetComplete(bool complete) {
  if (complete) FComplete.store(true, std::memory_order_release);
}
