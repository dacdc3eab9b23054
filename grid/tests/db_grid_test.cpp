#include "grid/db_grid.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "grid_test_support.h"
#include "platform/base/math_utils.h"
#include "platform/base/number_format.h"
#include "platform/base/string_list.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/menus.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class DBGridTest : public GuiTest {
 protected:
  DBGridTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    for (int i = 1; i <= 30; ++i) T.Add("r" + std::to_string(i), i, i * 1.5);
    T.ds->First();
    Source->SetDataSet(T.ds.get());
    Form->Show();
  }
  ~DBGridTest() override {
    Form->Free();
    Source.reset();
  }
  std::string Captions() {
    std::string out;
    for (int i = 0; i < Grid->Columns()->Count(); ++i)
      out += (i ? " " : "") + Grid->Columns()->Items(i)->Title()->Caption();
    return out;
  }
  TColumnEh* AddColumn(const std::string& field) {
    TColumnEh* c = Grid->Columns()->Add();
    c->SetFieldName(field);
    return c;
  }
  std::vector<std::string> PaintedTexts() {
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    std::vector<std::string> out;
    for (const TCanvasRecord& r : canvas.TakeRecords())
      if (r.Kind == TRecordKind::Text) out.push_back(r.Text);
    return out;
  }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

TEST_F(DBGridTest, DefaultColumnsFollowTheVisibleFields) {
  Grid->SetDataSource(Source.get());
  EXPECT_EQ(Captions(), "NAME NUM AMT VAL");
  EXPECT_EQ(Grid->Columns()->State(), csDefault);
  EXPECT_FALSE(Grid->Columns()->Items(0)->Persistent());
  T.num->SetVisible(false);
  Grid->RequestLayout();
  EXPECT_EQ(Captions(), "NAME AMT VAL");
  T.num->SetVisible(true);
  T.num->SetIndex(0);
  Grid->RequestLayout();
  EXPECT_EQ(Captions(), "NUM NAME AMT VAL");
  EXPECT_EQ(Grid->ColCount(), 5) << "with the indicator";
}

TEST_F(DBGridTest, PersistentColumnsStayEvenWithoutTheirField) {
  AddColumn("AMT");
  AddColumn("MISSING")->Title()->SetCaption("Нет поля");
  Grid->SetDataSource(Source.get());
  EXPECT_EQ(Captions(), "AMT Нет поля");
  EXPECT_EQ(Grid->Columns()->State(), csCustomized);
  TColumnEh* missing = Grid->Columns()->Items(1);
  EXPECT_EQ(missing->Field(), nullptr);
  EXPECT_EQ(missing->GetCellDisplayText(), "");
  EXPECT_FALSE(missing->CanModify(false));
  EXPECT_EQ(missing->Width(), Grid->DefaultColWidth());
}

// Columns added to a grid showing the fields' own columns: what is set on
// them, by pointer or by index, survives the layout, held or not.
TEST_F(DBGridTest, AddedColumnsKeepWhatWasSetOnThem) {
  TStringList picks;
  picks.Add("a");
  picks.Add("b");
  for (bool held : {false, true}) {
    Grid->Columns()->Clear();
    Grid->SetDataSource(nullptr);
    Grid->SetDataSource(Source.get());
    ASSERT_EQ(Grid->Columns()->State(), csDefault);
    if (held) Grid->BeginLayout();
    for (const char* f : {"NUM", "NAME"}) {
      TColumnEh* c = AddColumn(f);
      c->Title()->SetCaption(std::string("t") + f);
      c->SetWidth(77);
    }
    EXPECT_EQ(Grid->Columns()->Count(), 2) << held;
    Grid->Columns()->Items(0)->SetPickList(&picks);
    Grid->Columns()->Items(1)->SetReadOnly(true);
    if (held) Grid->EndLayout();
    EXPECT_EQ(Captions(), "tNUM tNAME") << held;
    EXPECT_EQ(Grid->Columns()->State(), csCustomized);
    TColumnEh* num = Grid->Columns()->Items(0);
    EXPECT_EQ(num->Field(), T.num) << held;
    EXPECT_EQ(num->GetCellKind(), ctPickList) << held;
    EXPECT_EQ(num->Width(), 77) << held;
    EXPECT_TRUE(Grid->Columns()->Items(1)->ReadOnly()) << held;
    EXPECT_FALSE(T.name->ReadOnly()) << held;  // a persistent column keeps it
  }
}

TEST_F(DBGridTest, ALayoutBatchRebuildsOnce) {
  Grid->SetDataSource(Source.get());
  const int before = Grid->LayoutCount();
  Grid->BeginLayout();
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgIndicator});
  Grid->TitleFont()->SetHeight(-14);
  Grid->Columns()->Items(0)->SetWidth(90);
  Grid->SetFrozenCols(1);
  EXPECT_EQ(Grid->LayoutCount(), before);
  Grid->EndLayout();
  EXPECT_EQ(Grid->LayoutCount(), before + 1);
  EXPECT_EQ(Grid->ColWidths(0), 90);
}

TEST_F(DBGridTest, FrozenColumnsCountHiddenOnesAndLeaveAScrollingColumn) {
  for (const char* f : {"NAME", "NUM", "AMT", "VAL"}) AddColumn(f);
  Grid->SetDataSource(Source.get());
  struct Case {
    int frozen;
    bool firstHidden;
    int fixedCols;
  };
  const std::vector<Case> cases = {
      {0, false, 1}, {2, false, 3}, {2, true, 4}, {4, false, 4}, {9, false, 4},
  };
  for (const Case& c : cases) {
    Grid->Columns()->Items(0)->SetVisible(!c.firstHidden);
    Grid->SetFrozenCols(c.frozen);
    EXPECT_EQ(Grid->FixedCols(), c.fixedCols) << c.frozen << " " << c.firstHidden;
    EXPECT_LT(Grid->FixedCols(), Grid->ColCount());
  }
}

