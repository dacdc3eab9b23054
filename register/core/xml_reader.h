// TXmlReader: the pull reader of the exchange files. Each Next returns one
// token: a processing instruction, a start tag, each attribute, the end of
// the start tag, an end tag (or the end of an empty element), a text, and
// the rest. It checks only what the exchange files need: names of end tags
// match their start tags, every element is closed, nothing but blanks lies
// outside the root.
//
// Input is single-byte Windows-1251; names and values come back as UTF-8.
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
  std::vector<char> FBuffer;
  std::size_t FPos = 0;
  std::size_t FEnd = 0;
  bool FOemToAnsi;
};

// A text reader with characters given back: the last one given back is
// read first.
class TXmlReaderStream {
 public:
  // Owns `stream` when `ownsStream` is set.
  TXmlReaderStream(TStream* stream, bool ownsStream);
  ~TXmlReaderStream();
  TXmlReaderStream(const TXmlReaderStream&) = delete;
  TXmlReaderStream& operator=(const TXmlReaderStream&) = delete;

  bool Read(char& c) {
    if (!FPushBack.empty()) {
      c = FPushBack.back();
      FPushBack.pop_back();
      return true;
    }
    return FReader.Read(c);
  }
  void PutBack(char c) { FPushBack.push_back(c); }
  // The next byte in `c`, left unread; false at the end of the input.
  bool Peek(char& c) {
    if (!FPushBack.empty()) {
      c = FPushBack.back();
      return true;
    }
    const std::string_view block = FReader.Peek();
    if (block.empty()) return false;
    c = block[0];
    return true;
  }
  // Skips the bytes for which skip(c) holds; false when the input ends
  // first.
  template <class Skip>
  bool SkipWhile(Skip skip) {
    while (!FPushBack.empty()) {
      if (!skip(FPushBack.back())) return true;
      FPushBack.pop_back();
    }
    while (true) {
      const std::string_view block = FReader.Peek();
      if (block.empty()) return false;
      std::size_t i = 0;
      while (i < block.size() && skip(block[i])) ++i;
      FReader.Skip(i);
      if (i < block.size()) return true;
    }
  }
  // As ReadUntil for one stop byte, found with memchr: attribute values
  // and texts are most of an exchange file's bytes.
  bool ReadUntilByte(char stop, std::string& out) {
    while (!FPushBack.empty()) {
      if (FPushBack.back() == stop) return true;
      out += FPushBack.back();
      FPushBack.pop_back();
    }
    while (true) {
      const std::string_view block = FReader.Peek();
      if (block.empty()) return false;
      const void* found = std::memchr(block.data(), stop, block.size());
      const std::size_t i =
          found == nullptr ? block.size() : static_cast<const char*>(found) - block.data();
      out.append(block.data(), i);
      FReader.Skip(i);
      if (i < block.size()) return true;
    }
  }
  // Appends to `out` the bytes up to the first one for which stop(c)
  // holds, which stays unread. False when the input ends first.
  template <class Stop>
  bool ReadUntil(Stop stop, std::string& out) {
    while (!FPushBack.empty()) {
      if (stop(FPushBack.back())) return true;
      out += FPushBack.back();
      FPushBack.pop_back();
    }
    while (true) {
      const std::string_view block = FReader.Peek();
      if (block.empty()) return false;
      std::size_t i = 0;
      while (i < block.size() && !stop(block[i])) ++i;
      out.append(block.data(), i);
      FReader.Skip(i);
      if (i < block.size()) return true;
    }
  }

 private:
  TStream* FStream;
  bool FOwnsStream;
  TTextReader FReader;
  std::string FPushBack;
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
  const std::string& Name() const { return FName; }
  const std::string& Value() const {
    if (!FValueReady) MakeValue();
    return FValue;
  }
  // The value as the file's Windows-1251 bytes (entities decoded), valid
  // until the next Next.
  const std::string& RawValue() const { return FRawValue; }
  // The innermost open element; "" outside all elements.
  std::string ElementName() const;
  // The open elements from the outermost, joined with "\".
  std::string ElementPath() const;

 private:
  [[noreturn]] void Fail(std::string_view what) const;
  // Converts the raw value to UTF-8 when first asked.
  void MakeValue() const;
  bool Get(char& c) { return FInput.Read(c); }
  // Reads into FRawName up to a character below 33 or one of `stops`
  // (left unread).
  void ReadName(std::string_view stops);
  // Skips blanks (codes up to 32); false at the end of the input.
  bool SkipBlanks();
  // Reads into `out` up to `terminator` (consumed, not kept); false at
  // the end of the input.
  bool ReadUntil(std::string_view terminator, std::string& out);
  void Expect(std::string_view word, std::string_view what);
  // Sets the token from raw Windows-1251 name and value.
  TXmlTokenKind Token(TXmlTokenKind kind, std::string_view name, std::string_view value);
  TXmlTokenKind NextInStartTag();
  TXmlTokenKind ReadSpecial();
  TXmlTokenKind ReadInstruction();
  TXmlTokenKind ReadEndTag();
  TXmlTokenKind ReadStartTag();
  TXmlTokenKind ReadText();

  TXmlReaderStream FInput;
  TXmlTokenKind FKind = xkEndOfInput;
  std::string FName;
  mutable std::string FValue;
  mutable bool FValueReady = true;
  std::vector<std::string> FElements;  // raw bytes; the first FDepth are open
  std::size_t FDepth = 0;
  bool FInStartTag = false;
  std::string FRawName;
  std::string FRawValue;
};

// The text with the five predefined entities decoded; any other "&" is
// kept. Works on Windows-1251 bytes and on UTF-8 alike.
std::string DecodeXmlEntities(std::string_view text);
// The same, in place.
void DecodeXmlEntitiesInPlace(std::string& text);
