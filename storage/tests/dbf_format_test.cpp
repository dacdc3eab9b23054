#include "storage/dbf_format.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "platform/base/codepage.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"

using namespace dbf;

namespace {

std::string U8(std::uint8_t v) { return std::string(1, static_cast<char>(v)); }
std::string U16(std::uint16_t v) { return U8(v & 0xFF) + U8(v >> 8); }
std::string U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Zeros(std::size_t n) { return std::string(n, '\0'); }

// A descriptor written out by hand from the layout table.
std::string Descriptor(std::string name, char type, std::uint32_t offset, std::uint8_t length,
                       std::uint8_t decimals = 0) {
  name.resize(11, '\0');
  return name + type + U32(offset) + U8(length) + U8(decimals) + Zeros(14);
}

// The header part of the table C(40) NAME, N(7,0) NUM, D BORN, written by
// hand from the layout table.
std::string ThreeColumnHead(std::uint32_t count = 0, std::string tail = "") {
  const auto headerLength = static_cast<std::uint16_t>(129 + tail.size());
  return U8(3) + U8(107) + U8(1) + U8(31) + U32(count) + U16(headerLength) + U16(56) + Zeros(2) +
         U8(1) + Zeros(14) + U8(kCodePageOem866) + Zeros(2) + Descriptor("NAME", 'C', 1, 40) +
         Descriptor("NUM", 'N', 41, 7) + Descriptor("BORN", 'D', 48, 8) + "\x0D" + tail;
}

std::vector<TFieldDescriptor> ThreeColumns() {
  const TColumnSpec num = ColumnForKind(TValueKind::Integer, 0, "7.0", "NUM");
  return {{"NAME", kTypeChar, 0, 40, 0},
          {"NUM", num.Type, 0, static_cast<std::uint8_t>(num.Length),
           static_cast<std::uint8_t>(num.Decimals)},
          {"BORN", kTypeDate, 0, 8, 0}};
}

THeader ThreeColumnHeader() {
  THeader h;
  h.Year = 107;
  h.Month = 1;
  h.Day = 31;
  h.StructureVersion = 1;
  h.CodePage = kCodePageOem866;
  return h;
}

std::string DamagedMessage(const std::string& head, std::int64_t fileSize) {
  try {
    DecodeLayout(head, fileSize, "t.001");
  } catch (const EDBFError& e) {
    return e.Message();
  }
  return "opened";
}

}  // namespace

TEST(DbfLayout, NewTableBytesFollowTheLayoutTable) {
  const std::string bytes = EncodeLayout(ThreeColumnHeader(), ThreeColumns(), "");
  EXPECT_EQ(bytes, ThreeColumnHead());
  ASSERT_EQ(bytes.size(), 129u);
  EXPECT_EQ(bytes.back(), kTerminator);
}

TEST(DbfLayout, TailFollowsTheTerminator) {
  const std::string tail(20, 'x');
  const std::string bytes = EncodeLayout(ThreeColumnHeader(), ThreeColumns(), tail);
  EXPECT_EQ(bytes, ThreeColumnHead(0, tail));
  const TLayout layout = DecodeLayout(bytes, static_cast<std::int64_t>(bytes.size()), "t");
  EXPECT_EQ(layout.Header.HeaderLength, 32 + 96 + 21);
  EXPECT_EQ(layout.TailPosition, 32u + 96 + 1);
  EXPECT_EQ(DecodeLayout(ThreeColumnHead(), 129, "t").TailPosition, 0u);
}

TEST(DbfLayout, DecodesWhatItEncodes) {
  const std::string head = ThreeColumnHead(2);
  const TLayout layout = DecodeLayout(head, 129 + 2 * 56 + 1, "t");
  EXPECT_EQ(layout.Header.Version, 3);
  EXPECT_EQ(layout.Header.Year, 107);
  EXPECT_EQ(layout.Header.RecordCount, 2u);
  EXPECT_EQ(layout.Header.StructureVersion, 1);
  EXPECT_EQ(layout.Header.CodePage, kCodePageOem866);
  EXPECT_EQ(layout.RecordLength, 56u);
  ASSERT_EQ(layout.Fields.size(), 3u);
  EXPECT_EQ(layout.Fields[1].Name, "NUM");
  EXPECT_EQ(layout.Fields[1].Type, 'N');
  EXPECT_EQ(layout.Fields[1].Offset, 41u);
  EXPECT_EQ(layout.Fields[2].Offset, 48u);
  EXPECT_EQ(layout.RecordPosition(1), 129 + 56);
}