TEST_F(DBGridTest, RowAndTitleHeightsFromTheFonts) {
  Grid->SetDataSource(Source.get());
  // The default font: 13 high with 1 of external leading.
  struct Case {
    int rowLines, rowHeight, titleLines, titleHeight;
    bool flat;
    int expectedRow, expectedTitle;
  };
  const std::vector<Case> cases = {
      // font + 3 + line + 2; "Wg" + margin 4
      {0, 0, 0, 0, false, 13 + 3 + 1 + 2, 13 + 4},
      {0, 0, 0, 0, true, 13 + 1 + 1 + 2, 13 + 2},
      // (font + leading) x lines + extra height
      {2, 4, 0, 0, false, 14 * 2 + 4, 13 + 4},
      // TitleLines x (font + leading) + 2 + TitleHeight, + 1 with row lines
      {0, 0, 2, 0, false, 19, 14 * 2 + 2 + 1},
      {0, 0, 0, 5, false, 19, 0 + 2 + 5 + 1},
  };
  for (const Case& c : cases) {
    Grid->BeginLayout();
    Grid->SetRowLines(c.rowLines);
    Grid->SetRowHeight(c.rowHeight);
    Grid->SetTitleLines(c.titleLines);
    Grid->SetTitleHeight(c.titleHeight);
    Grid->SetFlat(c.flat);
    Grid->EndLayout();
    EXPECT_EQ(Grid->DefaultRowHeight(), c.expectedRow) << c.rowLines << c.rowHeight << c.flat;
    EXPECT_EQ(Grid->RowHeights(0), c.expectedTitle) << c.titleLines << " " << c.titleHeight;
  }
}

TEST_F(DBGridTest, RowCountFillsTheClientWithRecordsAndFooters) {
  Grid->SetDataSource(Source.get());
  // 300 high; title 17 + 1; rows 19 + 1.
  EXPECT_EQ(Grid->RowCount(), 1 + (300 - 18) / 20);
  EXPECT_EQ(Grid->DataLink()->BufferCount(), (300 - 18) / 20);
  Grid->SetFooterRowCount(2);
  // Footers take 2 x 20 + 1; a filler row takes what is left.
  const int records = (300 - 18 - 41) / 20;
  EXPECT_EQ(Grid->RowCount(), 1 + records + 1 + 2);
  EXPECT_EQ(Grid->VisibleDataRowCount(), records);
  TCellColPartEh cp;
  TCellRowPartEh rp;
  int ci, ri;
  Grid->GetCellType(1, 1 + records, cp, rp, ci, ri);
  EXPECT_EQ(rp, crpFooterFillerEh);
  EXPECT_EQ(Grid->RowHeights(1 + records), 300 - 18 - 41 - records * 20 - 1);
  Grid->GetCellType(1, Grid->RowCount() - 1, cp, rp, ci, ri);
  EXPECT_EQ(rp, crpFooterEh);
  EXPECT_EQ(ri, 2) << "footers count from 1";
  Grid->GetCellType(1, Grid->RowCount() - 4, cp, rp, ci, ri);
  EXPECT_EQ(rp, crpDataEh);
}

TEST_F(DBGridTest, TheGridShowsTheCurrentRecordOnItsRow) {
  Grid->SetDataSource(Source.get());
  T.ds->MoveBy(3);
  EXPECT_EQ(Grid->Row(), 1 + 3);
  T.ds->Last();
  EXPECT_EQ(Grid->Row(), Grid->RowCount() - 1);
  const std::vector<std::string> texts = PaintedTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "r30"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "r1"), texts.end());
}

TEST_F(DBGridTest, ColumnLookFollowsTheGridUntilAssigned) {
  TColumnEh* c = AddColumn("AMT");
  Grid->SetDataSource(Source.get());
  Grid->SetColor(clYellow);
  EXPECT_EQ(c->Color(), clYellow);
  Grid->Font()->SetHeight(-15);
  EXPECT_EQ(c->Font()->Height(), -15);
  EXPECT_FALSE(c->AssignedValues().Contains(cvFont));
  c->Font()->SetHeight(-9);
  EXPECT_TRUE(c->AssignedValues().Contains(cvFont));
  Grid->Font()->SetHeight(-20);
  EXPECT_EQ(c->Font()->Height(), -9) << "assigned: no longer follows";
  c->SetColor(clRed);
  Grid->SetColor(clLime);
  EXPECT_EQ(c->Color(), clRed);
  EXPECT_EQ(c->Alignment(), taRightJustify) << "the field's";
  EXPECT_FALSE(c->EndEllipsis());
  Grid->ColumnDefValues()->SetEndEllipsis(true);
  EXPECT_TRUE(c->EndEllipsis());
  EXPECT_EQ(c->Title()->Color(), Grid->FixedColor());
  EXPECT_EQ(c->Title()->Alignment(), taLeftJustify);
  Grid->SetUseMultiTitle(true);
  EXPECT_EQ(c->Title()->Alignment(), taCenter);
  EXPECT_EQ(c->Title()->Caption(), "AMT");
  c->RestoreDefaults();
  EXPECT_EQ(c->Color(), clLime);
  EXPECT_EQ(c->Font()->Height(), -20);
}

TEST_F(DBGridTest, WidthIsClampedAndMinWidthWins) {
  TColumnEh* c = AddColumn("AMT");
  struct Case {
    int min, max, width, expected;
  };
  const std::vector<Case> cases = {
      {0, 0, 500, 500}, {50, 0, 10, 50}, {0, 40, 100, 40}, {60, 40, 100, 60}, {60, 40, 10, 60},
  };
  for (const Case& k : cases) {
    c->SetMinWidth(0);
    c->SetMaxWidth(0);
    c->SetWidth(k.width);
    c->SetMinWidth(k.min);
    c->SetMaxWidth(k.max);
    c->SetWidth(k.width);
    EXPECT_EQ(c->Width(), k.expected) << k.min << " " << k.max << " " << k.width;
  }
}

