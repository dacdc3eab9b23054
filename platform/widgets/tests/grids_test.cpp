#include "platform/widgets/string_grid.h"

#include <gtest/gtest.h>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/grid_inplace_edit.h"

namespace {

// Exposes the protected parts the tests look at.
class TTestGrid : public TStringGrid {
  MEBRATH_CLASS(TTestGrid, TStringGrid)
 public:
  using TCustomGrid::CalcDrawInfo;
  using TCustomGrid::CalcDrawInfoXY;
  using TCustomGrid::ChangeScale;
  using TCustomGrid::DeleteColumn;
  using TCustomGrid::DeleteRow;
  using TCustomGrid::FocusCell;
  using TCustomGrid::GridState;
  using TCustomGrid::MoveColRow;
  using TCustomGrid::MoveColumn;
  using TCustomGrid::MoveRow;
  std::vector<std::string> Log;

 protected:
  explicit TTestGrid(TComponent* owner) : TStringGrid(owner) {}
  void TopLeftChanged() override {
    TStringGrid::TopLeftChanged();
    Log.push_back("topleft " + std::to_string(LeftCol()) + "," + std::to_string(TopRow()));
  }
  bool SelectCell(int col, int row) override { return !(col == 3 && row == 3); }
  bool DoMouseWheelDown(TShiftState shift, TPoint p) override {
    Log.push_back("wheel down");
    return TStringGrid::DoMouseWheelDown(shift, p);
  }
  // A descendant tells the user's sizing from other changes by the state.
  void ColWidthsChanged() override {
    TStringGrid::ColWidthsChanged();
    if (GridState() == gsColSizing) Log.push_back("sized col");
  }
  void RowHeightsChanged() override {
    TStringGrid::RowHeightsChanged();
    if (GridState() == gsRowSizing) Log.push_back("sized row");
  }
};

// A host that records scrolls and gives a recording canvas for drawing
// outside painting (the XOR drag lines).
class TGridHost final : public TNullHost {
 public:
  struct TScroll {
    TRect Rect;
    int Dx;
    int Dy;
    bool operator==(const TScroll&) const = default;
  };
  std::vector<TScroll> Scrolls;
  TRecordingCanvas Direct;

  bool ScrollTopLevel(HWND, const TRect& rect, int dx, int dy) override {
    Scrolls.push_back({rect, dx, dy});
    return true;
  }
  TCanvas* TopLevelCanvas(HWND) override { return &Direct; }
};

class GridTest : public GuiTest {
 protected:
  // With `host`, the grid's form is shown through it.
  explicit GridTest(IGuiHost* host = nullptr) : FHost(host) {
    if (host != nullptr) SetGuiHost(host);
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 600, 400);
    Grid = Create<TTestGrid>(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    // 10 columns of 50 + line, 30 rows of 20 + line, in 300 x 200: the
    // fixed row and column take 51 x 21 pixels.
    Grid->SetBounds(0, 0, 300, 200);
    Grid->SetDefaultColWidth(50);
    Grid->SetDefaultRowHeight(20);
    Grid->SetColCount(10);
    Grid->SetRowCount(30);
    for (int c = 0; c < 10; ++c)
      for (int r = 0; r < 30; ++r)
        Grid->SetCells(c, r, std::to_string(c) + ":" + std::to_string(r));
    Form->Show();
    Grid->SetFocus();
  }
  ~GridTest() override {
    Form->Free();
    if (FHost != nullptr) SetGuiHost(nullptr);
  }

  void Key(unsigned vk, bool shift = false, bool ctrl = false) {
    PressKey(vk, TShiftState{}.Set(ssShift, shift).Set(ssCtrl, ctrl));
  }
  void Type(const std::u32string& text) {
    for (char32_t ch : text) HostCharEvent(ch);
    Application->ProcessMessages();
  }
  void Mouse(unsigned msg, int x, int y, unsigned keys = 0) {
    SetCursorPos(Grid->ClientToScreen({x, y}));
    Grid->Perform(msg, keys, MakeLParam(x, y));
  }
  std::string Cell() const {
    return std::to_string(Grid->Col()) + "," + std::to_string(Grid->Row()) + " top " +
           std::to_string(Grid->TopRow()) + " left " + std::to_string(Grid->LeftCol());
  }
  std::vector<TCanvasRecord> Paint() {
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    return canvas.TakeRecords();
  }