TEST(DbfLayout, DescriptorReadingStopsAtNulAndAcceptsZeroOffsets) {
  // dBASE III left the offset word 0; a NUL in place of a descriptor ends
  // the list as the terminator does.
  std::string head = U8(3) + Zeros(3) + U32(0) + U16(32 + 64 + 1) + U16(4) + Zeros(20) +
                     Descriptor("A", 'C', 0, 3) + Zeros(32) + "\x0D";
  const TLayout layout = DecodeLayout(head, 97, "t");
  ASSERT_EQ(layout.Fields.size(), 1u);
  EXPECT_EQ(layout.Fields[0].Offset, 1u);
  EXPECT_EQ(layout.TailPosition, 32u + 32 + 1);  // the rest is a tail
}

TEST(DbfLayout, DamagedFilesSayWhatIsWrong) {
  const std::string good = ThreeColumnHead(1);
  struct Case {
    const char* name;
    std::function<void(std::string&, std::int64_t&)> damage;
    const char* message;
  };
  const Case cases[] = {
      {"short file", [](std::string& h, std::int64_t& size) { h.resize(20), size = 20; },
       "короче своего заголовка в 32 байта"},
      {"header past the end", [](std::string& h, std::int64_t&) { h.replace(8, 2, U16(4000)); },
       "заголовок длиной 4000 байт выходит за конец файла (186 байт)"},
      {"no descriptors", [](std::string& h, std::int64_t&) { h[32] = kTerminator; },
       "нет описаний полей"},
      {"length 0", [](std::string& h, std::int64_t&) { h[64 + 16] = 0; }, "поле NUM имеет длину 0"},
      {"date of 6 bytes", [](std::string& h, std::int64_t&) { h[96 + 16] = 6; },
       "поле BORN типа D имеет длину 6 вместо 8"},
      {"offsets", [](std::string& h, std::int64_t&) { h.replace(64 + 12, 4, U32(40)); },
       "поле NUM начинается со смещения 40, а предыдущие поля заканчиваются на 41"},
      {"record length", [](std::string& h, std::int64_t&) { h.replace(10, 2, U16(57)); },
       "длина записи 57 байт, а поля дают 56"},
      {"count past the file", [](std::string& h, std::int64_t&) { h.replace(4, 4, U32(3)); },
       "в заголовке 3 записей, а в файле помещается 1"},
      {"huge count", [](std::string& h, std::int64_t&) { h.replace(4, 4, U32(0xFFFFFFFF)); },
       "в заголовке 4294967295 записей"},
  };
  for (const Case& c : cases) {
    std::string head = good;
    std::int64_t size = 129 + 56 + 1;
    c.damage(head, size);
    const std::string message = DamagedMessage(head, size);
    EXPECT_NE(message.find("Таблица t.001 повреждена: "), std::string::npos)
        << c.name << ": " << message;
    EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
  }
  EXPECT_EQ(DamagedMessage(good, 129 + 56), "opened");  // no EOF byte is fine
}

TEST(DbfLayout, HeaderPartLargerThan65535IsARangeError) {
  EXPECT_THROW(EncodeLayout(THeader{}, ThreeColumns(), std::string(65535 - 128, 't')), ERangeError);
  EXPECT_NO_THROW(EncodeLayout(THeader{}, ThreeColumns(), std::string(65535 - 129, 't')));
}

