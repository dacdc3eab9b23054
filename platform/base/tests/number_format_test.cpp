#include "platform/base/number_format.h"

#include <gtest/gtest.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"

namespace {

// Plain "1,234.5" settings make the tables readable; tests of the default
// (Russian) settings say so.
class NumberFormat : public ::testing::Test {
 protected:
  NumberFormat() {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ThousandSeparator = ",";
    FormatSettings.CurrencyString = "$";
    FormatSettings.CurrencyFormat = 0;
    FormatSettings.NegCurrFormat = 0;
    FormatSettings.CurrencyDecimals = 2;
  }
  TFormatSettingsOverride FSaved;
};

constexpr double kInf = std::numeric_limits<double>::infinity();

struct TPatternCase {
  const char* Pattern;
  double Value;
  const char* Expected;
};

TEST_F(NumberFormat, FormatFloatPatterns) {
  const TPatternCase cases[] = {
      {"0000000", 42, "0000042"},
      {"0.000", 3.14159, "3.142"},
      {"0.00", 0, "0.00"},
      {"0", 41.5, "42"},
      {"#", 0, ""},
      {"#", 7, "7"},
      {"#.###", 0.5, ".5"},
      {"#.###", 12, "12"},
      {"##", 12345, "12345"},
      {"##0.##", 5, "5"},
      {"##0.", 5, "5"},
      {"##0.##", 5.1, "5.1"},
      {"0.##", 1, "1"},
      {"0.0#", 1, "1.0"},
      {"#,##0.##", 1234567.891, "1,234,567.89"},
      {"#,##0", 5, "5"},
      {"#,##0", -1234, "-1,234"},
      {"0,000", 5, "0,005"},
      {"#,##0.00", 999.999, "1,000.00"},
      {"00-00", 1234, "12-34"},
      {"00-00", 123456, "1234-56"},
      {".00", 12.5, "12.50"},
      {".00", 0.25, ".25"},
      {"0.00 \"kg\"", 1.5, "1.50 kg"},
      {"'#'0", 3, "#3"},
      {"\"a;b\"0;(0)", -3, "(3)"},
      {"abc", 5, "abc"},
      {"0.0.0", 1.25, "1.25"},
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"0.00E+00", 0.00012345, "1.23E-04"},
      {"0.00E-00", 1234.5, "1.23E03"},
      {"0.00e-0", 0.012345, "1.23e-2"},
      {"00.0E+0", 1234.5, "12.3E+2"},
      {"0.###E+000", 1000, "1E+003"},
      {"0.00E+00", 0, "0.00E+00"},
      {"0.00E+00", -1234.5, "-1.23E+03"},
      {"0.0E+0 \"x\"", 5, "5.0E+0 x"},
      {"0.00", 1e18, "1E18"},
      {"0.0E+00", 1e20, "1.0E+20"},
      {"0.00,", 1234, "1,234.00"},
      {"0.0E+", -1e100, "-1.0E+100"},
      {"0.0;(0.0E+00)", -1e20, "(1.0E+20)"},
      {"0.0E+00;(0.0)", -1e20, "-1E20"},
      {"0.00", 123456789012345.0, "123456789012345.00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloat(c.Pattern, c.Value), c.Expected) << c.Pattern << " " << c.Value;
  }
}

TEST_F(NumberFormat, FormatFloatSections) {
  const TPatternCase cases[] = {
      {"0.00;(0.00);\"zero\"", 1.5, "1.50"},
      {"0.00;(0.00);\"zero\"", -1.5, "(1.50)"},
      {"0.00;(0.00);\"zero\"", 0, "zero"},
      // Rounds to zero in its own section: the zero section wins.
      {"0.00;(0.00);\"zero\"", -0.001, "zero"},
      {"0.00;(0.00);\"zero\"", 0.004, "zero"},
      // Without a zero section, no minus on a rounded-away value.
      {"0.00", -0.001, "0.00"},
      {"0.00;(0.00)", -0.001, "(0.00)"},
      {"0.00;;\"zero\"", -2, "-2.00"},
      {"0.00;", -2, "-2.00"},
      {"0.00;(0.00);", 0, "0.00"},
      {";(0)", 2.5, "2.5"},
      {"0;-0;0;ignored", 0, "0"},
      {"\"-\"0", -4, "--4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloat(c.Pattern, c.Value), c.Expected) << c.Pattern << " " << c.Value;
  }
}

// Half away from zero on the 18 significant digits of the double.
TEST_F(NumberFormat, FormatFloatRounding) {
  const TPatternCase cases[] = {
      {"0.00", 2.675, "2.67"},  // 2.67499999999999982...
      {"0.00", 1.005, "1.00"},  // 1.00499999999999989...
      {"0.00", 0.125, "0.13"},  // exact half
      {"0.00", -0.125, "-0.13"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", 0.5, "1"},
      {"0", 0.49999999999999994, "0"},
      {"0.00", 1e-20, "0.00"},
      {"0.00", -1e-20, "0.00"},
      {"0.0", 0.05, "0.1"},        // 0.0500000000000000028
      {"0.0", 0.15, "0.1"},        // 0.149999999999999994
      {"0.000", 1.0005, "1.000"},  // 1.00049999999999994
      {"#,##0.00", 99999.995, "99,999.99"},
      {"#,##0.00", 99999.999, "100,000.00"},
      {"0", 999999999999999999.0, "1E18"},
      {"0", 123456789012345678.0, "123456789012345680"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatFloat(c.Pattern, c.Value), c.Expected) << c.Pattern << " " << c.Value;
  }
}

TEST_F(NumberFormat, FormatFloatDefaultSettings) {
  FormatSettings = TFormatSettings();
  EXPECT_EQ(FormatFloat("#,##0.##", 1234567.891), "1\u00A0234\u00A0567,89");
  EXPECT_EQ(FormatFloat("0.00", -3.5), "-3,50");
  EXPECT_EQ(FormatFloat("", 0.5), "0,5");
  EXPECT_EQ(FormatFloat("0.00", std::nan("")), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -kInf), "-INF");
}

TEST_F(NumberFormat, FloatToStrGeneral) {
  const struct {
    double Value;
    const char* Expected;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {100, "100"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {-2.5, "-2.5"},
      {123456.789, "123456.789"},
      {1.5e-5, "1.5E-5"},
      {0.0001, "0.0001"},
      {1e-5, "1E-5"},
      {1e15, "1E15"},
      {123456789012345.0, "123456789012345"},
      {1e20, "1E20"},
      {-1e20, "-1E20"},
      {123456789012345678.0, "1.23456789012346E17"},
      {1.7976931348623157e308, "1.79769313486232E308"},
      {5e-324, "4.94065645841247E-324"},
      {kInf, "INF"},
      {-kInf, "-INF"},
      {std::nan(""), "NAN"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToStr(c.Value), c.Expected) << c.Value;
  }
}

TEST_F(NumberFormat, FloatToStrFFormats) {
  const struct {
    double Value;
    TFloatFormat Format;
    int Precision;
    int Digits;
    const char* Expected;
  } cases[] = {
      {1234.5, ffExponent, 15, 3, "1.23450000000000E+003"},
      {-0.00012, ffExponent, 4, 2, "-1.200E-04"},
      {0, ffExponent, 3, 0, "0.00E+0"},
      {9.99, ffExponent, 2, 1, "1.0E+1"},
      {1e20, ffGeneral, 15, 3, "1E020"},
      {1.0 / 3, ffFixed, 15, 18, "0.333333333333333000"},
      {2.5, ffFixed, 15, 0, "3"},
      {-0.004, ffFixed, 15, 2, "0.00"},
      {1234567.891, ffFixed, 15, 2, "1234567.89"},
      {1234567.891, ffNumber, 15, 2, "1,234,567.89"},
      {-1234.5, ffNumber, 15, 0, "-1,235"},
      {1e20, ffFixed, 15, 2, "1E20"},
      {123456.789, ffGeneral, 4, 0, "1.235E5"},
      {1234.5, ffCurrency, 15, 2, "$1,234.50"},
      {-1234.5, ffCurrency, 15, 2, "($1,234.50)"},
      {-0.001, ffCurrency, 15, 2, "$0.00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToStrF(c.Value, c.Format, c.Precision, c.Digits), c.Expected)
        << c.Value << " format " << c.Format;
  }
}

TEST_F(NumberFormat, CurrencyFormats) {
  const struct {
    int Format;
    const char* Expected;
  } positive[] = {{0, "$1.50"}, {1, "1.50$"}, {2, "$ 1.50"}, {3, "1.50 $"}};
  for (const auto& c : positive) {
    FormatSettings.CurrencyFormat = c.Format;
    EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2), c.Expected) << c.Format;
  }
  const char* negative[] = {"($1.50)", "-$1.50",  "$-1.50",   "$1.50-",  "(1.50$)", "-1.50$",
                            "1.50-$",  "1.50$-",  "-1.50 $",  "-$ 1.50", "1.50 $-", "$ 1.50-",
                            "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
  for (int code = 0; code < 16; ++code) {
    FormatSettings.NegCurrFormat = code;
    EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2), negative[code]) << code;
  }
  FormatSettings = TFormatSettings();
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-1\u00A0234,50 р.");
}

TEST_F(NumberFormat, CurrencyTextIsExact) {
  const Currency largest = Currency::FromScaled(INT64_MAX);
  const Currency smallest = Currency::FromScaled(INT64_MIN);
  EXPECT_EQ(CurrToStr(largest), "922337203685477.5807");
  EXPECT_EQ(CurrToStr(smallest), "-922337203685477.5808");
  EXPECT_EQ(CurrToStr(Currency::FromScaled(125000)), "12.5");
  EXPECT_EQ(CurrToStr(Currency()), "0");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(1250), ffFixed, 2), "0.13");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(-1250), ffFixed, 2), "-0.13");
  EXPECT_EQ(CurrToStrF(largest, ffNumber, 4), "922,337,203,685,477.5807");
  EXPECT_EQ(CurrToStrF(Currency::FromScaled(-12345678), ffCurrency, 2), "($1,234.57)");
  EXPECT_EQ(FormatCurr("#,##0.00", largest), "922,337,203,685,477.58");
  EXPECT_EQ(FormatCurr("0.000", Currency::FromScaled(26750)), "2.675");
  EXPECT_EQ(FormatCurr("0.00", Currency::FromScaled(26750)), "2.68");
  EXPECT_EQ(FormatCurr("0.00;(0.00);-", Currency::FromScaled(-49)), "-");
  EXPECT_EQ(FormatCurr("", Currency::FromScaled(15)), "0.0015");
}

