#include "platform/base/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"

namespace {

class FormatTest : public ::testing::Test {
 protected:
  FormatTest() {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ThousandSeparator = ",";
    FormatSettings.CurrencyString = "$";
    FormatSettings.CurrencyFormat = 0;
    FormatSettings.NegCurrFormat = 1;
    FormatSettings.CurrencyDecimals = 2;
  }
  TFormatSettingsOverride FSaved;
};

TEST_F(FormatTest, Integers) {
  EXPECT_EQ(Format("%d", 42), "42");
  EXPECT_EQ(Format("%d", -42), "-42");
  EXPECT_EQ(Format("%.7d", 42), "0000042");
  EXPECT_EQ(Format("%.5d", -42), "-00042");
  EXPECT_EQ(Format("%.1d", 123), "123");
  EXPECT_EQ(Format("%d", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Format("%d", UINT64_MAX), "18446744073709551615");
  EXPECT_EQ(Format("%d.%d.%d.%d", 192, 168, 0, 1), "192.168.0.1");
  EXPECT_EQ(Format("%u", 7u), "7");
  EXPECT_EQ(Format("%u", -1), "4294967295");
  EXPECT_EQ(Format("%u", std::int64_t{-5000000000}), "18446744068709551616");
  EXPECT_EQ(Format("%x", 255), "FF");
  EXPECT_EQ(Format("%.4x", 255), "00FF");
  EXPECT_EQ(Format("%X", -1), "FFFFFFFF");
  EXPECT_EQ(Format("%x", std::int64_t{-5000000000}), "FFFFFFFED5FA0E00");
}

TEST_F(FormatTest, WidthAndPrecision) {
  EXPECT_EQ(Format("[%5d]", 42), "[   42]");
  EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
  EXPECT_EQ(Format("[%1d]", 12345), "[12345]");
  EXPECT_EQ(Format("[%*d]", 4, 7), "[   7]");
  EXPECT_EQ(Format("[%*.*f]", 8, 3, 3.14159), "[   3.142]");
  EXPECT_EQ(Format("[%-*s]", 3, "a"), "[a  ]");
  EXPECT_EQ(Format("[%6.3d]", 5), "[   005]");
  // Characters, not bytes.
  EXPECT_EQ(Format("[%5s]", "Ёж"), "[   Ёж]");
  EXPECT_EQ(Format("[%.2s]", "Привет"), "[Пр]");
  EXPECT_EQ(Format("[%-4.1s]", "Жук"), "[Ж   ]");
  EXPECT_EQ(Format("[%.0s]", "abc"), "[]");
}

TEST_F(FormatTest, StringsCharsPointers) {
  const std::string owned = "owned";
  EXPECT_EQ(Format("%s/%s/%s", "lit", owned, std::string_view("view")), "lit/owned/view");
  EXPECT_EQ(Format("%s%s", 'a', 'b'), "ab");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%%%d%%", 5), "%5%");
  EXPECT_EQ(Format("no directives"), "no directives");
  EXPECT_EQ(Format("%p", static_cast<const void*>(nullptr)), "00000000");
  const void* p = reinterpret_cast<const void*>(std::uintptr_t{0xABCDEF12345});
  EXPECT_EQ(Format("%p", p), "ABCDEF12345");
}

TEST_F(FormatTest, Floats) {
  EXPECT_EQ(Format("%.2f", 3.14159), "3.14");
  EXPECT_EQ(Format("%f", 2.5), "2.50");
  EXPECT_EQ(Format("%.0f", 2.5), "3");
  EXPECT_EQ(Format("%.2f", -0.001), "0.00");
  EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", 1234.5), "1.23E+003");
  EXPECT_EQ(Format("%g", 1.0 / 3), "0.333333333333333");
  EXPECT_EQ(Format("%g", 1e20), "1E20");
  EXPECT_EQ(Format("%.3g", 1234.5), "1.23E3");
  EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", 1234567.891), "1,234,568");
  EXPECT_EQ(Format("%m", -1234.5), "-$1,234.50");
  EXPECT_EQ(Format("%.0m", 2.5), "$3");
  EXPECT_EQ(Format("%10.1f|", 2.25), "       2.3|");
  const Currency money = Currency::FromScaled(12345678);
  EXPECT_EQ(Format("%f", money), "1234.57");
  EXPECT_EQ(Format("%.4f", money), "1234.5678");
  EXPECT_EQ(Format("%m", money), "$1,234.57");
  EXPECT_EQ(Format("%g", Currency::FromScaled(INT64_MAX)), "922337203685478");
  EXPECT_EQ(Format("%.19g", Currency::FromScaled(INT64_MAX)), "922337203685477.5807");
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(Format("%.2f", 0.5), "0,50");
}

TEST_F(FormatTest, Indexes) {
  EXPECT_EQ(Format("%1:s %0:s", "a", "b"), "b a");
  EXPECT_EQ(Format("%1:s %s %0:s %s", "a", "b", "c"), "b c a b");
  EXPECT_EQ(Format("%0:s%0:s", "x"), "xx");
  EXPECT_EQ(Format("%*:d", 2, 5, 6), "6");
  EXPECT_EQ(Format("%0:-3d|", 7), "7  |");
}

TEST_F(FormatTest, Errors) {
  const struct {
    const char* Pattern;
    std::function<std::string(const char*)> Call;
  } cases[] = {
      {"%d", [](const char* f) { return Format(f); }},
      {"%d %d", [](const char* f) { return Format(f, 1); }},
      {"%d", [](const char* f) { return Format(f, 1.5); }},
      {"%d", [](const char* f) { return Format(f, true); }},
      {"%d", [](const char* f) { return Format(f, "1"); }},
      {"%x", [](const char* f) { return Format(f, 1.0); }},
      {"%u", [](const char* f) { return Format(f, 'c'); }},
      {"%f", [](const char* f) { return Format(f, 1); }},
      {"%m", [](const char* f) { return Format(f, "1"); }},
      {"%s", [](const char* f) { return Format(f, 1); }},
      {"%p", [](const char* f) { return Format(f, 1); }},
      {"%*d", [](const char* f) { return Format(f, 1.0, 1); }},
      {"%*d", [](const char* f) { return Format(f, -1, 1); }},
      {"%q", [](const char* f) { return Format(f, 1); }},
      {"abc%", [](const char* f) { return Format(f, 1); }},
      {"%5", [](const char* f) { return Format(f, 1); }},
      {"%5-d", [](const char* f) { return Format(f, 1); }},
      {"%2:d", [](const char* f) { return Format(f, 1, 2); }},
      {"%99999999999d", [](const char* f) { return Format(f, 1); }},
  };
  for (const auto& c : cases) {
    try {
      c.Call(c.Pattern);
      ADD_FAILURE() << "no error for " << c.Pattern;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(),
                std::string("Format '") + c.Pattern + "' invalid or incompatible with argument");
    }
  }
}

TEST_F(FormatTest, ExceptionFormattingConstructor) {
  const EConvertError error("'%s' is not a valid integer value", "x1");
  EXPECT_EQ(error.Message(), "'x1' is not a valid integer value");
}

}  // namespace
