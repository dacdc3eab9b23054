#include "register/core/xml_reader.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/stream.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

// What ends a name, by byte: a blank (any code up to 32, NUL too, which
// also stands behind the bytes read) or the delimiter of its kind.
enum : unsigned char { kBlank = 1, kGt = 2, kSlash = 4, kEquals = 8, kQuestion = 16 };

struct TByteClasses {
  unsigned char Of[256] = {};
  constexpr TByteClasses() {
    for (int c = 0; c <= 32; ++c) Of[c] = kBlank;
    Of[static_cast<unsigned char>('>')] = kGt;
    Of[static_cast<unsigned char>('/')] = kSlash;
    Of[static_cast<unsigned char>('=')] = kEquals;
    Of[static_cast<unsigned char>('?')] = kQuestion;
  }
};
constexpr TByteClasses kClasses;

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

// --- TXmlReader

namespace {

constexpr std::size_t kBufferSize = 65536;
// Bytes behind the NUL after the bytes read, so that sixteen may be read
// from any position up to the NUL.
constexpr std::size_t kPadding = TXmlReader::kReadableName;
// A scan's answer when the token may run past the bytes read so far.
constexpr int kMore = -1;

// The end of a name from `p`: a blank or `stop` (or `stop2`). The NUL
// behind the bytes read ends every name, so the scan needs no bound.
const unsigned char* NameEndAt(const unsigned char* p, unsigned char stop, unsigned char stop2) {
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128(), space = _mm_set1_epi8(' ');
  const __m128i first = _mm_set1_epi8(static_cast<char>(stop));
  const __m128i second = _mm_set1_epi8(static_cast<char>(stop2));
  for (;; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Up to 32 when nothing is left after taking 32 away.
    const __m128i hits =
        _mm_or_si128(_mm_cmpeq_epi8(_mm_subs_epu8(bytes, space), zero),
                     _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second)));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return p + std::countr_zero(mask);
  }
#else
  while (*p > ' ' && *p != stop && *p != stop2) ++p;
  return p;
#endif
}

// The first `quote` or "&" from `p` before `end`; `end` when none.
const unsigned char* QuoteOrAmpersand(const unsigned char* p, const unsigned char* end,
                                      unsigned char quote) {
#if defined(__SSE2__)
  const __m128i close = _mm_set1_epi8(static_cast<char>(quote)), amp = _mm_set1_epi8('&');
  for (; p < end; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, close), _mm_cmpeq_epi8(bytes, amp));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return std::min(p + std::countr_zero(mask), end);
  }
  return end;
#else
  while (p < end && *p != quote && *p != '&') ++p;
  return p;
#endif
}

}  // namespace

TXmlReader::TXmlReader(const std::string& fileName)
    : TXmlReader(std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite)) {}

TXmlReader::TXmlReader(std::unique_ptr<TStream> stream)
    : FStream(std::move(stream)), FBuffer(kBufferSize + 1 + kPadding) {}

TXmlReader::~TXmlReader() = default;

std::string TXmlReader::ElementName() const {
  return FDepth == 0 ? std::string() : Win1251ToUtf8(Element(FDepth - 1));
}

std::string TXmlReader::ElementPath() const {
  std::string path;
  for (std::size_t i = 0; i < FDepth; ++i) {
    if (i > 0) path += '\\';
    path += Element(i);
  }
  return Win1251ToUtf8(path);
}

[[gnu::always_inline]] inline void TXmlReader::PushElement(std::string_view name) {
  const std::size_t start = FDepth == 0 ? 0 : FNameEnds[FDepth - 1];
  if (FNames.size() < start + name.size() + kPadding)
    FNames.resize(2 * (start + name.size()) + kPadding);
  // The name lies in the bytes read, which have the padding behind: a
  // short one goes in one piece of fixed size.
  if (name.size() <= kPadding) {
    std::memcpy(FNames.data() + start, name.data(), kPadding);
  } else {
    std::memcpy(FNames.data() + start, name.data(), name.size());
  }
  if (FNameEnds.size() == FDepth) FNameEnds.push_back(0);
  FNameEnds[FDepth++] = start + name.size();
}

