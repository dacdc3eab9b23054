// Field ranges and texts, calculated and lookup fields, searches and
// bookmark order.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "data_set_fixture.h"
#include "platform/base/date_time.h"
#include "platform/data/fields.h"

namespace {

class FieldTest : public DataSetTest {};

// A text that does not read names the field by its label, in Russian.
TEST_F(FieldTest, TextsThatDoNotReadNameTheField) {
  ds->Columns = {{"S", ftSmallint}, {"F", ftFloat}, {"D", ftDate}, {"T", ftDateTime}};
  ds->Open();
  ds->Append();
  ds->FieldByName("D")->SetDisplayLabel("Дата родов");
  struct {
    const char *field, *text, *error;
  } cases[] = {
      {"S", "12x", "Значение '12x' поля 'S' не является целым числом"},
      {"F", "1.2.3", "Значение '1.2.3' поля 'F' не является числом"},
      {"D", "31.02.2007", "Значение '31.02.2007' поля 'Дата родов' не является датой"},
      {"T", "x", "Значение 'x' поля 'T' не является датой и временем"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    try {
      ds->FieldByName(c.field)->SetAsString(c.text);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.error);
    }
    EXPECT_TRUE(ds->FieldByName(c.field)->IsNull());
  }
}

// Each kind's range, and MinValue/MaxValue when set, with the exact texts.
TEST_F(FieldTest, RangeChecks) {
  ds->Columns = {{"S", ftSmallint}, {"W", ftWord},  {"I", ftInteger},
                 {"L", ftLargeint}, {"F", ftFloat}, {"C", ftCurrency}};
  ds->Open();
  ds->Append();
  static_cast<TFloatField*>(ds->FieldByName("C"))->SetMinValue(0.5);
  static_cast<TFloatField*>(ds->FieldByName("C"))->SetMaxValue(2.5);
  struct Case {
    const char *field, *text, *error;
  };
  const Case cases[] = {
      {"S", "32767", nullptr},
      {"S", "-32768", nullptr},
      {"S", "32768",
       "Значение 32768 недопустимо для поля 'S'. Допустимы значения от -32768 до 32767"},
      {"W", "65535", nullptr},
      {"W", "-1", "Значение -1 недопустимо для поля 'W'. Допустимы значения от 0 до 65535"},
      {"I", "2147483648",
       "Значение 2147483648 недопустимо для поля 'I'. Допустимы значения от -2147483648 "
       "до 2147483647"},
      {"L", "-9223372036854775808", nullptr},
      {"C", "2.5", nullptr},
      {"C", "2.51", "Значение 2.51 недопустимо для поля 'C'. Допустимы значения от 0.5 до 2.5"},
      {"C", "0", "Значение 0 недопустимо для поля 'C'. Допустимы значения от 0.5 до 2.5"},
      {"F", "-1000000", nullptr},  // no limits set: any value
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " := " + c.text);
    TField* field = ds->FieldByName(c.field);
    field->Clear();
    if (c.error == nullptr) {
      field->SetAsString(c.text);
      EXPECT_EQ(field->AsString(), c.text);
      continue;
    }
    try {
      field->SetAsString(c.text);
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), c.error);
    }
    EXPECT_TRUE(field->IsNull());  // nothing stored
  }
  auto* i = static_cast<TIntegerField*>(ds->FieldByName("I"));
  i->SetMinValue(10);
  i->SetMaxValue(20);
  EXPECT_THROW(i->SetAsInteger(9), EDatabaseError);
  EXPECT_THROW(i->SetAsFloat(20.6), EDatabaseError);  // rounds to 21
  i->SetAsFloat(19.6);
  EXPECT_EQ(i->AsInteger(), 20);
  EXPECT_THROW(ds->FieldByName("L")->SetAsString("9223372036854775808"), EConvertError);
  EXPECT_THROW(ds->FieldByName("S")->SetValue(Variant(40000)), EDatabaseError);
}

