// Reading stored columns as text: every byte of either code page in
// string columns of every width, dates and numbers in every shape a file
// may hold them, each read checked against a model or against the value
// the field decodes.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/base/text.h"
#include "storage/dbf_table.h"

namespace {

struct TColumn {
  const char* Name;
  char Kind;  // C string, D date, F float, I integer, S smallint
  int Size;   // of a string
  const char* Origin;
  int Length;  // in the record
};

constexpr TColumn kColumns[] = {
    {"C1", 'C', 1, "", 1},       {"C7", 'C', 7, "", 7},     {"C8", 'C', 8, "", 8},
    {"C9", 'C', 9, "", 9},       {"C17", 'C', 17, "", 17},  {"C40", 'C', 40, "", 40},
    {"C254", 'C', 254, "", 254}, {"D", 'D', 0, "", 8},      {"F", 'F', 0, "20.6", 20},
    {"W", 'F', 0, "5.3", 5},     {"I", 'I', 0, "11.0", 11}, {"S", 'S', 0, "6.0", 6},
};

// What a string column reads as: its bytes without trailing blanks and
// control bytes, each converted by itself.
std::string StringModel(const std::string& column, TCodePage page) {
  std::size_t n = column.size();
  while (n > 0 && static_cast<unsigned char>(column[n - 1]) <= 0x20) --n;
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    char utf8[3];
    out.append(utf8, ToUtf8(std::string_view(&column[i], 1), page, utf8, sizeof utf8));
  }
  return out;
}

class DbfTextReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.DateSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
    name = dir.File("text.dbf");
  }

  TObjectPtr<TmDbfTable> MakeTable(bool ansi) {
    auto t = CreateUnique<TmDbfTable>();
    t->SetTableName(name);
    t->SetAnsiTable(ansi);
    for (const TColumn& c : kColumns) {
      TField* f = nullptr;
      switch (c.Kind) {
        case 'C':
          f = Create<TStringField>(t.get());
          f->SetSize(c.Size);
          break;
        case 'D':
          f = Create<TDateField>(t.get());
          break;
        case 'F':
          f = Create<TFloatField>(t.get());
          break;
        case 'I':
          f = Create<TIntegerField>(t.get());
          break;
        default:
          f = Create<TSmallintField>(t.get());
          break;
      }
      f->SetFieldName(c.Name);
      f->SetOrigin(c.Origin);
      f->SetDataSet(t.get());
    }
    return t;
  }

  // A file of `records` records whose columns hold exactly `bytes(record,
  // column)`, written over the file's bytes; the table open on it.
  template <class F>
  TObjectPtr<TmDbfTable> TableHolding(bool ansi, int records, F bytes) {
    {
      auto t = MakeTable(ansi);
      t->CreateTable();
      t->Open();
      for (int r = 0; r < records; ++r) {
        t->Append();
        t->Post();
      }
    }
    std::string file;
    {
      std::ifstream in(name, std::ios::binary);
      file.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t header = dbf::DecodeFixed16(file.data() + 8);
    const std::size_t length = dbf::DecodeFixed16(file.data() + 10);
    for (int r = 0; r < records; ++r) {
      std::size_t at = header + static_cast<std::size_t>(r) * length + 1;
      for (std::size_t c = 0; c < std::size(kColumns); ++c) {
        const std::string column = bytes(r, c);
        EXPECT_EQ(column.size(), static_cast<std::size_t>(kColumns[c].Length));
        file.replace(at, column.size(), column);
        at += static_cast<std::size_t>(kColumns[c].Length);
      }
    }
    std::ofstream(name, std::ios::binary | std::ios::trunc) << file;
    auto t = MakeTable(ansi);
    t->Open();
    return t;
  }

  TFileTestDir dir;
  std::string name;
};

std::string Padded(std::string text, int length, char pad = ' ') {
  text.resize(static_cast<std::size_t>(length), pad);
  return text;
}

std::string RightAligned(const std::string& text, int length) {
  return std::string(static_cast<std::size_t>(length) - text.size(), ' ') + text;
}

}  // namespace

