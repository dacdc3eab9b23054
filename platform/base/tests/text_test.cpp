#include "platform/base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int Sign(int r) { return (r > 0) - (r < 0); }

}  // namespace

TEST(Text, CopyClampsInCharacters) {
  const std::string s = "Ёлка Ель";  // 8 characters, 14 bytes
  struct Case {
    int index, count;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {1, 4, "Ёлка"}, {6, 3, "Ель"}, {6, 100, "Ель"}, {0, 2, "Ёл"}, {-5, 2, "Ёл"},      {8, 1, "ь"},
      {9, 1, ""},     {100, 1, ""},  {2, 0, ""},      {2, -1, ""},  {1, 8, "Ёлка Ель"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Copy(s, c.index, c.count), c.expected) << c.index << "," << c.count;
  }
  EXPECT_EQ(Length(s), 8);
  EXPECT_EQ(Length(""), 0);
  EXPECT_EQ(ByteOffsetOfChar(s, 2), 2u);
  EXPECT_EQ(ByteOffsetOfChar(s, 99), s.size());
}

TEST(Text, PosCountsCharacters) {
  const std::string s = "ёжик и ёж";
  EXPECT_EQ(Pos("ёж", s), 1);
  EXPECT_EQ(Pos("и", s), 3);
  EXPECT_EQ(Pos(" ёж", s), 7);
  EXPECT_EQ(Pos("", s), 0);
  EXPECT_EQ(Pos("Ёж", s), 0);
  EXPECT_EQ(AnsiPos("ж", s), 2);
  EXPECT_EQ(PosEx("ёж", s, 2), 8);
  EXPECT_EQ(PosEx("ёж", s, 8), 8);
  EXPECT_EQ(PosEx("ёж", s, 9), 0);
  EXPECT_EQ(PosEx("ж", s, 10), 0);  // past the end
  EXPECT_EQ(PosEx("ёж", s, 0), 0);
}

TEST(Text, DeleteAndInsertClamp) {
  struct DeleteCase {
    int index, count;
    const char* expected;
  };
  for (const DeleteCase& c : std::vector<DeleteCase>{{2, 2, "Ма"},
                                                     {3, 100, "Ми"},
                                                     {0, 2, "Мира"},
                                                     {5, 1, "Мира"},
                                                     {1, 0, "Мира"},
                                                     {4, 1, "Мир"}}) {
    std::string s = "Мира";
    Delete(s, c.index, c.count);
    EXPECT_EQ(s, c.expected) << c.index << "," << c.count;
  }
  struct InsertCase {
    int index;
    const char* expected;
  };
  for (const InsertCase& c :
       std::vector<InsertCase>{{1, "ёМир"}, {-3, "ёМир"}, {2, "МёИр"}, {4, "Мирё"}, {99, "Мирё"}}) {
    std::string s = c.index == 2 ? "МИр" : "Мир";
    Insert("ё", s, c.index);
    EXPECT_EQ(s, c.expected) << c.index;
  }
}

TEST(Text, StringOfCharAndTrim) {
  EXPECT_EQ(StringOfChar(U'ё', 3), "ёёё");
  EXPECT_EQ(StringOfChar('-', 2), "--");
  EXPECT_EQ(StringOfChar(U'ё', -1), "");
  const std::string s = "\t\r\n \x01Ёлка\x1F \x7F\x02";
  EXPECT_EQ(Trim(s), "Ёлка\x1F \x7F");  // DEL is above the blank: kept
  EXPECT_EQ(TrimLeft(s), "Ёлка\x1F \x7F\x02");
  EXPECT_EQ(TrimRight(" \xC2\xA0x  "), " \xC2\xA0x");  // no-break space is not trimmed
  EXPECT_EQ(Trim(" \t "), "");
}