TEST_F(DBGridTest, KindsTextsAndCheckStatesOfCells) {
  TColumnEh* c = AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  T.ds->First();  // "r1"
  EXPECT_EQ(c->GetCellKind(), ctCommon);
  c->PickList()->SetText("Один\nДва\nТри");
  EXPECT_EQ(c->GetCellKind(), ctPickList);
  c->KeyList()->SetText("r2\nr1\nr3");
  EXPECT_EQ(c->GetCellKind(), ctKeyPickList);
  EXPECT_EQ(c->GetCellDisplayText(), "Два");
  T.ds->MoveBy(5);
  EXPECT_EQ(c->GetCellDisplayText(), "") << "not in the key list";
  c->SetNotInKeyListIndex(2);
  EXPECT_EQ(c->GetCellDisplayText(), "Три");

  // A two-line key list: checked values, then unchecked ones.
  c->SetPickList(nullptr);
  c->KeyList()->SetText("r1;r2\nr3;r4");
  c->SetCheckboxes(true);
  EXPECT_EQ(c->GetCellKind(), ctCheckboxes);
  struct Case {
    int recNo;
    TCheckBoxState state;
  };
  for (const Case& k : std::vector<Case>{
           {1, cbChecked}, {2, cbChecked}, {3, cbUnchecked}, {4, cbUnchecked}, {5, cbGrayed}}) {
    T.ds->SetRecNo(k.recNo);
    EXPECT_EQ(c->GetCheckState(), k.state) << k.recNo;
  }
  c->KeyList()->SetText("r1");
  T.ds->SetRecNo(3);
  EXPECT_EQ(c->GetCheckState(), cbGrayed) << "one line: anything else is grayed";
  c->KeyList()->Clear();
  EXPECT_EQ(c->GetCheckState(), cbGrayed) << "no key list: no out-of-range read";
  c->KeyList()->SetText("r1;r2\nr3;r4");
  T.ds->SetRecNo(5);
  T.ds->Edit();
  c->SetCheckState(cbChecked);
  EXPECT_EQ(T.name->AsString(), "r1");
  c->SetNextValue(1);
  EXPECT_EQ(T.name->AsString(), "r3") << "checked toggles to unchecked";
  T.ds->Cancel();
}

TEST_F(DBGridTest, NextValuesWrapAndNumbersStep) {
  TColumnEh* name = AddColumn("NAME");
  TColumnEh* num = AddColumn("NUM");
  Grid->SetDataSource(Source.get());
  name->PickList()->SetText("a\nb\nc");
  T.ds->First();
  std::string seen;
  for (int i = 0; i < 4; ++i) {
    name->SetNextValue(1);
    seen += T.name->AsString();
  }
  EXPECT_EQ(seen, "abca");
  name->SetNextValue(-1);
  EXPECT_EQ(T.name->AsString(), "c");
  num->SetIncrement(5);
  num->SetNextValue(5);
  EXPECT_EQ(T.num->AsInteger(), 6);
  T.ds->Cancel();
  // An image column without a key list steps nothing it cannot read.
  TColumnEh* image = AddColumn("NUM");
  auto* images = Create<TImageList>(Form);
  image->SetImageList(images);
  EXPECT_EQ(image->GetCellKind(), ctKeyImageList);
  image->SetNextValue(1);
  EXPECT_EQ(T.num->AsInteger(), 1);
  image->SetImageList(nullptr);
  T.ds->Cancel();
}

// An image column over a number no image has (beyond 32 bits) shows the
// one for values not in the list, and the grid still draws.
TEST_F(DBGridTest, NumbersBeyondAnyImageShowTheImageOfOthers) {
  TColumnEh* image = AddColumn("AMT");
  AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  image->SetImageList(Create<TImageList>(Form));
  image->SetNotInKeyListIndex(2);
  T.ds->First();
  T.ds->Edit();
  for (const auto& [amount, index] : {std::pair{3e9, 2}, {-3e9, 2}, {7.0, 7}, {-1.0, 2}}) {
    T.amt->SetAsCurrency(Currency(amount));
    EXPECT_EQ(image->GetImageIndex(), index) << amount;
  }
  T.amt->SetAsCurrency(Currency(3e9));
  T.ds->Post();
  EXPECT_THAT(PaintedTexts(), testing::Contains("r2"));
}

TEST_F(DBGridTest, FootersOfEveryKindStayCurrent) {
  TColumnEh* name = AddColumn("NAME");
  TColumnEh* num = AddColumn("NUM");
  TColumnEh* amt = AddColumn("AMT");
  Grid->SetFooterRowCount(3);
  num->Footers()->Add()->SetValueType(fvtSum);
  num->Footers()->Add()->SetValueType(fvtAvg);
  num->Footers()->Add()->SetValueType(fvtCount);
  amt->Footer()->SetValueType(fvtSum);
  amt->Footer()->SetDisplayFormat("0.00");
  name->Footers()->Add()->SetValueType(fvtStaticText);
  name->Footers()->Items(0)->SetValue("Итого");
  name->Footers()->Add()->SetValueType(fvtFieldValue);
  name->Footers()->Items(1)->SetFieldName("NAME");
  Grid->SetDataSource(Source.get());
  Grid->SumList()->SetActive(true);
  auto values = [&] {
    return Grid->GetFooterValue(0, num) + " " + Grid->GetFooterValue(1, num) + " " +
           Grid->GetFooterValue(2, num) + " " + Grid->GetFooterValue(0, amt) + " " +
           Grid->GetFooterValue(0, name) + " " + Grid->GetFooterValue(1, name);
  };
  // 1..30: sum 465, average 15.5; AMT 1.5 x 465 = 697.5.
  EXPECT_EQ(values(), "465 15.5 30 697.50 Итого r1");
  T.Add("r31", 35, 10);
  EXPECT_EQ(values(), "500 16.129 31 707.50 Итого r31");
  T.ds->Edit();
  T.num->SetAsInteger(0);
  T.ds->Cancel();
  EXPECT_EQ(values(), "500 16.129 31 707.50 Итого r31");
  T.ds->Delete();
  EXPECT_EQ(values(), "465 15.5 30 697.50 Итого r30");
  T.ds->Refresh();
  EXPECT_EQ(values(), "465 15.5 30 697.50 Итого r30");
  // A footer that changes kind gives its sum item back.
  const int items = Grid->SumList()->SumCollection()->Count();
  num->Footers()->Items(2)->SetValueType(fvtNon);
  EXPECT_EQ(Grid->SumList()->SumCollection()->Count(), items - 1);
  EXPECT_EQ(Grid->GetFooterValue(2, num), "");
  Grid->SetFooterRowCount(-1);
  EXPECT_EQ(Grid->FooterRowCount(), 3) << "a negative count is ignored";
}

