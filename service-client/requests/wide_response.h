#pragma once
// WideResponse: how the wide reader (ov_getAsynchResponseW) decodes a reply body, and where its
// pieces lie, without holding a second decoded copy of the body.
//
// The decoding is chosen once, from the reply's Content-Type and its bytes:
//  - the declared charset: utf-8; iso-8859-1 (also latin1, us-ascii); windows-1252 (cp1252);
//  - no charset and a JSON or XML type: UTF-8;
//  - no charset and a body that is well-formed UTF-8: UTF-8;
//  - otherwise (also an undeclared or unknown charset): the ANSI code page, exactly the text of
//    the 8-bit reader.
// For UTF-8 a sparse index of sequence boundaries lets a piece be decoded from near its start.
// Immutable after construction; safe to read from any thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class WideResponse {
 public:
  enum class Decoding { kAnsi, kUtf8, kLatin1, kWindows1252 };

  // An empty body.
  WideResponse() = default;
  // For `body` with the Content-Type `contentType`; `ansiLength` is the length of the body's
  // ANSI decoding. May throw std::bad_alloc.
  WideResponse(std::string_view body, std::string_view contentType, std::size_t ansiLength);

  static Decoding ChooseDecoding(std::string_view contentType, std::string_view body);

  Decoding GetDecoding() const { return FDecoding; }
  // The decoded text's length in UTF-16 units.
  std::size_t Length() const { return FLength; }

  // The units that a script reads from the 0-based `offset`, at most `count` (ScriptPiece's
  // rules), of `body` decoded; `ansiText` is the body's ANSI decoding, used for kAnsi.
  std::u16string Piece(std::string_view body, std::u16string_view ansiText, long long offset,
                       long long count) const;

 private:
  // A sequence boundary of a UTF-8 body: so many units decode from the bytes before it.
  struct Boundary {
    std::size_t unit;
    std::size_t byte;
  };
  static constexpr std::size_t kUnitsPerBoundary = 4096;

  void IndexUtf8(std::string_view body);

  Decoding FDecoding = Decoding::kAnsi;
  std::size_t FLength = 0;
  std::vector<Boundary> FBoundaries;  // UTF-8 only: the first at 0, the last at the end
};
