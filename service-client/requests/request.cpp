#include "service-client/requests/request.h"

#include <algorithm>
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

std::u16string TRequest::GetWideResponsePart(long long offset, long long count) const {
  if (!IsComplete()) return u"";
  return FWideResponse.Piece(FBody, FResponse, offset, count);
}

std::size_t TRequest::GetWideResponseLength() const {
  return IsComplete() ? FWideResponse.Length() : 0;
}

std::string TRequest::GetResponseBytesPart(long long offset, long long count) const {
  if (!IsComplete() || count < 1 || offset < 0 ||
      static_cast<unsigned long long>(offset) >= FBody.size()) {
    return {};
  }
  return FBody.substr(static_cast<std::size_t>(offset),
                      static_cast<std::size_t>(std::min<unsigned long long>(count, FBody.size())));
}

void TRequest::SetResponse(std::string_view body, std::string_view contentType) {
  if (IsComplete()) return;
  std::u16string response = StreamToString(body);
  std::string bytes(body);
  WideResponse wideResponse(body, contentType, response.size());
  FResponse = std::move(response);
  FBody = std::move(bytes);
  FWideResponse = std::move(wideResponse);
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