// Every byte as the last, first and only byte of a column, inside text,
// among blanks, across the eight-byte steps of the readers, and random
// columns mixing blanks, control bytes, ASCII and the upper half.
TEST_F(DbfTextReadTest, StringColumnsReadAsTheirBytesInEveryCodePage) {
  std::mt19937 random(5);
  auto randomByte = [&] {
    switch (random() % 4) {
      case 0:
        return ' ';
      case 1:
        return static_cast<char>(random() % 0x20);
      case 2:
        return static_cast<char>(0x21 + random() % 0x5F);
      default:
        return static_cast<char>(0x80 + random() % 0x80);
    }
  };
  auto column = [&](int r, int width) {
    const char b = static_cast<char>(r % 256);
    switch (r / 256) {
      case 0:  // the byte last, after text
        return Padded(std::string(static_cast<std::size_t>(width - 1), 'x') + b, width);
      case 1:  // the byte first, blanks after
        return Padded(std::string(1, b), width);
      case 2:  // the byte inside, blanks around
        return Padded("  \xA0" + std::string(1, b) + "z", width).substr(0, width);
      case 3:  // the whole column of the byte
        return std::string(static_cast<std::size_t>(width), b);
      default: {
        // Text of every length, then blanks or control bytes.
        const int text = r % (width + 1);
        std::string s;
        for (int i = 0; i < width; ++i) s += i < text ? randomByte() : (random() % 3 ? ' ' : '\0');
        return s;
      }
    }
  };
  for (bool ansi : {false, true}) {
    const TCodePage page = ansi ? TCodePage::Win1251 : TCodePage::Oem866;
    constexpr int kRecords = 4 * 256 + 400;
    std::vector<std::vector<std::string>> stored(kRecords);
    auto t = TableHolding(ansi, kRecords, [&](int r, std::size_t c) {
      const TColumn& k = kColumns[c];
      std::string bytes;
      if (k.Kind == 'C') {
        bytes = column(r, k.Length);
      } else {
        bytes = std::string(static_cast<std::size_t>(k.Length), ' ');
      }
      stored[static_cast<std::size_t>(r)].push_back(bytes);
      return bytes;
    });
    int r = 0;
    for (t->First(); !t->Eof(); t->Next(), ++r) {
      for (std::size_t c = 0; c < std::size(kColumns); ++c) {
        if (kColumns[c].Kind != 'C') continue;
        const std::string& bytes = stored[static_cast<std::size_t>(r)][c];
        ASSERT_EQ(t->Fields()[static_cast<int>(c)]->AsString(), StringModel(bytes, page))
            << (ansi ? "ANSI " : "OEM ") << kColumns[c].Name << " record " << r;
      }
    }
    EXPECT_EQ(r, kRecords);
  }
}

// Dates blank, valid, impossible and oddly written, shown in plain and
// other formats: the text the field's value formats to.
TEST_F(DbfTextReadTest, DateColumnsReadAsTheirValueFormatted) {
  const std::vector<std::string> dates = {
      "20070131", "        ",           "00000000",    "20071301", "20070229",
      "20080229", "20070431",           "18991230",    "00010101", "99991231",
      "19000101", "18500704",           " 2007013",    "2007013 ", "2007-1-1",
      "  2007  ", std::string(8, '\0'), "2007013\x1A", "20070100", "20070132"};
  auto t = TableHolding(false, static_cast<int>(dates.size()), [&](int r, std::size_t c) {
    return kColumns[c].Name == std::string("D") ? dates[static_cast<std::size_t>(r)]
                                                : std::string(kColumns[c].Length, ' ');
  });
  TField* d = t->FieldByName("D");
  struct TFormat {
    const char* Format;
    char Separator;
  } formats[] = {{"dd.mm.yyyy", '.'},  {"dd/mm/yyyy", '-'}, {"dd-mm/yyyy", '.'},
                 {"dd/mm.yyyy", ','},  {"d/m/yy", '/'},     {"yyyy-mm-dd", '.'},
                 {"dd mmm yyyy", '.'}, {"mm.dd.yy", ','}};
  TFormatSettingsOverride keep;
  for (const TFormat& f : formats) {
    FormatSettings.ShortDateFormat = f.Format;
    FormatSettings.DateSeparator = f.Separator;
    std::size_t r = 0;
    for (t->First(); !t->Eof(); t->Next(), ++r) {
      const std::string expected =
          d->IsNull() ? std::string() : FormatDateTime(f.Format, d->AsDateTime());
      EXPECT_EQ(d->AsString(), expected) << f.Format << " " << dates[r];
      EXPECT_EQ(d->Text(), expected) << f.Format << " " << dates[r];
    }
  }
  // A display format as long as the short one, read in turn with it.
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  FormatSettings.DateSeparator = '.';
  auto* date = static_cast<TDateField*>(d);
  date->SetDisplayFormat("yyyy/mm/dd");
  std::size_t r = 0;
  for (t->First(); !t->Eof(); t->Next(), ++r) {
    const bool null = d->IsNull();
    const TDateTime value = d->AsDateTime();
    EXPECT_EQ(d->DisplayText(), null ? "" : FormatDateTime("yyyy/mm/dd", value)) << dates[r];
    EXPECT_EQ(d->AsString(), null ? "" : FormatDateTime("dd.mm.yyyy", value)) << dates[r];
  }
  date->SetDisplayFormat("");
  std::vector<std::string> shown;
  for (t->First(); !t->Eof(); t->Next()) shown.push_back(d->AsString());
  EXPECT_EQ(shown[0], "31.01.2007");
  EXPECT_EQ(shown[1], "");
  EXPECT_EQ(shown[3], "");  // month 13
  EXPECT_EQ(shown[5], "29.02.2008");
  EXPECT_EQ(shown[7], "30.12.1899");
  EXPECT_EQ(shown[9], "31.12.9999");
}

