#include <gtest/gtest.h>

#include <string>

#include "platform/base/date_time.h"
#include "platform/base/format_settings.h"
#include "platform/base/stream.h"
#include "report/fr_engine.h"
#include "report/fr_format.h"
#include "report/fr_memo_view.h"
#include "report/fr_stream.h"
#include "report_fixture.h"

namespace {

class FrMemo : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = CreateUnique<TComponent>();
    report = Create<TTestReport>(owner.get());
    report->Texts = {{"SUM", "12,5"}, {"[A]", "inner"}, {"A", "a"}, {"BR", "x\r\ny"}, {"E", ""}};
    memo = CreateUnique<TfrMemoView>();
  }
  // Prints the memo into a prepared-page stream and returns its evaluated
  // lines as read back.
  std::string Printed() {
    TStringStream s;
    memo->Print(s);
    if (s.Size() == 0) return "<nothing>";
    s.SetPosition(0);
    EXPECT_EQ(ReadU8(s), gtMemo);
    auto back = CreateUnique<TfrMemoView>();
    back->StreamMode = 1;
    back->LoadFromStream(s);
    return back->Memo1.Text();
  }
  TObjectPtr<TComponent> owner;
  TTestReport* report = nullptr;
  TObjectPtr<TfrMemoView> memo;
};

TEST_F(FrMemo, Expansion) {
  TfrCurrentReport current(report);
  const struct {
    const char* memo;
    std::uint16_t flags;
    const char* result;
  } cases[] = {
      {"Total: [SUM] pcs", 0, "Total: 12,5 pcs\r\n"},
      {"[[A]]", 0, "inner\r\n"},
      {"[A][A]", 0, "aa\r\n"},
      {"[A]", flTextOnly, "[A]\r\n"},
      {"<[BR]>", 0, "<x\r\ny>\r\n"},
      {"one\r\n\r\ntwo", 0, "one\r\n\r\ntwo\r\n"},
      {"[E]\r\nz", 0, "z\r\n"},     // a line that expands to nothing is dropped
      {"a [A b", 0, "a [A b\r\n"},  // no ']': literal, and no endless loop
      {"['x]'] [A]", 0, "'x]' a\r\n"},
  };
  report->Texts["'x]'"] = "'x]'";
  for (const auto& c : cases) {
    memo->Memo.SetText(c.memo);
    memo->Flags = flStretched | c.flags;
    EXPECT_EQ(Printed(), c.result) << c.memo;
  }
}

TEST_F(FrMemo, BeforePrintChangesAreNotExpanded) {
  TfrCurrentReport current(report);
  memo->Memo.SetText("[A]");
  report->OnBeforePrint = [](TfrView*, TStrings& lines) { lines.SetText("[B] by hand"); };
  EXPECT_EQ(Printed(), "[B] by hand\r\n");
  report->OnBeforePrint = [](TfrView* v, TStrings&) { v->Visible = false; };
  EXPECT_EQ(Printed(), "<nothing>");
}

TEST_F(FrMemo, HighlightAndSuppress) {
  TfrCurrentReport current(report);
  report->Variables().SetVariable("V", Variant(5));
  memo->Memo.SetText("t");
  memo->SetHighlightCondition("V > 2*-3");
  EXPECT_EQ(memo->HighlightStr, frEngine().Parser.ToPostfix("V > 2*-3"));
  memo->Highlight.FillColor = clRed;
  TStringStream s;
  memo->Print(s);
  s.SetPosition(1);
  auto back = CreateUnique<TfrMemoView>();
  back->StreamMode = 1;
  back->LoadFromStream(s);
  EXPECT_EQ(back->FillColor, clRed);
  EXPECT_TRUE(back->Font.Style().Contains(fsBold));
  EXPECT_EQ(memo->FillColor, clNone);  // for that output only

  memo->Flags |= flSuppress;
  EXPECT_EQ(Printed(), "t\r\n");
  EXPECT_EQ(Printed(), "<nothing>");
  memo->Memo.SetText("u");
  EXPECT_EQ(Printed(), "u\r\n");
}