  IGuiHost* FHost = nullptr;
  TForm* Form = nullptr;
  TTestGrid* Grid = nullptr;
};

TEST_F(GridTest, DrawInfoCellRectAndMouseCoordAgree) {
  TGridDrawInfo info;
  Grid->CalcDrawInfo(info);
  EXPECT_EQ(info.Horz.EffectiveLineWidth, 1);
  EXPECT_EQ(info.Horz.FixedBoundary, 51);
  EXPECT_EQ(info.Vert.FixedBoundary, 21);
  // 51 + 4 * 51 = 255 fits in 300; the fifth scrolling column is cut.
  EXPECT_EQ(info.Horz.LastFullVisibleCell, 4);
  EXPECT_EQ(info.Horz.FullVisBoundary, 255);
  EXPECT_EQ(info.Horz.GridBoundary, 300);
  EXPECT_EQ(info.Vert.LastFullVisibleCell, 8);  // 21 + 8 * 21 = 189
  EXPECT_EQ(Grid->VisibleColCount(), 4);
  EXPECT_EQ(Grid->VisibleRowCount(), 8);
  EXPECT_EQ(Grid->CellRect(0, 0), (TRect{0, 0, 50, 20}));
  EXPECT_EQ(Grid->CellRect(2, 1), (TRect{102, 21, 152, 41}));
  EXPECT_EQ(Grid->CellRect(5, 1), (TRect{255, 21, 305, 41})) << "partly visible";
  EXPECT_TRUE(IsRectEmpty(Grid->CellRect(6, 1)));
  struct {
    int X, Y, Col, Row;
  } hits[] = {{0, 0, 0, 0},    {49, 19, 0, 0},   {50, 20, 0, 0} /* the line after a cell */,
              {51, 21, 1, 1},  {299, 199, 5, 9}, {300, 10, -1, -1},
              {-1, 10, -1, -1}};
  for (auto& h : hits) {
    TGridCoord c = Grid->MouseCoord(h.X, h.Y);
    EXPECT_EQ(c.X, h.Col) << h.X << "," << h.Y;
    EXPECT_EQ(c.Y, h.Row) << h.X << "," << h.Y;
  }
  // Scrolling shifts the scrolling cells only.
  Grid->SetTopRow(5);
  EXPECT_EQ(Grid->CellRect(1, 5), (TRect{51, 21, 101, 41}));
  EXPECT_TRUE(IsRectEmpty(Grid->CellRect(1, 4)));
  EXPECT_EQ(Grid->CellRect(0, 0), (TRect{0, 0, 50, 20}));
  // Setting the default row height drops individual heights.
  Grid->SetRowHeights(3, 40);
  Grid->SetDefaultRowHeight(20);
  EXPECT_EQ(Grid->RowHeights(3), 20);
  // Scaling scales the defaults and every size.
  Grid->SetColWidths(2, 30);
  Grid->ChangeScale(3, 2);
  EXPECT_EQ(Grid->DefaultColWidth(), 75);
  EXPECT_EQ(Grid->DefaultRowHeight(), 30);
  EXPECT_EQ(Grid->ColWidths(2), 45);
  EXPECT_EQ(Grid->RowHeights(3), 30);
  EXPECT_THROW(Grid->ColWidths(10), EInvalidGridOperation);
  EXPECT_THROW(Grid->SetFixedCols(10), EInvalidGridOperation);
}

// One line per axis with every figure of the layout, cells included.
std::string Describe(const TGridAxisDrawInfo& a) {
  std::string out =
      std::to_string(a.EffectiveLineWidth) + " fixed " + std::to_string(a.FixedCellCount) + "/" +
      std::to_string(a.FixedBoundary) + " first " + std::to_string(a.FirstGridCell) + " of " +
      std::to_string(a.GridCellCount) + " full " + std::to_string(a.LastFullVisibleCell) + "/" +
      std::to_string(a.FullVisBoundary) + " grid " + std::to_string(a.GridBoundary) + "/" +
      std::to_string(a.GridExtent) + " shown " + std::to_string(a.ShownCellCount) + ":";
  for (const TGridCellSpan& c : a.Cells)
    out += " " + std::to_string(c.Index) + "@" + std::to_string(c.Start) + "+" +
           std::to_string(c.Extent);
  return out;
}

// The layout is worked out once and kept: whatever it depends on, a change
// must show in the very next query, never a stale layout.
TEST_F(GridTest, EveryChangeTheLayoutDependsOnShowsInTheNextQuery) {
  struct {
    const char* What;
    std::function<void()> Change;
  } changes[] = {
      {"bounds", [&] { Grid->SetBounds(0, 0, 260, 170); }},
      {"parent size",
       [&] {
         Grid->SetAlign(alClient);
         Form->SetBounds(0, 0, 350, 260);
       }},
      {"scroll bars", [&] { Grid->SetScrollBars(ssBoth); }},
      {"border", [&] { Grid->SetBorderStyle(bsSingle); }},
      {"top row", [&] { Grid->SetTopRow(4); }},
      {"left col", [&] { Grid->SetLeftCol(3); }},
      {"scroll message", [&] { Grid->Perform(WM_VSCROLL, SB_LINEDOWN); }},
      {"page key", [&] { Key(VK_NEXT); }},
      {"current cell out of view", [&] { Grid->FocusCell(1, 1, true); }},
      {"col count", [&] { Grid->SetColCount(8); }},
      {"row count", [&] { Grid->SetRowCount(25); }},
      {"fixed cols", [&] { Grid->SetFixedCols(2); }},
      {"fixed rows", [&] { Grid->SetFixedRows(0); }},
      {"col width", [&] { Grid->SetColWidths(Grid->LeftCol(), 80); }},
      {"row height", [&] { Grid->SetRowHeights(Grid->TopRow(), 35); }},
      {"hidden col", [&] { Grid->SetColWidths(Grid->LeftCol() + 1, -1); }},
      {"move column", [&] { Grid->MoveColumn(Grid->LeftCol(), Grid->LeftCol() + 2); }},
      {"move row", [&] { Grid->MoveRow(Grid->TopRow(), Grid->TopRow() + 3); }},
      {"delete column", [&] { Grid->DeleteColumn(0); }},
      {"delete row", [&] { Grid->DeleteRow(0); }},
      {"default col width", [&] { Grid->SetDefaultColWidth(40); }},
      {"default row height", [&] { Grid->SetDefaultRowHeight(18); }},
      {"line width", [&] { Grid->SetGridLineWidth(3); }},
      {"line options", [&] { Grid->SetOptions(Grid->Options() - goVertLine - goFixedVertLine); }},
      {"scale", [&] { Grid->ChangeScale(5, 4); }},
  };
  auto cached = [&] {
    TGridDrawInfo info;
    Grid->CalcDrawInfo(info);
    return Describe(info.Horz) + "\n" + Describe(info.Vert);
  };
  for (auto& c : changes) {
    const std::string before = cached();
    Grid->CellRect(2, 2);  // queries in between keep the cache warm
    c.Change();
    TGridDrawInfo fresh;
    Grid->CalcDrawInfoXY(fresh, Grid->ClientWidth(), Grid->ClientHeight());
    const std::string now = cached();
    EXPECT_NE(now, before) << c.What << ": the change must move something";
    EXPECT_EQ(now, Describe(fresh.Horz) + "\n" + Describe(fresh.Vert)) << c.What;
    // The public queries read the same layout.
    TRect r;
    fresh.Horz.CellSpan(Grid->LeftCol(), r.Left, r.Right);
    fresh.Vert.CellSpan(Grid->TopRow(), r.Top, r.Bottom);
    EXPECT_EQ(Grid->CellRect(Grid->LeftCol(), Grid->TopRow()), r) << c.What;
    if (!IsRectEmpty(r)) {  // a hidden cell is never hit
      EXPECT_EQ(Grid->MouseCoord(r.Left, r.Top), (TGridCoord{Grid->LeftCol(), Grid->TopRow()}))
          << c.What;
    }
    EXPECT_EQ(Grid->VisibleRowCount(),
              fresh.Vert.LastFullVisibleCell - fresh.Vert.FirstGridCell + 1)
        << c.What;
  }
}

// A cell drawn by the program may change the grid while it paints: the
// paint goes on over the layout it started with (the sanitizers watch the
// memory), and the next paint shows the change.
TEST_F(GridTest, ChangingTheLayoutWhileDrawingACell) {
  int calls = 0;
  Grid->OnDrawCell = [&](TObject*, int col, int row, const TRect&, TGridDrawState) {
    if (++calls == 1) {
      Grid->SetColWidths(col + 1, 90);
      Grid->SetRowHeights(row + 1, 30);
      Grid->SetColCount(4);
    }
  };
  std::vector<TCanvasRecord> first = Paint();
  EXPECT_EQ(calls, 60) << "the first paint draws the cells it started with";
  EXPECT_EQ(Grid->CellRect(1, 1), (TRect{51, 21, 141, 51}));
  calls = 1;
  Paint();
  EXPECT_EQ(calls, 1 + 4 * 10);
}

// Hidden cells (width below zero) take no room: they are skipped by hit
// tests and by painting, and the cells after them close up.
TEST_F(GridTest, HiddenColumnsTakeNoRoom) {
  Grid->SetColWidths(2, -1);  // with the line: 0 pixels
  EXPECT_EQ(Grid->CellRect(3, 1), (TRect{102, 21, 152, 41}));
  EXPECT_EQ(Grid->MouseCoord(102, 30), (TGridCoord{3, 1}));
  EXPECT_EQ(Grid->MouseCoord(101, 30), (TGridCoord{1, 1})) << "the line after column 1";
  for (const TCanvasRecord& r : Paint())
    EXPECT_FALSE(r.Kind == TRecordKind::Text && r.Text == "2:1") << "a hidden cell is not drawn";
  // Without lines a width of -1 goes back a pixel: the next column starts
  // one pixel early and hit tests still find it.
  Grid->SetOptions({});
  EXPECT_EQ(Grid->CellRect(3, 1), (TRect{99, 20, 149, 40}));
  EXPECT_EQ(Grid->MouseCoord(100, 25), (TGridCoord{3, 1}));
}

TEST_F(GridTest, KeysMoveTheCurrentCellAndScroll) {
  struct {
    unsigned Key;
    bool Shift, Ctrl;
    const char* After;
  } steps[] = {
      {VK_DOWN, false, false, "1,2 top 1 left 1"},
      {VK_RIGHT, false, false, "2,2 top 1 left 1"},
      {VK_NEXT, false, false, "2,10 top 9 left 1"},  // a page of 8 rows
      {VK_PRIOR, false, false, "2,2 top 1 left 1"},
      {VK_END, false, false, "9,2 top 1 left 6"},
      {VK_HOME, false, false, "1,2 top 1 left 1"},
      {VK_END, false, true, "9,29 top 22 left 6"},
      {VK_HOME, false, true, "1,1 top 1 left 1"},
      {VK_DOWN, false, true, "1,2 top 2 left 1"},  // Ctrl+Down scrolls; the cell stays in view
      {VK_NEXT, false, true, "1,9 top 2 left 1"},  // to the last full row
      {VK_PRIOR, false, true, "1,2 top 2 left 1"},
      {VK_UP, false, false, "1,1 top 1 left 1"},
      {VK_UP, false, false, "1,1 top 1 left 1"},  // stays inside the scrolling cells
      {VK_TAB, false, false, "2,1 top 1 left 1"},
      {VK_TAB, true, false, "1,1 top 1 left 1"},
      {VK_TAB, true, false, "9,29 top 22 left 6"},  // wraps to the last cell
  };
  Grid->SetOptions(Grid->Options() + goTabs);
  for (auto& s : steps) {
    Key(s.Key, s.Shift, s.Ctrl);
    EXPECT_EQ(Cell(), s.After) << "after key " << s.Key;
  }
  // SelectCell can refuse a cell: (3,3) is never current.
  Grid->FocusCell(3, 2, true);
  Key(VK_DOWN);
  EXPECT_EQ(Grid->Row(), 2);
  // Shift+arrows extend the selection with goRangeSelect.
  Grid->FocusCell(1, 1, true);
  Key(VK_DOWN, true);
  Key(VK_RIGHT, true);
  EXPECT_EQ(Grid->Selection(), (TGridRect{1, 1, 2, 2}));
}

TEST_F(GridTest, ScrollBarsAndScrollingRepaintOnlyWhatMoved) {
  // Without scroll bars (whose frame repaint would cover everything): a
  // one-row scroll repaints the scrolling rows, never the fixed row.
  Paint();  // nothing left invalid
  Grid->Perform(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(Grid->TopRow(), 2);
  TRect dirty;
  ASSERT_TRUE(GetUpdateRect(Grid->Handle(), dirty));
  EXPECT_EQ(dirty.Top, 21);
  std::vector<TCanvasRecord> records = Paint();
  bool fixedRowDrawn = false, newRowDrawn = false;
  for (const TCanvasRecord& r : records) {
    if (r.Kind != TRecordKind::Text) continue;
    if (r.Text == "1:0") fixedRowDrawn = true;
    if (r.Text == "1:10") newRowDrawn = true;
  }
  EXPECT_FALSE(fixedRowDrawn);
  EXPECT_TRUE(newRowDrawn);

  Grid->SetTopRow(1);
  Grid->SetScrollBars(ssBoth);
  TScrollInfo si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(Grid->Handle(), SB_VERT, si));
  EXPECT_EQ(si.nMax, 28);  // 29 scrolling rows
  EXPECT_EQ(si.nPos, 0);
  Grid->Perform(WM_VSCROLL, SB_LINEDOWN);
  EXPECT_EQ(GetScrollPos(Grid->Handle(), SB_VERT), 1);
  struct {
    int Code, Pos, Top;
  } codes[] = {// the bars leave room for 7 whole rows
               {SB_PAGEDOWN, 0, 9}, {SB_PAGEUP, 0, 2}, {SB_BOTTOM, 0, 23},
               {SB_TOP, 0, 1},      {SB_LINEUP, 0, 1}, {SB_THUMBTRACK, 5, 1} /* no tracking */};
  for (auto& c : codes) {
    Grid->Perform(WM_VSCROLL, MakeWParam(c.Code, c.Pos));
    EXPECT_EQ(Grid->TopRow(), c.Top) << "code " << c.Code;
  }
  Grid->Perform(WM_HSCROLL, SB_LINERIGHT);
  EXPECT_EQ(Grid->LeftCol(), 2);
  EXPECT_EQ(Grid->Log.back(), "topleft 2,1");
}

TEST_F(GridTest, ColumnSizingWithTheMouseDrawsAnXorLine) {
  Grid->SetOptions(Grid->Options() + goColSizing + goRowSizing);
  // The edge after column 1 is at x = 101 (51 + 50) in the fixed row.
  Mouse(WM_LBUTTONDOWN, 102, 5, MK_LBUTTON);
  EXPECT_EQ(Grid->GridState(), gsColSizing);
  Mouse(WM_MOUSEMOVE, 131, 5, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 131, 5);
  EXPECT_EQ(Grid->GridState(), gsNormal);
  EXPECT_EQ(Grid->ColWidths(1), 79);  // 50 + 30 - 1 (the press was 1 right of the edge)
  // Rows size in the fixed column; a press away from an edge starts nothing.
  Mouse(WM_LBUTTONDOWN, 10, 41, MK_LBUTTON);  // the edge after row 1 is at y = 41
  EXPECT_EQ(Grid->GridState(), gsRowSizing);
  Mouse(WM_LBUTTONUP, 10, 61);
  EXPECT_EQ(Grid->RowHeights(1), 40);
  Mouse(WM_LBUTTONDOWN, 160, 5, MK_LBUTTON);
  EXPECT_EQ(Grid->GridState(), gsNormal);
  Mouse(WM_LBUTTONUP, 160, 5);
  // The new sizes were set while the sizing state still held.
  EXPECT_EQ(Grid->Log, (std::vector<std::string>{"sized col", "sized row"}));
}

TEST_F(GridTest, CancelModeEndsSizingWithoutChangingTheWidth) {
  Grid->SetOptions(Grid->Options() + goColSizing);
  Mouse(WM_LBUTTONDOWN, 101, 5, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, 121, 5, MK_LBUTTON);
  Grid->Perform(WM_CANCELMODE);
  EXPECT_EQ(Grid->GridState(), gsNormal);
  EXPECT_EQ(Grid->ColWidths(1), 50);
}

TEST_F(GridTest, ColumnAndRowMovingWithTheMouse) {
  Grid->SetOptions(Grid->Options() + goColMoving + goRowMoving);
  std::vector<std::string> moved;
  Grid->OnColumnMoved = [&](TObject*, int from, int to) {
    moved.push_back("col " + std::to_string(from) + ">" + std::to_string(to));
  };
  Grid->OnRowMoved = [&](TObject*, int from, int to) {
    moved.push_back("row " + std::to_string(from) + ">" + std::to_string(to));
  };
  Mouse(WM_LBUTTONDOWN, 70, 5, MK_LBUTTON);  // title of column 1
  EXPECT_EQ(Grid->GridState(), gsColMoving);
  Mouse(WM_MOUSEMOVE, 170, 5, MK_LBUTTON);  // over column 3
  Mouse(WM_LBUTTONUP, 170, 5);
  Mouse(WM_LBUTTONDOWN, 10, 25, MK_LBUTTON);  // row 1 in the fixed column
  Mouse(WM_MOUSEMOVE, 10, 70, MK_LBUTTON);    // row 3
  Mouse(WM_LBUTTONUP, 10, 70);
  EXPECT_EQ(moved, (std::vector<std::string>{"col 1>3", "row 1>3"}));
  EXPECT_EQ(Grid->Cells(3, 0), "1:0");
  EXPECT_EQ(Grid->Cells(1, 0), "2:0");
  EXPECT_EQ(Grid->Cells(3, 3), "1:1");
  EXPECT_EQ(Grid->Rows(3)[0], "0:1");
  // A press and release on the same title moves nothing.
  Mouse(WM_LBUTTONDOWN, 70, 5, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 70, 5);
  EXPECT_EQ(moved.size(), 2u);
}

TEST_F(GridTest, DraggingASelectionPastTheEdgeScrollsOnTheTimer) {
  Mouse(WM_LBUTTONDOWN, 60, 30, MK_LBUTTON);  // cell (1, 1)
  EXPECT_EQ(Grid->GridState(), gsSelecting);
  Mouse(WM_MOUSEMOVE, 120, 70, MK_LBUTTON);  // cell (2, 3)
  EXPECT_EQ(Grid->Selection(), (TGridRect{1, 1, 2, 3}));
  Mouse(WM_MOUSEMOVE, 120, 250, MK_LBUTTON);  // below the grid
  for (int i = 0; i < 2; ++i) {
    Advance(60);
    FireDueTimers();
    Application->ProcessMessages();
  }
  EXPECT_EQ(Grid->TopRow(), 3);
  EXPECT_EQ(Grid->Selection().Bottom, 10);
  Mouse(WM_LBUTTONUP, 120, 150);
  EXPECT_EQ(Grid->GridState(), gsNormal);
  int top = Grid->TopRow();
  Advance(60);
  FireDueTimers();
  Application->ProcessMessages();
  EXPECT_EQ(Grid->TopRow(), top) << "the timer stopped";
  EXPECT_EQ(Grid->Col(), 1);
  EXPECT_EQ(Grid->Row(), 1);
}

TEST_F(GridTest, InplaceEditorLifeCycle) {
  Grid->SetOptions(Grid->Options() + goEditing);
  EXPECT_EQ(Grid->InplaceEditor(), nullptr);
  Key(VK_F2);
  ASSERT_NE(Grid->InplaceEditor(), nullptr);
  TInplaceEdit* editor = Grid->InplaceEditor();
  EXPECT_TRUE(Grid->EditorMode());
  EXPECT_TRUE(editor->Visible());
  EXPECT_TRUE(editor->Focused());
  EXPECT_EQ(editor->Text(), "1:1");
  EXPECT_EQ(editor->BoundsRect(), Grid->CellRect(1, 1));
  EXPECT_EQ(editor->SelLength(), 3) << "all selected";
  Key(VK_F2);
  EXPECT_EQ(editor->SelLength(), 0) << "F2 again: the caret at the end";
  EXPECT_EQ(editor->SelStart(), 3);
  editor->SelectAll();
  Type(U"ab");
  EXPECT_EQ(Grid->Cells(1, 1), "ab") << "every change reaches SetEditText";
  Key(VK_BACK);
  EXPECT_EQ(editor->Text(), "a");
  // Enter ends editing; the grid has the focus again.
  Type(U"\r");
  EXPECT_FALSE(Grid->EditorMode());
  EXPECT_FALSE(editor->Visible());
  EXPECT_TRUE(Grid->Focused());
  // Typing starts editing with the typed character replacing the text.
  Type(U"xyz");
  EXPECT_TRUE(Grid->EditorMode());
  EXPECT_EQ(Grid->Cells(1, 1), "xyz");
  // Esc gives back the text the cell had when editing began.
  Key(VK_ESCAPE);
  EXPECT_FALSE(Grid->EditorMode());
  EXPECT_EQ(Grid->Cells(1, 1), "a");
  // Keys the editor passes on move the cell and end editing.
  Key(VK_F2);
  EXPECT_TRUE(editor->Visible());
  Key(VK_DOWN);
  EXPECT_EQ(Grid->Row(), 2);
  EXPECT_FALSE(Grid->EditorMode());
  // Left/Right move the caret inside the text and leave at its ends.
  Key(VK_F2);
  editor->SetSelStart(1);
  Key(VK_LEFT);
  EXPECT_EQ(editor->SelStart(), 0);
  EXPECT_EQ(Grid->Col(), 1);
  Key(VK_LEFT);  // at the start: the grid's Left (already the first column)
  Key(VK_END);
  Key(VK_RIGHT);
  EXPECT_EQ(Grid->Col(), 2);
}

TEST_F(GridTest, AlwaysShowEditorFollowsTheCurrentCell) {
  Grid->SetOptions(Grid->Options() + goEditing + goAlwaysShowEditor);
  Grid->SetFocus();
  Key(VK_RIGHT);
  ASSERT_NE(Grid->InplaceEditor(), nullptr);
  TInplaceEdit* editor = Grid->InplaceEditor();
  EXPECT_TRUE(editor->Visible());
  EXPECT_EQ(editor->Text(), "2:1");
  Key(VK_DOWN);
  EXPECT_TRUE(editor->Visible());
  EXPECT_EQ(editor->Text(), "2:2");
  EXPECT_EQ(editor->BoundsRect(), Grid->CellRect(2, 2));
  Type(U"\r");
  EXPECT_TRUE(Grid->EditorMode()) << "Enter does not end an always-shown editor";
  // A click on another cell moves it there.
  Mouse(WM_LBUTTONDOWN, 160, 30, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 160, 30);
  EXPECT_EQ(editor->Text(), "3:1");
  // Row select never edits.
  Grid->SetOptions(Grid->Options() + goRowSelect);
  EXPECT_FALSE(editor->Visible());
  EXPECT_EQ(Grid->Selection(), (TGridRect{1, 1, 9, 1}));
}

TEST_F(GridTest, PaintDrawsVisibleCellsFixedCellsAndTheFocus) {
  std::vector<TCanvasRecord> records = Paint();
  int texts = 0;
  bool focus = false;
  for (const TCanvasRecord& r : records) {
    if (r.Kind == TRecordKind::Text) ++texts;
    if (r.Kind == TRecordKind::FillRect && r.Color == clHighlight) focus = true;
  }
  // 6 columns (one partly) by 10 rows (one partly).
  EXPECT_EQ(texts, 60);
  EXPECT_FALSE(focus) << "the focused cell is not highlighted without goDrawFocusSelected";
  Grid->SetOptions(Grid->Options() + goRowSelect);
  records = Paint();
  int highlighted = 0;
  for (const TCanvasRecord& r : records)
    if (r.Kind == TRecordKind::Text && r.Color == clHighlightText) ++highlighted;
  EXPECT_EQ(highlighted, 5) << "the whole visible row";
}

TEST_F(GridTest, EachLineOptionDrawsItsLinesAndTakesItsWidth) {
  // Strips after the fixed column (x 50) and the first data column
  // (x 101), under the fixed row (y 20) and the first data row (y 41).
  struct {
    TGridOptions Options;
    int HorzLine, VertLine;
    bool X50, X101, Y20, Y41;
  } cases[] = {
      {{}, 0, 0, false, false, false, false},
      {{goFixedVertLine}, 1, 0, true, false, false, false},
      {{goVertLine}, 1, 0, false, true, false, false},
      {{goFixedHorzLine}, 0, 1, false, false, true, false},
      {{goHorzLine}, 0, 1, false, false, false, true},
      {{goFixedVertLine, goVertLine, goFixedHorzLine, goHorzLine}, 1, 1, true, true, true, true},
  };
  for (auto& c : cases) {
    Grid->SetOptions(c.Options);
    TGridDrawInfo info;
    Grid->CalcDrawInfo(info);
    EXPECT_EQ(info.Horz.EffectiveLineWidth, c.HorzLine);
    EXPECT_EQ(info.Vert.EffectiveLineWidth, c.VertLine);
    Grid->InvalidateGrid();
    bool x50 = false, x101 = false, y20 = false, y41 = false;
    for (const TCanvasRecord& r : Paint()) {
      // Grid lines are shadow (fixed) or silver (data); the fixed cells'
      // raised edges are drawn inside the cells.
      if (r.Kind != TRecordKind::FillRect || (r.Color != clBtnShadow && r.Color != clSilver))
        continue;
      if (r.Rect.Width() == 1 && r.Rect.Height() > 1) {
        x50 = x50 || r.Rect.Left == 50;
        x101 = x101 || r.Rect.Left == 101;
      }
      if (r.Rect.Height() == 1 && r.Rect.Width() > 1) {
        y20 = y20 || r.Rect.Top == 20;
        y41 = y41 || r.Rect.Top == 41;
      }
    }
    EXPECT_EQ(x50, c.X50) << c.Options.Bits();
    EXPECT_EQ(x101, c.X101) << c.Options.Bits();
    EXPECT_EQ(y20, c.Y20) << c.Options.Bits();
    EXPECT_EQ(y41, c.Y41) << c.Options.Bits();
  }
}

TEST_F(GridTest, OptionsOfSelectionSizingTabsAndTracking) {
  // Without goRangeSelect neither Shift nor dragging extends the selection.
  Grid->SetOptions(Grid->Options() - goRangeSelect);
  Key(VK_DOWN, true);
  EXPECT_EQ(Grid->Selection(), (TGridRect{1, 2, 1, 2}));
  Mouse(WM_LBUTTONDOWN, 60, 30, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, 120, 70, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, 120, 70);
  EXPECT_EQ(Grid->Selection(), (TGridRect{2, 3, 2, 3})) << "the current cell follows";
  // goDrawFocusSelected paints the focused cell selected.
  Grid->SetOptions(Grid->Options() + goDrawFocusSelected);
  bool highlighted = false;
  for (const TCanvasRecord& r : Paint())
    if (r.Kind == TRecordKind::Text && r.Text == "2:3") highlighted = r.Color == clHighlightText;
  EXPECT_TRUE(highlighted);
  // Without goColSizing / goRowSizing an edge press selects nothing special.
  Mouse(WM_LBUTTONDOWN, 101, 5, MK_LBUTTON);
  EXPECT_EQ(Grid->GridState(), gsNormal);
  Mouse(WM_LBUTTONUP, 101, 5);
  Mouse(WM_LBUTTONDOWN, 10, 41, MK_LBUTTON);
  EXPECT_EQ(Grid->GridState(), gsNormal);
  Mouse(WM_LBUTTONUP, 10, 41);
  // Without goColMoving a press on a title moves nothing.
  Mouse(WM_LBUTTONDOWN, 70, 5, MK_LBUTTON);
  EXPECT_EQ(Grid->GridState(), gsNormal);
  Mouse(WM_LBUTTONUP, 70, 5);
  // Tab is the grid's only with goTabs.
  EXPECT_EQ(Grid->Perform(WM_GETDLGCODE) & DLGC_WANTTAB, 0u);
  Grid->SetOptions(Grid->Options() + goTabs);
  EXPECT_NE(Grid->Perform(WM_GETDLGCODE) & DLGC_WANTTAB, 0u);
  // The thumb moves the rows while dragged only with goThumbTracking; a
  // thumb position passed on from another scroll bar is taken as it is.
  Grid->SetScrollBars(ssBoth);
  Grid->Perform(WM_VSCROLL, MakeWParam(SB_THUMBTRACK, 5));
  EXPECT_EQ(Grid->TopRow(), 1);
  Grid->Perform(WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, 3));
  EXPECT_EQ(Grid->TopRow(), 4);
  Grid->SetOptions(Grid->Options() + goThumbTracking);
  Grid->Perform(WM_VSCROLL, MakeWParam(SB_THUMBTRACK, 5));
  EXPECT_EQ(Grid->TopRow(), 6);
  // MoveColRow without `show` leaves the view; the anchor stays unless asked.
  Grid->MoveColRow(2, 25, false, false);
  EXPECT_EQ(Grid->TopRow(), 6);
  EXPECT_EQ(Grid->Row(), 25);
  // The wheel moves the current row through the overridable steps.
  Grid->Log.clear();
  Grid->Perform(WM_MOUSEWHEEL, MakeWParam(0, static_cast<std::uint16_t>(-120)), 0);
  EXPECT_EQ(Grid->Row(), 26);
  ASSERT_FALSE(Grid->Log.empty());
  EXPECT_EQ(Grid->Log.front(), "wheel down");
  Grid->Perform(WM_MOUSEWHEEL, MakeWParam(0, 120), 0);
  EXPECT_EQ(Grid->Row(), 25);
}

