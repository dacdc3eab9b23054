#include "grid/filter_expression.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"
#include "platform/data/data_set.h"

namespace {

// One line per operand: "s:abc", "f:5", "d:<date text>", "null", or a
// bracketed list of those.
std::string OperandText(const Variant& v) {
  if (VarIsNull(v)) return "null";
  if (VarIsArray(v)) {
    std::string out = "[";
    for (int i = VarArrayLowBound(v); i <= VarArrayHighBound(v); ++i) {
      if (i > VarArrayLowBound(v)) out += "|";
      out += OperandText(VarArrayGet(v, i));
    }
    return out + "]";
  }
  if (v.VType() == varDouble) return "f:" + v.AsString();
  if (v.VType() == varDate) return "d:" + DateTimeToStr(v.AsDateTime());
  return "s:" + v.AsString();
}

std::string Describe(const TSTFilterExpressionEh& e) {
  std::string out = std::to_string(e.Operator1) + " " + OperandText(e.Operand1);
  if (e.Relation != 0 || e.Operator2 != 0)
    out += " R" + std::to_string(e.Relation) + " " + std::to_string(e.Operator2) + " " +
           OperandText(e.Operand2);
  return out;
}

std::string Parse(std::string_view text, TFilterValueTypeEh type) {
  TSTFilterExpressionEh e;
  e.ValueType = type;
  try {
    ParseFilterExpression(text, e);
  } catch (const Exception& ex) {
    return "error: " + ex.Message();
  }
  EXPECT_EQ(e.ValueType, type) << "the parser never changes the value type";
  return Describe(e);
}

class FilterExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.DateSeparator = '.';
    FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  }
  TFormatSettingsOverride FSaved;
};

struct Case {
  const char* Text;
  TFilterValueTypeEh Type;
  const char* Expected;
};

TEST_F(FilterExpressionTest, Table) {
  const Case cases[] = {
      {"", fvtStringEh, "0 null"},
      {"   ", fvtStringEh, "0 null"},
      {"abc", fvtStringEh, "7 s:abc"},
      {"5", fvtNumberEh, "1 f:5"},
      {"1,2,3", fvtStringEh, "9 [s:1|s:2|s:3]"},
      {"1,2", fvtNumberEh, "9 [f:1|f:2]"},
      {"= Null", fvtStringEh, "11 null"},
      {"<> null", fvtNumberEh, "12 null"},
      {"=Null", fvtNumberEh, "11 null"},
      {"> Null", fvtNumberEh, "error: Unexpected expression before Null: > Null"},
      {"Null", fvtStringEh, "error: Unexpected expression after operator: Null"},
      {"in (1,2)", fvtNumberEh, "9 [f:1|f:2]"},
      {"!In(1,2)", fvtStringEh, "10 [s:1|s:2]"},
      {"not in (a)", fvtStringEh, "10 s:a"},
      {"in 1,2", fvtNumberEh, "error: '(' expected: in 1,2"},
      {"in (1,2", fvtNumberEh, "error: ')' expected: in (1,2"},
      {"in (null)", fvtNumberEh, "error: Unexpected expression before Null: in (null)"},
      {"'it''s'", fvtStringEh, "error: Unexpected AND or OR: 'it''s'"},
      {"'abc", fvtStringEh, "error: Quote is absent: 'abc"},
      {"'a b'", fvtStringEh, "7 s:a b"},
      {"'a','b'", fvtStringEh, "9 [s:a|s:b]"},
      {"abc def", fvtStringEh, "7 s:abc def"},
      {"abc and def", fvtStringEh, "7 s:abc R13 7 s:def"},
      {"abc OR >x", fvtStringEh, "7 s:abc R14 3 s:x"},
      {">= 10 & <= 20", fvtNumberEh, "5 f:10 R13 6 f:20"},
      {">= 10 AND", fvtNumberEh, "5 f:10 R13 0 null"},
      {"> 1 AND < 2 xyz", fvtStringEh, "3 s:1 R13 4 s:2 xyz"},
      {"> 1 AND < 2 xyz", fvtNumberEh, "error: Could not convert"},
      {"(5", fvtNumberEh, "error: Error in expression: (5"},
      {"5 (x", fvtStringEh, "error: Incorrect expression: 5 (x"},
      {"5 (", fvtStringEh, "7 s:5 "},
      {"5 6", fvtStringEh, "7 s:5 6"},
      {"> 5 6", fvtNumberEh, "error: Could not convert"},  // prefix checked below
      {"!= 3", fvtNumberEh, "2 f:3"},
      {"~ab", fvtStringEh, "7 s:ab"},
      {"!~ab", fvtStringEh, "8 s:ab"},
      {"!>ab", fvtStringEh, "error: Error in expression: !>ab"},
      {"not like ab", fvtStringEh, "8 s:ab"},
      {"not null", fvtStringEh, "error: Unexpected expression after operator: not null"},
      {"<> x", fvtStringEh, "2 s:x"},
      {"5 x", fvtNumberEh, "error: Could not convert"},
      {"x y", fvtBooleanEh, "1 s:x y"},
      {"a, b", fvtStringEh, "9 [s:a|s: b]"},
      {"1,", fvtStringEh, "7 s:1"},
      {"  abc  ", fvtStringEh, "7 s:abc"},
      {"=", fvtStringEh, "error: Unexpected expression after operator: ="},
      {"and", fvtStringEh, "error: Unexpected expression after operator: and"},
      {"a and b or c", fvtStringEh, "7 s:a R13 7 s:b"},  // the rest is never read
      {"ЁЛКА", fvtStringEh, "7 s:ЁЛКА"},
      {"a x in b", fvtStringEh, "error: '(' expected: a x in b"},
  };
  for (const Case& c : cases) {
    std::string got = Parse(c.Text, c.Type);
    std::string expected = c.Expected;
    if (expected == "error: Could not convert")
      EXPECT_EQ(got.rfind("error: ", 0), 0u) << c.Text << " -> " << got;
    else
      EXPECT_EQ(got, expected) << c.Text;
  }
}

