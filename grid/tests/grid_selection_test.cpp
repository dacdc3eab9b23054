#include "grid/grid_selection.h"

#include <gtest/gtest.h>

#include <string>

#include "grid/db_grid.h"
#include "grid_test_support.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "storage/dbf_table.h"

namespace {

class GridSelectionTest : public GuiTest {
 protected:
  GridSelectionTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    for (int i = 1; i <= 40; ++i) T.Add("r" + std::to_string(i), i, i);
    T.ds->First();
    Source->SetDataSet(T.ds.get());
    for (int i = 0; i < 7; ++i) {
      TColumnEh* c = Grid->Columns()->Add();
      c->SetFieldName(i % 2 == 0 ? "NAME" : "NUM");
      c->SetWidth(60);
    }
    Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
    Grid->SetDataSource(Source.get());
    Form->Show();
  }
  ~GridSelectionTest() override {
    Form->Free();
    Source.reset();
  }
  std::string BookmarkOf(int recNo) {
    T.ds->SetRecNo(recNo);
    return T.ds->Bookmark();
  }
  std::string SelectedColumns() {
    std::string out;
    TDBGridEhSelectionCols& cols = Grid->Selection()->Columns();
    for (int i = 0; i < cols.Count(); ++i) out += std::to_string(cols.Items(i)->Index());
    return out;
  }
  TColumnEh* Col(int i) { return Grid->Columns()->Items(i); }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

TEST_F(GridSelectionTest, RectangleSpansItsCornersInEitherOrder) {
  TDBGridEhSelectionRect& rect = Grid->Selection()->Rect();
  rect.Select(2, BookmarkOf(5), false);
  EXPECT_EQ(Grid->SelectionType(), gstNon) << "a single cell is no selection";
  rect.Select(1, BookmarkOf(3), true);  // up and to the left of the anchor
  EXPECT_EQ(Grid->SelectionType(), gstRectangle);
  EXPECT_EQ(rect.TopBookmark(), BookmarkOf(3));
  EXPECT_EQ(rect.BottomBookmark(), BookmarkOf(5));
  EXPECT_EQ(rect.LeftCol(), 1);
  EXPECT_EQ(rect.RightCol(), 2);
  struct {
    int Col, RecNo;
    bool Selected;
  } cases[] = {{1, 3, true},  {2, 5, true},  {2, 4, true}, {0, 4, false},
               {3, 4, false}, {1, 2, false}, {1, 6, false}};
  for (const auto& c : cases) {
    const std::string bookmark = BookmarkOf(c.RecNo);
    EXPECT_EQ(Grid->Selection()->DataCellSelected(c.Col, bookmark), c.Selected)
        << c.Col << "," << c.RecNo;
    EXPECT_EQ(Grid->IsCellSelected(Grid->DataToRawColumn(c.Col), Grid->TitleOffset(), bookmark),
              c.Selected);
  }
  // Extending back onto the anchor empties it again; a new plain select
  // moves the anchor.
  rect.Select(2, BookmarkOf(5), true);
  EXPECT_EQ(Grid->SelectionType(), gstNon);
  rect.Select(4, BookmarkOf(8), false);
  rect.Select(4, BookmarkOf(9), true);
  EXPECT_EQ(rect.AnchorCol(), 4);
  EXPECT_EQ(Grid->SelectionType(), gstRectangle);
}

TEST_F(GridSelectionTest, RectangleRowsAreClampedToTheShownRecords) {
  TDBGridEhSelectionRect& rect = Grid->Selection()->Rect();
  T.ds->Last();  // the buffer now holds the last records
  const int shown = Grid->DataLink()->RecordCount();
  rect.Select(0, BookmarkOf(1), false);
  rect.Select(1, BookmarkOf(40), true);
  T.ds->Last();
  TGridRect r;
  Grid->Selection()->SelectionToGridRect(r);
  EXPECT_EQ(r.Top, Grid->TitleOffset()) << "record 1 precedes the buffer";
  EXPECT_EQ(r.Bottom, Grid->TitleOffset() + shown - 1);
  EXPECT_EQ(r.Left, Grid->DataToRawColumn(0));
  EXPECT_EQ(r.Right, Grid->DataToRawColumn(1));
}

TEST_F(GridSelectionTest, RectangleQueriesNeedAnActiveDataset) {
  TDBGridEhSelectionRect& rect = Grid->Selection()->Rect();
  rect.Select(0, BookmarkOf(1), false);
  rect.Select(1, BookmarkOf(2), true);
  T.ds->Close();
  auto message = [](auto call) {
    try {
      call();
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("none");
  };
  EXPECT_EQ(message([&] { rect.DataCellSelected(0, "x"); }),
            "Error in function TDBGridEhSelectionRect.CellSelected");
  EXPECT_EQ(message([&] { rect.BottomBookmark(); }),
            "Error in TDBGridEhSelectionRect.GetBottomRow");
  EXPECT_EQ(message([&] { rect.LeftCol(); }), "Error in TDBGridEhSelectionRect.GetBottomRow");
  EXPECT_EQ(Grid->SelectionType(), gstNon) << "closing the link clears the selection";
}

TEST_F(GridSelectionTest, ColumnShiftWalkSelectsAndPutsBack) {
  TDBGridEhSelectionCols& cols = Grid->Selection()->Columns();
  cols.Select(Col(2), false);
  cols.SelectShift(Col(5));
  EXPECT_EQ(SelectedColumns(), "2345");
  cols.SelectShift(Col(3));
  EXPECT_EQ(SelectedColumns(), "23");
  cols.SelectShift(Col(0));
  EXPECT_EQ(SelectedColumns(), "012") << "crossing the anchor";
  EXPECT_EQ(Grid->SelectionType(), gstColumns);

  // A column selected before the walk stays when the walk comes back.
  cols.Clear();
  cols.Add(Col(4));
  cols.Add(Col(2));
  cols.SelectShift(Col(5));
  EXPECT_EQ(SelectedColumns(), "2345");
  cols.SelectShift(Col(3));
  EXPECT_EQ(SelectedColumns(), "234");
  EXPECT_EQ(cols.AnchorCol(), Col(2));
  EXPECT_EQ(cols.ShiftCol(), Col(3));
}

TEST_F(GridSelectionTest, ColumnShiftFromAnUnselectedAnchorUnselects) {
  TDBGridEhSelectionCols& cols = Grid->Selection()->Columns();
  cols.Add(Col(3));
  cols.Add(Col(4));
  cols.Add(Col(2));
  cols.Add(Col(2));  // toggled off: the anchor is unselected
  EXPECT_EQ(SelectedColumns(), "34");
  cols.SelectShift(Col(4));
  EXPECT_EQ(SelectedColumns(), "");
  EXPECT_EQ(Grid->SelectionType(), gstNon);
}

TEST_F(GridSelectionTest, KindsAnswerForTitlesIndicatorAndAll) {
  const std::string bm = BookmarkOf(2);
  const int title = 0, data = Grid->TitleOffset();
  Grid->Selection()->Columns().Select(Col(1), false);
  EXPECT_TRUE(Grid->IsCellSelected(Grid->DataToRawColumn(1), title, bm));
  EXPECT_TRUE(Grid->IsCellSelected(Grid->DataToRawColumn(1), data, bm));
  EXPECT_FALSE(Grid->IsCellSelected(Grid->DataToRawColumn(2), data, bm));
  EXPECT_FALSE(Grid->IsCellSelected(0, data, bm)) << "indicator: records only";

  T.ds->SetRecNo(2);
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  EXPECT_EQ(Grid->SelectionType(), gstRecordBookmarks);
  EXPECT_EQ(SelectedColumns(), "") << "the column selection is dropped";
  EXPECT_TRUE(Grid->IsCellSelected(0, data, bm));
  EXPECT_FALSE(Grid->IsCellSelected(Grid->DataToRawColumn(1), title, bm));
  EXPECT_FALSE(Grid->IsCellSelected(0, data, BookmarkOf(3)));

  Grid->Selection()->SelectAll();
  EXPECT_EQ(Grid->SelectedRows()->Count(), 0);
  EXPECT_TRUE(Grid->IsCellSelected(0, title, bm));
  TGridRect r;
  Grid->Selection()->SelectionToGridRect(r);
  EXPECT_EQ(r, (TGridRect{0, 0, Grid->ColCount(), Grid->RowCount()}));
  Grid->Selection()->Clear();
  EXPECT_EQ(Grid->SelectionType(), gstNon);
}

TEST_F(GridSelectionTest, NarrowingAllowedSelectionsClearsAndCanSelectTypeFollowsOptions) {
  Grid->Selection()->Columns().Select(Col(1), false);
  Grid->SetAllowedSelections({gstRecordBookmarks, gstRectangle, gstAll});
  EXPECT_EQ(Grid->SelectionType(), gstNon);
  EXPECT_EQ(SelectedColumns(), "");
  EXPECT_FALSE(Grid->CanSelectType(gstColumns));
  EXPECT_TRUE(Grid->CanSelectType(gstRectangle));
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgRowSelect});
  EXPECT_FALSE(Grid->CanSelectType(gstRectangle));
  EXPECT_TRUE(Grid->CanSelectType(gstRecordBookmarks));
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgMultiSelect});
  EXPECT_FALSE(Grid->CanSelectType(gstRecordBookmarks));
  EXPECT_TRUE(Grid->CanSelectType(gstNon));
}

