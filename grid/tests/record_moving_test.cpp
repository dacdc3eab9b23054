#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "grid/db_grid.h"
#include "grid/filter_expression.h"
#include "grid/grid_resources.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"
#include "tree_data_set.h"

namespace {

// Shows the form through a host whose canvas records what is drawn
// outside painting (the drop line).
class TLineHost : public TNullHost {
 public:
  TRecordingCanvas Direct;
  TCanvas* TopLevelCanvas(HWND) override { return &Direct; }
  // The XOR drop lines drawn, as (x1, x2, y).
  std::vector<std::vector<int>> DropLines() const {
    std::vector<std::vector<int>> lines;
    for (const TCanvasRecord& r : Direct.Records())
      if (r.Kind == TRecordKind::Line && r.Pen.Mode == pmXor && r.Pen.Width == 5 &&
          r.Pen.Style == psDot)
        lines.push_back({r.Points[0].X, r.Points[1].X, r.Points[0].Y});
    return lines;
  }
};

// Takes every move handed to the features object of the test table.
class TRecordingFeatures : public TDatasetFeaturesEh {
 public:
  TRecordingFeatures() : TDatasetFeaturesEh(TTestMemDs::kClassInfo) {}
  bool MoveRecords(TCustomDBGridEh*, const std::vector<std::string>& bookmarks, int& target,
                   bool checkOnly) override {
    Calls.push_back({bookmarks, target, checkOnly});
    return Answer;
  }
  struct TCall {
    std::vector<std::string> Bookmarks;
    int Target;
    bool CheckOnly;
  };
  static inline std::vector<TCall> Calls;
  static inline bool Answer = true;
};

struct TMoveCall {
  std::vector<std::string> Bookmarks;
  int TargetRow;
  int TargetLevel;
};

class RecordMovingTest : public GuiTest {
 protected:
  RecordMovingTest() {
    SetGuiHost(&Host);
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
  }
  ~RecordMovingTest() override {
    Form->Free();
    Source.reset();
    SetGuiHost(nullptr);
  }
  void Show(int records) {
    for (int i = 1; i <= records; ++i) T.Add("r" + std::to_string(i), i);
    T.ds->First();
    Source->SetDataSet(T.ds.get());
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  void Record() {
    Grid->OnMoveRecords = [this](TObject*, const std::vector<std::string>& bookmarks, int row,
                                 int level, bool checkOnly) {
      if (!checkOnly) Moves.push_back({bookmarks, row, level});
      return true;
    };
  }
  TPoint InForm(TPoint p) { return Form->ScreenToClient(Grid->ClientToScreen(p)); }
  void Mouse(unsigned msg, TPoint p, unsigned keys = 0) {
    // Presses far apart in time: never a double click.
    if (msg == WM_LBUTTONDOWN) Advance(1000);
    SetCursorPos(Grid->ClientToScreen(p));
    HostMouseEvent(Form->Handle(), msg, InForm(p), keys);
    Application->ProcessMessages();
  }
  // The indicator cell of grid row `row`.
  TPoint Indicator(int row) {
    const TRect r = Grid->CellRect(0, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  TPoint Cell(int col, int row) {
    const TRect r = Grid->CellRect(col, row);
    return {r.Left + 3, (r.Top + r.Bottom) / 2};
  }
  void Drag(int fromRow, TPoint to) {
    Mouse(WM_LBUTTONDOWN, Indicator(fromRow), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, to, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, to);
  }
  std::string NameOf(const std::string& bookmark) {
    const std::string here = T.ds->Bookmark();
    T.ds->GotoBookmark(bookmark);
    const std::string name = T.name->AsString();
    T.ds->GotoBookmark(here);
    return name;
  }
  // The y of the drop line in the grid's client coordinates.
  int GridY(int deviceY) { return deviceY - InForm({0, 0}).Y; }
  void SelectRows(std::initializer_list<int> rows) {
    for (int row : rows) {
      T.ds->First();
      T.ds->MoveBy(row - Grid->TitleOffset());
      Grid->SelectedRows()->SetCurrentRowSelected(true);
    }
    T.ds->First();
  }

  TLineHost Host;
  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
  std::vector<TMoveCall> Moves;
};

TEST_F(RecordMovingTest, WhereAPressCanStartAMove) {
  Show(0);
  const int top = Grid->TitleOffset();
  auto can = [&](TPoint p) { return Grid->StartRecordMoving(p.X, p.Y, true); };
  EXPECT_FALSE(can(Indicator(top))) << "empty dataset";
  T.Add("a", 1);
  T.Add("b", 2);
  T.Add("c", 3);
  T.Add("d", 4);
  T.Add("e", 5);
  EXPECT_TRUE(can(Indicator(top + 1)));
  EXPECT_FALSE(can(Cell(Grid->IndicatorOffset(), top + 1))) << "a data cell";
  EXPECT_FALSE(can(Indicator(0))) << "the title";
  Grid->SetOptionsEh(Grid->OptionsEh() - TDBGridEhOptions{dghRecordMoving});
  EXPECT_FALSE(can(Indicator(top + 1))) << "without the option";
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});

  // With records selectable only a selected record is dragged.
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  SelectRows({top, top + 2, top + 4});
  EXPECT_FALSE(can(Indicator(top + 1))) << "an unselected record";
  EXPECT_TRUE(can(Indicator(top + 2)));
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  Application->ProcessMessages();
  EXPECT_FALSE(can(Indicator(top + 2))) << "with Ctrl";
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  Application->ProcessMessages();
  // Where a move could start, the pointer is not the select-row arrow.
  const TPoint p = Indicator(top + 2);
  EXPECT_EQ(Grid->CursorAt(p.X, p.Y), gcPlatform);
  const TPoint q = Indicator(top + 1);
  EXPECT_EQ(Grid->CursorAt(q.X, q.Y), gcSelectRow);
}

TEST_F(RecordMovingTest, DraggingShowsTheLineAndDropsTheRecord) {
  Show(8);
  Record();
  const int top = Grid->TitleOffset();
  Mouse(WM_LBUTTONDOWN, Indicator(top + 1), MK_LBUTTON);
  ASSERT_TRUE(Grid->RecordMoving());
  EXPECT_EQ(T.name->AsString(), "r1") << "the press does not move the dataset";
  ASSERT_EQ(Host.DropLines().size(), 1u);
  EXPECT_EQ(Host.DropLines()[0][1] - Host.DropLines()[0][0], Grid->ClientWidth());

  // Below the source the line is at the bottom edge of the target row.
  Host.Direct.Clear();
  Mouse(WM_MOUSEMOVE, Cell(2, top + 4), MK_LBUTTON);
  auto lines = Host.DropLines();
  ASSERT_EQ(lines.size(), 2u);  // the old one erased, the new one drawn
  EXPECT_EQ(GridY(lines[1][2]), Grid->CellRect(0, top + 4).Bottom);
  // Above it, at the top edge.
  Host.Direct.Clear();
  Mouse(WM_MOUSEMOVE, Cell(2, top), MK_LBUTTON);
  lines = Host.DropLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(GridY(lines[1][2]), Grid->CellRect(0, top).Top);
  EXPECT_EQ(Grid->RecordMovingTargetRow(), top);

  Host.Direct.Clear();
  Mouse(WM_LBUTTONUP, Cell(2, top));
  EXPECT_FALSE(Grid->RecordMoving());
  EXPECT_FALSE(Grid->MouseCapture());
  EXPECT_EQ(Host.DropLines().size(), 1u) << "the line is erased";
  ASSERT_EQ(Moves.size(), 1u);
  ASSERT_EQ(Moves[0].Bookmarks.size(), 1u);
  EXPECT_EQ(NameOf(Moves[0].Bookmarks[0]), "r2");
  EXPECT_EQ(Moves[0].TargetRow, 0);
  EXPECT_EQ(Moves[0].TargetLevel, -1);
}

TEST_F(RecordMovingTest, NoMoveOnTheSourceRowOrWhenCancelled) {
  Show(8);
  Record();
  const int top = Grid->TitleOffset();
  Drag(top + 2, Cell(3, top + 2));
  EXPECT_TRUE(Moves.empty());
  Mouse(WM_LBUTTONDOWN, Indicator(top + 2), MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, Cell(3, top + 5), MK_LBUTTON);
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(Grid->RecordMoving());
  Mouse(WM_LBUTTONUP, Cell(3, top + 5));
  EXPECT_TRUE(Moves.empty());
  Mouse(WM_LBUTTONDOWN, Indicator(top + 2), MK_LBUTTON);
  Grid->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(Grid->RecordMoving());
  EXPECT_EQ(Host.DropLines().size() % 2, 0u) << "every line drawn is erased";
}

TEST_F(RecordMovingTest, TheSelectedRecordsMoveTogether) {
  Show(8);
  Record();
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  const int top = Grid->TitleOffset();
  SelectRows({top + 1, top + 3, top + 4});
  Drag(top + 3, Cell(2, top + 6));
  ASSERT_EQ(Moves.size(), 1u);
  std::vector<std::string> names;
  for (const std::string& b : Moves[0].Bookmarks) names.push_back(NameOf(b));
  EXPECT_EQ(names, (std::vector<std::string>{"r2", "r4", "r5"}));
  EXPECT_EQ(Moves[0].TargetRow, 6);
}

TEST_F(RecordMovingTest, TheDefaultMoverIsTheDatasetsFeaturesObject) {
  Show(8);
  ASSERT_TRUE(RegisterDatasetFeaturesClass(std::make_unique<TRecordingFeatures>()));
  TRecordingFeatures::Calls.clear();
  TRecordingFeatures::Answer = false;
  const int top = Grid->TitleOffset();
  T.ds->MoveBy(1);  // r2
  Drag(top + 5, Cell(2, top + 2));
  ASSERT_EQ(TRecordingFeatures::Calls.size(), 1u);
  const auto& call = TRecordingFeatures::Calls[0];
  EXPECT_EQ(NameOf(call.Bookmarks.at(0)), "r6");
  EXPECT_EQ(call.Target, 3);  // the record number of the target row
  EXPECT_FALSE(call.CheckOnly);
  EXPECT_EQ(T.name->AsString(), "r2") << "a refused move leaves the dataset alone";
  // A move that happened shows the records where they went.
  TRecordingFeatures::Answer = true;
  Drag(top + 5, Cell(2, top + 2));
  EXPECT_EQ(TRecordingFeatures::Calls.size(), 2u);
  EXPECT_EQ(T.ds->RecNo(), 3);
  UnregisterAllDatasetFeatures();
  // Without one, nothing moves.
  Drag(top + 5, Cell(2, top + 2));
  EXPECT_EQ(TRecordingFeatures::Calls.size(), 2u);
}

TEST_F(RecordMovingTest, PastTheLastRowTheRowsScroll) {
  Show(60);
  Record();
  const int top = Grid->TitleOffset();
  const int shown = Grid->DataLink()->RecordCount();
  ASSERT_LT(shown, 60);
  Mouse(WM_LBUTTONDOWN, Indicator(top), MK_LBUTTON);
  ASSERT_TRUE(Grid->RecordMoving());
  const TRect last = Grid->CellRect(0, top + shown - 1);
  SetCursorPos(Grid->ClientToScreen({20, last.Bottom + 10}));
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId, 0);
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId, 0);
  EXPECT_EQ(Grid->RecordMovingTargetRow(), top + shown - 1);
  EXPECT_LT(Grid->RecordMovingSourceRow(), top) << "r1 scrolled out above";
  Mouse(WM_LBUTTONUP, {20, last.Bottom + 10});
  ASSERT_EQ(Moves.size(), 1u);
  EXPECT_EQ(NameOf(Moves[0].Bookmarks.at(0)), "r1");
  EXPECT_EQ(Moves[0].TargetRow, shown - 1);
}