TEST(DbfTypeMap, ColumnsForNewFields) {
  struct Case {
    TValueKind kind;
    int size;
    const char* origin;
    char type;
    int length, decimals;
  };
  const Case cases[] = {
      {TValueKind::String, 0, "", 'C', 1, 0},      {TValueKind::String, 40, "", 'C', 40, 0},
      {TValueKind::Boolean, 0, "", 'L', 1, 0},     {TValueKind::Date, 0, "", 'D', 8, 0},
      {TValueKind::DateTime, 0, "", 'D', 8, 0},    {TValueKind::Word, 0, "", 'N', 5, 0},
      {TValueKind::SmallInt, 0, "", 'N', 6, 0},    {TValueKind::Integer, 0, "", 'N', 10, 0},
      {TValueKind::LargeInt, 0, "", 'N', 20, 0},   {TValueKind::Float, 0, "", 'N', 20, 5},
      {TValueKind::Currency, 0, "", 'N', 20, 2},   {TValueKind::Integer, 0, "7.0", 'N', 7, 0},
      {TValueKind::SmallInt, 0, "2.0", 'N', 2, 0}, {TValueKind::Float, 0, "5.3", 'N', 5, 3},
      {TValueKind::Integer, 4, "", 'N', 4, 0},     {TValueKind::Integer, 0, "7", 'N', 10, 0},
      {TValueKind::String, 0, "7.0", 'C', 1, 0},
  };
  for (const Case& c : cases) {
    const TColumnSpec spec = ColumnForKind(c.kind, c.size, c.origin, "F");
    EXPECT_EQ(spec.Type, c.type) << static_cast<int>(c.kind) << " " << c.origin;
    EXPECT_EQ(spec.Length, c.length) << static_cast<int>(c.kind) << " " << c.origin;
    EXPECT_EQ(spec.Decimals, c.decimals) << static_cast<int>(c.kind) << " " << c.origin;
  }
  EXPECT_THROW(ColumnForKind(TValueKind::String, 256, "", "F"), ERangeError);
  EXPECT_THROW(ColumnForKind(TValueKind::Integer, 0, "300.0", "F"), ERangeError);
  EXPECT_THROW(ColumnForKind(TValueKind::Integer, 0, "7.x", "F"), EConvertError);
  EXPECT_THROW(ColumnForKind(TValueKind::Date, 6, "", "F"), ERangeError);
}

TEST(DbfTypeMap, OriginWidths) {
  struct Case {
    const char* origin;
    int length, decimals;  // -1: no width
  };
  const Case cases[] = {{"2.0", 2, 0},
                        {"7.0", 7, 0},
                        {"5.3", 5, 3},
                        {"300.0", 300, 0},
                        {"7", -1, -1},
                        {"", -1, -1},
                        {"1.12345678901", 1, 1234567890}};
  for (const Case& c : cases) {
    const std::optional<TOriginWidth> width = ParseOriginWidth(c.origin);
    EXPECT_EQ(width ? width->Length : -1, c.length) << c.origin;
    EXPECT_EQ(width ? width->Decimals : -1, c.decimals) << c.origin;
  }
  for (const char* bad : {"7.x", "x.0", ".3", "7."})
    EXPECT_THROW(ParseOriginWidth(bad), EConvertError) << bad;
}

TEST(DbfTypeMap, KindsOfStoredColumns) {
  struct Case {
    char type;
    int length, decimals;
    TValueKind kind;
  };
  const Case cases[] = {
      {'C', 10, 0, TValueKind::String},   {'N', 5, 3, TValueKind::Float},
      {'F', 20, 2, TValueKind::Float},    {'N', 4, 0, TValueKind::SmallInt},
      {'N', 5, 0, TValueKind::Integer},   {'N', 9, 0, TValueKind::Integer},
      {'N', 10, 0, TValueKind::LargeInt}, {'F', 20, 0, TValueKind::LargeInt},
      {'N', 25, 0, TValueKind::String},   {'B', 8, 0, TValueKind::Float},
      {'D', 8, 0, TValueKind::Date},      {'I', 4, 0, TValueKind::Integer},
      {'L', 1, 0, TValueKind::Boolean},   {'T', 8, 0, TValueKind::DateTime},
      {'Y', 8, 0, TValueKind::Currency},  {'M', 10, 0, TValueKind::Unknown},
  };
  for (const Case& c : cases) {
    TFieldDescriptor d{"F", c.type, 1, static_cast<std::uint8_t>(c.length),
                       static_cast<std::uint8_t>(c.decimals)};
    EXPECT_EQ(KindForColumn(d, false), c.kind) << c.type << c.length << "." << c.decimals;
  }
  EXPECT_EQ(KindForColumn({"F", 'T', 1, 8, 0}, true), TValueKind::Date);
}

TEST(DbfTypeMap, FieldNamesAreInTheTablesCodePageAndCutToTen) {
  EXPECT_EQ(EncodeFieldName("ФАМИЛИЯ", false), "\x94\x80\x8C\x88\x8B\x88\x9F");
  EXPECT_EQ(EncodeFieldName("ФАМИЛИЯ", true), "\xD4\xC0\xCC\xC8\xCB\xC8\xDF");
  EXPECT_EQ(EncodeFieldName("ABCDEFGHIJKL", false), "ABCDEFGHIJ");
  EXPECT_EQ(EncodeFieldName("ДАТАРОЖДЕНИЯ", true), Utf8ToWin1251("ДАТАРОЖДЕН"));
  EXPECT_EQ(DecodeFieldName(Utf8ToOem866("ИМЯ"), false), "ИМЯ");
  EXPECT_EQ(DecodeFieldName(Utf8ToWin1251("ИМЯ"), true), "ИМЯ");
  std::string withNul = "AB";
  withNul += '\0';
  withNul += "C";
  EXPECT_EQ(DecodeFieldName(withNul, false), "AB");
}