TEST_F(NumberFormat, IntegerParsing) {
  const struct {
    const char* Text;
    std::int64_t Expected;
  } good[] = {
      {"0", 0},
      {"42", 42},
      {"  -17 ", -17},
      {"+8", 8},
      {"\t5", 5},
      {"$FF", 255},
      {"0x7fffffff", INT32_MAX},
      {"-$10", -16},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1},
      {"007", 7},
  };
  for (const auto& c : good) {
    EXPECT_EQ(StrToInt(c.Text), c.Expected) << c.Text;
  }
  const char* bad[] = {"",           "  ",          "-",   "1 2", "12a",
                       "2147483648", "-2147483649", "$",   "0x",  "$1FFFFFFFF",
                       "1.0",        "1e3",         "--1", "$-1", "٣"};
  for (const char* text : bad) {
    int value = 99;
    EXPECT_FALSE(TryStrToInt(text, value)) << text;
    EXPECT_EQ(value, 99) << text;
    EXPECT_EQ(StrToIntDef(text, -5), -5) << text;
  }
  try {
    StrToInt(" 12x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "' 12x' не является целым числом");
  }
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), 4294967296);
  EXPECT_EQ(StrToInt64Def("9223372036854775808", 3), 3);
  EXPECT_THROW(StrToInt64(""), EConvertError);
}

