#include "platform/base/codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/base/text.h"

namespace {

std::string AllBytes() {
  std::string s(256, '\0');
  for (int b = 0; b < 256; ++b) s[b] = static_cast<char>(b);
  return s;
}

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

}  // namespace

TEST(CodePage, EveryByteRoundTrips) {
  const std::string bytes = AllBytes();
  for (TCodePage page : {TCodePage::Win1251, TCodePage::Oem866}) {
    const std::string text = ToUtf8(bytes, page);
    const std::u32string chars = Utf8ToUtf32(text);
    ASSERT_EQ(chars.size(), 256u);
    for (int b = 0; b < 256; ++b) {
      EXPECT_NE(chars[b], kReplacementChar) << b;
      if (b < 0x80) {
        EXPECT_EQ(chars[b], char32_t(b));
      }
      EXPECT_EQ(FromUtf8(Utf32ToUtf8(std::u32string(1, chars[b])), page), Byte(b)) << b;
    }
    EXPECT_EQ(FromUtf8(text, page), bytes);
  }
}

TEST(CodePage, KnownCharacters) {
  struct Case {
    TCodePage page;
    int byte;
    const char* text;
  };
  const std::vector<Case> cases = {
      {TCodePage::Win1251, 0xC0, "А"},        {TCodePage::Win1251, 0xFF, "я"},
      {TCodePage::Win1251, 0xA8, "Ё"},        {TCodePage::Win1251, 0xB8, "ё"},
      {TCodePage::Win1251, 0xB9, "№"},        {TCodePage::Win1251, 0x85, "…"},
      {TCodePage::Win1251, 0x96, "–"},        {TCodePage::Win1251, 0xAB, "«"},
      {TCodePage::Win1251, 0x88, "€"},        {TCodePage::Win1251, 0xA5, "Ґ"},
      {TCodePage::Win1251, 0x98, "\xC2\x98"},  // unassigned: U+0098
      {TCodePage::Oem866, 0x80, "А"},         {TCodePage::Oem866, 0xAF, "п"},
      {TCodePage::Oem866, 0xE0, "р"},         {TCodePage::Oem866, 0xEF, "я"},
      {TCodePage::Oem866, 0xF0, "Ё"},         {TCodePage::Oem866, 0xF1, "ё"},
      {TCodePage::Oem866, 0xFC, "№"},         {TCodePage::Oem866, 0xB0, "░"},
      {TCodePage::Oem866, 0xC9, "╔"},         {TCodePage::Oem866, 0xDB, "█"},
      {TCodePage::Oem866, 0xFF, "\xC2\xA0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ToUtf8(Byte(c.byte), c.page), c.text) << c.byte;
  }
  EXPECT_EQ(Utf8ToOem866("Иванова Ё.П."), "\x88\xA2\xA0\xAD\xAE\xA2\xA0 \xF0.\x8F.");
  EXPECT_EQ(Oem866ToUtf8("\x88\xA2\xA0\xAD\xAE\xA2\xA0"), "Иванова");
  EXPECT_EQ(Utf8ToWin1251("Иванова"), "\xC8\xE2\xE0\xED\xEE\xE2\xE0");
  EXPECT_EQ(Win1251ToUtf8("\xC8\xE2\xE0\xED\xEE\xE2\xE0"), "Иванова");
}

TEST(CodePage, BoundedConversionStopsAtAWholeCharacter) {
  const std::string oem = Utf8ToOem866("AbЁ░");  // 1, 1, 2 and 3 bytes in UTF-8
  struct Case {
    std::size_t Room;
    const char* Text;
  } cases[] = {{0, ""},    {1, "A"},    {3, "Ab"},    {4, "AbЁ"},
               {6, "AbЁ"}, {7, "AbЁ░"}, {12, "AbЁ░"}, {13, "AbЁ░"}};
  for (const Case& c : cases) {
    char out[16];
    std::memset(out, '#', sizeof out);
    const std::size_t n = ToUtf8(oem, TCodePage::Oem866, out, c.Room);
    EXPECT_EQ(std::string(out, n), c.Text) << c.Room;
    EXPECT_EQ(out[c.Room], '#') << "nothing written past the room, " << c.Room;
  }
}

TEST(CodePage, MissingCharactersGetLookAlikes) {
  const std::string text = "«Роддом» “№1” — ‘ok’ – … \xC2\xA0😀";
  EXPECT_EQ(Utf8ToOem866(text), Utf8ToOem866("\"Роддом\" \"№1\" - 'ok' - ... \xC2\xA0?"));
  EXPECT_EQ(Oem866ToUtf8(Utf8ToOem866(text)), "\"Роддом\" \"№1\" - 'ok' - ... \xC2\xA0?");
  // 1251 has the typographic ones.
  EXPECT_EQ(Win1251ToUtf8(Utf8ToWin1251(text)), "«Роддом» “№1” — ‘ok’ – … \xC2\xA0?");
  EXPECT_EQ(Utf8ToWin1251("‒―‹›„‚"), "--\x8B\x9B\x84\x82");  // ‒ ― missing; ‹ › „ ‚ present
  EXPECT_EQ(Win1251ToUtf8(Utf8ToWin1251("‒―‹›„‚")), "--‹›„‚");
  EXPECT_EQ(Utf8ToWin1251("αж中"), "?\xE6?");
}

// Converting in place gives what a fresh string gets.
TEST(CodePage, ConversionInPlace) {
  for (TCodePage page : {TCodePage::Win1251, TCodePage::Oem866}) {
    for (std::string text : {"«Роддом» “№1” — ‘ok’ – … \xC2\xA0😀",
                             "a\xFF"
                             "b\xD0",
                             "ёЁ №5 ул. Ленина", ""}) {
      const std::string expected = FromUtf8(text, page);
      text.resize(FromUtf8(text, page, text.data()));
      EXPECT_EQ(text, expected);
    }
  }
}

TEST(CodePage, InvalidUtf8BecomesQuestionMarks) {
  for (TCodePage page : {TCodePage::Win1251, TCodePage::Oem866}) {
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b\xD0",
                       page),
              "a?b?");
    EXPECT_EQ(FromUtf8("\xE2\x80", page), "??");
    EXPECT_EQ(FromUtf8("\xED\xA0\x80", page), "???");
    EXPECT_EQ(FromUtf8("", page), "");
  }
}

