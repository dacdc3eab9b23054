#include <gtest/gtest.h>

#include <string>

#include "platform/base/exceptions.h"
#include "platform/draw/recording_canvas.h"
#include "report/fr_band_view.h"
#include "report/fr_dataset.h"
#include "report/fr_engine.h"
#include "report/fr_memo_view.h"
#include "report/fr_object.h"
#include "report/fr_picture_view.h"
#include "report_fixture.h"

namespace {

TEST(FrObject, FactoryByTypeCode) {
  const struct {
    int type;
    const char* className;
    const char* baseName;
  } cases[] = {
      {gtMemo, "TfrMemoView", "Memo"}, {gtPicture, "TfrPictureView", "Picture"},
      {gtBand, "TfrBandView", "Band"}, {gtSubReport, "TfrSubReportView", "SubReport"},
      {gtLine, "TfrLineView", "Line"},
  };
  for (const auto& c : cases) {
    const int before = frEngine().ObjectCounter;
    TObjectPtr<TfrView> v = CreateReportObject(c.type, "");
    ASSERT_TRUE(v) << c.type;
    EXPECT_EQ(v->ClassName(), c.className);
    EXPECT_EQ(v->BaseName, c.baseName);
    EXPECT_EQ(v->Typ, c.type);
    EXPECT_EQ(v->ID, before + 1);
  }
  const int before = frEngine().ObjectCounter;
  for (int type : {5, 7, 9, 11, 255}) EXPECT_FALSE(CreateReportObject(type, "")) << type;
  EXPECT_EQ(frEngine().ObjectCounter, before);
}

TEST(FrObject, UnknownAddInsAccumulate) {
  frEngine().ErrorStr.clear();
  EXPECT_THROW(CreateReportObject(gtAddIn, "TfrA"), EClassNotFound);
  try {
    CreateReportObject(gtAddIn, "TfrB");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.Message(), "TfrA\rTfrB\r");
  }
  EXPECT_TRUE(frEngine().ErrorFlag);
  frEngine().ErrorStr.clear();
  frEngine().ErrorFlag = false;

  frRegisterObject("TfrCustom", [] { return TObjectPtr<TfrView>(CreateUnique<TfrMemoView>()); });
  TObjectPtr<TfrView> v = CreateReportObject(gtAddIn, "TfrCustom");
  EXPECT_EQ(v->Typ, gtAddIn);
  frUnregisterObject("TfrCustom");
}

TEST(FrObject, PropertiesByName) {
  auto memo = CreateUnique<TfrMemoView>();
  ASSERT_NE(memo->FindProperty("memo"), nullptr);
  EXPECT_EQ(memo->FindProperty("memo")->Name, "Memo");
  const TfrProp* style = memo->FindProperty("FRAMESTYLE");
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->Kind, frdtEnum);
  EXPECT_EQ(style->Enum[5], "psDouble");
  EXPECT_EQ(memo->FindProperty("nothing"), nullptr);

  const struct {
    const char* name;
    Variant value;
    const char* back;
  } cases[] = {
      {"Left", Variant(10), "10"},          {"FONT.NAME", Variant("Courier New"), "Courier New"},
      {"font.size", Variant(14), "14"},     {"FONT.STYLE", Variant(3), "3"},
      {"FONT.COLOR", Variant(255), "255"},  {"Alignment", Variant(frtaCenter), "2"},
      {"WordBreak", Variant(true), "True"}, {"Memo", Variant("a\r\nb"), "a\r\nb\r\n"},
      {"Tag", Variant("t"), "t"},           {"FrameWidth", Variant(1.5), "1.5"},
  };
  for (const auto& c : cases) {
    memo->SetPropertyValue(c.name, c.value);
    std::string back = VarToStr(memo->GetPropertyValue(c.name));
    for (char& ch : back)
      if (ch == ',') ch = '.';
    EXPECT_EQ(back, c.back) << c.name;
  }
  EXPECT_EQ(memo->GetPropertyValue("MEMO.COUNT").AsInteger(), 2);
  EXPECT_EQ(memo->GetPropertyValue("LINES.COUNT").AsInteger(), 2);

  // Flag properties touch their own bit only.
  memo->Flags = 0xFFFF;
  memo->SetPropertyValue("STRETCHED", Variant(false));
  EXPECT_EQ(memo->Flags, 0xFFFE);
  memo->SetPropertyValue("HIDEZEROS", Variant(false));
  EXPECT_EQ(memo->Flags, 0xFFBE);
}