// NaN and the infinities are out of a float field's range, with limits or
// without.
TEST_F(FieldTest, NonFiniteNumbersAreOutOfRange) {
  ds->Columns = {{"F", ftFloat}, {"C", ftCurrency}};
  ds->Open();
  ds->Append();
  auto* limited = static_cast<TFloatField*>(ds->FieldByName("C"));
  limited->SetMinValue(0.5);
  limited->SetMaxValue(2.5);
  EXPECT_THROW(limited->SetAsFloat(std::numeric_limits<double>::quiet_NaN()), EDatabaseError);
  try {
    ds->FieldByName("F")->SetValue(Variant(-std::numeric_limits<double>::infinity()));
    ADD_FAILURE() << "taken";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(),
              "Значение -INF недопустимо для поля 'F'. Допустимы значения от "
              "-1.79769313486232E308 до 1.79769313486232E308");
  }
  EXPECT_TRUE(limited->IsNull() && ds->FieldByName("F")->IsNull());
}

TEST_F(FieldTest, TextEventsReplaceTheConversions) {
  Fill(1);
  auto* price = static_cast<TFloatField*>(ds->FieldByName("PRICE"));
  price->SetDisplayFormat("0.00");
  price->SetEditFormat("0.0##");
  std::vector<std::string> asked;
  price->OnGetText = [&](TField* f, std::string& text, bool display) {
    asked.push_back(display ? "display" : "edit");
    text = f->IsNull() ? "none" : f->AsString() + "!";
  };
  // A text the float conversion would refuse reaches the handler as is.
  price->OnSetText = [](TField* f, const std::string& text) {
    f->SetAsFloat(text == "half" ? 0.5 : 0);
  };
  EXPECT_EQ(price->DisplayText(), "none");
  ds->Edit();
  price->SetText("half");
  EXPECT_EQ(price->AsFloat(), 0.5);
  EXPECT_EQ(price->DisplayText(), "0.5!");
  EXPECT_EQ(price->Text(), "0.5!");
  EXPECT_EQ(Join(asked), "display display edit");
  price->OnGetText = nullptr;
  price->OnSetText = nullptr;
  EXPECT_EQ(price->DisplayText(), "0.50");
  EXPECT_EQ(price->Text(), "0.5");
  price->SetText("");  // empty text clears
  EXPECT_TRUE(price->IsNull());
  EXPECT_EQ(price->DisplayText(), "");
}

TEST_F(FieldTest, CalculatedStringFieldsUseTheStorageEncoding) {
  ds->UpperStorage = true;
  auto* name = Create<TStringField>(ds.get());
  name->SetFieldName("NAME");
  name->SetSize(10);
  name->SetDataSet(ds.get());
  auto* key = Create<TStringField>(ds.get());
  key->SetFieldName("KEY");
  key->SetFieldKind(fkCalculated);
  key->SetSize(12);
  key->SetDataSet(ds.get());
  int calcs = 0;
  ds->OnCalcFields = [&](TDataSet*) {
    ++calcs;
    key->SetAsString("k-" + name->AsString());
  };
  ds->Columns = {{"NAME", ftString, 10}};
  ds->Open();
  EXPECT_EQ(calcs, 0);  // nothing to read
  ds->Append();
  name->SetAsString("ab");
  EXPECT_EQ(key->AsString(), "k-ab");
  char raw[64] = {};
  ASSERT_TRUE(key->GetData(raw));
  EXPECT_STREQ(raw, "K-AB");  // as the storage keeps text
  ds->Post();
  EXPECT_EQ(key->AsString(), "k-ab");
  EXPECT_FALSE(key->CanModify());
  EXPECT_THROW(key->SetAsString("x"), EDatabaseError);  // browse
  ds->Close();
  calcs = 0;
  ds->Open();
  EXPECT_EQ(calcs, 1);  // the record read at opening
  EXPECT_EQ(key->AsString(), "k-ab");
}