TEST_F(DBGridTest, TitleClicksCycleSortMarkers) {
  TColumnEh* a = AddColumn("NAME");
  TColumnEh* b = AddColumn("NUM");
  TColumnEh* c = AddColumn("AMT");
  Grid->SetDataSource(Source.get());
  for (TColumnEh* col : {a, b, c}) col->Title()->SetTitleButton(true);
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  std::vector<std::string> clicks;
  Grid->OnTitleBtnClick = [&](TObject*, TColumnEh* col) { clicks.push_back(col->FieldName()); };
  auto marks = [&] {
    std::string out;
    for (TColumnEh* col : {a, b, c})
      out += std::to_string(col->Title()->SortMarker()) + std::to_string(col->Title()->SortIndex());
    return out;
  };
  Grid->TitleButtonReleased(a, false);
  EXPECT_EQ(marks(), "210000");  // up, index 1
  Grid->TitleButtonReleased(b, false);
  EXPECT_EQ(marks(), "002100") << "a single sort unmarks the others";
  Grid->TitleButtonReleased(b, false);
  EXPECT_EQ(marks(), "001100");  // down
  Grid->TitleButtonReleased(b, false);
  EXPECT_EQ(marks(), "002100") << "without multi-sort down goes back to up";
  // Ctrl with multi-sort keeps the other markers.
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  Grid->TitleButtonReleased(c, true);
  Grid->TitleButtonReleased(a, true);
  EXPECT_EQ(marks(), "232122");
  b->Title()->SetSortMarker(smNoneEh);
  EXPECT_EQ(marks(), "220021") << "the higher indexes close up";
  a->Title()->SetSortIndex(1);
  EXPECT_EQ(marks(), "210022") << "an index swaps with its holder";
  EXPECT_EQ(clicks.size(), 6u);
}

TEST_F(DBGridTest, CopiedColumnsKeepAMultiColumnSort) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  for (const char* f : {"NAME", "NUM", "AMT"}) AddColumn(f);
  auto title = [](TDBGridEh* g, int i) { return g->Columns()->Items(i)->Title(); };
  title(Grid, 2)->SetSortMarker(smUpEh);
  title(Grid, 0)->SetSortMarker(smDownEh);
  auto indexes = [&](TDBGridEh* g) {
    std::string out;
    for (int i = 0; i < 3; ++i) out += std::to_string(title(g, i)->SortIndex());
    return out;
  };
  ASSERT_EQ(indexes(Grid), "201");
  TDBGridEh* copy = Create<TDBGridEh>(Form);
  copy->SetOptionsEh(Grid->OptionsEh());
  copy->Columns()->Assign(Grid->Columns());
  EXPECT_EQ(indexes(copy), "201");
  EXPECT_EQ(copy->SortMarkedColumns(),
            (std::vector<TColumnEh*>{copy->Columns()->Items(2), copy->Columns()->Items(0)}));
  EXPECT_EQ(title(copy, 0)->SortMarker(), smDownEh);
  // Inside an update the setters only store; the list follows at its end.
  {
    TUpdateGuard update(*copy->Columns());
    title(copy, 1)->SetSortIndex(-4);
    title(copy, 1)->SetSortMarker(smUpEh);
    title(copy, 1)->SetSortIndex(3);
    EXPECT_TRUE(copy->SortMarkedColumns().size() == 2u);
  }
  EXPECT_EQ(indexes(copy), "231");
  EXPECT_EQ(copy->SortMarkedColumns().size(), 3u);
}

TEST_F(DBGridTest, AMarkerClearedInsideAnUpdateLeavesTheSortList) {
  for (const char* f : {"NAME", "NUM", "AMT"}) AddColumn(f);
  auto title = [&](int i) { return Grid->Columns()->Items(i)->Title(); };
  auto indexes = [&] {
    std::string out;
    for (int i = 0; i < 3; ++i) out += std::to_string(title(i)->SortIndex());
    return out;
  };
  for (bool multi : {true, false}) {
    Grid->SetOptionsEh(multi ? Grid->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking}
                             : Grid->OptionsEh() - TDBGridEhOptions{dghMultiSortMarking});
    for (int i = 0; i < 3; ++i) title(i)->SetSortMarker(smNoneEh);
    title(0)->SetSortMarker(smUpEh);
    if (multi) title(2)->SetSortMarker(smDownEh);
    {
      TUpdateGuard update(*Grid->Columns());
      // A single sort moves over as loaded columns carry it.
      if (!multi) {
        title(2)->SetSortMarker(smDownEh);
        title(2)->SetSortIndex(2);
      }
      title(0)->SetSortMarker(smNoneEh);
    }
    EXPECT_EQ(Grid->SortMarkedColumns(), std::vector<TColumnEh*>{Grid->Columns()->Items(2)})
        << multi;
    EXPECT_EQ(indexes(), "001") << multi;
  }
}

TEST_F(DBGridTest, AFooterColourOrFontOfItsOwnStopsFollowingTheParent) {
  Grid->SetParentColor(true);
  Grid->SetParentFont(true);
  Form->SetColor(clYellow);
  Form->Font()->SetHeight(-15);
  EXPECT_EQ(Grid->FooterColor(), clYellow);
  EXPECT_EQ(Grid->FooterFont()->Height(), -15);
  EXPECT_TRUE(Grid->ParentColor() && Grid->ParentFont()) << "following is no choice of its own";
  Grid->SetFooterColor(clRed);
  EXPECT_FALSE(Grid->ParentColor());
  EXPECT_TRUE(Grid->ParentFont());
  TFont bold;
  bold.Assign(Grid->FooterFont());
  bold.SetStyle({fsBold});
  Grid->SetFooterFont(&bold);
  EXPECT_FALSE(Grid->ParentFont());
  Form->SetColor(clAqua);
  Form->Font()->SetHeight(-20);
  EXPECT_EQ(Grid->FooterColor(), clRed);
  EXPECT_EQ(Grid->Color(), clYellow);
  EXPECT_EQ(Grid->FooterFont()->Height(), -15);
  EXPECT_EQ(Grid->Font()->Height(), -15);
}

