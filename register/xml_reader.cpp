#include "register/xml_reader.h"

#include <algorithm>

#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/stream.h"

namespace {

constexpr int kReadBufferSize = 4096;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

struct TEntity {
  std::string_view Name;  // without "&" and ";"
  char Char;
};
constexpr TEntity kEntities[] = {
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};

}  // namespace

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
  return FElements.empty() ? std::string() : Win1251ToUtf8(FElements.back());
}

std::string TXmlReader::ElementPath() const {
  std::string path;
  for (const std::string& name : FElements) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  return Win1251ToUtf8(path);
}

void TXmlReader::Fail(std::string_view what) const {
  throw EXmlReader("Ошибка в XML-документе: " + std::string(what));
}

std::string TXmlReader::ReadName(std::string_view stops) {
  std::string name;
  char c = 0;
  while (Get(c)) {
    if (IsBlank(c) || stops.find(c) != std::string_view::npos) {
      FInput.PutBack(c);
      break;
    }
    name += c;
  }
  return name;
}

bool TXmlReader::SkipBlanks() {
  char c = 0;
  while (Get(c)) {
    if (!IsBlank(c)) {
      FInput.PutBack(c);
      return true;
    }
  }
  return false;
}

bool TXmlReader::ReadUntil(std::string_view terminator, std::string& out) {
  out.clear();
  char c = 0;
  while (Get(c)) {
    out += c;
    if (out.size() >= terminator.size() &&
        std::string_view(out).substr(out.size() - terminator.size()) == terminator) {
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

TXmlTokenKind TXmlReader::Token(TXmlTokenKind kind, std::string name, std::string value) {
  FKind = kind;
  FName = Win1251ToUtf8(name);
  FValue = Win1251ToUtf8(value);
  return kind;
}

TXmlTokenKind TXmlReader::Next() {
  if (FInStartTag) return NextInStartTag();
  char c = 0;
  while (true) {
    if (!Get(c)) {
      if (!FElements.empty()) Fail("ожидается закрывающий тэг элемента");
      return Token(xkEndOfInput, {}, {});
    }
    if (!(FElements.empty() && IsBlank(c))) break;
  }
  if (c != '<') {
    if (FElements.empty()) Fail("текст вне элемента");
    FInput.PutBack(c);
    return ReadText();
  }
  char d = 0;
  if (!Get(d)) Fail("не задано имя открывающего тэга элемента");
  switch (d) {
    case '!':
      return ReadSpecial();
    case '/':
      return ReadEndTag();
    case '?':
      return ReadInstruction();
  }
  FInput.PutBack(d);
  return ReadStartTag();
}

TXmlTokenKind TXmlReader::ReadSpecial() {
  static constexpr std::string_view kUnknown = "неизвестная специальная инструкция";
  char c = 0;
  if (!Get(c)) Fail(kUnknown);
  std::string text;
  if (c == '-') {
    Expect("-", kUnknown);
    if (!ReadUntil("-->", text)) Fail("ожидается \"-->\"");
    return Token(xkComment, {}, text);
  }
  if (c == '[') {
    Expect("CDATA[", kUnknown);
    if (!ReadUntil("]]>", text)) Fail("ожидается \"]]>\"");
    return Token(xkCData, {}, text);
  }
  if (c == 'D') {
    Expect("OCTYPE", kUnknown);
    SkipBlanks();
    std::string name = ReadName(">");
    if (name.empty()) Fail("не задано имя в типе документа");
    if (!ReadUntil(">", text)) Fail("ожидается \">\" для типа документа");
    return Token(xkDocType, name, text);
  }
  Fail(kUnknown);
}

TXmlTokenKind TXmlReader::ReadInstruction() {
  std::string target = ReadName(">?");
  if (target.empty()) Fail("не задано имя в обрабатывающей инструкции");
  SkipBlanks();
  std::string text;
  if (!ReadUntil("?>", text)) Fail("ожидается \"?>\"");
  return Token(xkInstruction, target, text);
}

TXmlTokenKind TXmlReader::ReadStartTag() {
  std::string name = ReadName(">/");
  if (name.empty()) Fail("не задано имя открывающего тэга элемента");
  FElements.push_back(name);
  FInStartTag = true;
  return Token(xkStartTag, name, {});
}

TXmlTokenKind TXmlReader::NextInStartTag() {
  if (!SkipBlanks()) Fail("ожидается \">\" для открывающего тэга элемента");
  char c = 0;
  Get(c);
  if (c == '/') {
    char d = 0;
    if (!Get(d) || d != '>') Fail("ожидается \"/>\"");
    FInStartTag = false;
    std::string name = std::move(FElements.back());
    FElements.pop_back();
    return Token(xkEndTag, name, {});
  }
  if (c == '>') {
    FInStartTag = false;
    return Token(xkStartTagEnd, {}, {});
  }
  if (c == '<' || c == '"' || c == '\'') Fail("ожидается атрибут элемента");
  FInput.PutBack(c);
  std::string name = ReadName("=");
  if (name.empty()) Fail("не задано имя атрибута элемента");
  SkipBlanks();
  if (!Get(c) || c != '=') Fail("ожидается \"=\" для атрибута элемента");
  if (!SkipBlanks()) Fail("не задано значение атрибута элемента");
  Get(c);
  std::string value;
  if (c == '"' || c == '\'') {
    if (!ReadUntil(std::string_view(&c, 1), value)) Fail("не закрыто значение атрибута элемента");
  } else {
    FInput.PutBack(c);
    char d = 0;
    while (Get(d)) {
      if (IsBlank(d) || d == '/' || d == '>') {
        FInput.PutBack(d);
        break;
      }
      value += d;
    }
  }
  return Token(xkAttribute, name, DecodeXmlEntities(value));
}

TXmlTokenKind TXmlReader::ReadEndTag() {
  std::string name = ReadName(">");
  if (name.empty()) Fail("не задано имя закрывающего тэга элемента");
  SkipBlanks();
  char c = 0;
  if (!Get(c) || c != '>') Fail("ожидается \">\" для закрывающего тэга элемента");
  if (FElements.empty() || FElements.back() != name)
    Fail("несоответствие имён открывающего и закрывающего тэгов");
  FElements.pop_back();
  return Token(xkEndTag, name, {});
}

TXmlTokenKind TXmlReader::ReadText() {
  std::string text;
  char c = 0;
  while (Get(c)) {
    if (c == '<') {
      char d = 0;
      if (!Get(d)) Fail("неожидаемое завершение текста");
      FInput.PutBack(d);
      FInput.PutBack(c);
      break;
    }
    text += c;
  }
  return Token(xkText, {}, DecodeXmlEntities(text));
}
