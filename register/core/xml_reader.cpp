#include "register/core/xml_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/stream.h"

namespace {

constexpr int kReadBufferSize = 4096;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// Windows-1251 bytes as UTF-8 in `out`, copied as they are when ASCII;
// `out` keeps its room from token to token.
void AssignUtf8(std::string& out, std::string_view bytes) {
  if (IsAscii(bytes)) {
    out.assign(bytes);
  } else {
    out.resize(3 * bytes.size() + 1);
    out.resize(ToUtf8(bytes, TCodePage::Win1251, out.data(), out.size()));
  }
}

struct TEntity {
  std::string_view Name;  // without "&" and ";"
  char Char;
};
constexpr TEntity kEntities[] = {
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};

}  // namespace

void DecodeXmlEntitiesInPlace(std::string& text) {
  if (text.find('&') == std::string::npos) return;
  text = DecodeXmlEntities(text);
}

std::string DecodeXmlEntities(std::string_view text) {
  std::size_t amp = text.find('&');
  if (amp == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, amp));
  while (amp < text.size()) {
    bool decoded = false;
    for (const TEntity& entity : kEntities) {
      const std::string_view rest = text.substr(amp + 1);
      if (rest.size() > entity.Name.size() && rest.starts_with(entity.Name) &&
          rest[entity.Name.size()] == ';') {
        out += entity.Char;
        amp += entity.Name.size() + 2;
        decoded = true;
        break;
      }
    }
    if (!decoded) out += text[amp++];
    const std::size_t next = std::min(text.find('&', amp), text.size());
    out.append(text.substr(amp, next - amp));
    amp = next;
  }
  return out;
}

// --- TTextReader

TTextReader::TTextReader(TStream& stream, int bufferSize, bool oemToAnsi)
    : FStream(stream),
      FBuffer(static_cast<std::size_t>(std::max(bufferSize, 1))),
      FOemToAnsi(oemToAnsi) {}

bool TTextReader::Fill() {
  const std::int64_t count =
      FStream.Read(FBuffer.data(), static_cast<std::int64_t>(FBuffer.size()));
  FPos = 0;
  FEnd = count > 0 ? static_cast<std::size_t>(count) : 0;
  if (FOemToAnsi && FEnd > 0) {
    const std::string converted = OemToAnsi(std::string_view(FBuffer.data(), FEnd));
    std::copy(converted.begin(), converted.end(), FBuffer.begin());
  }
  return FEnd > 0;
}

// --- TXmlReaderStream

TXmlReaderStream::TXmlReaderStream(TStream* stream, bool ownsStream)
    : FStream(stream), FOwnsStream(ownsStream), FReader(*stream, kReadBufferSize, false) {}

TXmlReaderStream::~TXmlReaderStream() {
  if (FOwnsStream) delete FStream;
}

// --- TXmlReader

TXmlReader::TXmlReader(const std::string& fileName)
    : TXmlReader(std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite)) {}

TXmlReader::TXmlReader(std::unique_ptr<TStream> stream) : FInput(stream.release(), true) {}

TXmlReader::~TXmlReader() = default;

std::string TXmlReader::ElementName() const {
  return FDepth == 0 ? std::string() : Win1251ToUtf8(FElements[FDepth - 1]);
}

std::string TXmlReader::ElementPath() const {
  std::string path;
  for (std::size_t i = 0; i < FDepth; ++i) {
    if (i > 0) path += '\\';
    path += FElements[i];
  }
  return Win1251ToUtf8(path);
}

void TXmlReader::Fail(std::string_view what) const {
  throw EXmlReader("Ошибка в XML-документе: " + std::string(what));
}

void TXmlReader::ReadName(std::string_view stops) {
  FRawName.clear();
  // At most two stop characters, compared directly: this runs per byte.
  const char first = stops[0];
  const char second = stops.size() > 1 ? stops[1] : stops[0];
  FInput.ReadUntil([first, second](char c) { return IsBlank(c) || c == first || c == second; },
                   FRawName);
}

bool TXmlReader::SkipBlanks() { return FInput.SkipWhile(IsBlank); }

bool TXmlReader::ReadUntil(std::string_view terminator, std::string& out) {
  out.clear();
  const char last = terminator.back();
  char c = 0;
  while (FInput.ReadUntil([last](char x) { return x == last; }, out) && Get(c)) {
    out += c;
    if (std::string_view(out).ends_with(terminator)) {
      out.resize(out.size() - terminator.size());
      return true;
    }
  }
  return false;
}

void TXmlReader::Expect(std::string_view word, std::string_view what) {
  for (char expected : word) {
    char c = 0;
    if (!Get(c) || c != expected) Fail(what);
  }
}

TXmlTokenKind TXmlReader::Token(TXmlTokenKind kind, std::string_view name, std::string_view value) {
  FKind = kind;
  AssignUtf8(FName, name);
  if (value.empty())
    FRawValue.clear();
  else if (value.data() != FRawValue.data())
    FRawValue.assign(value);
  FValueReady = false;
  return kind;
}

void TXmlReader::MakeValue() const {
  AssignUtf8(FValue, FRawValue);
  FValueReady = true;
}