void TXmlReader::Fail(std::string_view what) const {
  throw EXmlReader("Ошибка в XML-документе: " + std::string(what));
}

void TXmlReader::MakeName() const {
  AssignUtf8(FName, FRawName);
  FNameReady = true;
}

void TXmlReader::MakeValue() const {
  AssignUtf8(FValue, FRawValue);
  FValueReady = true;
}

void TXmlReader::Refill() {
  if (FEof) return;
  if (FPos > 0) {
    std::memmove(FBuffer.data(), FBuffer.data() + FPos, FEnd - FPos);
    FEnd -= FPos;
    FPos = 0;
  }
  // A token longer than the buffer: room for the rest of it.
  if (FEnd + 1 + kPadding == FBuffer.size()) FBuffer.resize(2 * FBuffer.size());
  const std::int64_t count = FStream->Read(
      FBuffer.data() + FEnd, static_cast<std::int64_t>(FBuffer.size() - 1 - kPadding - FEnd));
  if (count > 0)
    FEnd += static_cast<std::size_t>(count);
  else
    FEof = true;
  FBuffer[FEnd] = '\0';
}

std::size_t TXmlReader::NameEnd(std::size_t i, unsigned char stops) const {
  // The NUL behind the bytes read ends every name.
  const auto* p = reinterpret_cast<const unsigned char*>(FBuffer.data()) + i;
  stops |= kBlank;
  while ((kClasses.Of[*p] & stops) == 0) ++p;
  return static_cast<std::size_t>(p - reinterpret_cast<const unsigned char*>(FBuffer.data()));
}

std::size_t TXmlReader::SkipBlanks(std::size_t i) const {
  const char* b = FBuffer.data();
  while (i < FEnd && IsBlank(b[i])) ++i;
  return i;
}

std::size_t TXmlReader::Find(std::size_t i, std::string_view word) const {
  return std::string_view(FBuffer.data(), FEnd).find(word, i);
}

inline int TXmlReader::Token(TXmlTokenKind kind, std::string_view name, std::string_view value) {
  FKind = kind;
  FRawName = name;
  FRawValue = value;
  FNameReady = false;
  FValueReady = false;
  return kind;
}

int TXmlReader::DecodedToken(TXmlTokenKind kind, std::string_view name, std::string_view value) {
  Token(kind, name, value);
  if (!value.empty() && std::memchr(value.data(), '&', value.size()) != nullptr) {
    FDecoded = DecodeXmlEntities(value);
    FRawValue = FDecoded;
  }
  return kind;
}

TXmlTokenKind TXmlReader::Next() {
  // Most tokens are attributes without entities, starts of elements and
  // ends of empty ones: taken here with no call; everything else goes on
  // from the same position.
  if (FInStartTag) {
    const auto* b = reinterpret_cast<const unsigned char*>(FBuffer.data());
    const unsigned char* p = b + FPos;
    const unsigned char* const end = b + FEnd;  // *end is NUL
    while (*p == ' ') ++p;
    const unsigned char c = *p;
    if (kClasses.Of[c] == 0 && c != '<' && c != '"' && c != '\'') {
      const unsigned char* const name = p;
      p = NameEndAt(p, '=', '=');
      // p[1] is there: *p is no NUL.
      if (*p == '=' && (p[1] == '"' || p[1] == '\'')) {
        const unsigned char quote = p[1];
        const unsigned char* const value = p + 2;
        const unsigned char* const close = QuoteOrAmpersand(value, end, quote);
        if (close != end && *close == quote) {
          FPos = static_cast<std::size_t>(close + 1 - b);
          Token(xkAttribute,
                {reinterpret_cast<const char*>(name), static_cast<std::size_t>(p - name)},
                {reinterpret_cast<const char*>(value), static_cast<std::size_t>(close - value)});
          return xkAttribute;
        }
      }
    } else if (c == '/' && p[1] == '>') {
      // The end of an empty element.
      FInStartTag = false;
      --FDepth;
      FPos = static_cast<std::size_t>(p + 2 - b);
      Token(xkEndTag, Element(FDepth), {});
      return xkEndTag;
    }
  } else if (FDepth > 0) {
    // <name, short, its end in the buffer, with room kept for it.
    const auto* b = reinterpret_cast<const unsigned char*>(FBuffer.data());
    const unsigned char* const p = b + FPos;
    const unsigned char d = p[1];
    if (*p == '<' && kClasses.Of[d] == 0 && d != '!') {
      const unsigned char* const name = p + 1;
      const unsigned char* const q = NameEndAt(name, '>', '/');
      const std::size_t size = static_cast<std::size_t>(q - name);
      const std::size_t start = FNameEnds[FDepth - 1];
      if (q != b + FEnd && size <= kPadding && FNames.size() >= start + size + kPadding &&
          FNameEnds.size() > FDepth) {
        std::memcpy(FNames.data() + start, name, kPadding);
        FNameEnds[FDepth++] = start + size;
        FInStartTag = true;
        FPos = static_cast<std::size_t>(q - b);
        Token(xkStartTag, Element(FDepth - 1), {});
        return xkStartTag;
      }
    }
  }
  return NextToken();
}

