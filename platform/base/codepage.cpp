#include "platform/base/codepage.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/base/codepage_tables.h"
#include "platform/base/text.h"

namespace {

using codepage_tables::kNoByte;
using codepage_tables::THighHalf;
using codepage_tables::TReverse;

// UTF-8 of each upper-half byte; every character of both pages is below
// U+10000, so three bytes suffice.
struct TUtf8Char {
  char bytes[3];
  unsigned char length;
};
using TUtf8Half = std::array<TUtf8Char, 128>;

constexpr TUtf8Half MakeUtf8Half(const THighHalf& high) {
  TUtf8Half out{};
  for (std::size_t i = 0; i < high.size(); ++i) {
    const char32_t c = high[i];
    TUtf8Char& u = out[i];
    if (c < 0x800) {
      u.bytes[0] = static_cast<char>(0xC0 | (c >> 6));
      u.bytes[1] = static_cast<char>(0x80 | (c & 0x3F));
      u.length = 2;
    } else {
      u.bytes[0] = static_cast<char>(0xE0 | (c >> 12));
      u.bytes[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      u.bytes[2] = static_cast<char>(0x80 | (c & 0x3F));
      u.length = 3;
    }
  }
  return out;
}

constexpr TUtf8Half kWin1251Utf8 = MakeUtf8Half(codepage_tables::kWin1251);
constexpr TUtf8Half kOem866Utf8 = MakeUtf8Half(codepage_tables::kOem866);

using TByteMap = std::array<unsigned char, 256>;

constexpr TByteMap MakeCrossMap(const THighHalf& from, const TReverse& to) {
  TByteMap out{};
  for (std::size_t b = 0; b < 0x80; ++b) out[b] = static_cast<unsigned char>(b);
  for (std::size_t i = 0; i < from.size(); ++i) {
    const std::uint16_t t = to.ByteOf(from[i]);
    out[0x80 + i] = t == kNoByte ? '?' : static_cast<unsigned char>(t);
  }
  return out;
}

constexpr TByteMap kAnsiToOem =
    MakeCrossMap(codepage_tables::kWin1251, codepage_tables::kOem866Reverse);
constexpr TByteMap kOemToAnsi =
    MakeCrossMap(codepage_tables::kOem866, codepage_tables::kWin1251Reverse);

constexpr TByteMap MakeAnsiUpper() {
  TByteMap out{};
  for (std::size_t b = 0; b < 256; ++b) out[b] = static_cast<unsigned char>(b);
  for (std::size_t b = 'a'; b <= 'z'; ++b) out[b] = static_cast<unsigned char>(b - 32);
  for (std::size_t b = 0xE0; b <= 0xFF; ++b) out[b] = static_cast<unsigned char>(b - 32);
  constexpr unsigned char kPairs[][2] = {
      {0xB8, 0xA8}, {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C},
      {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3},
      {0xB4, 0xA5}, {0xBA, 0xAA}, {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
  };
  for (const auto& p : kPairs) out[p[0]] = p[1];
  return out;
}

constexpr TByteMap kAnsiUpper = MakeAnsiUpper();

const TUtf8Half& Utf8Half(TCodePage page) {
  return page == TCodePage::Win1251 ? kWin1251Utf8 : kOem866Utf8;
}

const TReverse& Reverse(TCodePage page) {
  return page == TCodePage::Win1251 ? codepage_tables::kWin1251Reverse
                                    : codepage_tables::kOem866Reverse;
}

// The plain look-alike of a character the page lacks.
std::string_view LookAlike(char32_t c) {
  switch (c) {
    case U'\u201C':  // “
    case U'\u201D':  // ”
    case U'\u201E':  // „
    case U'\u00AB':  // «
    case U'\u00BB':  // »
      return "\"";
    case U'\u2018':  // ‘
    case U'\u2019':  // ’
    case U'\u201A':  // ‚
    case U'\u2039':  // ‹
    case U'\u203A':  // ›
      return "'";
    case U'\u2012':  // ‒
    case U'\u2013':  // –
    case U'\u2014':  // —
    case U'\u2015':  // ―
      return "-";
    case U'\u2026':  // …
      return "...";
    case U'\u00A0':  // no-break space
      return " ";
    default:
      return "?";
  }
}

}  // namespace

namespace {

// Every byte of a page as its UTF-8 in one 4-byte word, ASCII included,
// so that a byte is converted without a branch.
using TUtf8Page = std::array<TUtf8Char, 256>;

constexpr TUtf8Page MakeUtf8Page(const TUtf8Half& half) {
  TUtf8Page out{};
  for (std::size_t b = 0; b < 0x80; ++b) {
    out[b].bytes[0] = static_cast<char>(b);
    out[b].length = 1;
  }
  for (std::size_t i = 0; i < half.size(); ++i) out[0x80 + i] = half[i];
  return out;
}

constexpr TUtf8Page kWin1251Page = MakeUtf8Page(kWin1251Utf8);
constexpr TUtf8Page kOem866Page = MakeUtf8Page(kOem866Utf8);

// `out` has room for 3 bytes a byte and one more: no checks. ASCII goes
// eight bytes at a time; every other byte is stored as its table word, of
// which the first `length` bytes count.
char* ToUtf8Unchecked(std::string_view bytes, const TUtf8Page& table, char* p) {
  static_assert(sizeof(TUtf8Char) == 4);
  const char* in = bytes.data();
  std::size_t n = bytes.size();
  auto put = [&](char ch) {
    const TUtf8Char& u = table[static_cast<unsigned char>(ch)];
    std::memcpy(p, &u, 4);
    p += u.length;
  };
  for (; n >= 8; in += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, in, 8);
    if ((word & 0x8080808080808080ull) == 0) {
      std::memcpy(p, &word, 8);
      p += 8;
      continue;
    }
    for (int k = 0; k < 8; ++k) put(in[k]);
  }
  // Four to seven last bytes of ASCII, as the ends of numbers and codes
  // are, go as two words that overlap.
  if (n >= 4) {
    std::uint32_t low, high;
    std::memcpy(&low, in, 4);
    std::memcpy(&high, in + n - 4, 4);
    if (((low | high) & 0x80808080u) == 0) {
      std::memcpy(p, &low, 4);
      std::memcpy(p + n - 4, &high, 4);
      return p + n;
    }
  }
  for (; n > 0; ++in, --n) put(*in);
  return p;
}

}  // namespace

std::size_t ToUtf8(std::string_view bytes, TCodePage page, char* out, std::size_t room) {
  if (room > 3 * bytes.size())
    return static_cast<std::size_t>(
        ToUtf8Unchecked(bytes, page == TCodePage::Win1251 ? kWin1251Page : kOem866Page, out) - out);
  const TUtf8Half& half = Utf8Half(page);
  char* p = out;
  char* const end = out + room;
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      if (p == end) break;
      *p++ = ch;
    } else {
      const TUtf8Char& u = half[b - 0x80];
      if (end - p < u.length) break;
      std::memcpy(p, u.bytes, u.length);
      p += u.length;
    }
  }
  return static_cast<std::size_t>(p - out);
}