TEST(Text, CaseFolding) {
  EXPECT_EQ(UpperCase("abc ёжик xyz"), "ABC ёжик XYZ");
  EXPECT_EQ(LowerCase("ABC ЁЖИК XYZ"), "abc ЁЖИК xyz");
  struct Case {
    const char* lower;
    const char* upper;
  };
  for (const Case& c :
       std::vector<Case>{{"абвгдеёжзийклмнопрстуфхцчшщъыьэюя", "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"},
                         {"ђѓєѕіїјљњћќўџґ", "ЂЃЄЅІЇЈЉЊЋЌЎЏҐ"},
                         {"àéöþÿ", "ÀÉÖÞŸ"},
                         {"hello, world 123", "HELLO, WORLD 123"}}) {
    EXPECT_EQ(AnsiUpperCase(c.lower), c.upper);
    EXPECT_EQ(AnsiLowerCase(c.upper), c.lower);
  }
  // Not letters, or not folded: unchanged either way.
  for (const char* same : {"×÷ßµ№", "αβγ", "€…"}) {
    EXPECT_EQ(AnsiUpperCase(same), AnsiLowerCase(same)) << same;
  }
  EXPECT_EQ(AnsiUpperCaseChar(U'ё'), U'Ё');
  EXPECT_EQ(AnsiLowerCaseChar(U'Ё'), U'ё');
}

TEST(Text, OrdinalComparisons) {
  EXPECT_LT(CompareStr("A", "a"), 0);
  EXPECT_LT(CompareStr("z", "\xD0\x90"), 0);  // bytes compare unsigned
  EXPECT_EQ(CompareStr("ab", "ab"), 0);
  EXPECT_TRUE(SameText("Abc", "aBC"));
  EXPECT_FALSE(SameText("Ёж", "ёж"));   // only a-z fold
  EXPECT_GT(CompareText("_", "a"), 0);  // 'a' folds to 'A' (0x41) < '_'
  EXPECT_LT(CompareText("abc", "ABCD"), 0);
}

TEST(Text, AnsiCollation) {
  // Each row sorts strictly ascending under the given compare.
  const std::vector<std::vector<std::string>> textOrder = {
      {"Е", "Ё", "Ж"},    {"е", "ё", "ж"}, {"ежик", "ёж", "жук"}, {"Z", "Ђ", "€x", "А", "Я"},
      {"ab", "abc", "b"}, {"я", "☺"}};
  for (const auto& row : textOrder) {
    for (std::size_t k = 1; k < row.size(); ++k) {
      EXPECT_LT(AnsiCompareText(row[k - 1], row[k]), 0) << row[k - 1] << " " << row[k];
      EXPECT_GT(AnsiCompareText(row[k], row[k - 1]), 0) << row[k] << " " << row[k - 1];
    }
  }
  EXPECT_TRUE(AnsiSameText("abc", "ABC"));
  EXPECT_TRUE(AnsiSameText("Ёлка Ґ", "ёЛКА ґ"));
  EXPECT_FALSE(AnsiSameText("Елка", "Ёлка"));

  const std::vector<std::string> strOrder = {"a", "A", "ab", "Ab", "ac", "b", "е", "Е", "ё", "Ё"};
  for (std::size_t i = 0; i < strOrder.size(); ++i) {
    for (std::size_t j = 0; j < strOrder.size(); ++j) {
      EXPECT_EQ(Sign(AnsiCompareStr(strOrder[i], strOrder[j])), Sign(int(i) - int(j)))
          << strOrder[i] << " " << strOrder[j];
    }
  }
  EXPECT_TRUE(AnsiSameStr("Ёж", "Ёж"));
  EXPECT_FALSE(AnsiSameStr("Ёж", "ёж"));
}