TXmlTokenKind TXmlReader::NextToken() {
  // The tokens of an exchange file's records, whole in the buffer, are
  // taken here; everything else (and anything these do not take) goes the
  // general way, from the same position.
  const auto* b = reinterpret_cast<const unsigned char*>(FBuffer.data());
  const unsigned char* p = b + FPos;
  const unsigned char* const end = b + FEnd;  // *end is NUL
  const auto view = [](const unsigned char* from, const unsigned char* to) {
    return std::string_view(reinterpret_cast<const char*>(from),
                            static_cast<std::size_t>(to - from));
  };
  if (FInStartTag) {
    while (*p == ' ') ++p;
    const unsigned char c = *p;
    if (kClasses.Of[c] == 0 && c != '<' && c != '"' && c != '\'') {
      // name="value"
      const unsigned char* const name = p;
      p = NameEndAt(p, '=', '=');
      // p[1] is there: *p is no NUL.
      if (*p == '=' && (p[1] == '"' || p[1] == '\'')) {
        const unsigned char quote = p[1];
        const unsigned char* const value = p + 2;
        const unsigned char* close = QuoteOrAmpersand(value, end, quote);
        const bool entities = close != end && *close == '&';
        if (entities) {
          close = static_cast<const unsigned char*>(
              std::memchr(close, quote, static_cast<std::size_t>(end - close)));
          if (close == nullptr) close = end;
        }
        if (close != end) {
          FPos = static_cast<std::size_t>(close + 1 - b);
          Token(xkAttribute, view(name, p), view(value, close));
          if (entities) {
            FDecoded = DecodeXmlEntities(FRawValue);
            FRawValue = FDecoded;
          }
          return xkAttribute;
        }
      }
    } else if (c == '/' && p[1] == '>') {
      FInStartTag = false;
      --FDepth;
      FPos = static_cast<std::size_t>(p + 2 - b);
      return static_cast<TXmlTokenKind>(Token(xkEndTag, Element(FDepth), {}));
    } else if (c == '>') {
      FInStartTag = false;
      FPos = static_cast<std::size_t>(p + 1 - b);
      return static_cast<TXmlTokenKind>(Token(xkStartTagEnd, {}, {}));
    }
  } else if (FDepth > 0 && *p == '<') {
    const unsigned char d = p[1];
    if (d == '/') {
      // </name>
      const unsigned char* const name = p + 2;
      const unsigned char* const q = NameEndAt(name, '>', '>');
      const std::string_view raw = view(name, q);
      if (*q == '>' && q != name && Element(FDepth - 1) == raw) {
        --FDepth;
        FPos = static_cast<std::size_t>(q + 1 - b);
        return static_cast<TXmlTokenKind>(Token(xkEndTag, raw, {}));
      }
    } else if (kClasses.Of[d] == 0 && d != '!') {
      // <name, its end in the buffer
      const unsigned char* const name = p + 1;
      const unsigned char* const q = NameEndAt(name, '>', '/');
      if (q != end) {
        PushElement(view(name, q));
        FInStartTag = true;
        FPos = static_cast<std::size_t>(q - b);
        return static_cast<TXmlTokenKind>(Token(xkStartTag, Element(FDepth - 1), {}));
      }
    }
  }
  return NextInGeneral();
}