TEST_F(NumberFormat, FloatParsing) {
  const struct {
    const char* Text;
    double Expected;
  } good[] = {
      {"0", 0},
      {"1.5", 1.5},
      {" -2.25 ", -2.25},
      {"+3", 3},
      {".5", 0.5},
      {"5.", 5},
      {"1e3", 1000},
      {"1.5E-2", 0.015},
      {"2e+2", 200},
      {"0.1", 0.1},
      {"1e-400", 0},
      {"-1e-400", -0.0},
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
      {"2.2250738585072011e-308", 2.2250738585072011e-308},
  };
  for (const auto& c : good) {
    EXPECT_EQ(StrToFloat(c.Text), c.Expected) << c.Text;
  }
  const char* bad[] = {"",   " ",    ".",   "-",   "1,5",  "1.5.",  "1e",    "1e+",
                       "e5", "1.5x", "inf", "nan", "0x10", "1 000", "1e400", "- 1"};
  for (const char* text : bad) {
    double value = 7;
    EXPECT_FALSE(TryStrToFloat(text, value)) << text;
    EXPECT_EQ(value, 7) << text;
    EXPECT_EQ(StrToFloatDef(text, -1), -1) << text;
  }
  try {
    StrToFloat("1,5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1,5' не является числом");
  }
  // Only the settings' separator counts.
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_THROW(StrToFloat("1.5"), EConvertError);
}