std::string ToUtf8(std::string_view bytes, TCodePage page) {
  std::string out(bytes.size() * 3 + 1, '\0');
  out.resize(ToUtf8(bytes, page, out.data(), out.size()));
  return out;
}

namespace {

// Where FromUtf8 stands after a character.
struct TFromUtf8Step {
  std::size_t In;
  char* Out;
};

// One character at text[i] that is neither ASCII nor a two-byte
// sequence the page has: kept apart so that FromUtf8's own loop stays
// small.
[[gnu::noinline]] TFromUtf8Step FromUtf8Other(std::string_view text, std::size_t i,
                                              const TReverse& reverse, char* p) {
  const std::size_t start = i;
  const char32_t c = DecodeUtf8At(text, i);
  if (c == kReplacementChar && i - start == 1) {  // an invalid byte
    *p++ = '?';
    return {i, p};
  }
  const std::uint16_t t = reverse.ByteOf(c);
  if (t != kNoByte) {
    *p++ = static_cast<char>(t);
  } else {
    for (const char r : LookAlike(c)) *p++ = r;
  }
  return {i, p};
}

}  // namespace

std::size_t FromUtf8(std::string_view text, TCodePage page, char* out) {
  const TReverse& reverse = Reverse(page);
  const char* in = text.data();
  const std::size_t n = text.size();
  char* p = out;
  for (std::size_t i = 0; i < n;) {
    // ASCII eight bytes at a time (read whole before written, so `out`
    // may still be `text`).
    if (n - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, in + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        std::memcpy(p, &word, 8);
        p += 8;
        i += 8;
        continue;
      }
    }
    const auto b0 = static_cast<unsigned char>(in[i]);
    if (b0 < 0x80) {
      *p++ = static_cast<char>(b0);
      ++i;
      continue;
    }
    // Two-byte sequences the page has (all of Cyrillic) are decoded here.
    if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < n) {
      const auto b1 = static_cast<unsigned char>(in[i + 1]);
      if ((b1 & 0xC0) == 0x80) {
        const std::uint16_t t = reverse.ByteOf((char32_t{b0 & 0x1Fu} << 6) | (b1 & 0x3Fu));
        if (t != kNoByte) {
          *p++ = static_cast<char>(t);
          i += 2;
          continue;
        }
      }
    }
    const TFromUtf8Step step = FromUtf8Other(text, i, reverse, p);
    i = step.In;
    p = step.Out;
  }
  return static_cast<std::size_t>(p - out);
}

bool IsAscii(std::string_view text) {
  // Eight bytes at a time: this runs over every value written and read.
  const char* p = text.data();
  std::size_t n = text.size();
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; n > 0; ++p, --n)
    if (static_cast<unsigned char>(*p) >= 0x80) return false;
  return true;
}

std::string FromUtf8(std::string_view text, TCodePage page) {
  std::string out(text.size(), '\0');
  out.resize(FromUtf8(text, page, out.data()));
  return out;
}

void AppendFromUtf8(std::string& out, std::string_view text, TCodePage page) {
  const std::size_t base = out.size();
  out.resize(base + text.size());
  out.resize(base + FromUtf8(text, page, out.data() + base));
}

std::string AnsiToOem(std::string_view bytes1251) {
  std::string out(bytes1251);
  for (char& c : out) c = static_cast<char>(kAnsiToOem[static_cast<unsigned char>(c)]);
  return out;
}

std::string OemToAnsi(std::string_view bytes866) {
  std::string out(bytes866);
  for (char& c : out) c = static_cast<char>(kOemToAnsi[static_cast<unsigned char>(c)]);
  return out;
}

unsigned char OemUpper(unsigned char b) {
  if (b >= 0xA0 && b <= 0xAF) return static_cast<unsigned char>(b - 0x20);
  if (b >= 0xE0 && b <= 0xEF) return static_cast<unsigned char>(b - 0x50);
  if (b == 0xF1) return 0xF0;
  return b;
}

unsigned char AnsiUpperByte(unsigned char b) { return kAnsiUpper[b]; }

void OemUpperCase(std::string& bytes) {
  for (char& c : bytes) c = static_cast<char>(OemUpper(static_cast<unsigned char>(c)));
}

void AnsiUpperCaseBytes(std::string& bytes) {
  for (char& c : bytes) c = static_cast<char>(kAnsiUpper[static_cast<unsigned char>(c)]);
}
