#include "platform/base/text.h"

#include <algorithm>

#include "platform/base/codepage_tables.h"

namespace {

// Decodes the sequence at `i`; `len` is its byte length, or 0 when the byte
// at `i` does not start a well-formed sequence.
inline char32_t Decode(std::string_view s, std::size_t i, int& len) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    len = 1;
    return b0;
  }
  const std::size_t rest = s.size() - i;
  auto cont = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  auto isCont = [](unsigned char b) { return (b & 0xC0) == 0x80; };
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    if (rest >= 2 && isCont(cont(1))) {
      len = 2;
      return (char32_t{b0 & 0x1Fu} << 6) | (cont(1) & 0x3Fu);
    }
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    if (rest >= 3) {
      const unsigned char b1 = cont(1), b2 = cont(2);
      // E0 needs A0..BF (no overlongs), ED needs 80..9F (no surrogates).
      const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80, hi = b0 == 0xED ? 0x9F : 0xBF;
      if (b1 >= lo && b1 <= hi && isCont(b2)) {
        len = 3;
        return (char32_t{b0 & 0x0Fu} << 12) | (char32_t{b1 & 0x3Fu} << 6) | (b2 & 0x3Fu);
      }
    }
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    if (rest >= 4) {
      const unsigned char b1 = cont(1), b2 = cont(2), b3 = cont(3);
      // F0 needs 90..BF (no overlongs), F4 needs 80..8F (up to U+10FFFF).
      const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80, hi = b0 == 0xF4 ? 0x8F : 0xBF;
      if (b1 >= lo && b1 <= hi && isCont(b2) && isCont(b3)) {
        len = 4;
        return (char32_t{b0 & 0x07u} << 18) | (char32_t{b1 & 0x3Fu} << 12) |
               (char32_t{b2 & 0x3Fu} << 6) | (b3 & 0x3Fu);
      }
    }
  }
  len = 0;
  return kReplacementChar;
}

inline void Advance(std::string_view s, std::size_t& i) {
  if (static_cast<unsigned char>(s[i]) < 0x80) {
    ++i;
    return;
  }
  int len;
  Decode(s, i, len);
  i += len == 0 ? 1 : len;
}

// Byte offset after `count` characters from the boundary `from`, or
// s.size() when the text ends first.
std::size_t SkipChars(std::string_view s, std::size_t from, int count) {
  std::size_t i = from;
  while (count > 0 && i < s.size()) {
    Advance(s, i);
    --count;
  }
  return i;
}

int CountChars(std::string_view s) {
  int n = 0;
  for (std::size_t i = 0; i < s.size(); ++n) Advance(s, i);
  return n;
}

// First byte offset >= `from` (a character boundary) where `sub` occurs
// starting and ending on character boundaries; npos when there is none.
std::size_t FindOnBoundary(std::string_view s, std::string_view sub, std::size_t from) {
  std::size_t at = from;
  for (;;) {
    const std::size_t p = s.find(sub, from);
    if (p == std::string_view::npos) return p;
    while (at < p) Advance(s, at);
    if (at == p) {
      std::size_t end = p;
      while (end < p + sub.size()) Advance(s, end);
      if (end == p + sub.size()) return p;
      Advance(s, at);
    }
    from = at;
  }
}

template <class Fold>
std::string MapChars(std::string_view s, Fold fold) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    int len;
    const char32_t c = Decode(s, i, len);
    if (len == 0) {
      out.push_back(s[i++]);
    } else {
      AppendUtf8(out, fold(c));
      i += len;
    }
  }
  return out;
}

inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// The collation key of one character (see the header).
inline std::uint32_t CollationKey(char32_t c, int len, unsigned char firstByte) {
  if (len == 0) return 0x80000000u + firstByte;
  const std::uint16_t b = codepage_tables::kWin1251Reverse.ByteOf(c);
  if (b == codepage_tables::kNoByte) return 0x200u + c;
  if (c == U'\u0401') return 0xC5u * 2 + 1;  // Ё after Е
  if (c == U'\u0451') return 0xE5u * 2 + 1;  // ё after е
  return std::uint32_t{b} * 2;
}

