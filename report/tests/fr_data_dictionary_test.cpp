#include <gtest/gtest.h>

#include <string>

#include "platform/base/stream.h"
#include "report/fr_data_dictionary.h"
#include "report/fr_engine.h"
#include "report/fr_stream.h"
#include "report_fixture.h"

namespace {

class FrDictionary : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateUnique<TComponent>();
    table = MakeTable(owner.get(), 3);
    report = Create<TTestReport>(owner.get());
  }
  TObjectPtr<TComponent> owner;
  TArrayDataSet* table = nullptr;
  TTestReport* report = nullptr;
};

TEST_F(FrDictionary, FieldReferencesAndExpressions) {
  TfrCurrentReport current(report);
  TfrDataDictionary& d = report->Dictionary();
  d.Variables.Add(" Totals=");
  d.Variables.Add("Name=Table1.\"NAME\"");
  d.Variables.Add("Counter=[Step] + 1");
  d.Variables.Add("Step=");
  EXPECT_FALSE(d.IsVariable(" Totals"));
  EXPECT_TRUE(d.IsVariable("counter"));
  EXPECT_FALSE(d.IsVariable("Other"));

  table->Close();
  Variant v;
  d.GetValue("Name", v);
  EXPECT_TRUE(table->Active());  // opened for the read
  EXPECT_EQ(VarToStr(v), "n1");
  table->Next();
  d.GetValue("NAME", v);
  EXPECT_EQ(VarToStr(v), "n2");

  // Evaluated on every use; the report's own variable of the same name wins.
  report->Variables().SetVariable("Step", Variant(1));
  d.GetValue("Counter", v);
  EXPECT_EQ(VarToStr(v), "2");
  report->Variables().SetVariable("Step", Variant(10));
  d.GetValue("Counter", v);
  EXPECT_EQ(VarToStr(v), "11");
  report->Variables().SetVariable("Counter", Variant("own"));
  d.GetValue("Counter", v);
  EXPECT_EQ(VarToStr(v), "own");
}

TEST_F(FrDictionary, SelfReferenceIsAnError) {
  TfrCurrentReport current(report);
  TfrDataDictionary& d = report->Dictionary();
  d.Variables.Add(" Cat=");
  d.Variables.Add("Self=[Self] + 1");
  d.Variables.Add("A=B");
  d.Variables.Add("B=A * 2");
  for (const char* name : {"Self", "A"}) {
    Variant v;
    try {
      d.GetValue(name, v);
      FAIL() << name;
    } catch (const EParserError& e) {
      EXPECT_NE(e.Message().find("Undefined symbol \""), std::string::npos);
    }
  }
  // The guard is released after the failure.
  d.Variables.SetValues("Self", "5");
  Variant v;
  d.GetValue("Self", v);
  EXPECT_EQ(VarToStr(v), "5");
}

TEST_F(FrDictionary, BlockBytesAndFixUps) {
  TfrCurrentReport current(report);
  TfrDataDictionary& d = report->Dictionary();
  d.Variables.Add("Plain=1");  // no heading first: the writer adds one
  d.FieldAliases.Add("Alias=Table1.ID");
  TStringStream s;
  d.SaveToStream(s);
  EXPECT_EQ(s.DataString().substr(0, 2), Bytes({0xFE, 0xFF}));
  s.SetPosition(0);
  TfrDataDictionary back;
  back.LoadFromStream(s);
  EXPECT_EQ(back.Variables.Text(), " =\r\nPlain=1\r\n");
  EXPECT_EQ(back.FieldAliases.Text(), "Alias=Table1.ID\r\n");
  TStringStream again;
  back.SaveToStream(again);
  EXPECT_EQ(again.DataString(), s.DataString());

  // Headings marked the other way round are inverted; with FFFF stale field
  // aliases and empty data-source aliases go.
  TStringStream old;
  WriteU16(old, 0xFFFF);
  WriteI32(old, 2);
  for (const char* text : {"Cat", "", " Var", "1"}) WriteString(old, text);
  WriteI32(old, 2);
  for (const char* text : {"Good", "Table1.NAME", "Stale", "Table1.NOPE"}) WriteString(old, text);
  WriteI32(old, 2);
  for (const char* text : {"Band1", "Table1", "Band2", ""}) WriteString(old, text);
  old.SetPosition(0);
  back.LoadFromStream(old);
  EXPECT_EQ(back.Variables.Text(), " Cat=\r\nVar=1\r\n");
  EXPECT_EQ(back.FieldAliases.Text(), "Good=Table1.NAME\r\n");
  EXPECT_EQ(back.BandDataSources.Text(), "Band1=Table1\r\n");

  const std::string damaged[] = {
      Bytes({0x01, 0x00}),                          // older layout
      Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),  // huge count
      Bytes({0xFE, 0xFF, 1, 0, 0, 0, 3, 0, 'a'}),   // cut short
      Bytes({0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),  // negative count
  };
  for (const std::string& bytes : damaged) {
    TStringStream in(bytes);
    EXPECT_THROW(back.LoadFromStream(in), EReadError);
  }
}

}  // namespace