TEST_F(FilterExpressionTest, CommaDecimalSeparatorTurnsListsOffForNumbers) {
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(Parse("1,5", fvtNumberEh), "1 f:1,5");
  EXPECT_EQ(Parse("1,5", fvtStringEh), "9 [s:1|s:5]");
  // An IN list is read with lists on even so.
  EXPECT_EQ(Parse("in (1,5)", fvtNumberEh), "9 [f:1|f:5]");
}

TEST_F(FilterExpressionTest, DateOperandsFollowTheShortDateFormat) {
  TSTFilterExpressionEh e;
  e.ValueType = fvtDateTimeEh;
  ParseFilterExpression("> 01.02.2003", e);
  EXPECT_EQ(e.Operator1, fokGreaterThanEh);
  ASSERT_EQ(e.Operand1.VType(), varDate);
  EXPECT_DOUBLE_EQ(e.Operand1.AsDateTime(), EncodeDate(2003, 2, 1));
  EXPECT_THROW(ParseFilterExpression("> 01.0", e), EConvertError);
}

TEST_F(FilterExpressionTest, FailedParseKeepsWhatWasFilledAndTheValueType) {
  TSTFilterExpressionEh e;
  e.ValueType = fvtStringEh;
  EXPECT_THROW(ParseFilterExpression("abc def ghi 'x", e), Exception);
  EXPECT_THROW(ParseFilterExpression("a and b c 'x", e), Exception);
  EXPECT_EQ(e.Operator1, fokLikeEh);
  EXPECT_EQ(e.Relation, fokAndEh);
  EXPECT_EQ(e.ValueType, fvtStringEh);
}

TEST_F(FilterExpressionTest, LongTextsStayLinearEnough) {
  // Each space looks ahead for an operator; that must not multiply.
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "a ";
  text += "b";
  EXPECT_EQ(Parse(text, fvtStringEh).substr(0, 6), "7 s:a ");
  EXPECT_EQ(Parse(std::string(5000, '!') + "null", fvtStringEh).rfind("error: ", 0), 0u);
}

TEST_F(FilterExpressionTest, TablesOfOperatorsAndFieldTypes) {
  std::string all;
  for (int code = 0; code <= 16; ++code) all += std::string(FilterOperatorText(code)) + "/";
  EXPECT_EQ(all, "/=/<>/>/</>=/<=/~/!~/In/!In/Null/Null/AND/OR///");
  EXPECT_EQ(FilterValueTypeOfField(ftFixedChar), fvtStringEh);
  EXPECT_EQ(FilterValueTypeOfField(ftFMTBcd), fvtNumberEh);
  EXPECT_EQ(FilterValueTypeOfField(ftTimeStamp), fvtDateTimeEh);
  EXPECT_EQ(FilterValueTypeOfField(ftBoolean), fvtBooleanEh);
  EXPECT_EQ(FilterValueTypeOfField(ftBlob), fvtNoneEh);
}

struct TNamedFeatures : TDatasetFeaturesEh {
  explicit TNamedFeatures(const TClassInfo& cls) : TDatasetFeaturesEh(cls) {}
};

TEST_F(FilterExpressionTest, FeaturesLookupTakesTheNearestAncestor) {
  static constexpr TClassInfo kBase{"TBase", &TDataSet::kClassInfo};
  static constexpr TClassInfo kChild{"TChild", &kBase};
  static constexpr TClassInfo kOther{"tbase", nullptr};  // same name, other case
  EXPECT_EQ(GetDatasetFeaturesClassForDataSetClass(kChild), nullptr);
  ASSERT_TRUE(RegisterDatasetFeaturesClass(std::make_unique<TNamedFeatures>(TDataSet::kClassInfo)));
  ASSERT_TRUE(RegisterDatasetFeaturesClass(std::make_unique<TNamedFeatures>(kBase)));
  EXPECT_FALSE(RegisterDatasetFeaturesClass(std::make_unique<TNamedFeatures>(kOther)));
  TDatasetFeaturesEh* found = GetDatasetFeaturesClassForDataSetClass(kChild);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->DataSetClass().Name, "TBase");
  EXPECT_EQ(GetDatasetFeaturesClassForDataSetClass(TDataSet::kClassInfo)->DataSetClass().Name,
            "TDataSet");
  EXPECT_EQ(GetDatasetFeaturesClassForDataSetClass(TObject::kClassInfo), nullptr);
  UnregisterAllDatasetFeatures();
  EXPECT_EQ(GetDatasetFeaturesClassForDataSetClass(kChild), nullptr);
  EXPECT_EQ(GetDatasetFeaturesClassForDataSet(nullptr), nullptr);
}

}  // namespace
