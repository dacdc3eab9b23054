#include <gtest/gtest.h>

#include <string>

#include "grid/db_grid.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"
#include "platform/widgets/std_edit.h"

namespace {

TEST(VertScrollBarParamsTest, ThreeModels) {
  struct Case {
    TVertScrollStateEh State;
    TVertScrollParamsEh Params;
  } cases[] = {
      {{}, {0, 1, 2, 0}},  // inactive
      {{true, true, 100, 40, 10, false, false, false, 0}, {1, 109, 10, 40}},
      {{true, true, 100, 40, 10, false, false, true, 7}, {1, 109, 10, 7}},  // inserting
      {{true, true, 0, 0, 10, true, true, false, 0}, {1, 9, 10, 0}},        // empty
      {{true, false, 0, 0, 10, true, false, false, 0}, {0, 4, 0, 0}},
      {{true, false, 0, 0, 10, false, false, false, 0}, {0, 4, 0, 2}},
      {{true, false, 0, 0, 10, false, true, false, 0}, {0, 4, 0, 4}},
  };
  for (const Case& c : cases) EXPECT_EQ(VertScrollBarParams(c.State), c.Params);
}

TEST(AutoScrollTest, StepsAndIntervals) {
  struct Case {
    int Distance, Step, Interval, ColumnInterval;
  } cases[] = {{0, 0, 200, 200}, {5, 0, 125, 150}, {6, 1, 110, 140}, {13, 2, 10, 70},
               {48, 8, 10, 10},  {60, 8, 10, 10},  {200, 8, 10, 10}};
  for (const Case& c : cases) {
    EXPECT_EQ(AutoScrollStep(c.Distance), c.Step) << c.Distance;
    EXPECT_EQ(AutoScrollInterval(c.Distance, false), c.Interval) << c.Distance;
    EXPECT_EQ(AutoScrollInterval(c.Distance, true), c.ColumnInterval) << c.Distance;
  }
}

class GridScrollTest : public GuiTest {
 protected:
  GridScrollTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    const char* names[] = {"Яблоко", "ёлка", "Ель", "груша", "Ёрш", "ель2"};
    for (int i = 0; i < 60; ++i) T.Add(names[i % 6] + std::to_string(i), i + 1);
    T.ds->First();
    Source->SetDataSet(T.ds.get());
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  ~GridScrollTest() override {
    Form->Free();
    Source.reset();
  }
  void VScroll(int code, int pos = 0) { Grid->Perform(WM_VSCROLL, MakeWParam(code, pos), 0); }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

TEST_F(GridScrollTest, ScrollCodesMoveTheDataset) {
  const int page = Grid->VisibleDataRowCount();
  const int shown = Grid->DataLink()->RecordCount();
  struct Case {
    int Code, Pos, RecNo;
  } cases[] = {
      {SB_LINEDOWN, 0, shown + 1}, {SB_LINEUP, 0, 1},         {SB_PAGEDOWN, 0, 1 + page},
      {SB_BOTTOM, 0, 60},          {SB_PAGEUP, 0, 60 - page}, {SB_TOP, 0, 1},
      {SB_THUMBPOSITION, 40, 40},  {SB_THUMBPOSITION, 0, 1},  {SB_THUMBPOSITION, 99, 60},
      {SB_THUMBTRACK, 20, 60},  // no tracking: nothing until release
  };
  for (const Case& c : cases) {
    VScroll(c.Code, c.Pos);
    EXPECT_EQ(T.ds->RecNo(), c.RecNo) << c.Code << " " << c.Pos;
  }
  TScrollInfo info;
  info.fMask = SIF_ALL;
  T.ds->First();
  GetScrollInfo(Grid->Handle(), SB_VERT, info);
  EXPECT_EQ(info.nPos, 1) << "the table numbers its records";
  EXPECT_EQ(info.nMax, 60 + page - 1);
  T.ds->MoveBy(5);
  GetScrollInfo(Grid->Handle(), SB_VERT, info);
  EXPECT_EQ(info.nPos, 6);
  Grid->VertScrollBar()->SetTracking(true);
  VScroll(SB_THUMBTRACK, 30);
  EXPECT_EQ(T.ds->RecNo(), 30);
  VScroll(SB_THUMBPOSITION, 30);
  EXPECT_EQ(T.ds->RecNo(), 30) << "the closing message after tracking is ignored";
}

TEST_F(GridScrollTest, IncrementalSearchFoldsCaseAndEndsOnTheTimer) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
  Grid->SetReadOnly(true);  // the column cannot be edited: typing searches
  TypeText("ЕЛ");
  EXPECT_EQ(T.name->AsString(), "Ель2");
  EXPECT_TRUE(Grid->InIncSearch());
  EXPECT_EQ(Grid->IncSearchText(), "ЕЛ");
  TypeText("Ь2");
  EXPECT_EQ(T.name->AsString(), "Ель2");
  TypeText("x");
  EXPECT_EQ(T.name->AsString(), "Ель2") << "no match: the record stays";
  EXPECT_EQ(Grid->IncSearchText(), "ЕЛЬ2");
  PressKey(VK_RETURN, {ssCtrl});
  EXPECT_EQ(T.name->AsString(), "ель25") << "Ctrl+Enter: the next match";
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kIncSearchTimerId, 0);
  EXPECT_FALSE(Grid->InIncSearch());
  // A new search starts from the first record again; Ё folds as Е does not.
  TypeText("ё");
  EXPECT_EQ(T.name->AsString(), "ёлка1");
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(Grid->InIncSearch());
}

TEST_F(GridScrollTest, LeavingCancelsAnUntouchedInsertOnlyWithCancelOnExit) {
  TEdit* other = Create<TEdit>(Form);
  other->SetParent(Form);
  other->SetBounds(610, 0, 80, 20);
  T.ds->Insert();
  other->SetFocus();
  EXPECT_EQ(T.ds->State(), dsBrowse);
  EXPECT_EQ(T.ds->RecordCount(), 60);
  Grid->SetFocus();
  T.ds->Insert();
  T.name->SetAsString("new");
  other->SetFocus();
  EXPECT_EQ(T.ds->State(), dsInsert) << "a touched record stays for the user to post";
  T.ds->Cancel();
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgCancelOnExit});
  Grid->SetFocus();
  T.ds->Insert();
  other->SetFocus();
  EXPECT_EQ(T.ds->State(), dsInsert) << "without the option the new record stays";
}

}  // namespace