TXmlTokenKind TXmlReader::NextInGeneral() {
  while (true) {
    const int kind = FInStartTag ? ScanInStartTag() : Scan();
    if (kind != kMore) return static_cast<TXmlTokenKind>(kind);
    Refill();
  }
}

int TXmlReader::Scan() {
  const char* b = FBuffer.data();
  // Blanks are skipped only outside the root; inside it they are text.
  if (FDepth == 0) FPos = SkipBlanks(FPos);
  const std::size_t i = FPos;
  if (i == FEnd) {
    if (!FEof) return kMore;
    if (FDepth > 0) Fail("ожидается закрывающий тэг элемента");
    return Token(xkEndOfInput, {}, {});
  }
  if (b[i] != '<') {
    if (FDepth == 0) Fail("текст вне элемента");
    return ScanText(i);
  }
  if (i + 1 == FEnd) {
    if (!FEof) return kMore;
    Fail("не задано имя открывающего тэга элемента");
  }
  switch (b[i + 1]) {
    case '!':
      return ScanSpecial(i + 2);
    case '/':
      return ScanEndTag(i + 2);
    case '?':
      return ScanInstruction(i + 2);
  }
  return ScanStartTag(i + 1);
}

int TXmlReader::ScanSpecial(std::size_t i) {
  static constexpr std::string_view kUnknown = "неизвестная специальная инструкция";
  const char* b = FBuffer.data();
  // The bytes of `word` from `i`, each one read or refused in turn.
  const auto expect = [&](std::string_view word) {
    for (char expected : word) {
      if (i == FEnd) {
        if (!FEof) return false;
        Fail(kUnknown);
      }
      if (b[i++] != expected) Fail(kUnknown);
    }
    return true;
  };
  const auto until = [&](std::string_view terminator, std::string_view what, std::size_t& end) {
    end = Find(i, terminator);
    if (end != std::string_view::npos) return true;
    if (!FEof) return false;
    Fail(what);
  };
  if (i == FEnd) {
    if (!FEof) return kMore;
    Fail(kUnknown);
  }
  const char c = b[i++];
  std::size_t end = 0;
  if (c == '-') {
    if (!expect("-")) return kMore;
    if (!until("-->", "ожидается \"-->\"", end)) return kMore;
    FPos = end + 3;
    return Token(xkComment, {}, {b + i, end - i});
  }
  if (c == '[') {
    if (!expect("CDATA[")) return kMore;
    if (!until("]]>", "ожидается \"]]>\"", end)) return kMore;
    FPos = end + 3;
    return Token(xkCData, {}, {b + i, end - i});
  }
  if (c == 'D') {
    if (!expect("OCTYPE")) return kMore;
    const std::size_t start = SkipBlanks(i);
    i = NameEnd(start, kGt);
    if (i == FEnd && !FEof) return kMore;
    if (i == start) Fail("не задано имя в типе документа");
    if (!until(">", "ожидается \">\" для типа документа", end)) return kMore;
    FPos = end + 1;
    return Token(xkDocType, {b + start, i - start}, {b + i, end - i});
  }
  Fail(kUnknown);
}

int TXmlReader::ScanInstruction(std::size_t i) {
  const char* b = FBuffer.data();
  const std::size_t start = i;
  i = NameEnd(start, kGt | kQuestion);
  if (i == FEnd && !FEof) return kMore;
  if (i == start) Fail("не задано имя в обрабатывающей инструкции");
  const std::size_t text = SkipBlanks(i);
  const std::size_t end = Find(text, "?>");
  if (end == std::string_view::npos) {
    if (!FEof) return kMore;
    Fail("ожидается \"?>\"");
  }
  FPos = end + 2;
  return Token(xkInstruction, {b + start, i - start}, {b + text, end - text});
}

