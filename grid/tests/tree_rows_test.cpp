#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/db_grid.h"
#include "grid/tree_area.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"
#include "tree_data_set.h"

namespace {

TEST(TreeAreaBoxesTest, ElementKindsPerNodeShape) {
  using Boxes = std::vector<TTreeAreaBoxEh>;
  struct Case {
    const char* What;
    TTreeNodeShapeEh Node;
    Boxes Expected;
  } cases[] = {
      {"top-level leaf, siblings follow", {1, 1, false, false, {true}}, {{6, true}}},
      {"top-level leaf, the last", {1, -1, false, false, {false}}, {{7, true}}},
      {"expanded parent, siblings follow", {1, 2, true, true, {true}}, {{0, true}}},
      {"collapsed parent, siblings follow", {1, 1, true, false, {true}}, {{3, true}}},
      {"expanded parent, the last", {1, 2, true, true, {false}}, {{1, true}}},
      {"collapsed parent, the last", {1, -1, true, false, {false}}, {{4, true}}},
      // Level 3, the last child of a level-2 node that has a sibling after
      // it, under a level-1 node that is the last: the row below is at
      // level 2, so the line under the node's own box stays.
      {"deep leaf",
       {3, 2, false, false, {false, true, false}},
       {{-1, true}, {9, true}, {7, false}}},
      {"deep leaf, next row deeper", {2, 3, false, false, {true, true}}, {{9, true}, {6, true}}},
      {"missing sibling answers read false", {2, 1, false, false, {}}, {{-1, true}, {7, false}}},
  };
  for (const Case& c : cases) EXPECT_EQ(TreeAreaBoxes(c.Node), c.Expected) << c.What;
}

class TreeGridTest : public GuiTest {
 protected:
  TreeGridTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Ds = CreateUnique<TTreeTestDataSet>();
    Source = CreateUnique<TDataSource>();
  }
  ~TreeGridTest() override {
    Form->Free();
    Source.reset();
    Ds.reset();
  }
  void Open(const std::vector<std::pair<std::string, int>>& outline, bool expanded = true) {
    Ds->SetOutline(outline, expanded);
    Ds->Open();
    Source->SetDataSet(Ds.get());
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  void OpenFlat(int count) {
    Ds->ShowTree = false;
    Ds->SetFlat(count);
    Ds->Open();
    Source->SetDataSet(Ds.get());
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  // A client point of the grid as the form's host sees it.
  TPoint InForm(TPoint p) { return Form->ScreenToClient(Grid->ClientToScreen(p)); }
  void Mouse(unsigned msg, TPoint p, unsigned keys = 0) {
    // Presses far apart in time: never a double click.
    if (msg == WM_LBUTTONDOWN) Advance(1000);
    SetCursorPos(Grid->ClientToScreen(p));
    HostMouseEvent(Form->Handle(), msg, InForm(p), keys);
    Application->ProcessMessages();
  }
  void Click(TPoint p) {
    Mouse(WM_LBUTTONDOWN, p, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, p);
  }
  int FirstDataCol() { return Grid->IndicatorOffset(); }
  std::string Current() { return Ds->FieldByName("NAME")->AsString(); }
  void VScroll(int code, int pos = 0) { Grid->Perform(WM_VSCROLL, MakeWParam(code, pos), 0); }
  // The texts painted, top to bottom.
  std::vector<TCanvasRecord> Paint() {
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    std::vector<TCanvasRecord> texts;
    for (const TCanvasRecord& r : canvas.Records())
      if (r.Kind == TRecordKind::Text) texts.push_back(r);
    return texts;
  }
  const TCanvasRecord* TextRecord(const std::vector<TCanvasRecord>& texts,
                                  const std::string& text) {
    for (const TCanvasRecord& r : texts)
      if (r.Text == text) return &r;
    return nullptr;
  }

  TObjectPtr<TTreeTestDataSet> Ds;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

const std::vector<std::pair<std::string, int>> kOutline = {
    {"A", 1}, {"A1", 2}, {"A11", 3}, {"A12", 3}, {"A2", 2}, {"B", 1}, {"C", 1}, {"C1", 2}};

// ---- tree rows

TEST_F(TreeGridTest, TextStartsAfterTheIndentOfItsLevel) {
  Open(kOutline);
  ASSERT_TRUE(Grid->TreeDisplay());
  Grid->Columns()->Items(1)->SetAlignment(taLeftJustify);
  const auto texts = Paint();
  const TPoint origin = Grid->ClientToScreen({0, 0});
  const TPoint formOrigin = Form->ClientToScreen({0, 0});
  const int gridLeft = origin.X - formOrigin.X;
  // Cell text has a margin of 2 pixels.
  struct Case {
    const char* Name;
    int Row;
    int Level;
  } cases[] = {{"A", 0, 1}, {"A1", 1, 2}, {"A11", 2, 3}, {"B", 5, 1}};
  for (const Case& c : cases) {
    const TCanvasRecord* r = TextRecord(texts, c.Name);
    ASSERT_NE(r, nullptr) << c.Name;
    const int cellLeft = Grid->CellRect(FirstDataCol(), Grid->TitleOffset() + c.Row).Left;
    EXPECT_EQ(r->Rect.Left - gridLeft - cellLeft, c.Level * 18 + 2) << c.Name;
  }
  // The second column has no tree area.
  const int numLeft = Grid->CellRect(FirstDataCol() + 1, Grid->TitleOffset()).Left;
  const TCanvasRecord* num = TextRecord(texts, "1");
  ASSERT_NE(num, nullptr);
  EXPECT_LT(num->Rect.Left - gridLeft - numLeft, 18);
}

TEST_F(TreeGridTest, ClicksInTheTreeArea) {
  Open(kOutline);
  Ds->First();
  const int top = Grid->TitleOffset();
  const TRect a11 = Grid->CellRect(FirstDataCol(), top + 2);  // level 3
  // In the indent but left of the node's own box: taken, nothing opens.
  EXPECT_TRUE(Grid->CheckTreeExpandClick(a11.Left + 20, a11.Top + 3, true));
  EXPECT_TRUE(Grid->CheckTreeExpandClick(a11.Left + 20, a11.Top + 3, false));
  EXPECT_TRUE(Ds->Expansions.empty());
  // Right of the indent the cell is the text's.
  EXPECT_FALSE(Grid->CheckTreeExpandClick(a11.Left + 3 * 18 + 2, a11.Top + 3, true));
  // Only the first visible column has a tree area.
  const TRect num = Grid->CellRect(FirstDataCol() + 1, top + 2);
  EXPECT_FALSE(Grid->CheckTreeExpandClick(num.Left + 3, num.Top + 3, true));
  EXPECT_EQ(Current(), "A");
}

TEST_F(TreeGridTest, TheNodeButtonOfAnotherRowKeepsTheCurrentRecord) {
  Open(kOutline);
  Ds->First();
  Ds->MoveBy(5);  // B
  ASSERT_EQ(Current(), "B");
  const int top = Grid->TitleOffset();
  const TRect a1 = Grid->CellRect(FirstDataCol(), top + 1);
  Click({a1.Left + 27, a1.Top + 3});  // A1's own box
  ASSERT_EQ(Ds->Expansions.size(), 1u);
  EXPECT_EQ(Ds->Expansions[0], std::make_pair(1, false));
  EXPECT_EQ(Current(), "B");
  EXPECT_EQ(Ds->RowCount(), 6);
  EXPECT_EQ(Grid->Row(), top + 3);
  // A dataset that reports the node somewhere else takes the grid there.
  Ds->ReportedShift = 2;
  Click({a1.Left + 27, a1.Top + 3});
  EXPECT_EQ(Ds->Expansions.back(), std::make_pair(1, true));
  EXPECT_EQ(Ds->RecNo(), 2 + 2);
  EXPECT_EQ(Current(), "A12");
}

TEST_F(TreeGridTest, NumpadKeysOpenAndCloseTheCurrentNode) {
  Open(kOutline, false);
  Ds->First();
  ASSERT_EQ(Ds->RowCount(), 3);  // A, B, C
  PressKey(VK_ADD);
  EXPECT_EQ(Ds->RowCount(), 5);  // A1 and A2 show, A1 still closed
  PressKey(VK_SUBTRACT);
  EXPECT_EQ(Ds->RowCount(), 3);
  PressKey(VK_MULTIPLY);
  EXPECT_EQ(Ds->RowCount(), 7);  // everything under A
  EXPECT_EQ(Current(), "A");
  // Typed, the same characters only raise the key-press event.
  std::u32string pressed;
  Grid->OnKeyPress = [&](TObject*, char32_t& key) { pressed += key; };
  TypeText("+-*");
  EXPECT_EQ(pressed, U"+-*");
  EXPECT_EQ(Ds->RowCount(), 7);
  EXPECT_FALSE(Grid->EditorMode());
}

TEST_F(TreeGridTest, ADatasetWithoutTheInterfaceHasNoTree) {
  TTestTable t;
  t.ds->Open();
  t.Add("x", 1);
  Source->SetDataSet(t.ds.get());
  Grid->SetDataSource(Source.get());
  Form->Show();
  EXPECT_EQ(Grid->MemTable(), nullptr);
  EXPECT_FALSE(Grid->TreeDisplay());
  EXPECT_EQ(Grid->TreeIndentWidth(), 0);
  const TRect r = Grid->CellRect(FirstDataCol(), Grid->TitleOffset());
  EXPECT_FALSE(Grid->CheckTreeExpandClick(r.Left + 5, r.Top + 3, false));
  EXPECT_FALSE(Grid->RowPerRecordMode());
  Grid->SetDataSource(nullptr);
}

// ---- row-per-record mode

TEST_F(TreeGridTest, AShortDatasetGetsItsRowsAndIsAskedForMore) {
  OpenFlat(3);
  ASSERT_TRUE(Grid->RowPerRecordMode());
  EXPECT_EQ(Grid->RowCount(), Grid->TitleOffset() + 3);
  ASSERT_FALSE(Ds->Fetches.empty());
  const int bottom = Grid->CellRect(0, Grid->RowCount() - 1).Bottom + Grid->GridLineWidth();
  EXPECT_EQ(Ds->Fetches.back(), (Grid->ClientHeight() - bottom) / Grid->DefaultRowHeight() + 1);
}

TEST_F(TreeGridTest, NoCurrentRowMakesTheFirstDataRowCurrent) {
  Open({});
  EXPECT_EQ(Ds->CurrentRow(), -1);
  EXPECT_EQ(Grid->Row(), Grid->FixedRows());
  EXPECT_EQ(Grid->RowCount(), Grid->TitleOffset() + 1);
}

TEST_F(TreeGridTest, FootersSwitchTheModeOff) {
  OpenFlat(100);
  ASSERT_TRUE(Grid->RowPerRecordMode());
  EXPECT_EQ(Grid->RowCount(), Grid->TitleOffset() + 100);
  Grid->SetFooterRowCount(1);
  EXPECT_FALSE(Grid->RowPerRecordMode());
  EXPECT_NE(Grid->MemTable(), nullptr);
  EXPECT_EQ(Grid->RowCount(), Grid->TitleOffset() + Grid->DataLink()->RecordCount() + 2);
  EXPECT_EQ(Grid->TopRow(), Grid->FixedRows());
  Grid->SetFooterRowCount(0);
  EXPECT_TRUE(Grid->RowPerRecordMode());
  EXPECT_EQ(Grid->RowCount(), Grid->TitleOffset() + 100);
}

TEST_F(TreeGridTest, ScrollingMovesTheTopRowNotTheRecord) {
  OpenFlat(100);
  Ds->First();
  const int fixed = Grid->FixedRows();
  const int page = Grid->VisibleDataRowCount();
  ASSERT_GT(page, 3);
  ASSERT_LT(page, 100);
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(Grid->TopRow(), fixed + 1);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(Grid->TopRow(), fixed + page);
  VScroll(SB_LINEUP);
  EXPECT_EQ(Grid->TopRow(), fixed + page - 1);
  // Dragging the thumb moves nothing until it is let go.
  VScroll(SB_THUMBTRACK, 50);
  EXPECT_EQ(Grid->TopRow(), fixed + page - 1);
  VScroll(SB_THUMBPOSITION, 50);
  EXPECT_EQ(Grid->TopRow(), fixed + 49);
  Grid->VertScrollBar()->SetTracking(true);
  VScroll(SB_THUMBTRACK, 20);
  EXPECT_EQ(Grid->TopRow(), fixed + 19);
  // The last page: a line down cannot pass it.
  VScroll(SB_BOTTOM);
  const int last = Grid->TopRow();
  EXPECT_EQ(last, Grid->RowCount() - page);
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(Grid->TopRow(), last);
  VScroll(SB_TOP);
  EXPECT_EQ(Grid->TopRow(), fixed);
  EXPECT_EQ(Ds->RecNo(), 1);
  EXPECT_EQ(Grid->Row(), fixed);

  TScrollInfo info;
  info.fMask = SIF_ALL;
  VScroll(SB_LINEDOWN);
  GetScrollInfo(Grid->Handle(), SB_VERT, info);
  EXPECT_EQ(info.nMin, 1);
  EXPECT_EQ(info.nMax, 100);
  EXPECT_EQ(static_cast<int>(info.nPage), page);
  EXPECT_EQ(info.nPos, 2);
}

TEST_F(TreeGridTest, TheGridFollowsTheCurrentRecord) {
  OpenFlat(100);
  Ds->SetRecNo(80);
  EXPECT_EQ(Grid->Row(), Grid->TitleOffset() + 79);
  EXPECT_LE(Grid->TopRow(), Grid->Row());
  EXPECT_LT(Grid->Row(), Grid->TopRow() + Grid->VisibleDataRowCount());
  // Keys page through the records with the view.
  PressKey(VK_NEXT);
  EXPECT_EQ(Ds->RecNo(), 80 + Grid->VisibleDataRowCount());
  EXPECT_EQ(Grid->Row(), Grid->TitleOffset() + Ds->RecNo() - 1);
  // A click moves the record to the clicked row.
  const int target = Grid->TopRow() + 2;
  const TRect r = Grid->CellRect(FirstDataCol() + 1, target);
  Click({r.Left + 3, r.Top + 3});
  EXPECT_EQ(Grid->Row(), target);
  EXPECT_EQ(Ds->RecNo(), target - Grid->TitleOffset() + 1);
}

TEST_F(TreeGridTest, TheWheelScrollsTheViewOrMovesTheRecord) {
  OpenFlat(100);
  Ds->First();
  const int fixed = Grid->FixedRows();
  const int page = Grid->VisibleDataRowCount();
  const TPoint at = Grid->ClientToScreen({50, 50});
  Grid->Perform(WM_MOUSEWHEEL, MakeWParam(0, static_cast<unsigned>(-120)), MakeLParam(at.X, at.Y));
  EXPECT_EQ(Grid->TopRow(), fixed + 1);
  EXPECT_EQ(Ds->RecNo(), 1);
  Grid->Perform(WM_MOUSEWHEEL, MakeWParam(MK_CONTROL, static_cast<unsigned>(-120)),
                MakeLParam(at.X, at.Y));
  EXPECT_EQ(Grid->TopRow(), fixed + 1 + page);
  Grid->Perform(WM_MOUSEWHEEL, MakeWParam(MK_SHIFT, static_cast<unsigned>(-120)),
                MakeLParam(at.X, at.Y));
  EXPECT_EQ(Ds->RecNo(), 2);
}

TEST_F(TreeGridTest, TheTopRowShowsItsValueWhenDuplicatesHide) {
  Ds->ShowTree = false;
  std::vector<std::pair<std::string, int>> same(50, {"X", 1});
  Ds->SetOutline(same, true);
  Ds->Open();
  Source->SetDataSet(Ds.get());
  Grid->SetDataSource(Source.get());
  Form->Show();
  Grid->Columns()->Items(0)->SetHideDuplicates(true);
  auto count = [&] {
    int n = 0;
    for (const TCanvasRecord& r : Paint()) n += r.Text == "X";
    return n;
  };
  EXPECT_EQ(count(), 1);
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(Grid->TopRow(), Grid->FixedRows() + 1);
}

TEST_F(TreeGridTest, TheInterfaceFollowsTheDataset) {
  OpenFlat(10);
  EXPECT_NE(Grid->MemTable(), nullptr);
  TTestTable t;
  t.ds->Open();
  t.Add("x", 1);
  Source->SetDataSet(t.ds.get());
  EXPECT_EQ(Grid->MemTable(), nullptr);
  Source->SetDataSet(Ds.get());
  EXPECT_NE(Grid->MemTable(), nullptr);
  // The dataset going away takes the interface with it.
  Ds.reset();
  EXPECT_EQ(Grid->MemTable(), nullptr);
  EXPECT_FALSE(Grid->RowPerRecordMode());
}

}  // namespace
