#include "service-client/requests/wide_response.h"

#include <algorithm>

#include "platform/utf8.h"
#include "platform/windows_1252.h"
#include "service-client/requests/text_positions.h"

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The charset parameter of a Content-Type, lower case and unquoted; empty when there is none.
std::string Charset(std::string_view contentType) {
  const std::string lower = Lower(contentType);
  for (std::size_t at = lower.find(';'); at != std::string::npos; at = lower.find(';', at + 1)) {
    std::string_view parameter = Trimmed(std::string_view(lower).substr(at + 1));
    parameter = parameter.substr(0, parameter.find(';'));
    if (!parameter.starts_with("charset=")) continue;
    std::string_view value = Trimmed(parameter.substr(8));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
  }
  return {};
}

bool IsJsonOrXml(std::string_view contentType) {
  const std::string type(Trimmed(Lower(contentType.substr(0, contentType.find(';')))));
  return type == "application/json" || type == "text/json" || type.ends_with("+json") ||
         type == "application/xml" || type == "text/xml" || type.ends_with("+xml");
}

}  // namespace

WideResponse::Decoding WideResponse::ChooseDecoding(std::string_view contentType,
                                                    std::string_view body) {
  const std::string charset = Charset(contentType);
  if (charset == "utf-8" || charset == "utf8") return Decoding::kUtf8;
  if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii") {
    return Decoding::kLatin1;
  }
  if (charset == "windows-1252" || charset == "cp1252") return Decoding::kWindows1252;
  if (!charset.empty()) return Decoding::kAnsi;
  if (IsJsonOrXml(contentType) || IsValidUtf8(body)) return Decoding::kUtf8;
  return Decoding::kAnsi;
}

WideResponse::WideResponse(std::string_view body, std::string_view contentType,
                           std::size_t ansiLength)
    : FDecoding(ChooseDecoding(contentType, body)) {
  switch (FDecoding) {
    case Decoding::kAnsi:
      FLength = ansiLength;
      break;
    case Decoding::kLatin1:
    case Decoding::kWindows1252:
      FLength = body.size();
      break;
    case Decoding::kUtf8:
      IndexUtf8(body);
      break;
  }
}

void WideResponse::IndexUtf8(std::string_view body) {
  FBoundaries.push_back({0, 0});
  std::size_t byte = 0;
  while (byte < body.size()) {
    const Utf8Sequence sequence = NextUtf8Sequence(body.substr(byte));
    byte += sequence.bytes;
    FLength += sequence.units;
    if (FLength - FBoundaries.back().unit >= kUnitsPerBoundary) {
      FBoundaries.push_back({FLength, byte});
    }
  }
  if (FBoundaries.back().byte != body.size()) FBoundaries.push_back({FLength, body.size()});
}

std::u16string WideResponse::Piece(std::string_view body, std::u16string_view ansiText,
                                   long long offset, long long count) const {
  if (FDecoding == Decoding::kAnsi) return std::u16string(ScriptPiece(ansiText, offset, count));
  // The piece's bounds under the script's rules (ScriptPiece).
  if (count < 1 || offset < 0 || static_cast<unsigned long long>(offset) >= FLength) return {};
  const auto first = static_cast<std::size_t>(offset);
  const std::size_t length = std::min<unsigned long long>(count, FLength - first);
  if (FDecoding != Decoding::kUtf8) {
    std::u16string piece(length, u'\0');
    for (std::size_t i = 0; i < length; ++i) {
      const auto byte = static_cast<std::uint8_t>(body[first + i]);
      piece[i] = FDecoding == Decoding::kLatin1 ? byte : Windows1252ToUnit(byte);
    }
    return piece;
  }
  // Decode from the last boundary at or before the piece to the first at or after its end.
  const auto from = std::prev(std::upper_bound(
      FBoundaries.begin(), FBoundaries.end(), first,
      [](std::size_t unit, const Boundary& boundary) { return unit < boundary.unit; }));
  const auto to = std::lower_bound(
      from, FBoundaries.end(), first + length,
      [](const Boundary& boundary, std::size_t unit) { return boundary.unit < unit; });
  const std::u16string decoded = Utf8ToUtf16(body.substr(from->byte, to->byte - from->byte));
  return decoded.substr(first - from->unit, length);
}