// Compares by the folded keys; `caseTieBreak` receives the order decided by
// the first position that differs only in case (0 when none does).
int CompareKeys(std::string_view a, std::string_view b, int* caseTieBreak) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    int la, lb;
    const char32_t ca = Decode(a, i, la), cb = Decode(b, j, lb);
    const char32_t ua = AnsiUpperCaseChar(ca), ub = AnsiUpperCaseChar(cb);
    const std::uint32_t ka = CollationKey(ua, la, static_cast<unsigned char>(a[i]));
    const std::uint32_t kb = CollationKey(ub, lb, static_cast<unsigned char>(b[j]));
    if (ka != kb) return ka < kb ? -1 : 1;
    if (caseTieBreak && *caseTieBreak == 0 && ca != cb) {
      *caseTieBreak = ca != ua ? -1 : 1;  // the lower-case one first
    }
    i += la == 0 ? 1 : la;
    j += lb == 0 ? 1 : lb;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace

// --- UTF-8 plumbing -------------------------------------------------------

char32_t DecodeUtf8At(std::string_view s, std::size_t& byteIndex) {
  int len;
  const char32_t c = Decode(s, byteIndex, len);
  byteIndex += len == 0 ? 1 : len;
  return c;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementChar;
  if (c < 0x800) {
    const char buf[2] = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(buf, 2);
  } else if (c < 0x10000) {
    const char buf[3] = {static_cast<char>(0xE0 | (c >> 12)),
                         static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                         static_cast<char>(0x80 | (c & 0x3F))};
    out.append(buf, 3);
  } else {
    const char buf[4] = {
        static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
        static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    out.append(buf, 4);
  }
}

std::u32string Utf8ToUtf32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) out.push_back(DecodeUtf8At(s, i));
  return out;
}

std::string Utf32ToUtf8(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) AppendUtf8(out, c);
  return out;
}

std::size_t ByteOffsetOfChar(std::string_view s, int index) {
  return index <= 1 ? 0 : SkipChars(s, 0, index - 1);
}

// --- Classic string routines ----------------------------------------------

int Length(std::string_view s) { return CountChars(s); }

std::string Copy(std::string_view s, int index, int count) {
  if (count <= 0) return {};
  const std::size_t start = ByteOffsetOfChar(s, index);
  if (start >= s.size()) return {};
  const std::size_t end = SkipChars(s, start, count);
  return std::string(s.substr(start, end - start));
}

int Pos(std::string_view sub, std::string_view s) { return PosEx(sub, s, 1); }

int PosEx(std::string_view sub, std::string_view s, int offset) {
  if (sub.empty() || offset < 1) return 0;
  const std::size_t start = ByteOffsetOfChar(s, offset);
  if (start >= s.size()) return 0;
  const std::size_t p = FindOnBoundary(s, sub, start);
  if (p == std::string_view::npos) return 0;
  return offset + CountChars(s.substr(start, p - start));
}

void Delete(std::string& s, int index, int count) {
  if (index < 1 || count <= 0) return;
  const std::size_t start = ByteOffsetOfChar(s, index);
  if (start >= s.size()) return;
  const std::size_t end = SkipChars(s, start, count);
  s.erase(start, end - start);
}

void Insert(std::string_view sub, std::string& s, int index) {
  s.insert(ByteOffsetOfChar(s, index), sub);
}

std::string StringOfChar(char32_t ch, int count) {
  std::string one;
  AppendUtf8(one, ch);
  std::string out;
  if (count <= 0) return out;
  out.reserve(one.size() * static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) out += one;
  return out;
}

std::string StringOfChar(char ch, int count) {
  return count <= 0 ? std::string() : std::string(static_cast<std::size_t>(count), ch);
}

std::string Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

std::string TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsTrimmed(s[i])) ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsTrimmed(s[n - 1])) --n;
  return std::string(s.substr(0, n));
}

// --- Case -----------------------------------------------------------------

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

char32_t AnsiUpperCaseChar(char32_t c) {
  if (c < 0x80) return c >= U'a' && c <= U'z' ? c - 32 : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c == 0x491) return 0x490;
  return c;
}