TEST_F(GridSelectionTest, ColumnsRefreshDropsFreedColumns) {
  TDBGridEhSelectionCols& cols = Grid->Selection()->Columns();
  cols.Select(Col(1), false);
  cols.Select(Col(5), true);
  Col(1)->Free();
  cols.Refresh();
  EXPECT_EQ(SelectedColumns(), "4") << "column 5 moved up to index 4";
}

TEST(GridRectDifferenceTest, AtMostFourStripsAroundTheCommonPart) {
  const TGridRect none{-1, -1, -1, -1};
  struct {
    TGridRect Before, After;
    int Parts;
  } cases[] = {
      {none, none, 0},
      {none, {1, 1, 2, 2}, 1},
      {{1, 1, 2, 2}, {1, 1, 2, 2}, 0},
      {{1, 1, 2, 2}, {1, 1, 2, 4}, 1},  // grown downwards
      {{1, 1, 2, 2}, {5, 5, 6, 6}, 2},  // apart
      {{3, 3, 4, 4}, {1, 1, 6, 6}, 4},  // around
      {{1, 1, 3, 3}, {2, 2, 4, 4}, 4},
  };
  for (const auto& c : cases) {
    const auto parts = GridRectDifference(c.Before, c.After);
    EXPECT_EQ(static_cast<int>(parts.size()), c.Parts);
    // Every cell of one rectangle outside the other is covered.
    for (const TGridRect& r : {c.Before, c.After}) {
      if (r.Left < 0) continue;
      const TGridRect& other = &r == &c.Before ? c.After : c.Before;
      for (int x = r.Left; x <= r.Right; ++x)
        for (int y = r.Top; y <= r.Bottom; ++y) {
          const bool inOther = other.Left >= 0 && x >= other.Left && x <= other.Right &&
                               y >= other.Top && y <= other.Bottom;
          if (inOther) continue;
          bool covered = false;
          for (const TGridRect& p : parts)
            covered |= x >= p.Left && x <= p.Right && y >= p.Top && y <= p.Bottom;
          EXPECT_TRUE(covered) << x << "," << y;
        }
    }
  }
}