TEST(FrObject, FlagPropertiesOfEveryKind) {
  const struct {
    int type;
    const char* name;
    std::uint16_t bit;
  } cases[] = {
      {gtBand, "FormNewPage", 0x02},
      {gtBand, "PrintIfSubsetEmpty", 0x04},
      {gtBand, "Breaked", 0x08},
      {gtBand, "OnFirstPage", 0x10},
      {gtBand, "OnLastPage", 0x20},
      {gtBand, "RepeatHeader", 0x40},
      {gtBand, "PrintChildIfInvisible", 0x80},
      {gtPicture, "Center", flPictCenter},
      {gtPicture, "KeepAspect", flPictRatio},
      {gtMemo, "WordWrap", flWordWrap},
      {gtMemo, "AutoWidth", flAutoWidth},
      {gtMemo, "RTLReading", flRTLReading},
      {gtLine, "Stretched", flStretched},
  };
  for (const auto& c : cases) {
    TObjectPtr<TfrView> v = CreateReportObject(c.type, "");
    ASSERT_NE(v->FindProperty(c.name), nullptr) << c.name;
    v->Flags = 0;
    v->SetPropertyValue(c.name, Variant(true));
    EXPECT_EQ(v->Flags, c.bit) << c.name;
    EXPECT_TRUE(v->GetPropertyValue(c.name).AsBoolean()) << c.name;
    v->Flags = 0xFFFF;
    v->SetPropertyValue(c.name, Variant(false));
    EXPECT_EQ(v->Flags, 0xFFFF & ~c.bit) << c.name;
  }
  auto pict = CreateUnique<TfrPictureView>();
  pict->SetPropertyValue("BLOBTYPE", Variant(2));
  EXPECT_EQ(pict->BlobType, btICO);
  EXPECT_EQ(pict->FindProperty("blobtype")->Enum[3], "btWMF");
  auto band = CreateUnique<TfrBandView>();
  band->SetPropertyValue("Condition", Variant("[x] > 1"));
  EXPECT_EQ(band->DataSource(), "[x] > 1");
  EXPECT_FALSE(band->GetPropertyValue("EOF").AsBoolean());
}

TEST(FrObject, ListMethodsEvaluateTheirArguments) {
  auto memo = CreateUnique<TfrMemoView>();
  Variant v;
  memo->CallMethod("MEMO.ADD", "'x' + 'y'", "", "", v);
  memo->CallMethod("Lines.Add", "'z'", "", "", v);
  EXPECT_EQ(memo->Memo.Text(), "xy\r\nz\r\n");
  memo->CallMethod("MEMO.INDEXOF", "'z'", "", "", v);
  EXPECT_EQ(v.AsInteger(), 1);
  memo->CallMethod("SETINDEXPROPERTY", "'Memo'", "0", "'first'", v);
  memo->CallMethod("GETINDEXPROPERTY", "'Memo'", "0", "", v);
  EXPECT_EQ(VarToStr(v), "first");
  memo->CallMethod("MEMO.DELETE", "0", "", "", v);
  memo->CallMethod("MEMO.DELETE", "7", "", "", v);
  EXPECT_EQ(memo->Memo.Text(), "z\r\n");
  memo->CallMethod("HIDE", "", "", "", v);
  EXPECT_FALSE(memo->Visible);
  memo->CallMethod("MEMO.CLEAR", "", "", "", v);
  EXPECT_EQ(memo->Memo.Count(), 0);
}

