#include "platform/base/edit_mask.h"

#include <gtest/gtest.h>

#include "platform/base/format_settings.h"
#include "platform/base/text.h"

namespace {

constexpr const char* kDateMask = "!99/99/9999;1; ";
constexpr const char* kDateMaskUnderscore = "!99/99/9999;1;_";
constexpr const char* kSnilsMask = "999\\-999\\-999 99;1;_";
constexpr const char* kSnilsDisplayMask = "000\\-000\\-000\\ 00;1;_";

// Types `keys` from `caret`; a rejected key is recorded as '!' in the trace
// of carets so a test can see which keys were refused.
std::string Type(const TEditMask& mask, std::string& text, int caret, std::u32string_view keys) {
  std::string carets;
  for (char32_t key : keys) {
    auto r = mask.InsertChar(text, caret, key);
    if (!r) {
      carets += '!';
      continue;
    }
    text = r->EditText;
    caret = r->Caret;
    carets += std::to_string(caret) + ' ';
  }
  return carets;
}

class EditMaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings.DateSeparator = '.';
    FormatSettings.TimeSeparator = ':';
  }
  TFormatSettingsOverride FRestore;
};

TEST_F(EditMaskTest, MaskFields) {
  struct Case {
    const char* mask;
    bool save;
    char32_t blank;
    int separator;
    int length;
  } cases[] = {
      {kDateMask, true, U' ', 12, 10}, {kSnilsMask, true, U'_', 17, 14},
      {"99", true, U'_', -1, 2},       {"9.999", true, U'_', -1, 5},
      {"(999);0", false, U'_', 6, 5},  {"99;0;*", false, U'*', 3, 2},
      {"99;_", true, U'_', 3, 2},       // a blank needs the save field too
      {"a;b;9;1;#", true, U'#', 6, 5},  // ';' before the last four is a literal
      {"99\\;1;x", true, U'_', 6, 4},   // escaped separator
      {"99;1;ё", true, U'ё', 3, 2},    {"", true, U'_', -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    EXPECT_EQ(MaskGetMaskSave(c.mask), c.save);
    EXPECT_EQ(MaskGetMaskBlank(c.mask), c.blank);
    EXPECT_EQ(MaskGetFldSeparator(c.mask), c.separator);
    EXPECT_EQ(TEditMask(c.mask).Length(), c.length);
    EXPECT_EQ(MaskOffsetToOffset(c.mask, 1000), c.length);
  }
}

TEST_F(EditMaskTest, MaskOffsetToOffsetSkipsDirectives) {
  const char* mask = "!>L\\-<l9;0";
  const int expected[] = {0, 0, 0, 1, 1, 2, 2, 3, 4, 4, 4};
  for (int offset = 0; offset <= 10; ++offset) {
    EXPECT_EQ(MaskOffsetToOffset(mask, offset), expected[offset]) << offset;
  }
  EXPECT_EQ(MaskOffsetToOffset("Ж\\Щ9", 3), 2);  // characters, not bytes
}

TEST_F(EditMaskTest, EmptyTextAndSeparators) {
  EXPECT_EQ(TEditMask(kDateMask).EmptyText(), "  .  .    ");
  EXPECT_EQ(TEditMask(kDateMaskUnderscore).EmptyText(), "__.__.____");
  EXPECT_EQ(TEditMask(kSnilsMask).EmptyText(), "___-___-___ __");
  EXPECT_EQ(TEditMask("9.999").EmptyText(), "_.___");
  EXPECT_EQ(TEditMask("_\\_a").EmptyText(), " __");
  {
    TFormatSettingsOverride keep;
    FormatSettings.DateSeparator = '/';
    FormatSettings.TimeSeparator = '-';
    EXPECT_EQ(TEditMask("99/99 99:99;1;_").EmptyText(), "__/__ __-__");
    EXPECT_EQ(MaskIntlLiteralToChar(U'/'), U'/');
    EXPECT_EQ(FormatMaskText("!99/99/9999;1; ", "01/02/2006"), "01/02/2006");
  }
  EXPECT_EQ(MaskIntlLiteralToChar(U'/'), U'.');
  EXPECT_EQ(MaskIntlLiteralToChar(U':'), U':');
  EXPECT_EQ(MaskIntlLiteralToChar(U'x'), U'x');
}

TEST_F(EditMaskTest, FormatMaskText) {
  struct Case {
    const char* mask;
    const char* value;
    const char* expected;
  } cases[] = {
      {kDateMask, "01.01.2006", "01.01.2006"},
      {kDateMask, "", "  .  .    "},
      {kDateMask, "1.1.2006", " 1. 1.2006"},
      {kDateMaskUnderscore, "01.01.2006", "01.01.2006"},
      {kSnilsMask, "123-456-789 01", "123-456-789 01"},
      {kSnilsMask, "12345678901", "123-456-789 01"},
      {kSnilsMask, "123-45", "123-45 -      "},
      {kSnilsDisplayMask, "   -   -", "   -   -      "},
      {kSnilsMask, "123-456-789 01xy", "123-456-789 01xy"},
      {"9.999", "1234", "1.234"},
      {"9.999", "1.234", "1.234"},
      {"99", "7", "7 "},
      {"999\\-999;0;_", "12345", "123-45 "},
      {"!999\\-999;0;_", "12345", " 12-345"},
      {"", "as is", "as is"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatMaskText(c.mask, c.value), c.expected) << c.mask << " / " << c.value;
  }
  EXPECT_EQ(MaskDoFormatText("99-99", "123", U'*'), "12-3*");
  EXPECT_EQ(MaskDoFormatText("!99-99", "123", U'*'), "*1-23");
  EXPECT_EQ(MaskDoFormatText("99-99", "123456", U'*'), "12-3456");
  EXPECT_EQ(MaskDoFormatText("!99-99", "123456", U'*'), "1234-56");
}

TEST_F(EditMaskTest, TypingSequences) {
  struct Case {
    const char* mask;
    int caret;
    const char32_t* keys;
    const char* text;
    const char* carets;
  } cases[] = {
      {kDateMask, 0, U"01012006", "01.01.2006", "1 3 4 6 7 8 9 10 "},
      {kDateMaskUnderscore, 0, U"01a012006", "01.01.2006", "1 3 !4 6 7 8 9 10 "},
      {kDateMaskUnderscore, 0, U"1.2.", "1_.2_.____", "1 3 4 6 "},  // separator jumps
      {kDateMaskUnderscore, 2, U"5", "__.5_.____", "4 "},           // caret on a literal
      {kDateMaskUnderscore, 2, U".", "__.__.____", "3 "},           // typing the literal itself
      {kDateMaskUnderscore, 9, U"12", "__.__.___1", "10 !"},        // nothing after the end
      {kSnilsMask, 0, U"12345678901", "123-456-789 01", "1 2 4 5 6 8 9 10 12 13 14 "},
      {kSnilsMask, 0, U"1-x 2", "1__-2__-___ __", "1 4 !!5 "},
      {"9.999", 0, U"1234", "1.234", "2 3 4 5 "},
      {"#99", 0, U"-+", "-__", "1 !"},
      {"LAa", 0, U"9Ж9", "Ж9_", "!1 2 "},
      {"cC", 0, U" \t~", " ~", "1 !2 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " " + Utf32ToUtf8(c.keys));
    const TEditMask mask(c.mask);
    std::string text = mask.EmptyText();
    EXPECT_EQ(Type(mask, text, c.caret, c.keys), c.carets);
    EXPECT_EQ(text, c.text);
  }
}

TEST_F(EditMaskTest, CaseConversionWithCyrillic) {
  const TEditMask mask(">L<ll<>l\\>L");
  std::string text = mask.EmptyText();
  EXPECT_EQ(Type(mask, text, 0, U"ёЖЁqЯ"), "1 2 3 5 6 ");
  EXPECT_EQ(text, "Ёжёq>Я");  // case ends with "<>", and '\>' is a literal
  EXPECT_EQ(mask.Position(5).Case, TMaskCase::None);
  EXPECT_EQ(mask.EditTextFromText("йцук>Я"), "Йцук>Я");
  EXPECT_EQ(TEditMask("<cc").EditTextFromText("ЁZ"), "ёz");
}

TEST_F(EditMaskTest, NavigationAndDelete) {
  const TEditMask mask(kSnilsMask);
  EXPECT_EQ(mask.NextEditable(3), 4);
  EXPECT_EQ(mask.NextEditable(2), 2);
  EXPECT_EQ(mask.NextEditable(14), 14);
  EXPECT_EQ(mask.NextEditable(99), 14);
  EXPECT_EQ(mask.PriorEditable(3), 2);
  EXPECT_EQ(mask.PriorEditable(11), 10);
  EXPECT_EQ(mask.PriorEditable(14), 13);
  EXPECT_EQ(TEditMask("--9").PriorEditable(1), 2);  // nothing before: the first editable
  EXPECT_TRUE(mask.IsLiteral(3));
  EXPECT_FALSE(mask.IsLiteral(4));
  EXPECT_FALSE(mask.IsLiteral(14));
  EXPECT_TRUE(TEditMask("0").IsRequired(0));
  EXPECT_FALSE(TEditMask("9").IsRequired(0));

  EXPECT_EQ(mask.DeleteRange("123-456-789 01", 2, 7), "12_-___-_89 01");
  EXPECT_EQ(mask.DeleteRange("123-456-789 01", 10, 100), "123-456-78_ __");
  EXPECT_EQ(mask.DeleteRange("123-456-789 01", 3, 0), "123-456-789 01");
  EXPECT_EQ(mask.DeleteRange("123", 0, 1), "_23-___-___ __");  // short text is padded
  EXPECT_EQ(mask.DeleteRange("123-456-789 01", -2, 3), "_23-456-789 01");
  EXPECT_EQ(mask.DeleteRange("123-456-789 01", 5, 2147483647), "123-4__-___ __");
}

TEST_F(EditMaskTest, Validate) {
  struct Case {
    const char* mask;
    const char* text;
    int expected;
  } cases[] = {
      {kDateMask, "  .  .    ", -1},
      {kDateMask, "01.01.2006", -1},
      {kDateMask, "0a.01.2006", 1},
      {kSnilsMask, "___-___-___ __", -1},
      {"000\\-000", "123-4_6", 5},
      {"000\\-000", "123-4 6", 5},
      {"000\\-000", "123-456", -1},
      {"000\\-000", "123", 4},  // missing positions are blank
      {"000\\-000", "", -1},    // classic: an empty text is not checked
      {"CC;1;_", "a ", -1},     // a space fills a required 'C'
      {"CC;1;_", "a_", 1},
      {"LL", "Яz", -1},
      {"LL", "Я1", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TEditMask(c.mask).Validate(c.text), c.expected) << c.mask << " / " << c.text;
  }
}

TEST_F(EditMaskTest, TextValueRoundTrip) {
  struct Case {
    const char* mask;
    const char* editText;
    const char* text;      // TextFromEditText
    const char* editBack;  // EditTextFromText(text)
  } cases[] = {
      {kDateMask, "  .  .    ", "  .  .    ", "  .  .    "},
      {kDateMask, "01.01.2006", "01.01.2006", "01.01.2006"},
      {kDateMaskUnderscore, "__.__.____", "  .  .    ", "__.__.____"},
      {kDateMaskUnderscore, "1_.__.____", "1 .  .    ", "1_.__.____"},
      {kSnilsMask, "123-456-789 01", "123-456-789 01", "123-456-789 01"},
      {kSnilsMask, "123-45_-___ __", "123-45 -      ", "123-45_-___ __"},
      {kSnilsMask, "___-___-___ __", "   -   -      ", "___-___-___ __"},
      {"999\\-999\\-999 99;0;_", "123-456-789 01", "12345678901", "123-456-789 01"},
      {"999\\-999\\-999 99;0;_", "123-45_-___ __", "12345", "123-45_-___ __"},
      {"999\\-999\\-999 99;0;_", "1_3-___-___ __", "1 3", "1_3-___-___ __"},
      {"!999\\-999;0;_", "__1-234", "1234", "__1-234"},
      {"9.999", "1.2__", "1.2  ", "1.2__"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " / " + c.editText);
    const TEditMask mask(c.mask);
    EXPECT_EQ(mask.TextFromEditText(c.editText), c.text);
    EXPECT_EQ(mask.EditTextFromText(c.text), c.editBack);
  }
  const TEditMask snils(kSnilsMask);
  EXPECT_EQ(snils.EditTextFromText("12345678901"), "123-456-789 01");
  EXPECT_EQ(snils.EditTextFromText("123-456-789 01999"), "123-456-789 01");  // cut to the mask
  EXPECT_EQ(snils.EditTextFromText("   -   -"), "___-___-___ __");
  EXPECT_EQ(TEditMask("").TextFromEditText("free"), "free");
}

}  // namespace