TEST_F(NumberFormat, CurrencyParsing) {
  const struct {
    const char* Text;
    std::int64_t Scaled;
  } good[] = {
      {"0", 0},
      {"12.5", 125000},
      {" -0.0001 ", -1},
      {"0.00005", 0},  // half to even
      {"0.00015", 2},
      {"0.000150001", 2},
      {"0.00025", 2},
      {"0.000250001", 3},
      {"-0.00015", -2},
      {"1.5e2", 1500000},
      {"15e-5", 2},
      {"1e-30", 0},
      {"922337203685477.5807", INT64_MAX},
      {"-922337203685477.5808", INT64_MIN},
      {"0.123456789012345678901234", 1235},
  };
  for (const auto& c : good) {
    EXPECT_EQ(StrToCurr(c.Text).Scaled(), c.Scaled) << c.Text;
  }
  const char* bad[] = {"", "1,5", "922337203685477.5808", "1e15", "abc", "1e99999999999"};
  for (const char* text : bad) {
    Currency value = Currency(3);
    EXPECT_FALSE(TryStrToCurr(text, value)) << text;
    EXPECT_EQ(value, Currency(3)) << text;
  }
  EXPECT_THROW(StrToCurr("x"), EConvertError);
}

}  // namespace

TEST(DecimalText, GivesFloatToStrOfItsDouble) {
  TFormatSettingsOverride keep;
  for (char separator : {'.', ','}) {
    FormatSettings.DecimalSeparator = separator;
    auto general = [](const std::string& text) {
      double value = 0;
      std::from_chars(text.data(), text.data() + text.size(), value);
      return FloatToStr(value);
    };
    const std::vector<std::string> texts = {"0",
                                            "-0",
                                            "-0.00",
                                            "0.000",
                                            "7",
                                            "11000.50",
                                            "-1234.500",
                                            "0.1",
                                            "0.00001",
                                            "0.000001",
                                            "123456789012345",
                                            "999999999999999",
                                            "1000000000000000",
                                            "12345678.9",
                                            "0.333333333333333",
                                            "100000000000000000000",
                                            ".5",
                                            "5.",
                                            "-.25",
                                            "000123.4500",
                                            "1.10000000000000000000",
                                            "0.0001",
                                            "-0.000100",
                                            "-0.5",
                                            "10.0",
                                            "100",
                                            "-7.",
                                            "0.",
                                            "999999999999999.0",
                                            "-0.0",
                                            "-00.000",
                                            "0.0001000",
                                            "100000000000000.0000000",
                                            "0.000123456789012345",
                                            "0.0000123456789"};
    for (const std::string& text : texts) {
      std::string out;
      ASSERT_TRUE(DecimalTextToStr(text, out)) << text;
      EXPECT_EQ(out, general(text)) << text;
    }
    for (const std::string text :
         {"", "-", ".", "1e5", "1,5", "+5", "1234567890123456", "0.1234567890123456", " 5"}) {
      std::string out = "kept";
      EXPECT_FALSE(DecimalTextToStr(text, out)) << text;
      EXPECT_EQ(out, "kept");
    }
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
      std::string text = random() % 4 == 0 ? "-" : "";
      const int integer = static_cast<int>(random() % 16), places = static_cast<int>(random() % 12);
      for (int k = 0; k < integer; ++k) text += static_cast<char>('0' + random() % 10);
      if (places > 0) text += '.';
      for (int k = 0; k < places; ++k) text += static_cast<char>('0' + random() % 10);
      if (integer + places == 0) continue;
      std::string out;
      if (DecimalTextToStr(text, out)) {
        EXPECT_EQ(out, general(text)) << text;
      }
    }
  }
}