// A value worked out for a calculated field that its range does not take
// leaves the field empty while the record is read; a data field given one
// still refuses it.
TEST_F(FieldTest, CalculatedValuesOutOfRangeAreLeftEmpty) {
  auto* days = Create<TSmallintField>(ds.get());
  days->SetFieldName("DAYS");
  days->SetDataSet(ds.get());
  auto* weeks = Create<TSmallintField>(ds.get());
  weeks->SetFieldName("WEEKS");
  weeks->SetFieldKind(fkCalculated);
  weeks->SetDataSet(ds.get());
  auto* years = Create<TFloatField>(ds.get());
  years->SetFieldName("YEARS");
  years->SetFieldKind(fkCalculated);
  years->SetMaxValue(1);
  years->SetDataSet(ds.get());
  ds->OnCalcFields = [&](TDataSet*) {
    const int d = days->AsInteger();
    if (d == 0) {
      weeks->SetAsFloat(1.0 / d);  // not a number at all
    } else {
      weeks->SetAsInteger(d * 7);
    }
    years->SetAsFloat(d / 365.0);
  };
  ds->Columns = {{"DAYS", ftSmallint}};
  ds->Open();
  for (const int d : {300, 30000, 0}) {
    ds->Append();
    days->SetAsInteger(d);
    ds->Post();
  }
  ds->First();
  EXPECT_EQ(weeks->AsInteger(), 2100);
  EXPECT_NEAR(years->AsFloat(), 0.82, 0.01);
  ds->Next();
  EXPECT_TRUE(weeks->IsNull());
  EXPECT_TRUE(years->IsNull());
  ds->Next();
  EXPECT_TRUE(weeks->IsNull());
  EXPECT_EQ(years->AsFloat(), 0.0);
  ds->Edit();
  EXPECT_THROW(days->SetAsInteger(40000), EDatabaseError);
  EXPECT_EQ(days->AsInteger(), 0);
}

TEST_F(FieldTest, LookupFieldsFollowTheirKeys) {
  auto names = CreateUnique<TArrayDataSet>();
  names->Columns = {{"CODE", ftInteger}, {"TITLE", ftString, 20}};
  names->Open();
  names->Append();
  names->FieldByName("CODE")->SetAsInteger(1);
  names->FieldByName("TITLE")->SetAsString("one");
  names->Post();
  auto* id = Create<TIntegerField>(ds.get());
  id->SetFieldName("ID");
  id->SetDataSet(ds.get());
  auto* title = Create<TStringField>(ds.get());
  title->SetFieldName("TITLE");
  title->SetFieldKind(fkLookup);
  title->SetLookupDataSet(names.get());
  title->SetKeyFields("ID");
  title->SetLookupKeyFields("CODE");
  title->SetLookupResultField("TITLE");
  title->SetDataSet(ds.get());
  ds->Open();
  ds->Append();
  EXPECT_TRUE(title->IsNull());  // no key
  id->SetAsInteger(1);
  EXPECT_EQ(title->AsString(), "one");
  EXPECT_TRUE(title->CanModify());  // through its key field
  ds->Post();
  names->Close();  // a closed lookup dataset gives no value
  ds->Refresh();
  EXPECT_TRUE(title->IsNull());
  names->Open();
  ds->Refresh();
  EXPECT_EQ(title->AsString(), "one");
  names.reset();  // the field forgets the dataset that went
  EXPECT_EQ(title->LookupDataSet(), nullptr);
  ds->Refresh();
  EXPECT_TRUE(title->IsNull());
}