class TreeMovingTest : public RecordMovingTest {
 protected:
  TreeMovingTest() { Tree = CreateUnique<TTreeTestDataSet>(); }
  ~TreeMovingTest() override {
    Grid->SetDataSource(nullptr);
    Tree.reset();
  }
  void ShowTree(bool footers) {
    Tree->SetOutline({{"A", 1}, {"A1", 2}, {"A2", 2}, {"B", 1}, {"C", 1}}, true);
    for (int i = 0; i < 40; ++i) Tree->Nodes.push_back({"Z" + std::to_string(i), 1, true});
    Tree->Open();
    if (footers) Grid->SetFooterRowCount(1);
    Source->SetDataSet(Tree.get());
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  TObjectPtr<TTreeTestDataSet> Tree;
};

TEST_F(TreeMovingTest, TheTreeMoverGetsTheTargetLevel) {
  ShowTree(false);
  const int top = Grid->TitleOffset();
  const int left = Grid->CellRect(Grid->IndicatorOffset(), top).Left;
  // B dropped above A2: as a sibling of A2 (level 2) or, further left,
  // not shallower than A2 allows; the pointer's x picks within that.
  Drag(top + 3, {left + 18 + 5, Grid->CellRect(1, top + 2).Top + 3});
  ASSERT_EQ(Tree->Moves.size(), 1u);
  EXPECT_EQ(Tree->Moves[0].Bookmarks.at(0), TTreeTestDataSet::BookmarkOf(3));
  EXPECT_EQ(Tree->Moves[0].TargetRow, 2);
  EXPECT_EQ(Tree->Moves[0].TargetLevel, 2);
  // A dropped below B: a sibling of B, or B's child further right.
  Drag(top, {left + 5, Grid->CellRect(1, top + 3).Top + 3});
  Drag(top, {left + 18 + 5, Grid->CellRect(1, top + 3).Top + 3});
  ASSERT_EQ(Tree->Moves.size(), 3u);
  EXPECT_EQ(Tree->Moves[1].TargetLevel, 1);
  EXPECT_EQ(Tree->Moves[2].TargetLevel, 2);
}

TEST_F(TreeMovingTest, RowPerRecordDragScrollsTheTopRow) {
  ShowTree(false);
  ASSERT_TRUE(Grid->RowPerRecordMode());
  const int fixed = Grid->FixedRows();
  Mouse(WM_LBUTTONDOWN, Indicator(fixed + 1), MK_LBUTTON);
  ASSERT_TRUE(Grid->RecordMoving());
  SetCursorPos(Grid->ClientToScreen({20, Grid->ClientHeight() + 20}));
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId, 0);
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId, 0);
  EXPECT_EQ(Grid->TopRow(), fixed + 2);
  EXPECT_EQ(Grid->RecordMovingSourceRow(), fixed + 1) << "grid rows are dataset rows";
  Mouse(WM_LBUTTONUP, {20, Grid->ClientHeight() + 20});
  ASSERT_EQ(Tree->Moves.size(), 1u);
  EXPECT_EQ(Tree->Moves[0].TargetRow, Grid->RecordMovingTargetRow() - Grid->TitleOffset());
  EXPECT_EQ(Tree->RecNo(), 1) << "scrolling leaves the current record";
}

}  // namespace