// With a host: scrolling moves pixels and repaints only the uncovered
// strip; the drag lines are drawn in XOR straight onto the window.
struct TGridHostHolder {
  TGridHost Host;
};

class GridHostTest : protected TGridHostHolder, public GridTest {
 protected:
  GridHostTest() : GridTest(&Host) { Paint(); }
  // The grid's client rectangle `r` in the form's content coordinates.
  TRect InContent(TRect r) {
    TPoint o = Grid->ClientOrigin();
    TRect content = ContentRect(Form->Handle());
    OffsetRect(r, o.X - content.Left, o.Y - content.Top);
    return r;
  }
};

TEST_F(GridHostTest, ScrollingByARowMovesPixelsAndRepaintsTheNewRowOnly) {
  struct {
    int Msg, Code;
    TGridHost::TScroll Scroll;
    TRect Strip;  // what is left to paint, grid client coordinates
  } cases[] = {
      // The scrolling rows below the fixed row move up by one row (21).
      {WM_VSCROLL, SB_LINEDOWN, {{0, 21, 300, 200}, 0, -21}, {0, 179, 300, 200}},
      {WM_VSCROLL, SB_LINEUP, {{0, 21, 300, 200}, 0, 21}, {0, 21, 300, 42}},
      // The scrolling columns right of the fixed column move by one (51).
      {WM_HSCROLL, SB_LINEDOWN, {{51, 0, 300, 200}, -51, 0}, {249, 0, 300, 200}},
      {WM_HSCROLL, SB_LINEUP, {{51, 0, 300, 200}, 51, 0}, {51, 0, 102, 200}},
  };
  for (auto& c : cases) {
    Host.Scrolls.clear();
    Grid->Perform(c.Msg, c.Code);
    ASSERT_EQ(Host.Scrolls.size(), 1u) << c.Msg << " " << c.Code;
    TGridHost::TScroll expected = c.Scroll;
    expected.Rect = InContent(expected.Rect);
    EXPECT_EQ(Host.Scrolls[0], expected);
    TRect dirty;
    ASSERT_TRUE(GetUpdateRect(Grid->Handle(), dirty));
    EXPECT_EQ(dirty, c.Strip) << c.Msg << " " << c.Code;
    Paint();
  }
  // The rows that come into view are drawn, the ones that moved are not.
  Grid->Perform(WM_VSCROLL, SB_LINEDOWN);
  std::vector<std::string> texts;
  for (const TCanvasRecord& r : Paint())
    if (r.Kind == TRecordKind::Text && r.Text.ends_with(":10")) texts.push_back(r.Text);
  EXPECT_FALSE(texts.empty());
  for (const TCanvasRecord& r : Paint()) EXPECT_NE(r.Kind, TRecordKind::Text) << r.Text;
  // A jump of more than a screen repaints the whole scrolling area.
  Host.Scrolls.clear();
  Grid->SetTopRow(20);
  EXPECT_TRUE(Host.Scrolls.empty());
}