TEST_F(FrMemo, TagAndBandAlignApplyToTheOutputOnly) {
  TfrCurrentReport current(report);
  memo->Memo.SetText("m");
  memo->Tag = "id [A]";
  memo->y = 5, memo->dy = 10;
  memo->BandAlign = baBottom;
  const TfrBandPlace band{0, 100, 500, 40, false};
  frEngine().CurBand = &band;
  TStringStream s;
  memo->Print(s);
  frEngine().CurBand = nullptr;
  s.SetPosition(1);
  auto back = CreateUnique<TfrMemoView>();
  back->StreamMode = 1;
  back->LoadFromStream(s);
  EXPECT_EQ(back->Tag, "id a");
  EXPECT_EQ(back->y, 130);
  EXPECT_EQ(memo->Tag, "id [A]");
  EXPECT_EQ(memo->y, 5);
}

TEST_F(FrMemo, Heights) {
  memo->Font.SetSize(9);  // 12 pixels
  memo->FrameWidth = 2;
  memo->GapY = 1;
  EXPECT_EQ(memo->LineHeight(), 14);
  EXPECT_EQ(memo->MinHeight(), 4 + 2 + 14);
  const struct { int dy, remain; } cases[] = {{0, 6}, {19, 6}, {20, 20}, {47, 34}, {48, 48}};
  for (const auto& c : cases) {
    memo->dy = c.dy;
    EXPECT_EQ(memo->RemainHeight(), c.remain) << c.dy;
  }
  TfrCurrentReport current(report);
  memo->Memo.SetText("[BR]\r\nz");
  EXPECT_EQ(memo->CalcHeight(), 2 + 3 * 14);
}

TEST(FrFormat, ValuesByCode) {
  TFormatSettingsOverride keep;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = ' ';
  const TDateTime day = EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
  const struct {
    Variant value;
    std::int32_t code;
    const char* custom;
    const char* text;
  } cases[] = {
      {Variant(1234.5), MakeFormat(fcText, 0, 0, ','), "", "1234,5"},
      {Variant(1234.5), MakeFormat(fcNumber, 0, 2, ','), "", "1234,5"},
      {Variant(1234.5), MakeFormat(fcNumber, 1, 2, '.'), "", "1234.50"},
      {Variant(1234.567), MakeFormat(fcNumber, 2, 2, ','), "", "1 234,57"},
      {Variant(1234.5), MakeFormat(fcNumber, 3, 2, ','), "", "1 234,50"},
      {Variant(2.5), MakeFormat(fcNumber, 4, 0, ','), "0.00", "2,50"},
      {Variant("12,5"), MakeFormat(fcNumber, 1, 1, ','), "", "12,5"},
      {VarFromDateTime(day), MakeFormat(fcDate, 0, 0, ','), "", "03.05.24"},
      {VarFromDateTime(day), MakeFormat(fcDate, 1, 0, ','), "", "03.05.2024"},
      {VarFromDateTime(day), MakeFormat(fcDate, 3, 0, ','), "", "5 Март 2024 г."},
      {VarFromDateTime(day), MakeFormat(fcDate, 4, 0, ','), "yyyy", "2024"},
      {VarFromDateTime(day), MakeFormat(fcTime, 2, 0, ','), "", "14:07"},
      {Variant(0), MakeFormat(fcBoolean, 1, 0, ','), "", "No"},
      {Variant(1), MakeFormat(fcBoolean, 3, 0, ','), "", "True"},
      {Variant(true), MakeFormat(fcBoolean, 4, 0, ','), "нет;да", "да"},
      {Variant("abc"), MakeFormat(fcNumber, 1, 2, ','), "", "abc"},  // not a number
      {Variant("  "), MakeFormat(fcNumber, 1, 2, ','), "", ""},
      // Text under no format keeps its blanks; only blank text is dropped.
      {Variant(" Иванова\t"), MakeFormat(fcText, 0, 0, ','), "", " Иванова\t"},
      {Variant("\t\r\n\x01 "), MakeFormat(fcText, 0, 0, ','), "", ""},
      {Variant(""), MakeFormat(fcText, 0, 0, ','), "", ""},
      {Variant(" 7"), 0x05000000, "", " 7"},
      {Variant(" 7"), MakeFormat(fcNumber, 1, 1, ','), "", "7,0"},
      {Variant(), MakeFormat(fcNumber, 1, 2, ','), "", ""},
      {Variant::Null(), MakeFormat(fcText, 0, 0, ','), "", ""},
      // Bits 28-31 are not the category.
      {Variant(1.5), MakeFormat(fcNumber, 1, 1, ',') | 0x70000000, "", "1,5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatValue(c.value, c.code, c.custom), c.text) << std::hex << c.code;
  EXPECT_EQ(FormatSettings.DecimalSeparator, ',');
}

}  // namespace