TEST_F(DBGridTest, AutoFitSharesTheClientWidth) {
  TColumnEh* a = AddColumn("NAME");
  TColumnEh* b = AddColumn("NUM");
  TColumnEh* c = AddColumn("AMT");
  a->SetWidth(100);
  b->SetWidth(100);
  c->SetWidth(100);
  Grid->SetDataSource(Source.get());
  b->SetMaxWidth(50);
  Grid->SetAutoFitColWidths(true);
  // 600 - indicator 11 - 3 lines - 1 = 585; b is held at 50, the other
  // two share 535 with the last taking the remainder.
  EXPECT_EQ(b->Width(), 50);
  EXPECT_EQ(a->Width() + c->Width(), 535);
  EXPECT_EQ(a->Width(), 268) << "MulDiv rounds; the last takes the rest";
  Grid->SetAutoFitColWidths(false);
  EXPECT_EQ(a->Width(), 100) << "widths come back";
  EXPECT_EQ(c->Width(), 100);
}

TEST_F(DBGridTest, AutoFitWithNoSharesLeavesWidthsAlone) {
  TColumnEh* a = AddColumn("NAME");
  a->SetWidth(0);
  Grid->SetDataSource(Source.get());
  Grid->SetAutoFitColWidths(true);
  EXPECT_EQ(a->Width(), 0);
}

TEST_F(DBGridTest, MultiTitleHeightFromTheTree) {
  AddColumn("NAME")->Title()->SetCaption("Сертификат|Серия");
  AddColumn("NUM")->Title()->SetCaption("Сертификат|Номер");
  AddColumn("AMT")->Title()->SetCaption("Сумма");
  Grid->SetDataSource(Source.get());
  Grid->SetUseMultiTitle(true);
  // Two bands of one line (13) + VTitleMargin 10, less 1 with dghFixed3D.
  EXPECT_EQ(Grid->RowHeights(0), 2 * (13 + 10) - 1);
  EXPECT_EQ(Grid->TitleTree()->Children().size(), 2u);
}

TEST_F(DBGridTest, DestroyingTheGridFreesColumnsBeforeTheSumList) {
  AddColumn("NUM")->Footer()->SetValueType(fvtSum);
  Grid->SetFooterRowCount(1);
  Grid->SetDataSource(Source.get());
  Grid->SumList()->SetActive(true);
  int recalcs = 0;
  Grid->OnSumListRecalcAll = [&](TObject*) { ++recalcs; };
  Grid->Free();
  Grid = nullptr;
  EXPECT_EQ(recalcs, 0);
  T.Add("after", 1);  // the dataset's handlers were given back
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, SelectingARecordReplacesARectangleSelection) {
  Grid->SetDataSource(Source.get());
  int changes = 0;
  Grid->OnSelectionChanged = [&](TObject*) { ++changes; };
  Grid->SetSelectionType(gstRectangle);
  T.ds->SetRecNo(3);
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Grid->SelectionType(), gstRecordBookmarks);
  T.ds->SetRecNo(5);
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(changes, 2);
  const TGridRect rows = Grid->SelectedRows()->GetSelectedRowsRect();
  EXPECT_EQ(rows.Top, Grid->TitleOffset() + 2);
  EXPECT_EQ(rows.Bottom, Grid->TitleOffset() + 4);
  EXPECT_EQ(rows.Left, 1);
  Grid->SelectedRows()->Clear();
  EXPECT_EQ(Grid->SelectionType(), gstNon);
  EXPECT_EQ(Grid->SelectedRows()->GetSelectedRowsRect().Top, -1);
}

TEST_F(DBGridTest, ColumnsMadeFromFieldsAfterAPersistentOneGoAtTheNextLayout) {
  Grid->SetDataSource(Source.get());
  ASSERT_EQ(Grid->Columns()->State(), csDefault);
  TColumnEh* mine = Grid->Columns()->Add();  // persistent, after the field columns
  mine->SetFieldName("AMT");
  Grid->RequestLayout();
  EXPECT_EQ(Captions(), "AMT");
  EXPECT_EQ(Grid->Columns()->State(), csCustomized);
}

TEST_F(DBGridTest, ResizingUnderAutoFitMovesWidthFromTheRightNeighbourOnly) {
  TColumnEh* a = AddColumn("NAME");
  TColumnEh* b = AddColumn("NUM");
  TColumnEh* c = AddColumn("AMT");
  for (TColumnEh* col : {a, b, c}) col->SetWidth(100);
  Grid->SetDataSource(Source.get());
  Grid->SetAutoFitColWidths(true);
  const int cShare = c->AutoFitWidth();
  Grid->SetColWidths(1, a->Width() + 400);  // the user drags far to the right
  EXPECT_GE(b->AutoFitWidth(), 0) << "never negative";
  EXPECT_EQ(c->AutoFitWidth(), cShare) << "only the right neighbour gives";
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, FitRowHeightToTextRoundsToWholeLines) {
  Grid->SetDataSource(Source.get());
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghFitRowHeightToText});
  // extra = 3 + 1; a line is 14. RowLines 0, RowHeight 20: (13+1)*1 + 20 =
  // 34, text 30 = 2 lines + 2: down to 2 lines.
  Grid->SetRowHeight(20);
  EXPECT_EQ(Grid->RowLines(), 2);
  EXPECT_EQ(Grid->DefaultRowHeight(), 2 * 14 + 4);
  EXPECT_TRUE(Grid->MultiLineRows());
}

TEST_F(DBGridTest, ChangeScaleScalesWidthsCumulatively) {
  TColumnEh* a = AddColumn("NAME");
  TColumnEh* b = AddColumn("NUM");
  TColumnEh* c = AddColumn("AMT");
  for (TColumnEh* col : {a, b, c}) col->SetWidth(25);
  Grid->SetDataSource(Source.get());
  Grid->ChangeScale(3, 2);  // each 37.5: rounding may not add up
  EXPECT_EQ(a->Width() + b->Width() + c->Width(), MulDiv(75, 3, 2));
}

TEST_F(DBGridTest, DeferredLayoutsCoalesce) {
  Grid->SetDataSource(Source.get());
  const int before = Grid->LayoutCount();
  Grid->PostDeferredLayout();
  Grid->PostDeferredLayout();
  Application->ProcessMessages();
  EXPECT_EQ(Grid->LayoutCount(), before + 1);
}