// Numbers as a file may hold them: the text is the value's own, made
// from the stored digits or through the number, with either separator.
TEST_F(DbfTextReadTest, NumberColumnsReadAsTheirValue) {
  const std::vector<std::string> floats = {"3.450",
                                           "  -0.000",
                                           "+1.5",
                                           "1.",
                                           ".5",
                                           "0.0001",
                                           "0.00001",
                                           "0.000100",
                                           "-0.5",
                                           "007.5",
                                           "-0",
                                           "1e5",
                                           "1.2.3",
                                           "-",
                                           "",
                                           "12 34",
                                           "100",
                                           "10.0",
                                           "-12.5",
                                           "123456789012345",
                                           "1234567890123456",
                                           "0.1234567890123",
                                           "99999999999999999999",
                                           "3.450\x1A",
                                           "\t2.5",
                                           "7",
                                           "-0.0",
                                           "0.000123456789012"};
  const std::vector<std::string> integers = {
      "42",     "-42",   "+42",   "0042",   "",           "-0",          "99999",      "-32769",
      "32767",  "1.5",   "abc",   " 4 2",   "2147483647", "-2147483648", "2147483648", "0",
      "-",      "1e3",   "+",     "000000", "-000000000", "9999",        "-9999",      "-1",
      "-32768", "10000", "65535", "65536",  "4x",         "12x4",        "1x34"};
  const std::size_t rows = std::max(floats.size(), integers.size());
  auto t = TableHolding(false, static_cast<int>(rows), [&](int r, std::size_t c) {
    const TColumn& k = kColumns[c];
    const auto at = static_cast<std::size_t>(r);
    const std::string name = k.Name;
    std::string text;
    if (name == "F" || name == "W") text = at < floats.size() ? floats[at] : "";
    if (name == "I" || name == "S") text = at < integers.size() ? integers[at] : "";
    if (text.size() > static_cast<std::size_t>(k.Length)) text.clear();
    return RightAligned(text, k.Length);
  });
  TFormatSettingsOverride keep;
  for (char separator : {'.', ','}) {
    FormatSettings.DecimalSeparator = separator;
    for (t->First(); !t->Eof(); t->Next()) {
      for (const char* name : {"F", "W"}) {
        TField* f = t->FieldByName(name);
        EXPECT_EQ(f->AsString(), FloatToStr(f->AsFloat())) << name << " " << t->RecNo();
      }
      for (const char* name : {"I", "S"}) {
        TField* f = t->FieldByName(name);
        const double value = f->AsFloat();
        EXPECT_EQ(f->AsString(), IntToStr(static_cast<std::int64_t>(value)))
            << name << " " << t->RecNo();
        EXPECT_EQ(f->AsInteger(), static_cast<int>(value)) << name << " " << t->RecNo();
      }
    }
  }
  FormatSettings.DecimalSeparator = ',';
  t->First();
  EXPECT_EQ(t->FieldByName("F")->AsString(), "3,45");
  EXPECT_EQ(t->FieldByName("I")->AsString(), "42");
  t->MoveBy(6);  // "99999": no smallint
  EXPECT_EQ(t->FieldByName("S")->AsString(), "0");
  EXPECT_EQ(t->FieldByName("S")->AsInteger(), 0);
  EXPECT_EQ(t->FieldByName("I")->AsInteger(), 99999);
  t->MoveBy(-5);
  EXPECT_EQ(t->FieldByName("S")->AsString(), "-42");
}