char32_t AnsiLowerCaseChar(char32_t c) {
  if (c < 0x80) return c >= U'A' && c <= U'Z' ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
  if (c == 0x178) return 0xFF;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if (c == 0x490) return 0x491;
  return c;
}

std::string AnsiUpperCase(std::string_view s) { return MapChars(s, AnsiUpperCaseChar); }

std::string AnsiLowerCase(std::string_view s) { return MapChars(s, AnsiLowerCaseChar); }

// --- Comparison -----------------------------------------------------------

int CompareStr(std::string_view a, std::string_view b) {
  const int r = a.compare(b);  // char_traits<char> compares as unsigned char
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t k = 0; k < n; ++k) {
    const auto ca = static_cast<unsigned char>(AsciiUpper(a[k]));
    const auto cb = static_cast<unsigned char>(AsciiUpper(b[k]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool SameText(std::string_view a, std::string_view b) {
  // Only ASCII letters fold, which keeps lengths: field look-ups by name
  // mostly end here.
  return a.size() == b.size() && CompareText(a, b) == 0;
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  int tieBreak = 0;
  const int r = CompareKeys(a, b, &tieBreak);
  return r != 0 ? r : tieBreak;
}

int AnsiCompareText(std::string_view a, std::string_view b) { return CompareKeys(a, b, nullptr); }

bool AnsiSameStr(std::string_view a, std::string_view b) { return a == b; }

bool AnsiSameText(std::string_view a, std::string_view b) { return AnsiCompareText(a, b) == 0; }

// --- Quoting --------------------------------------------------------------

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out;
  out.reserve(s.size() + 2);
  out.push_back(quote);
  for (char c : s) {
    out.push_back(c);
    if (c == quote) out.push_back(quote);
  }
  out.push_back(quote);
  return out;
}

namespace {
// Shared by the two extractors; `closed` tells whether the closing quote
// was found.
std::string ExtractQuoted(std::string_view& src, char quote, bool& closed) {
  closed = false;
  std::string out;
  if (src.empty() || src[0] != quote) return out;
  std::size_t i = 1;
  while (i < src.size()) {
    if (src[i] == quote) {
      if (i + 1 < src.size() && src[i + 1] == quote) {
        out.push_back(quote);
        i += 2;
        continue;
      }
      closed = true;
      ++i;
      break;
    }
    out.push_back(src[i++]);
  }
  src.remove_prefix(i);
  return out;
}
}  // namespace

std::string AnsiExtractQuotedStr(std::string_view& src, char quote) {
  bool closed;
  return ExtractQuoted(src, quote, closed);
}

std::string AnsiDequotedStr(std::string_view s, char quote) {
  std::string_view rest = s;
  bool closed;
  std::string out = ExtractQuoted(rest, quote, closed);
  return closed ? out : std::string(s);
}

// --- Replace --------------------------------------------------------------

std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags) {
  if (oldPattern.empty()) return std::string(s);
  // Folding keeps byte lengths, so offsets found in the folded text are
  // offsets in `s`.
  std::string foldedText, foldedPattern;
  std::string_view hay = s, needle = oldPattern;
  if (flags.Contains(rfIgnoreCase)) {
    foldedText = AnsiUpperCase(s);
    foldedPattern = AnsiUpperCase(oldPattern);
    hay = foldedText;
    needle = foldedPattern;
  }
  std::string out;
  out.reserve(s.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t p = FindOnBoundary(hay, needle, from);
    if (p == std::string_view::npos) break;
    out.append(s.substr(from, p - from));
    out.append(newPattern);
    from = p + needle.size();
    if (!flags.Contains(rfReplaceAll)) break;
  }
  out.append(s.substr(from));
  return out;
}

// --- Numbers --------------------------------------------------------------

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::string IntToHex(std::int64_t value, int digits) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  auto u = static_cast<std::uint64_t>(value);
  std::string out;
  do {
    out.push_back(kHex[u & 0xF]);
    u >>= 4;
  } while (u != 0);
  if (digits > static_cast<int>(out.size())) out.append(digits - out.size(), '0');
  std::reverse(out.begin(), out.end());
  return out;
}