// ---- Column values ----

namespace {

std::string Column(std::size_t n, char fill = ' ') { return std::string(n, fill); }
std::span<char> Span(std::string& s) { return {s.data(), s.size()}; }

std::string NumText(int length, int decimals, double value) {
  std::string c = Column(static_cast<std::size_t>(length), '#');
  EncodeNumericFloat(Span(c), decimals, value, "F");
  return c;
}

std::string RangeMessage(const std::function<void()>& f) {
  try {
    f();
  } catch (const ERangeError& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace

TEST(DbfColumn, CharCutsAndTrimsOnlyTrailingBlanks) {
  std::string c = Column(10, '#');
  EncodeChar(Span(c), "  twelve chars");
  EXPECT_EQ(c, "  twelve c");
  EncodeChar(Span(c), "ab");
  EXPECT_EQ(c, "ab        ");
  EXPECT_EQ(DecodeChar("  ab  \x01\x00"), "  ab");
  EXPECT_EQ(DecodeChar(std::string(5, '\0')), "");
  const std::string oem = Utf8ToOem866("Иванова");
  EncodeChar(Span(c), oem);
  EXPECT_EQ(Oem866ToUtf8(DecodeChar(c)), "Иванова");
  // Every byte value at every place of a blank column of every width up
  // to 20, behind blanks and control bytes: only bytes above 0x20 end the
  // text, and nothing beyond the column is read as its own.
  for (std::size_t width = 1; width <= 20; ++width) {
    for (int b = 0; b < 256; ++b) {
      for (std::size_t at = 0; at < width; ++at) {
        std::string record = "XXXXXXXX" + std::string(width, at % 2 ? ' ' : '\x1f') + "XXXXXXXX";
        record[8 + at] = static_cast<char>(b);
        const std::string_view column = std::string_view(record).substr(8, width);
        ASSERT_EQ(DecodeChar(column).size(), b > 0x20 ? at + 1 : 0)
            << b << " at " << at << " of " << width;
      }
    }
  }
}

TEST(DbfColumn, NumericTextTrimsBlanksAndControlBytesAndOnePlus) {
  // Every width up to 12, blank or with a digit, a sign or a NUL at each
  // place, against trimming byte by byte.
  auto model = [](std::string_view c) {
    while (!c.empty() && static_cast<unsigned char>(c.front()) <= 0x20) c.remove_prefix(1);
    while (!c.empty() && static_cast<unsigned char>(c.back()) <= 0x20) c.remove_suffix(1);
    if (!c.empty() && c.front() == '+') c.remove_prefix(1);
    return std::string(c);
  };
  for (std::size_t width = 1; width <= 12; ++width) {
    const std::string blank(width, ' ');
    EXPECT_EQ(NumericText(blank), "") << width;
    for (std::size_t at = 0; at < width; ++at) {
      for (const char c : {'7', '+', '-', '\0', '\x1f'}) {
        std::string column = blank;
        column[at] = c;
        EXPECT_EQ(std::string(NumericText(column)), model(column)) << width << " " << at;
        column[width - 1] = '5';
        EXPECT_EQ(std::string(NumericText(column)), model(column)) << width << " " << at;
      }
    }
  }
}

TEST(DbfColumn, NumbersAreRightJustifiedWithAPoint) {
  EXPECT_EQ(NumText(5, 3, 3.14159), "3.142");
  EXPECT_EQ(NumText(20, 5, -1234.5), "         -1234.50000");
  EXPECT_EQ(NumText(6, 2, -0.001), "  0.00");  // no "-0.00"
  EXPECT_EQ(NumText(6, 3, 1.0005), " 1.000");  // the double is just below 1.0005
  EXPECT_EQ(NumText(6, 3, 2.0005), " 2.001");  // and this one just above
  EXPECT_EQ(NumText(5, 0, 2.5), "    3");      // half away from zero, as Format
  {
    TFormatSettingsOverride comma;
    FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(NumText(5, 3, 3.14159), "3.142");
    EXPECT_DOUBLE_EQ(DecodeNumericFloat("3.142"), 3.142);
  }
  std::string n = Column(7);
  EncodeNumericInteger(Span(n), 42, "F");
  EXPECT_EQ(n, "     42");
  EXPECT_EQ(DecodeNumericInteger(n), 42);
  EXPECT_EQ(DecodeNumericInteger("       "), 0);
  EXPECT_EQ(DecodeNumericInteger(std::string(7, '\0')), 0);
  EXPECT_EQ(DecodeNumericInteger("  -17  "), -17);
  EXPECT_EQ(DecodeNumericInteger("  4x2  "), 0);
  EXPECT_EQ(DecodeNumericInteger("99999999999999999999"), 0);
  EXPECT_DOUBLE_EQ(DecodeNumericFloat("  -1.5 "), -1.5);
  EXPECT_DOUBLE_EQ(DecodeNumericFloat(" +2.25"), 2.25);
  EXPECT_DOUBLE_EQ(DecodeNumericFloat("1,5"), 0);
  EXPECT_DOUBLE_EQ(DecodeNumericFloat("nan"), 0);
  EXPECT_DOUBLE_EQ(DecodeNumericFloat(""), 0);
}

TEST(DbfColumn, NumbersAreStoredAsFormatPrintsThem) {
  TFormatSettingsOverride keep;
  FormatSettings.DecimalSeparator = '.';
  struct Case {
    double Value;
    int Decimals;
    const char* Stored;  // as Format("%.*f") gives it
  } cases[] = {
      {0.125, 2, "0.13"},
      {-0.125, 2, "-0.13"},
      {1000.005, 2, "1000.01"},
      {2.675, 2, "2.67"},
      {1.005, 2, "1.00"},
      {0.5, 0, "1"},
      {1.5, 0, "2"},
      {-2.5, 0, "-3"},
      {9.995, 2, "9.99"},
      {99.995, 2, "100.00"},
      {0.045, 2, "0.04"},
      {12345.6789, 3, "12345.679"},
      {-0.004, 2, "0.00"},
      {1e-7, 5, "0.00000"},
      {123456789.125, 2, "123456789.13"},
      {999999999999999.0, 1, "999999999999999.0"},
  };
  for (const Case& c : cases) {
    const std::string printed = Format("%.*f", c.Decimals, c.Value);
    EXPECT_EQ(printed, c.Stored) << c.Value;
    const int width = 20;
    std::string column = NumText(width, c.Decimals, c.Value);
    EXPECT_EQ(column, std::string(width - printed.size(), ' ') + printed) << c.Value;
  }
  // More than 15 significant digits, where Format stops: the exact value
  // of the double, rounded once, half away from zero, to the column.
  struct Wide {
    double Value;
    int Length, Decimals;
    const char* Stored;
  } wide[] = {
      {-99999999999999.99, 20, 2, "  -99999999999999.98"},    // the double is ...99.984375
      {-1234567890123.12345, 20, 5, "-1234567890123.12354"},  // ...12353515625
      {1234567890123456.75, 20, 1, "  1234567890123456.8"},
      {9999999999999998.0, 20, 2, " 9999999999999998.00"},
      {123456789012345678.0, 20, 0, "  123456789012345680"},
      {99999999999999999.0, 21, 2, "100000000000000000.00"},
      {0.1234567890123456789, 20, 18, "0.123456789012345677"},  // ...67736988...
      {991372012590115.29, 19, 2, " 991372012590115.25"},       // exactly ...115.25
      {-991372012590115.29, 19, 2, "-991372012590115.25"},
      {991372012590115.375, 19, 2, " 991372012590115.38"},  // a tie: away from zero
      {-991372012590115.375, 19, 2, "-991372012590115.38"},
      {123456789012345.015625, 23, 6, " 123456789012345.015625"},  // every binary place
      {123456789012345.015625, 23, 5, "  123456789012345.01563"},
      {0.1 + 0.2, 22, 20, "0.30000000000000004441"},  // ...0444089209850062616169452667236328125
      {0.1 + 0.2, 20, 5, "             0.30000"},
      {1234.5600000000002, 20, 5, "          1234.56000"},
      {10200223543.43, 20, 7, " 10200223543.4300000"},  // not ...4300003
      {-0.000000000000000125, 21, 18, "-0.000000000000000125"},
      {0.0000000000000000005, 20, 18, "0.000000000000000001"},
      {-0.0000000000000000004, 20, 18, "0.000000000000000000"},
      {999999999999999.95, 20, 1, "  1000000000000000.0"},
  };
  for (const Wide& w : wide) EXPECT_EQ(NumText(w.Length, w.Decimals, w.Value), w.Stored) << w.Value;
  EXPECT_NE(RangeMessage([&] { NumText(17, 2, -99999999999999.99); }), "no error");
  // Past Format's fixed range, and past its 18 decimals: still fixed text.
  EXPECT_EQ(NumText(20, 2, 1e16), "10000000000000000.00");
  EXPECT_EQ(NumText(24, 20, 0.5), "  0.50000000000000000000");
  // A comma as the runtime's separator still stores a point.
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(NumText(6, 2, 0.125), "  0.13");
}

// A value of at most 15 significant digits is stored as Format prints it,
// whatever its size, places and sign.
TEST(DbfColumn, NumbersOfFifteenDigitsOrFewerAreStoredAsFormatPrintsThem) {
  TFormatSettingsOverride keep;
  FormatSettings.DecimalSeparator = '.';
  std::mt19937_64 random(20070131);
  for (int i = 0; i < 100000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 15);
    std::string text = random() % 2 ? "-" : "";
    for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random() % 10);
    text += "e" + std::to_string(static_cast<int>(random() % 31) - 30 + (15 - digits));
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    const int decimals = static_cast<int>(random() % 19);
    const std::string printed = Format("%.*f", decimals, value);
    const int width = static_cast<int>(printed.size()) + 2;
    ASSERT_EQ(NumText(width, decimals, value), "  " + printed) << text << " " << decimals;
  }
}

TEST(DbfColumn, NumbersThatDoNotFitAreRefusedAndNothingIsWritten) {
  TFormatSettingsOverride keep;
  FormatSettings.DecimalSeparator = '.';
  std::string c = Column(5, '#');
  EXPECT_EQ(RangeMessage([&] { EncodeNumericFloat(Span(c), 3, 12345.6, "WEIGHT"); }),
            "Значение 12345.6 недопустимо для поля 'WEIGHT'. Допустимы значения от 0 до 9.999");
  EXPECT_TRUE(RangeMessage([&] {
                EncodeNumericFloat(Span(c), 3, 9.9996, "W");
              }).starts_with("Значение 9.9996 "));
  EXPECT_TRUE(
      RangeMessage([&] { EncodeNumericFloat(Span(c), 1, NAN, "W"); }).starts_with("Значение NAN "));
  EXPECT_EQ(c, "#####");
  std::string n = Column(7, '#');
  EXPECT_EQ(RangeMessage([&] { EncodeNumericInteger(Span(n), 12345678, "NCERTIF"); }),
            "Значение 12345678 недопустимо для поля 'NCERTIF'. Допустимы значения от -999999 "
            "до 9999999");
  EXPECT_EQ(n, "#######");
  std::string n10 = Column(10);
  EXPECT_NE(RangeMessage([&] { EncodeNumericInteger(Span(n10), INT32_MIN, "F"); }), "no error");
  EncodeNumericInteger(Span(n10), -999999999, "F");
  EXPECT_EQ(DecodeNumericInteger(n10), -999999999);
  std::string n20 = Column(20);
  EncodeNumericInteger(Span(n20), INT64_MIN, "F");
  EXPECT_EQ(DecodeNumericInteger(n20), INT64_MIN);
  EXPECT_EQ(RangeMessage([] { CheckIntegerRange(40000, -32768, 32767, "TDOC"); }),
            "Значение 40000 недопустимо для поля 'TDOC'. Допустимы значения от -32768 до 32767");
}

TEST(DbfColumn, BinaryColumnsRoundTrip) {
  std::string i = Column(4);
  for (std::int64_t v : {0LL, 1LL, -1LL, 2147483647LL, -2147483648LL}) {
    EncodeInt32(Span(i), v, "F");
    EXPECT_EQ(DecodeInt32(i), v);
  }
  EXPECT_NE(RangeMessage([&] { EncodeInt32(Span(i), 2147483648LL, "F"); }), "no error");
  EncodeInt32(Span(i), -2, "F");
  EXPECT_EQ(i, "\xFE\xFF\xFF\xFF");
  std::string b = Column(8);
  for (double v : {0.0, -1.5, 1e300, 5e-324}) {
    EncodeDouble(Span(b), v);
    EXPECT_EQ(DecodeDouble(b), v);
  }
  std::string y = Column(8);
  for (Currency v : {Currency(0), Currency(-12.3456), Currency(0.00005), Currency(0.00015),
                     Currency::FromScaled(INT64_MIN)}) {
    EncodeCurrency(Span(y), v);
    EXPECT_EQ(DecodeCurrency(y), v);
  }
  EncodeCurrency(Span(y), Currency(1));
  EXPECT_EQ(y, U32(10000) + U32(0));
}

TEST(DbfColumn, LogicalReadsUpperCaseLettersOnly) {
  for (char c : std::string("TYS")) EXPECT_EQ(DecodeLogical(std::string(1, c)), true) << c;
  for (char c : std::string("FN")) EXPECT_EQ(DecodeLogical(std::string(1, c)), false) << c;
  for (char c : std::string("tfy? \0", 6))
    EXPECT_EQ(DecodeLogical(std::string(1, c)), std::nullopt) << int(c);
  std::string l = Column(1);
  EncodeLogical(Span(l), true);
  EXPECT_EQ(l, "T");
  EncodeLogical(Span(l), false);
  EXPECT_EQ(l, "F");
}

TEST(DbfColumn, Dates) {
  std::string d = Column(8);
  for (TDateTime v : {EncodeDate(2007, 1, 31), EncodeDate(1850, 7, 4), EncodeDate(1, 1, 1),
                      EncodeDate(9999, 12, 31), EncodeDate(1899, 12, 31)}) {
    EncodeDateColumn(Span(d), v);
    EXPECT_EQ(DecodeDateColumn(d), v) << d;
  }
  EncodeDateColumn(Span(d), EncodeDate(1850, 7, 4));
  EXPECT_EQ(d, "18500704");
  EncodeDateColumn(Span(d), EncodeDate(2007, 1, 31) + 0.75);  // the time is dropped
  EXPECT_EQ(d, "20070131");
  EncodeDateColumn(Span(d), 0.5);  // day 0 is an empty date
  EXPECT_EQ(d, "        ");
  for (const std::string& empty :
       {std::string(8, ' '), std::string(8, '\0'), std::string(8, kZeroDateByte),
        std::string("00000000"), std::string("20070230"), std::string("2007AB01"),
        std::string("  2007  ")})
    EXPECT_EQ(DecodeDateColumn(empty), std::nullopt) << empty;
  EXPECT_EQ(DecodeDateColumn("18991230"), 0.0);
  EXPECT_EQ(DecodeDateColumn(" 2007013"), EncodeDate(2007, 1, 3));  // trimmed, then split
  EXPECT_EQ(DecodeDateColumn("20071301"), std::nullopt);
  EXPECT_EQ(DecodeDateColumn("20080229"), EncodeDate(2008, 2, 29));
  EXPECT_EQ(DecodeDateColumn("19000229"), std::nullopt);
  // Every few days across the whole range, leap days included.
  for (TDateTime v = EncodeDate(1, 1, 1); v <= EncodeDate(9999, 12, 31); v += 61) {
    EncodeDateColumn(Span(d), v);
    ASSERT_EQ(DecodeDateColumn(d), v) << d;
  }
}

TEST(DbfColumn, TimeStamps) {
  const std::uint32_t jan2007 = 2454102;  // Julian day of 01.01.2007
  std::string t = U32(jan2007) + U32(0);
  EXPECT_EQ(DecodeTimeStampColumn(t, false), EncodeDate(2007, 1, 1));
  std::string c = Column(8);
  const TDateTime noon = EncodeDateTime(2007, 1, 1, 12, 0, 0, 0);
  EncodeTimeStampColumn(Span(c), noon, false);
  EXPECT_EQ(c, U32(jan2007) + U32(12 * 3600 * 1000 - 1));
  EXPECT_EQ(DecodeTimeStampColumn(c, false), noon);
  EXPECT_EQ(DecodeTimeStampColumn(c, true), EncodeDate(2007, 1, 1));
  EncodeTimeStampColumn(Span(c), noon, true);
  EXPECT_EQ(c, U32(jan2007) + U32(0));
  // Two zero words: empty, read as date-time or as date.
  EXPECT_EQ(DecodeTimeStampColumn(Zeros(8), false), std::nullopt);
  EXPECT_EQ(DecodeTimeStampColumn(Zeros(8), true), std::nullopt);
  // Small day numbers are day counts, so days before 31.12.1899 come back
  // shifted: stored files rely on the rule.
  EXPECT_EQ(DecodeTimeStampColumn(U32(693594 + 1) + U32(0), false), 1.0);
  // Words no field can show read as null rather than failing.
  EXPECT_EQ(DecodeTimeStampColumn(U32(0) + U32(5), false), std::nullopt);
  EXPECT_EQ(DecodeTimeStampColumn(U32(jan2007) + U32(0xFFFFFFF0), false), std::nullopt);
}

TEST(DbfColumn, ClearedColumnsReadAsEmpty) {
  struct Case {
    char type;
    std::size_t length;
    char fill;
  };
  for (const Case c : {Case{'C', 5, ' '}, Case{'N', 7, ' '}, Case{'F', 7, ' '}, Case{'D', 8, ' '},
                       Case{'L', 1, ' '}, Case{'I', 4, '\0'}, Case{'B', 8, '\0'},
                       Case{'Y', 8, '\0'}, Case{'T', 8, '\0'}}) {
    std::string col = Column(c.length, '7');
    ClearColumn(Span(col), c.type);
    EXPECT_EQ(col, std::string(c.length, c.fill)) << c.type;
  }
  std::string d = "20070131";
  ClearColumn(Span(d), 'D');
  EXPECT_EQ(DecodeDateColumn(d), std::nullopt);
  std::string l = "T";
  ClearColumn(Span(l), 'L');
  EXPECT_EQ(DecodeLogical(l), std::nullopt);
  std::string t = U32(2454102) + U32(0);
  ClearColumn(Span(t), 'T');
  EXPECT_EQ(DecodeTimeStampColumn(t, false), std::nullopt);
}

namespace {

// Currency(DecodeNumericFloat(text)), or "overflow".
std::string CurrencyThroughDouble(const std::string& text) {
  try {
    return std::to_string(Currency(DecodeNumericFloat(text)).Scaled());
  } catch (const EIntOverflow&) {
    return "overflow";
  }
}

std::string CurrencyFromDigits(const std::string& text) {
  try {
    return std::to_string(DecodeNumericCurrency(text).Scaled());
  } catch (const EIntOverflow&) {
    return "overflow";
  }
}

}  // namespace

TEST(DbfColumn, CurrencyFromTheDigitsIsTheCurrencyOfTheDouble) {
  const std::string texts[] = {"",
                               "          ",
                               std::string(8, '\0'),
                               "0",
                               "-0",
                               "-0.00",
                               "+0",
                               "42",
                               "  11000.50",
                               "-1234.50000",
                               "0.00005",
                               "0.00015",
                               "0.00025",
                               "-0.00015",
                               "0.000251",
                               "1.00005",
                               "2.00005",
                               "0.99995",
                               "-0.99995",
                               "12345.6789",
                               "12345.67895",
                               "1.23456789012345",
                               "12345678901234.5",
                               "99999999999999.9",
                               "123456789012345",
                               "999999999999999.9",
                               "9223372036854775807",
                               "1e5",
                               "1E-3",
                               ".5",
                               "5.",
                               "-.5",
                               "+-5",
                               "-",
                               ".",
                               "1,5",
                               "4x2",
                               "1 000",
                               "nan",
                               "inf",
                               "  7\x01",
                               "0000000000000000001.25",
                               "0.000000000000000000001",
                               "1.10000000000000000000",
                               "100000000000000000000",
                               "-99999999999999.99999",
                               "1.2.3",
                               "1..",
                               "..5",
                               "\t5\t",
                               "5\xB9",
                               "12345678901234567890123",
                               "1234567890123456.1234567890123456",
                               "0.123456789012345",
                               "0.1234567890123456",
                               "18446744073709551617.5"};
  for (const std::string& text : texts)
    EXPECT_EQ(CurrencyFromDigits(text), CurrencyThroughDouble(text)) << '"' << text << '"';
  // Widths and places as columns hold them, blanks, signs and rounding
  // digits at random.
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::string text(random() % 4, ' ');
    if (random() % 3 == 0) text += "-+"[random() % 2];
    const int integer = static_cast<int>(random() % 17), places = static_cast<int>(random() % 9);
    for (int k = 0; k < integer; ++k) text += static_cast<char>('0' + random() % 10);
    if (places > 0 || random() % 4 == 0) text += '.';
    for (int k = 0; k < places; ++k)
      text += random() % 3 == 0 ? '5' : static_cast<char>('0' + random() % 10);
    text.append(random() % 3, ' ');
    EXPECT_EQ(CurrencyFromDigits(text), CurrencyThroughDouble(text)) << '"' << text << '"';
  }
}