TEST_F(DBGridTest, OddRowColoursApplyOnlyToColumnsOfTheGridsColour) {
  TColumnEh* plain = AddColumn("NAME");
  TColumnEh* coloured = AddColumn("NUM");
  coloured->SetColor(clYellow);
  Grid->SetDataSource(Source.get());
  Grid->SetOddRowColor(clAqua);
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, {});
  const TRect plainCell = Grid->CellRect(1, 2);  // record 2: even, then record 3: odd
  const TRect oddPlain = Grid->CellRect(1, 3);
  const TRect oddColoured = Grid->CellRect(2, 3);
  auto fillAt = [&](const TRect& r) {
    TColor found = clNone;
    for (const TCanvasRecord& rec : canvas.Records())
      if (rec.Kind == TRecordKind::FillRect && rec.Rect == r) found = rec.Color;
    return found;
  };
  EXPECT_EQ(fillAt(plainCell), Grid->Color());
  EXPECT_EQ(fillAt(oddPlain), clAqua);
  EXPECT_EQ(fillAt(oddColoured), clYellow);
  (void)plain;
}

TEST_F(DBGridTest, HiddenDuplicatesKeepOnlyTheirBackground) {
  TColumnEh* name = AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  T.ds->First();
  T.ds->Next();
  T.ds->Edit();
  T.name->SetAsString("r1");  // the second row repeats the first
  T.ds->Post();
  T.ds->Last();  // away from the rows looked at
  T.ds->First();
  name->SetHideDuplicates(true);
  std::vector<std::string> texts = PaintedTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "r1"), 1);
  name->SetHideDuplicates(false);
  texts = PaintedTexts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "r1"), 2);
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, KeysAndTheWheelMoveTheDataset) {
  Grid->SetDataSource(Source.get());
  Grid->SetFocus();
  const int page = Grid->VisibleDataRowCount();
  struct Step {
    std::function<void()> action;
    int recNo;
  };
  const std::vector<Step> steps = {
      {[&] { PressKey(VK_DOWN); }, 2},
      {[&] { PressKey(VK_NEXT); }, 2 + page},
      {[&] { PressKey(VK_END, TShiftState{ssCtrl}); }, 30},
      {[&] { PressKey(VK_UP); }, 29},
      {[&] { PressKey(VK_HOME, TShiftState{ssCtrl}); }, 1},
      {[&] { Grid->Perform(WM_MOUSEWHEEL, MakeWParam(0, static_cast<unsigned>(-120)), 0); }, 2},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    steps[i].action();
    EXPECT_EQ(T.ds->RecNo(), steps[i].recNo) << i;
    EXPECT_EQ(Grid->Row(), Grid->TitleOffset() + Grid->DataLink()->ActiveRecord()) << i;
  }
}

