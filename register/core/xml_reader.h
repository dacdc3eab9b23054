// TXmlReader: the pull reader of the exchange files. Each Next returns one
// token: a processing instruction, a start tag, each attribute, the end of
// the start tag, an end tag (or the end of an empty element), a text, and
// the rest. It checks only what the exchange files need: names of end tags
// match their start tags, every element is closed, nothing but blanks lies
// outside the root.
//
// Input is single-byte Windows-1251; names and values come back as UTF-8,
// and as views of the bytes read (no copy unless entities are decoded).
// Attribute values and texts have the entities "&amp;", "&lt;", "&gt;",
// "&quot;" and "&apos;" decoded (our writer escapes with them); any other
// "&" stays as it stands, so files of earlier writers with a raw "&" read
// as before. Comments, CDATA sections and instruction texts are returned
// exactly as they stand.
//
// Every malformed input raises EXmlReader "Ошибка в XML-документе: <what>";
// after that the reader's position is undefined and the caller stops.
// GUI thread only.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/exceptions.h"

class TStream;

class EXmlReader : public Exception {
 public:
  using Exception::Exception;
};

// Buffered bytes of a stream, optionally turned from OEM 866 into
// Windows-1251 as they are read.
class TTextReader {
 public:
  // Reads `stream` (not owned) in blocks of `bufferSize` bytes.
  TTextReader(TStream& stream, int bufferSize, bool oemToAnsi);
  // The next byte in `c`; false at the end of the input. Throws the
  // stream's read errors.
  bool Read(char& c) {
    if (FPos == FEnd && !Fill()) return false;
    c = FBuffer[FPos++];
    return true;
  }
  // The unread bytes of the current block (refilled when used up); empty
  // at the end of the input.
  std::string_view Peek() {
    if (FPos == FEnd && !Fill()) return {};
    return {FBuffer.data() + FPos, FEnd - FPos};
  }
  // REQUIRES: count <= Peek().size().
  void Skip(std::size_t count) { FPos += count; }

 private:
  bool Fill();

  TStream& FStream;
  std::vector<char> FBuffer;  // the bytes read, then a NUL
  std::size_t FPos = 0;
  std::size_t FEnd = 0;
  bool FOemToAnsi;
};

// The token kinds, with the numbers the exchange code has always used.
enum TXmlTokenKind {
  xkInstruction = 0,  // <?target text?>: Name = target, Value = text
  xkDocType = 1,      // <!DOCTYPE name rest>: Name, Value = rest
  xkComment = 2,      // <!--text-->: Value
  xkCData = 3,        // <![CDATA[text]]>: Value
  xkStartTag = 4,     // <name: Name
  xkStartTagEnd = 5,  // ">" after the attributes
  xkEndTag = 6,       // </name> or "/>": Name = the element's name
  xkAttribute = 7,    // name=value inside a start tag: Name, Value
  xkText = 8,         // text between tags: Value
  xkEndOfInput = 9,   // also before the first Next
};

class TXmlReader {
 public:
  // Opens `fileName` for reading, shared with other readers. Throws
  // EFOpenError when it cannot be opened.
  explicit TXmlReader(const std::string& fileName);
  // Reads `stream` (owned).
  explicit TXmlReader(std::unique_ptr<TStream> stream);
  ~TXmlReader();
  TXmlReader(const TXmlReader&) = delete;
  TXmlReader& operator=(const TXmlReader&) = delete;

  // Reads the next token and returns its kind. Throws EXmlReader on
  // malformed input, including an input that ends with elements open.
  TXmlTokenKind Next();

  TXmlTokenKind Kind() const { return FKind; }
  // The token's name and value (see TXmlTokenKind), UTF-8.
  const std::string& Name() const {
    if (!FNameReady) MakeName();
    return FName;
  }
  const std::string& Value() const {
    if (!FValueReady) MakeValue();
    return FValue;
  }
  // The name and the value as the file's Windows-1251 bytes (entities
  // decoded), valid until the next Next. An attribute's RawName may be
  // read 16 bytes from its start, whatever its length (a word-wide
  // comparison may look past its end; those bytes are unspecified).
  static constexpr std::size_t kReadableName = 16;
  std::string_view RawName() const { return FRawName; }
  std::string_view RawValue() const { return FRawValue; }
  // The innermost open element; "" outside all elements.
  std::string ElementName() const;
  // The open elements from the outermost, joined with "\".
  std::string ElementPath() const;

 private:
  [[noreturn]] void Fail(std::string_view what) const;
  // Next for every token but a plain attribute.
  TXmlTokenKind NextToken();
  // Next for every token the quick ways of Next do not take.
  TXmlTokenKind NextInGeneral();
  void MakeName() const;
  void MakeValue() const;
  // Keeps the unread bytes, reads more behind them; sets FEof when the
  // stream has no more.
  void Refill();
  // Each scan reads one token from FPos and returns its kind, or kMore,
  // changing nothing but FPos past blanks, when the token may run past
  // the bytes read so far.
  int Scan();
  int ScanInStartTag();
  int ScanSpecial(std::size_t i);
  int ScanInstruction(std::size_t i);
  int ScanEndTag(std::size_t i);
  int ScanStartTag(std::size_t i);
  int ScanText(std::size_t i);
  // The end of the name from `i`: the first byte below 33, a byte of the
  // classes `stops`, or FEnd.
  std::size_t NameEnd(std::size_t i, unsigned char stops) const;
  std::size_t SkipBlanks(std::size_t i) const;
  // Where `word` starts at or after `i`; npos when not in the buffer.
  std::size_t Find(std::size_t i, std::string_view word) const;
  int Token(TXmlTokenKind kind, std::string_view name, std::string_view value);
  // The same with the value's entities decoded.
  int DecodedToken(TXmlTokenKind kind, std::string_view name, std::string_view value);

  // The name of open element `index` (0 the outermost); also of the
  // element closed last, at FDepth, until another opens.
  std::string_view Element(std::size_t index) const {
    const std::size_t start = index == 0 ? 0 : FNameEnds[index - 1];
    return {FNames.data() + start, FNameEnds[index] - start};
  }
  // Opens an element of that name.
  void PushElement(std::string_view name);

  std::unique_ptr<TStream> FStream;
  // The bytes read, then a NUL, then room that word-wide scans may read.
  std::vector<char> FBuffer;
  std::size_t FPos = 0;
  std::size_t FEnd = 0;
  bool FEof = false;
  TXmlTokenKind FKind = xkEndOfInput;
  std::string_view FRawName;
  std::string_view FRawValue;
  std::string FDecoded;  // the value, when it had entities
  mutable std::string FName;
  mutable std::string FValue;
  mutable bool FNameReady = true;
  mutable bool FValueReady = true;
  // The names of the elements (raw bytes) one after another, and where
  // each ends; the first FDepth are open.
  std::string FNames;
  std::vector<std::size_t> FNameEnds;
  std::size_t FDepth = 0;
  bool FInStartTag = false;
};

// The text with the five predefined entities decoded; any other "&" is
// kept. Works on Windows-1251 bytes and on UTF-8 alike.
std::string DecodeXmlEntities(std::string_view text);
// The same, in place.
void DecodeXmlEntitiesInPlace(std::string& text);