TEST_F(GridHostTest, SizingAndMovingLinesAreDrawnInXorAndErased) {
  Grid->SetOptions(Grid->Options() + goColSizing + goColMoving);
  Paint();
  auto lines = [&] {
    std::vector<TCanvasRecord> out;
    for (TCanvasRecord& r : Host.Direct.TakeRecords())
      if (r.Kind == TRecordKind::Line || r.Kind == TRecordKind::Polyline) out.push_back(r);
    return out;
  };
  Mouse(WM_LBUTTONDOWN, 101, 5, MK_LBUTTON);
  std::vector<TCanvasRecord> shown = lines();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Pen.Mode, pmXor);
  EXPECT_EQ(shown[0].Points.front().X, 101);
  Mouse(WM_MOUSEMOVE, 121, 5, MK_LBUTTON);
  std::vector<TCanvasRecord> moved = lines();
  ASSERT_EQ(moved.size(), 2u) << "erased at the old place, drawn at the new";
  EXPECT_EQ(moved[0].Points.front().X, 101);
  EXPECT_EQ(moved[1].Points.front().X, 121);
  Mouse(WM_LBUTTONUP, 121, 5);
  std::vector<TCanvasRecord> erased = lines();
  ASSERT_EQ(erased.size(), 1u);
  EXPECT_EQ(erased[0].Points.front().X, 121);
  // Moving a column marks the drop edge with a thick XOR line.
  Mouse(WM_LBUTTONDOWN, 60, 5, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, 230, 5, MK_LBUTTON);
  std::vector<TCanvasRecord> mark = lines();
  ASSERT_EQ(mark.size(), 1u);
  EXPECT_EQ(mark[0].Pen.Mode, pmXor);
  EXPECT_EQ(mark[0].Pen.Width, 3);
  Mouse(WM_LBUTTONUP, 230, 5);
  EXPECT_EQ(lines().size(), 1u) << "the mark is erased";
}

}  // namespace