int TXmlReader::ScanStartTag(std::size_t i) {
  const char* b = FBuffer.data();
  const std::size_t end = NameEnd(i, kGt | kSlash);
  if (end == FEnd && !FEof) return kMore;
  if (end == i) Fail("не задано имя открывающего тэга элемента");
  PushElement({b + i, end - i});
  FInStartTag = true;
  FPos = end;
  return Token(xkStartTag, Element(FDepth - 1), {});
}

int TXmlReader::ScanInStartTag() {
  const char* b = FBuffer.data();
  std::size_t i = SkipBlanks(FPos);
  if (i == FEnd) {
    if (!FEof) return kMore;
    Fail("ожидается \">\" для открывающего тэга элемента");
  }
  const char c = b[i];
  if (c == '/') {
    if (i + 1 == FEnd) {
      if (!FEof) return kMore;
      Fail("ожидается \"/>\"");
    }
    if (b[i + 1] != '>') Fail("ожидается \"/>\"");
    FInStartTag = false;
    --FDepth;
    FPos = i + 2;
    return Token(xkEndTag, Element(FDepth), {});
  }
  if (c == '>') {
    FInStartTag = false;
    FPos = i + 1;
    return Token(xkStartTagEnd, {}, {});
  }
  if (c == '<' || c == '"' || c == '\'') Fail("ожидается атрибут элемента");
  const std::size_t name = i;
  i = NameEnd(name, kEquals);
  if (i == FEnd && !FEof) return kMore;
  if (i == name) Fail("не задано имя атрибута элемента");
  const std::size_t nameEnd = i;
  i = SkipBlanks(i);
  if (i == FEnd) {
    if (!FEof) return kMore;
    Fail("ожидается \"=\" для атрибута элемента");
  }
  if (b[i] != '=') Fail("ожидается \"=\" для атрибута элемента");
  i = SkipBlanks(i + 1);
  if (i == FEnd) {
    if (!FEof) return kMore;
    Fail("не задано значение атрибута элемента");
  }
  std::size_t value = i;
  std::size_t valueEnd = 0;
  if (b[i] == '"' || b[i] == '\'') {
    ++value;
    const void* found = std::memchr(b + value, b[i], FEnd - value);
    if (found == nullptr) {
      if (!FEof) return kMore;
      Fail("не закрыто значение атрибута элемента");
    }
    valueEnd = static_cast<std::size_t>(static_cast<const char*>(found) - b);
    FPos = valueEnd + 1;
  } else {
    valueEnd = NameEnd(value, kSlash | kGt);
    if (valueEnd == FEnd && !FEof) return kMore;
    FPos = valueEnd;
  }
  return DecodedToken(xkAttribute, {b + name, nameEnd - name}, {b + value, valueEnd - value});
}

int TXmlReader::ScanEndTag(std::size_t i) {
  const char* b = FBuffer.data();
  const std::size_t name = i;
  i = NameEnd(name, kGt);
  if (i == FEnd && !FEof) return kMore;
  if (i == name) Fail("не задано имя закрывающего тэга элемента");
  const std::size_t nameEnd = i;
  i = SkipBlanks(i);
  if (i == FEnd) {
    if (!FEof) return kMore;
    Fail("ожидается \">\" для закрывающего тэга элемента");
  }
  if (b[i] != '>') Fail("ожидается \">\" для закрывающего тэга элемента");
  const std::string_view raw(b + name, nameEnd - name);
  if (FDepth == 0 || Element(FDepth - 1) != raw)
    Fail("несоответствие имён открывающего и закрывающего тэгов");
  --FDepth;
  FPos = i + 1;
  return Token(xkEndTag, raw, {});
}

int TXmlReader::ScanText(std::size_t i) {
  const char* b = FBuffer.data();
  const void* found = std::memchr(b + i, '<', FEnd - i);
  std::size_t end = FEnd;
  if (found != nullptr) {
    end = static_cast<std::size_t>(static_cast<const char*>(found) - b);
    // A "<" must be followed by something.
    if (end + 1 == FEnd) {
      if (!FEof) return kMore;
      Fail("неожидаемое завершение текста");
    }
  } else if (!FEof) {
    return kMore;
  }
  FPos = end;
  return DecodedToken(xkText, {}, {b + i, end - i});
}