TEST_F(DBGridTest, AClickOnADataRowMovesToItsRecord) {
  TColumnEh* name = AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  const TRect cell = Grid->CellRect(1, 5);
  Grid->Perform(WM_LBUTTONDOWN, 0, MakeLParam(cell.Left + 3, cell.Top + 3));
  Grid->Perform(WM_LBUTTONUP, 0, MakeLParam(cell.Left + 3, cell.Top + 3));
  EXPECT_EQ(T.name->AsString(), "r5");
  EXPECT_EQ(Grid->SelectedField(), T.name);
  (void)name;
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, IndicatorImagesFollowTheDatasetState) {
  Grid->SetDataSource(Source.get());
  T.ds->SetRecNo(2);
  const int row = Grid->Row();
  EXPECT_EQ(Grid->IndicatorImageOf(row), kIndicatorArrow);
  EXPECT_EQ(Grid->IndicatorImageOf(row + 1), -1);
  T.ds->Edit();
  EXPECT_EQ(Grid->IndicatorImageOf(row), kIndicatorEdit);
  T.ds->Cancel();
  T.ds->Insert();
  EXPECT_EQ(Grid->IndicatorImageOf(Grid->Row()), kIndicatorInsert);
  T.ds->Cancel();
  T.ds->SetRecNo(2);
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Grid->IndicatorImageOf(row), kIndicatorSelectedArrow);
  T.ds->SetRecNo(3);
  EXPECT_EQ(Grid->IndicatorImageOf(row), -1) << "a selected row that is not current";
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, TypingIntoACellWritesTheFieldWhenTheRecordIsLeft) {
  AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  Form->SetActiveControl(Grid);
  Grid->SetFocus();
  TypeText("x");
  ASSERT_TRUE(Grid->EditorMode());
  EXPECT_EQ(T.ds->State(), dsEdit);
  PressKey(VK_DOWN);
  EXPECT_EQ(T.ds->State(), dsBrowse);
  T.ds->First();
  EXPECT_EQ(T.name->AsString(), "x");
  EXPECT_EQ(T.ds->RecNo(), 1);
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, WithoutDefaultDrawingTheProgramDrawsTheContents) {
  AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  int drawn = 0;
  Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int, TColumnEh*, TGridDrawState) {
    ++drawn;
  };
  std::vector<std::string> texts = PaintedTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "r1"), texts.end());
  Grid->SetDefaultDrawing(false);
  drawn = 0;
  texts = PaintedTexts();
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "r1"), texts.end());
  EXPECT_EQ(drawn, Grid->VisibleDataRowCount());
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, ClosingEmptyingAndLosingTheSourceLeaveAPaintableGrid) {
  AddColumn("NAME")->Footer()->SetValueType(fvtCount);
  Grid->SetFooterRowCount(1);
  Grid->SetDataSource(Source.get());
  Grid->SumList()->SetActive(true);
  struct Step {
    const char* what;
    std::function<void()> action;
    int rowCount;  // titles + data rows + filler + footer
  };
  const std::vector<Step> steps = {
      {"closed", [&] { T.ds->Close(); }, 1 + 1 + 1 + 1},
      {"open and empty", [&] { T.ds->Open(); }, 1 + 1 + 1 + 1},
      {"one record", [&] { T.Add("a", 1); }, 1 + 1 + 1 + 1},
      {"source gone", [&] { Source.reset(); }, 1 + 1 + 1 + 1},
  };
  for (const Step& s : steps) {
    s.action();
    PaintedTexts();
    EXPECT_EQ(Grid->RowCount(), s.rowCount) << s.what;
  }
  EXPECT_EQ(Grid->DataSource(), nullptr);
  EXPECT_EQ(Grid->GetFooterValue(0, Grid->Columns()->Items(0)), "0");
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class TRecordingPopupMenu : public TPopupMenu {
  MEBRATH_CLASS(TRecordingPopupMenu, TPopupMenu)
 public:
  explicit TRecordingPopupMenu(TComponent* owner) : TPopupMenu(owner) {}
  std::vector<TPoint> Shown;
  void Popup(int x, int y) override { Shown.push_back({x, y}); }
};

TEST_F(DBGridTest, ARightClickOnADataCellShowsItsColumnsMenu) {
  TColumnEh* name = AddColumn("NAME");
  AddColumn("NUM");
  auto* menu = Create<TRecordingPopupMenu>(Form);
  name->SetPopupMenu(menu);
  Grid->SetDataSource(Source.get());
  auto rightClick = [&](int col, int row) {
    const TRect r = Grid->CellRect(col, row);
    Grid->Perform(WM_RBUTTONDOWN, 0, MakeLParam(r.Left + 2, r.Top + 2));
    Grid->Perform(WM_RBUTTONUP, 0, MakeLParam(r.Left + 2, r.Top + 2));
  };
  rightClick(1, 2);
  rightClick(2, 2);  // no menu there
  rightClick(1, 0);  // a title
  ASSERT_EQ(menu->Shown.size(), 1u);
  EXPECT_EQ(menu->PopupComponent(), Grid);
  menu->Free();
  EXPECT_EQ(name->PopupMenu(), nullptr) << "forgotten when it goes";
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, WithoutTitlesOrIndicatorRowsAndColumnsStartAtZero) {
  Grid->SetDataSource(Source.get());
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgTitles, dgIndicator});
  EXPECT_EQ(Grid->TitleOffset(), 0);
  EXPECT_EQ(Grid->IndicatorOffset(), 0);
  EXPECT_EQ(Grid->FixedRows(), 0);
  EXPECT_EQ(Grid->FixedCols(), 0);
  T.ds->SetRecNo(4);
  EXPECT_EQ(Grid->Row(), 3);
  const std::vector<std::string> texts = PaintedTexts();
  EXPECT_EQ(std::find(texts.begin(), texts.end(), "NAME"), texts.end()) << "no title";
  EXPECT_NE(std::find(texts.begin(), texts.end(), "r4"), texts.end());
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgRowSelect, dgEditing});
  EXPECT_FALSE(Grid->Options().Contains(dgEditing)) << "row selection drops editing";
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, AFlatGridHasAThinBorder) {
  Grid->SetBorderStyle(bsSingle);
  Grid->SetDataSource(Source.get());
  const int sunken = Grid->ClientWidth();
  Grid->SetFlat(true);
  EXPECT_EQ(Grid->ClientWidth(), sunken + 2);
  EXPECT_EQ(Grid->DefaultRowHeight(), 13 + 1 + 1 + 2) << "flat rows are lower";
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, CursorsOverTheIndicatorAndTheTitlesBottom) {
  AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  const TRect indicator = Grid->CellRect(0, 2);
  const TRect title = Grid->CellRect(1, 0);
  EXPECT_EQ(Grid->CursorAt(indicator.Left + 3, indicator.Top + 5), gcPlatform);
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  EXPECT_EQ(Grid->CursorAt(indicator.Left + 3, indicator.Top + 5), gcSelectRow);
  EXPECT_EQ(Grid->CursorAt(title.Left + 10, title.Bottom - 3), gcSelectColumn);
  EXPECT_EQ(Grid->CursorAt(title.Left + 10, title.Top + 1), gcPlatform);
  Grid->SetAllowedSelections({gstRectangle});
  EXPECT_EQ(Grid->CursorAt(indicator.Left + 3, indicator.Top + 5), gcPlatform);
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, AFooterWhoseSumItemWasDroppedShowsZero) {
  TColumnEh* num = AddColumn("NUM");
  num->Footer()->SetValueType(fvtSum);
  Grid->SetFooterRowCount(1);
  Grid->SetDataSource(Source.get());
  Grid->SumList()->SetActive(true);
  EXPECT_EQ(Grid->GetFooterValue(0, num), "465");
  Grid->SumList()->SumCollection()->Clear();
  EXPECT_EQ(num->Footer()->DBSum(), nullptr);
  EXPECT_EQ(Grid->GetFooterValue(0, num), "0");
  num->Footer()->EnsureSumValue();
  EXPECT_EQ(Grid->GetFooterValue(0, num), "465") << "bound again";
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, ADeletedColumnLeavesTheGridsLists) {
  AddColumn("NAME")->Title()->SetCaption("G|a");
  AddColumn("NUM")->Title()->SetCaption("G|b");
  Grid->SetUseMultiTitle(true);
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
  Grid->SetDataSource(Source.get());
  Grid->Columns()->Items(0)->Title()->SetSortMarker(smUpEh);
  Grid->Columns()->Items(1)->Title()->SetSortMarker(smDownEh);
  Grid->BeginLayout();
  Grid->Columns()->Delete(0);
  EXPECT_EQ(Grid->SortMarkedColumns().size(), 1u);
  PaintedTexts();  // a paint in the middle of the batch reads no freed column
  Grid->EndLayout();
  EXPECT_EQ(Grid->Columns()->Items(0)->Title()->SortIndex(), 1) << "renumbered";
}

}  // namespace

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

TEST_F(DBGridTest, MovingAFieldColumnMovesItsField) {
  Grid->SetDataSource(Source.get());
  ASSERT_EQ(Captions(), "NAME NUM AMT VAL");
  Grid->Columns()->Items(0)->SetIndex(2);
  EXPECT_EQ(T.name->Index(), 2) << "the field follows a column made from it";
  Grid->RequestLayout();
  EXPECT_EQ(Captions(), "NUM AMT NAME VAL");
}

TEST_F(DBGridTest, AssignCopiesOnlyWhatTheSourceAssigned) {
  TColumnEh* source = AddColumn("AMT");
  TColumnEh* copy = AddColumn("NAME");
  Grid->SetDataSource(Source.get());
  source->SetColor(clYellow);
  source->Title()->SetCaption("Сумма");
  source->Footer()->SetValueType(fvtSum);
  source->SetDisplayFormat("0.00");
  copy->SetWidth(33);
  copy->Assign(source);
  EXPECT_EQ(copy->FieldName(), "AMT");
  EXPECT_EQ(copy->Color(), clYellow);
  EXPECT_FALSE(copy->AssignedValues().Contains(cvWidth)) << "defaults restored first";
  EXPECT_EQ(copy->Width(), source->Width());
  EXPECT_EQ(copy->Title()->Caption(), "Сумма");
  EXPECT_EQ(copy->Footer()->ValueType(), fvtSum);
  EXPECT_NE(copy->Footer()->DBSum(), nullptr) << "its own sum item";
  EXPECT_NE(copy->Footer()->DBSum(), source->Footer()->DBSum());
  EXPECT_EQ(copy->DisplayFormat(), "0.00");
}