TXmlTokenKind TXmlReader::Next() {
  if (FInStartTag) return NextInStartTag();
  char c = 0;
  while (true) {
    if (!Get(c)) {
      if (FDepth > 0) Fail("ожидается закрывающий тэг элемента");
      return Token(xkEndOfInput, {}, {});
    }
    if (!(FDepth == 0 && IsBlank(c))) break;
  }
  if (c != '<') {
    if (FDepth == 0) Fail("текст вне элемента");
    FInput.PutBack(c);
    return ReadText();
  }
  // Looked at before it is taken: a start tag's name begins with it.
  char d = 0;
  if (!FInput.Peek(d)) Fail("не задано имя открывающего тэга элемента");
  switch (d) {
    case '!':
      Get(d);
      return ReadSpecial();
    case '/':
      Get(d);
      return ReadEndTag();
    case '?':
      Get(d);
      return ReadInstruction();
  }
  return ReadStartTag();
}

TXmlTokenKind TXmlReader::ReadSpecial() {
  static constexpr std::string_view kUnknown = "неизвестная специальная инструкция";
  char c = 0;
  if (!Get(c)) Fail(kUnknown);
  if (c == '-') {
    Expect("-", kUnknown);
    if (!ReadUntil("-->", FRawValue)) Fail("ожидается \"-->\"");
    return Token(xkComment, {}, FRawValue);
  }
  if (c == '[') {
    Expect("CDATA[", kUnknown);
    if (!ReadUntil("]]>", FRawValue)) Fail("ожидается \"]]>\"");
    return Token(xkCData, {}, FRawValue);
  }
  if (c == 'D') {
    Expect("OCTYPE", kUnknown);
    SkipBlanks();
    ReadName(">");
    if (FRawName.empty()) Fail("не задано имя в типе документа");
    if (!ReadUntil(">", FRawValue)) Fail("ожидается \">\" для типа документа");
    return Token(xkDocType, FRawName, FRawValue);
  }
  Fail(kUnknown);
}

TXmlTokenKind TXmlReader::ReadInstruction() {
  ReadName(">?");
  if (FRawName.empty()) Fail("не задано имя в обрабатывающей инструкции");
  SkipBlanks();
  if (!ReadUntil("?>", FRawValue)) Fail("ожидается \"?>\"");
  return Token(xkInstruction, FRawName, FRawValue);
}

TXmlTokenKind TXmlReader::ReadStartTag() {
  ReadName(">/");
  if (FRawName.empty()) Fail("не задано имя открывающего тэга элемента");
  if (FDepth == FElements.size()) FElements.emplace_back();
  FElements[FDepth++] = FRawName;
  FInStartTag = true;
  return Token(xkStartTag, FRawName, {});
}

TXmlTokenKind TXmlReader::NextInStartTag() {
  if (!SkipBlanks()) Fail("ожидается \">\" для открывающего тэга элемента");
  // Looked at before it is taken: an attribute's name begins with it.
  char c = 0;
  FInput.Peek(c);
  if (c == '/') {
    Get(c);
    char d = 0;
    if (!Get(d) || d != '>') Fail("ожидается \"/>\"");
    FInStartTag = false;
    --FDepth;
    return Token(xkEndTag, FElements[FDepth], {});
  }
  if (c == '>') {
    Get(c);
    FInStartTag = false;
    return Token(xkStartTagEnd, {}, {});
  }
  if (c == '<' || c == '"' || c == '\'') Fail("ожидается атрибут элемента");
  ReadName("=");
  if (FRawName.empty()) Fail("не задано имя атрибута элемента");
  SkipBlanks();
  if (!Get(c) || c != '=') Fail("ожидается \"=\" для атрибута элемента");
  if (!SkipBlanks()) Fail("не задано значение атрибута элемента");
  Get(c);
  FRawValue.clear();
  if (c == '"' || c == '\'') {
    const char quote = c;
    if (!FInput.ReadUntilByte(quote, FRawValue)) Fail("не закрыто значение атрибута элемента");
    Get(c);
  } else {
    FInput.PutBack(c);
    FInput.ReadUntil([](char x) { return IsBlank(x) || x == '/' || x == '>'; }, FRawValue);
  }
  DecodeXmlEntitiesInPlace(FRawValue);
  return Token(xkAttribute, FRawName, FRawValue);
}

TXmlTokenKind TXmlReader::ReadEndTag() {
  ReadName(">");
  if (FRawName.empty()) Fail("не задано имя закрывающего тэга элемента");
  SkipBlanks();
  char c = 0;
  if (!Get(c) || c != '>') Fail("ожидается \">\" для закрывающего тэга элемента");
  if (FDepth == 0 || FElements[FDepth - 1] != FRawName)
    Fail("несоответствие имён открывающего и закрывающего тэгов");
  --FDepth;
  return Token(xkEndTag, FRawName, {});
}

TXmlTokenKind TXmlReader::ReadText() {
  FRawValue.clear();
  if (FInput.ReadUntilByte('<', FRawValue)) {
    char c = 0;
    char d = 0;
    Get(c);
    if (!Get(d)) Fail("неожидаемое завершение текста");
    FInput.PutBack(d);
    FInput.PutBack(c);
  }
  DecodeXmlEntitiesInPlace(FRawValue);
  return Token(xkText, {}, FRawValue);
}