TEST(CodePage, AppendingConversionKeepsWhatIsThereAndMatchesTheCopy) {
  const char* texts[] = {"", "plain", "Иванова Ё.П.", "«№1» … \xC2\xA0😀",
                         "a\xFF"
                         "b\xD0"};
  for (TCodePage page : {TCodePage::Win1251, TCodePage::Oem866}) {
    std::string out = "head;";
    std::string expected = "head;";
    for (const char* text : texts) {
      AppendFromUtf8(out, text, page);
      expected += FromUtf8(text, page);
      EXPECT_EQ(out, expected) << text;
    }
  }
}

TEST(CodePage, RawConversionsBetweenPages) {
  struct Case {
    int ansi, oem;
  };
  // Pairs that exist in both pages.
  for (const Case& c : std::vector<Case>{{0xC0, 0x80},
                                         {0xEF, 0xAF},
                                         {0xF0, 0xE0},
                                         {0xFF, 0xEF},
                                         {0xA8, 0xF0},
                                         {0xB8, 0xF1},
                                         {0xAA, 0xF2},
                                         {0xBA, 0xF3},
                                         {0xAF, 0xF4},
                                         {0xBF, 0xF5},
                                         {0xA1, 0xF6},
                                         {0xA2, 0xF7},
                                         {0xB0, 0xF8},
                                         {0xB7, 0xFA},
                                         {0xB9, 0xFC},
                                         {0xA4, 0xFD},
                                         {0xA0, 0xFF},
                                         {'A', 'A'},
                                         {0x01, 0x01}}) {
    EXPECT_EQ(AnsiToOem(Byte(c.ansi)), Byte(c.oem)) << c.ansi;
    EXPECT_EQ(OemToAnsi(Byte(c.oem)), Byte(c.ansi)) << c.oem;
  }
  // No counterpart: box drawing, √, ∙, ■ in 866; punctuation, Ђ, І and 0x98 in 1251.
  for (int oem : {0xB0, 0xC4, 0xDF, 0xF9, 0xFB, 0xFE}) EXPECT_EQ(OemToAnsi(Byte(oem)), "?") << oem;
  for (int ansi : {0x80, 0x85, 0x96, 0x98, 0xAB, 0xB2}) EXPECT_EQ(AnsiToOem(Byte(ansi)), "?");
  // Every byte that does convert converts back.
  const std::string all = AllBytes();
  const std::string oem = AnsiToOem(all);
  ASSERT_EQ(oem.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    if (oem[b] != '?') {
      EXPECT_EQ(OemToAnsi(oem.substr(b, 1)), Byte(b)) << b;
    }
  }
}