TEST_F(FieldTest, LocateAndLookupByKind) {
  Fill(4);
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Жёлтый");
  ds->FieldByName("PRICE")->SetAsFloat(2.5);
  ds->FieldByName("BORN")->SetAsString("01.02.2003");
  ds->Next();  // posts
  struct Case {
    const char* fields;
    Variant values;
    TLocateOptions options;
    int id;  // 0: not found
  };
  const Case cases[] = {
      {"NAME", "ЖЁЛТЫЙ", {loCaseInsensitive}, 1},
      {"NAME", "жёл", {loCaseInsensitive, loPartialKey}, 1},
      {"NAME", "жёл", {loPartialKey}, 0},
      {"NAME", "n", {}, 0},
      {"PRICE", 2.5, {}, 1},
      {"PRICE", "2.5", {}, 1},
      {"BORN", VarFromDateTime(EncodeDate(2003, 2, 1)), {}, 1},
      {"PRICE", Variant::Null(), {}, 2},  // a null key finds a null field
      {"ID;NAME", VarArrayOf({4, "n4"}), {}, 4},
      {"ID;NAME", VarArrayOf({4, "n3"}), {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fields);
    ds->SetRecNo(3);
    EXPECT_EQ(ds->Locate(c.fields, c.values, c.options), c.id != 0);
    EXPECT_EQ(Id(), c.id != 0 ? c.id : 3);
  }
  ds->SetRecNo(3);
  Variant row = ds->Lookup("PRICE", 2.5, "ID;NAME");
  ASSERT_TRUE(VarIsArray(row));
  EXPECT_EQ(VarArrayGet(row, 0).AsInteger(), 1);
  EXPECT_EQ(VarArrayGet(row, 1).AsString(), "Жёлтый");
  EXPECT_EQ(Id(), 3);  // Lookup never moves
  EXPECT_THROW(ds->Locate("NOPE", 1, {}), EDatabaseError);
  EXPECT_EQ(Id(), 3);
}

TEST_F(FieldTest, BookmarksFollowRowOrder) {
  Fill(6);
  std::vector<TBookmark> marks;
  for (ds->First(); !ds->Eof(); ds->Next()) marks.push_back(ds->Bookmark());
  for (std::size_t i = 0; i < marks.size(); ++i) {
    EXPECT_TRUE(ds->BookmarkValid(marks[i]));
    EXPECT_EQ(ds->CompareBookmarks(TBookmark(), marks[i]), -1);
    for (std::size_t j = 0; j < marks.size(); ++j) {
      int expected = i < j ? -1 : (i > j ? 1 : 0);
      EXPECT_EQ(ds->CompareBookmarks(marks[i], marks[j]), expected) << i << " " << j;
    }
  }
  ds->GotoBookmark(marks[3]);
  EXPECT_EQ(Id(), 4);
  ds->GotoBookmark(TBookmark());  // none: stays
  EXPECT_EQ(Id(), 4);
  ds->Edit();
  EXPECT_EQ(ds->Bookmark(), marks[3]);  // editing keeps the record's bookmark
  ds->Cancel();
}

}  // namespace

TEST(FieldDateText, PlainFormatsWriteWhatTheGeneralFormatterWrites) {
  TFormatSettingsOverride keep;
  const char* formats[] = {"dd.mm.yyyy",
                           "d/m/yy",
                           "yyyy-mm-dd",
                           "DD.MM.YYYY",
                           "yyyyy",
                           "m",
                           "",
                           "dd mmm yyyy",
                           "ddddd",
                           "dddd",
                           "dd.mm.yyyy hh:nn",
                           "'г.' yyyy",
                           "\"d\"dd",
                           "c",
                           "dd.mm.yyyy г.",
                           "yy/mm/dd ампм"};
  const int dates[][3] = {{1, 1, 1},      {99, 12, 31},  {100, 2, 28},  {999, 7, 4},
                          {1899, 12, 30}, {2007, 1, 31}, {2024, 2, 29}, {9999, 12, 31}};
  for (char separator : {'.', '/', '-'}) {
    FormatSettings.DateSeparator = separator;
    for (const char* format : formats) {
      for (const auto& d : dates) {
        std::string text = "kept";
        if (FormatPlainDate(format, d[0], d[1], d[2], separator, text))
          EXPECT_EQ(text, FormatDateTime(format, EncodeDate(d[0], d[1], d[2]))) << format;
        else
          EXPECT_EQ(text, "kept") << format;
      }
    }
  }
  std::string text;
  EXPECT_TRUE(FormatPlainDate("dd.mm.yyyy", 2007, 1, 31, '.', text));
  EXPECT_FALSE(FormatPlainDate("dd mmm yyyy", 2007, 1, 31, '.', text));
  EXPECT_TRUE(FormatPlainDate("dd.mm.yyyy", 2007, 1, 31, '.', text)) << "after another format";
  EXPECT_EQ(text, "31.01.2007");
}