// While a walk has the controls off the grid shows its picture of the
// rows; a grid given another table shows that table instead.
TEST_F(DBGridTest, TheFrozenPictureGoesWithTheTableItShows) {
  // Each paint takes what was invalid: one look a step.
  auto painted = [this] {
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    std::string out;
    for (const TCanvasRecord& r : canvas.TakeRecords()) {
      if (r.Kind == TRecordKind::Text) out += r.Text + " ";
      if (r.Kind == TRecordKind::Image) out += "[picture] ";
    }
    return out;
  };
  TTestTable other;
  other.ds->Open();
  other.Add("o1", 1);
  auto otherSource = CreateUnique<TDataSource>();
  otherSource->SetDataSet(other.ds.get());
  struct TCase {
    const char* Name;
    std::function<void()> Change;
    const char* Shown;  // a text painted afterwards
  };
  const TCase cases[] = {
      {"the source's dataset", [&] { Source->SetDataSet(other.ds.get()); }, "o1 "},
      {"the grid's source", [&] { Grid->SetDataSource(otherSource.get()); }, "o1 "},
      {"the source going", [&] { Source.reset(); }, ""},  // an empty grid
  };
  for (const TCase& c : cases) {
    if (Source == nullptr) Source = CreateUnique<TDataSource>();
    Source->SetDataSet(T.ds.get());
    Grid->SetDataSource(Source.get());
    Grid->Invalidate();
    ASSERT_THAT(painted(), HasSubstr("r1 ")) << c.Name;
    T.ds->DisableControls();
    EXPECT_EQ(painted(), "[picture] ") << c.Name;
    c.Change();
    EXPECT_THAT(painted(), HasSubstr(c.Shown)) << c.Name;
    Grid->Invalidate();
    EXPECT_NE(painted(), "[picture] ") << c.Name;
    T.ds->EnableControls();
  }
}

// A cell that cannot draw (a program's handler failing) still lets a walk
// turn the controls off, and the grid shows its picture meanwhile.
TEST_F(DBGridTest, ACellThatCannotDrawLetsTheControlsGoOff) {
  Grid->SetDataSource(Source.get());
  Grid->OnGetCellParams = [](TObject*, TColumnEh* column, TFont*, TColor&, TGridDrawState) {
    if (column->FieldName() == "AMT") throw Exception("no");
  };
  EXPECT_NO_THROW(T.ds->DisableControls());
  EXPECT_TRUE(T.ds->ControlsDisabled());
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, {});
  const std::vector<TCanvasRecord> records = canvas.TakeRecords();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                          [](const TCanvasRecord& r) { return r.Kind == TRecordKind::Image; }));
  T.ds->EnableControls();
}

// A grid that paints while a walk has the controls off reads its rows
// and leaves the walk's record where the walk put it, also when the walk
// went above the rows the grid shows.
TEST_F(DBGridTest, APaintWithTheControlsOffLeavesTheWalksRecord) {
  Grid->SetDataSource(Source.get());
  // A control wider than the grid keeps every record buffered, so that the
  // grid's window can start past the first.
  TDataLink wide;
  wide.SetDataSource(Source.get());
  wide.SetBufferCount(60);
  T.ds->Last();
  ASSERT_GT(Grid->DataLink()->ActiveRecord(), 0);
  Form->Hide();
  TControlsDisabledGuard off(T.ds.get());
  for (const char* walkAt : {"r1", "r25", "r10"}) {
    T.Go(walkAt);
    Form->Show();
    PaintedTexts();
    EXPECT_EQ(T.name->AsString(), walkAt);
    Form->Hide();
  }
}

// The view guard around a walk brings the record back to its screen row
// only when it can do so without moving a record that is being edited:
// that record stays in edit (or insert) with what was typed, unposted.
TEST_F(DBGridTest, TheViewGuardLeavesARecordInEditAsItFoundIt) {
  Grid->SetDataSource(Source.get());
  for (const bool inserting : {false, true}) {
    SCOPED_TRACE(inserting);
    T.Go("r10");
    Grid->ShowCurrentAtScreenRow(5);
    const int count = T.ds->RecordCount();
    {
      TGridViewGuardEh view(*Grid);
      {
        // A walk to the end and back, as a print makes.
        TControlsDisabledGuard off(T.ds.get());
        T.ds->Last();
        T.Go("r10");
      }
      ASSERT_NE(Grid->CurrentScreenRow(), 5);
      if (inserting)
        T.ds->Insert();
      else
        T.ds->Edit();
      T.name->SetAsString("typed");
    }
    EXPECT_EQ(T.ds->State(), inserting ? dsInsert : dsEdit);
    EXPECT_EQ(T.name->AsString(), "typed");
    T.ds->Cancel();
    EXPECT_EQ(T.ds->RecordCount(), count);
    EXPECT_EQ(T.name->AsString(), "r10");
  }
}

TEST_F(DBGridTest, TheCurrentRecordScrollsToAScreenRowAsFarAsTheRecordsAllow) {
  Grid->SetDataSource(Source.get());
  const int rows = Grid->VisibleDataRowCount();
  ASSERT_GT(rows, 8);
  struct TCase {
    const char* Record;
    int Wanted, Shown;
  };
  for (const TCase& c : {TCase{"r20", 3, 3}, TCase{"r20", rows - 1, rows - 1}, TCase{"r10", 0, 0},
                         TCase{"r2", 8, 1}, TCase{"r29", 0, rows - 2}, TCase{"r15", 5, 5}}) {
    T.Go(c.Record);
    Grid->ShowCurrentAtScreenRow(c.Wanted);
    EXPECT_EQ(Grid->CurrentScreenRow(), c.Shown) << c.Record << " " << c.Wanted;
    EXPECT_EQ(T.name->AsString(), c.Record);
  }
}

}  // namespace