// The same selections over a register file, whose bookmarks are record
// numbers in the file.
class GridSelectionDbfTest : public GuiTest {};

TEST_F(GridSelectionDbfTest, RectangleAndRecordsOverADbfTable) {
  TFileTestDir dir;
  TIntegerField* n = nullptr;
  auto table = MakeNumberedDbf(dir.File("sel.dbf"), 20, n);
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(table.get());
  TForm* form = Create<TForm>(nullptr);
  form->SetBounds(0, 0, 400, 300);
  TDBGridEh* grid = Create<TDBGridEh>(form);
  grid->SetParent(form);
  grid->SetBounds(0, 0, 300, 200);
  grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
  grid->SetDataSource(source.get());
  form->Show();
  auto bookmark = [&](int recNo) {
    table->SetRecNo(recNo);
    return table->Bookmark();
  };
  grid->Selection()->Rect().Select(0, bookmark(12), false);
  grid->Selection()->Rect().Select(0, bookmark(4), true);
  EXPECT_TRUE(grid->Selection()->DataCellSelected(0, bookmark(8)));
  EXPECT_FALSE(grid->Selection()->DataCellSelected(0, bookmark(13)));
  for (int r : {3, 7, 5}) {
    table->SetRecNo(r);
    grid->SelectedRows()->SetCurrentRowSelected(true);
  }
  ASSERT_EQ(grid->SelectedRows()->Count(), 3);
  EXPECT_EQ(grid->SelectedRows()->Items(0), bookmark(3)) << "kept in bookmark order";
  EXPECT_EQ(grid->SelectedRows()->Items(2), bookmark(7));
  form->Free();
}

}  // namespace