TEST(Text, Quoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(AnsiQuotedStr("a\"b", '"'), "\"a\"\"b\"");
  std::string_view src = "'Д''Артаньян' rest";
  EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "Д'Артаньян");
  EXPECT_EQ(src, " rest");
  std::string_view unquoted = "plain";
  EXPECT_EQ(AnsiExtractQuotedStr(unquoted, '\''), "");
  EXPECT_EQ(unquoted, "plain");
  std::string_view open = "'no end";
  EXPECT_EQ(AnsiExtractQuotedStr(open, '\''), "no end");
  EXPECT_EQ(open, "");
  EXPECT_EQ(AnsiDequotedStr("'a''b'", '\''), "a'b");
  EXPECT_EQ(AnsiDequotedStr("''", '\''), "");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'no end", '\''), "'no end");
}

TEST(Text, StringReplaceFlags) {
  struct Case {
    TReplaceFlags flags;
    const char* expected;
  };
  const std::string s = "Ёж, ёж и ЁЖ";
  for (const Case& c : std::vector<Case>{{{}, "Ёж, кот и ЁЖ"},
                                         {{rfReplaceAll}, "Ёж, кот и ЁЖ"},
                                         {{rfIgnoreCase}, "кот, ёж и ЁЖ"},
                                         {{rfReplaceAll, rfIgnoreCase}, "кот, кот и кот"}}) {
    EXPECT_EQ(StringReplace(s, "ёж", "кот", c.flags), c.expected);
  }
  EXPECT_EQ(StringReplace("aaa", "a", "aa", {rfReplaceAll}), "aaaaaa");
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
}

TEST(Text, InvalidUtf8IsOneCharacterPerBadByte) {
  struct Case {
    std::string bytes;
    int length;
  };
  const std::vector<Case> cases = {
      {"\xFF", 1},              // never valid
      {"\x80\x80", 2},          // stray continuations
      {"\xD0", 1},              // truncated
      {"\xE2\x80", 2},          // truncated three-byte
      {"\xC0\xAF", 2},          // overlong '/'
      {"\xED\xA0\x80", 3},      // surrogate
      {"\xF4\x90\x80\x80", 4},  // beyond U+10FFFF
      {"a\xFF\xD0\x96", 3},     // bad byte between good ones
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Length(c.bytes), c.length) << c.bytes;
    EXPECT_EQ(Utf8ToUtf32(c.bytes).size(), std::size_t(c.length));
    EXPECT_EQ(Copy(c.bytes, 1, 100), c.bytes);  // bytes are kept
    EXPECT_EQ(AnsiUpperCase(c.bytes).size(), c.bytes.size());
  }
  EXPECT_EQ(Utf8ToUtf32("\xFF"
                        "a"),
            (std::u32string{kReplacementChar, U'a'}));
  EXPECT_EQ(Copy("a\xFF\xD0\x96", 2, 1), "\xFF");
  // A match must start and end on character boundaries.
  EXPECT_EQ(Pos("\x80", "\xD0\x80"), 0);
  EXPECT_EQ(Pos("\xD0", "\xD0\x80"), 0);
  EXPECT_EQ(Pos("\xD0", "\xD0\x80\xD0"), 2);
  EXPECT_EQ(Pos("\xFF", "\xFE\xFF"), 2);
  EXPECT_NE(AnsiCompareText("\xFE", "\xFF"), 0);
}

TEST(Text, Utf8EncodeDecode) {
  const std::u32string chars = {U'A', U'ё', U'€', U'😀', 0x10FFFF};
  const std::string text = Utf32ToUtf8(chars);
  EXPECT_EQ(text, "A\xD1\x91\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
  EXPECT_EQ(Utf8ToUtf32(text), chars);
  std::size_t at = 1;
  EXPECT_EQ(DecodeUtf8At(text, at), U'ё');
  EXPECT_EQ(at, 3u);
  std::string out;
  AppendUtf8(out, 0xD800);
  AppendUtf8(out, 0x110000);
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Text, Numbers) {
  EXPECT_EQ(IntToStr(-9223372036854775807LL - 1), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1ABCD, 2), "1ABCD");
  EXPECT_EQ(IntToHex(0, 0), "0");
  EXPECT_EQ(IntToHex(-1, 1), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(-2, 20), "0000FFFFFFFFFFFFFFFE");
}