TEST(FrObject, LookupsAndChains) {
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TTestReport>(owner.get());
  TfrCurrentReport current(report);
  TfrPage* page = report->Pages().Add();
  report->Pages().Add()->Add(CreateReportObject(gtMemo, ""))->Name = "Memo1";
  const auto band = [&](const char* name, int kind, const char* child) {
    auto* b = static_cast<TfrBandView*>(page->Add(CreateReportObject(gtBand, "")));
    b->Name = name;
    b->SetBandType(kind);
    b->ChildBand = child;
    return b;
  };
  TfrBandView* data = band("Data", btMasterData, "Child1");
  TfrBandView* child1 = band("Child1", btChild, "Child2");
  TfrBandView* child2 = band("Child2", btChild, "Child1");  // a loop
  TfrBandView* orphan = band("Orphan", btChild, "Orphan");
  (void)data;

  EXPECT_NE(FindObjectByName("PAGE2.memo1"), nullptr);
  EXPECT_NE(FindObjectByName("Memo1"), nullptr);
  EXPECT_EQ(FindObjectByName("PAGE1.Memo1"), nullptr);
  EXPECT_EQ(FindObjectByName("PAGE3.Memo1"), nullptr);
  EXPECT_EQ(FindObjectByName("PAGE0.Memo1"), nullptr);
  EXPECT_EQ(FindObjectByName("Child2"), child2);

  frEngine().CurPage = page;
  const struct {
    TfrBandView* band;
    int type;
  } cases[] = {
      {child1, btMasterData}, {child2, btMasterData}, {orphan, btNone}, {data, btMasterData}};
  for (const auto& c : cases) {
    frEngine().CurBandView = c.band;
    EXPECT_EQ(CurrentBandType(), c.type) << c.band->Name;
  }

  // The dataset of the data band that owns the band being printed.
  auto* frDS = Create<TfrDBDataSet>(owner.get());
  frDS->SetName("frDS");
  data->SetDataSource("frDS");
  TfrBandView* detail = band("Detail", btDetailData, "");
  TfrBandView* header = band("Header", btPageHeader, "");
  TfrBandView* footer = band("Footer", btDetailFooter, "");
  const struct {
    TfrBandView* band;
    TfrDBDataSet* dataset;
  } datasets[] = {
      {header, frDS}, {child1, frDS}, {detail, nullptr}, {footer, nullptr}, {orphan, nullptr}};
  for (const auto& c : datasets) {
    frEngine().CurBandView = c.band;
    EXPECT_EQ(CurrentBandDataset(), c.dataset) << c.band->Name;
  }
  frEngine().CurBandView = nullptr;
  frEngine().CurPage = nullptr;
}

TEST(FrObject, CalculationErrorText) {
  auto owner = CreateUnique<TComponent>();
  auto* report = Create<TTestReport>(owner.get());
  report->SetName("Report1");
  TfrCurrentReport current(report);
  auto memo = CreateUnique<TfrMemoView>();
  memo->Name = "Memo3";
  memo->Memo.SetText("[A]\r\n[B]");
  frEngine().CurView = memo.get();
  ReportCalculationError("Division by zero");
  EXPECT_EQ(frEngine().ErrorStr,
            "An error occured during calculating\r[A]\r[B]\r\rReport: Report1\rObject: Memo3\r\r"
            "Division by zero");
  EXPECT_TRUE(report->Terminated);
  frEngine().CurView = nullptr;
  ReportCalculationError("x");
  EXPECT_EQ(frEngine().ErrorStr, "An error occured during calculating\r\rReport: Report1\r\rx");
  frEngine().ErrorFlag = false;
  frEngine().ErrorStr.clear();
}

class TLibrary : public TfrFunctionLibrary {
  MEBRATH_CLASS(TLibrary, TfrFunctionLibrary)
 public:
  bool OnFunction(const std::string&, const Variant&, const Variant&, const Variant&,
                  Variant&) override {
    return false;
  }
};

TEST(FrObject, FunctionLibrariesAndFonts) {
  const std::size_t before = FunctionLibraries().size();
  RegisterFunctionLibrary<TLibrary>();
  RegisterFunctionLibrary<TLibrary>();
  EXPECT_EQ(FunctionLibraries().size(), before + 1);
  AddFunctionDescription(TLibrary::kClassInfo, "F1", "Cat", "Does f");
  AddFunctionDescription(TLibrary::kClassInfo, "f1", "Cat", "Again");
  AddFunctionDescription(TLibrary::kClassInfo, "F2", "Cat", "");
  EXPECT_EQ(frEngine().Functions.size(), 1u);
  UnregisterFunctionLibrary(TLibrary::kClassInfo);
  EXPECT_EQ(FunctionLibraries().size(), before);
  EXPECT_TRUE(frEngine().Functions.empty());

  // The 33rd library is refused.
  static TClassInfo infos[kMaxFunctionLibraries];
  const auto make = [] { return TObjectPtr<TfrFunctionLibrary>(CreateUnique<TLibrary>()); };
  for (std::size_t i = FunctionLibraries().size(); i < kMaxFunctionLibraries; ++i) {
    infos[i] = TClassInfo{"TLib", nullptr};
    RegisterFunctionLibrary(infos[i], make);
  }
  EXPECT_THROW(RegisterFunctionLibrary<TLibrary>(), EInvalidOperation);
  for (const TClassInfo& info : infos) UnregisterFunctionLibrary(info);

  TFont font;
  font.SetName("Arial");
  font.SetSize(12);
  std::unique_ptr<TFont> rotated = CreateRotatedFont(font);
  EXPECT_EQ(rotated->Orientation(), 900);
  EXPECT_EQ(rotated->Size(), 12);
  EXPECT_EQ(rotated->Name(), "Arial");
}

}  // namespace