TEST(CodePage, OemUpperRule) {
  for (int b = 0; b < 256; ++b) {
    int expected = b;
    if (b >= 0xA0 && b <= 0xAF) expected = b - 0x20;
    if (b >= 0xE0 && b <= 0xEF) expected = b - 0x50;
    if (b == 0xF1) expected = 0xF0;
    EXPECT_EQ(OemUpper(static_cast<unsigned char>(b)), expected) << b;
  }
  std::string s = Utf8ToOem866("абвгд ёжик Яя Єє az");
  OemUpperCase(s);
  EXPECT_EQ(Oem866ToUtf8(s), "АБВГД ЁЖИК ЯЯ Єє az");
}

TEST(CodePage, AnsiUpperByteAgreesWithTextFolding) {
  // The byte table and the character folding must agree on every 1251 byte.
  for (int b = 0; b < 256; ++b) {
    const std::string folded = Utf8ToWin1251(AnsiUpperCase(Win1251ToUtf8(Byte(b))));
    EXPECT_EQ(Byte(AnsiUpperByte(static_cast<unsigned char>(b))), folded) << b;
  }
  std::string s = Utf8ToWin1251("ёжик ґава іїєў abc");
  AnsiUpperCaseBytes(s);
  EXPECT_EQ(Win1251ToUtf8(s), "ЁЖИК ҐАВА ІЇЄЎ ABC");
}

// The word-at-a-time check must see a high byte wherever it stands: in the
// first word, the last whole word or the tail.
TEST(CodePage, IsAsciiSeesAHighByteAnywhere) {
  EXPECT_TRUE(IsAscii(""));
  EXPECT_TRUE(IsAscii(std::string(23, 'a')));
  for (std::size_t length : {1u, 7u, 8u, 9u, 16u, 23u})
    for (std::size_t at = 0; at < length; ++at) {
      std::string text(length, 'a');
      text[at] = '\x80';
      EXPECT_FALSE(IsAscii(text)) << length << " " << at;
    }
  EXPECT_FALSE(IsAscii("Талон"));
}

// With room for any text the conversion goes by a table, eight ASCII
// bytes at a time: it gives what the bounded conversion gives, for every
// byte at every place of runs that cross the eight-byte steps.
TEST(CodePage, TableConversionMatchesTheBoundedOne) {
  for (TCodePage page : {TCodePage::Win1251, TCodePage::Oem866}) {
    for (int b = 0; b < 256; ++b) {
      for (std::size_t length = 1; length <= 24; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
          std::string bytes(length, 'a');
          if (length > 12) bytes[length / 2] = '\xE0';  // a word with a high byte
          bytes[at] = static_cast<char>(b);
          char bounded[3 * 24], table[3 * 24 + 1];
          const std::size_t n = ToUtf8(bytes, page, bounded, 3 * length);
          const std::size_t m = ToUtf8(bytes, page, table, sizeof table);
          ASSERT_EQ(std::string(table, m), std::string(bounded, n))
              << b << " " << length << " " << at;
        }
      }
    }
  }
}

// ASCII runs go eight bytes at a time back to the page, in place too.
TEST(CodePage, LongAsciiRunsConvertBackWholeAndInPlace) {
  for (TCodePage page : {TCodePage::Win1251, TCodePage::Oem866}) {
    for (std::string text : {std::string("г. Москва, ул. Большая Дорогомиловская, д. 12, кв. 345"),
                             std::string("0123456789abcdefЁ0123456789abcdef—x"),
                             std::string("12345678"), std::string("1234567Ж89abcdefgh\xFF")}) {
      std::string expected;
      for (std::size_t i = 0; i < text.size();) {
        std::size_t next = i + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
          ++next;
        expected += FromUtf8(text.substr(i, next - i), page);
        i = next;
      }
      EXPECT_EQ(FromUtf8(text, page), expected) << text;
      text.resize(FromUtf8(text, page, text.data()));
      EXPECT_EQ(text, expected);
    }
  }
}