// An ordering by a calculated certificate key: FindKey lands on the
// record with the key, whose calculated key then reads as the key; a key
// nobody has is not found; a partial key finds the first it begins.
TEST_F(DbfTextReadTest, FindKeyLandsOnTheRecordWithItsCalculatedKey) {
  auto make = [&] {
    auto t = CreateUnique<TmDbfTable>();
    t->SetTableName(name);
    auto* series = Create<TStringField>(t.get());
    series->SetFieldName("SCERTIF");
    series->SetSize(1);
    series->SetDataSet(t.get());
    auto* number = Create<TIntegerField>(t.get());
    number->SetFieldName("NCERTIF");
    number->SetOrigin("7.0");
    number->SetDataSet(t.get());
    auto* key = Create<TStringField>(t.get());
    key->SetFieldName("cCERTIF");
    key->SetSize(10);
    key->SetFieldKind(fkCalculated);
    key->SetDataSet(t.get());
    t->OnCalcFields = [=](TDataSet*) {
      key->SetAsString(series->AsString() + " " + Format("%.7d", number->AsInteger()));
    };
    return t;
  };
  for (bool ansi : {false, true}) {
    auto t = make();
    t->SetAnsiTable(ansi);
    t->CreateTable();
    t->Open();
    t->BeginAppendBatch();
    for (int i = 2999; i >= 0; --i) {  // backwards: the ordering is not the file's
      t->Append();
      t->FieldByName("SCERTIF")->SetAsString(i % 3 ? "А" : "Б");
      t->FieldByName("NCERTIF")->SetAsInteger(i);
      t->Post();
    }
    t->EndAppendBatch();
    t->AddCursor(t->FieldByName("cCERTIF"));
    TField* key = t->FieldByName("cCERTIF");
    TField* number = t->FieldByName("NCERTIF");
    for (int n : {0, 1, 7, 1234, 2998, 2999}) {
      const std::string wanted = Format("%s %.7d", n % 3 ? "А" : "Б", n);
      ASSERT_TRUE(t->FindKey("cCERTIF", wanted, {})) << wanted;
      EXPECT_EQ(number->AsInteger(), n);
      EXPECT_EQ(key->AsString(), wanted);
      EXPECT_EQ(t->FieldByName("SCERTIF")->AsString() + " " + Format("%.7d", n), wanted);
    }
    const int before = number->AsInteger();
    EXPECT_FALSE(t->FindKey("cCERTIF", "А 0003000", {}));
    EXPECT_FALSE(t->FindKey("cCERTIF", "А 0000003", {}));  // a "Б" number
    EXPECT_EQ(number->AsInteger(), before) << "a failed search stays";
    ASSERT_TRUE(t->FindKey("cCERTIF", "А 00000011", {}));  // cut to the key's length
    EXPECT_EQ(key->AsString(), "А 0000001");
    ASSERT_TRUE(t->FindKey("cCERTIF", "А 000123", TFindOptions{foPartial}));
    EXPECT_EQ(key->AsString(), "А 0001231");
    ASSERT_TRUE(t->FindKey("cCERTIF", "б 0000003", TFindOptions{foCaseInsensitive}));
    EXPECT_EQ(key->AsString(), "Б 0000003");
    ASSERT_TRUE(t->FindKey("cCERTIF", "Б", TFindOptions{foPartial}));
    EXPECT_EQ(key->AsString(), "Б 0000000");
  }
}