// Every text of up to six bytes made of digits, signs, points, an exponent
// letter and blanks: what is accepted is FloatToStr of its double, every
// plain [-]digits[.digits] is accepted, the rest leaves `out` alone; the
// bytes for a caller's own string are the same text.
TEST(DecimalText, EveryShortTextGivesFloatToStrOrNothing) {
  TFormatSettingsOverride keep;
  constexpr char kBytes[] = {'0', '1', '9', '-', '.', 'e', ' ', '+'};
  auto plain = [](const std::string& text) {
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::size_t integer = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == integer) return false;
    if (i == text.size()) return true;
    if (text[i++] != '.') return false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i == text.size();
  };
  for (char separator : {'.', ','}) {
    FormatSettings.DecimalSeparator = separator;
    std::vector<std::string> texts = {""};
    for (std::size_t from = 0; texts[from].size() < 6; ++from)
      for (char c : kBytes) texts.push_back(texts[from] + c);
    for (const std::string& text : texts) {
      std::string out = "kept";
      char made[kFloatTextRoom];
      const std::size_t size = DecimalTextToChars(text, made);
      if (DecimalTextToStr(text, out)) {
        double value = 0;
        std::from_chars(text.data(), text.data() + text.size(), value);
        ASSERT_EQ(out, FloatToStr(value)) << text;
        ASSERT_EQ(std::string(made, size), out) << text;
      } else {
        ASSERT_FALSE(plain(text)) << text;
        ASSERT_EQ(out, "kept") << text;
        ASSERT_EQ(size, 0u) << text;
      }
    }
  }
}

// The quick ways of FloatToStrF and FormatFloat (whole numbers, values whose
// shortest digits are the ones kept) give the text of the long way through
// the 18 digits, for every format, precision and number of decimals.
TEST_F(NumberFormat, QuickWaysMatchTheLongWay) {
  std::vector<double> values = {0.0,
                                -0.0,
                                1,
                                -1,
                                7,
                                10,
                                100,
                                1000,
                                2000,
                                3000,
                                0.1,
                                0.5,
                                2.5,
                                2.675,
                                1.005,
                                0.125,
                                1234.56,
                                -1234.56,
                                0.01,
                                0.001,
                                1e-5,
                                0.3333333333333333,
                                2.0 / 3,
                                123456789012345.0,
                                999999999999999.0,
                                1e15,
                                1e15 + 1,
                                9007199254740993.0,
                                1e17,
                                99999999999999999.0,
                                1e18,
                                1.5e18,
                                1e20,
                                1e300,
                                5e-324,
                                0.1 + 0.2,
                                1.0000000000000002,
                                0.9999999999999999,
                                999.9999999999999,
                                9.999999999999998,
                                123.456,
                                1e-300,
                                12345678.9,
                                4503599627370495.5};
  std::mt19937_64 random(5);
  for (int i = 0; i < 3000; ++i) {
    const std::uint64_t r = random();
    switch (i % 5) {
      case 0:  // kopecks
        values.push_back(
            static_cast<double>(static_cast<std::int64_t>(r % 100000000000) - 50000000000) / 100);
        break;
      case 1:  // three decimals
        values.push_back(static_cast<double>(r % 10000000) / 1000);
        break;
      case 2:  // whole numbers of every size
        values.push_back(std::ldexp(static_cast<double>(r >> 11), -static_cast<int>(r % 53)));
        break;
      case 3: {  // any bit pattern
        double d;
        std::memcpy(&d, &r, sizeof d);
        if (std::isfinite(d)) values.push_back(d);
        break;
      }
      default:  // 15 to 17 significant digits
        values.push_back(static_cast<double>(r % 100000000000000000) *
                         std::pow(10.0, static_cast<int>(r % 41) - 20));
    }
  }
  const TFloatFormat formats[] = {ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency};
  const char* const patterns[] = {"", "0", "0.00", "#,##0.00", "##0.##", "#,##0.", "0.0E+00"};
  for (char separator : {'.', ','}) {
    FormatSettings.DecimalSeparator = separator;
    FormatSettings.ThousandSeparator = separator == ',' ? " " : ",";
    for (double v : values) {
      for (TFloatFormat format : formats)
        for (int precision : {1, 2, 7, 15, 18})
          for (int digits : {0, 1, 2, 4, 18})
            ASSERT_EQ(FloatToStrF(v, format, precision, digits),
                      FloatToStrFByDigits(v, format, precision, digits))
                << v << " format " << format << " precision " << precision << " digits " << digits;
      for (const char* pattern : patterns)
        ASSERT_EQ(FormatFloat(pattern, v), FormatFloatByDigits(pattern, v)) << v << " " << pattern;
      ASSERT_EQ(FloatToStr(v), FloatToStrFByDigits(v, ffGeneral, 15, 0)) << v;
    }
  }
}
