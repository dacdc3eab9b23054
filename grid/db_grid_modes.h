// The data grid's adapters to its modes. Each mode (incremental search,
// data rows, record moving, the filter row, tree rows) is an object of its
// own that sees the grid through a small host interface; the grid owns the
// mode and one adapter that implements that interface by forwarding to the
// grid, so the grid's own list of methods stays what its users need. An
// adapter also keeps the grid's side of its mode (the reactions, the
// drawing) that needs the grid's cells.
//
// For the grid's own sources only; nothing outside grid/ includes it.
// GUI thread only.
#pragma once

#include <string>

#include "grid/data_rows.h"
#include "grid/db_grid.h"
#include "grid/filter_row.h"
#include "grid/grid_data_link.h"
#include "grid/grid_style.h"
#include "grid/inc_search.h"
#include "grid/record_mover.h"
#include "grid/tree_rows.h"

// The incremental search's host (db_grid_scroll.cpp).
class TDBGridIncSearchAdapterEh final : public TGridIncSearchHostEh {
 public:
  explicit TDBGridIncSearchAdapterEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  // Whether typed character `key` goes to the search rather than the
  // cell editor.
  bool StartsWith(char32_t key);
  // The record followed a move the search did not make: the search ends.
  void RecordMoved();

  // TGridIncSearchHostEh
  TDataSet* IncSearchDataSet() override;
  bool IncSearchHasColumn() override;
  std::string IncSearchCellText() override;
  void IncSearchStepped() override;
  void IncSearchRepaintRow() override;
  void IncSearchSetTimer(unsigned interval) override;
  void IncSearchKillTimer() override;
  void IncSearchStopped() override;
  std::string IncSearchClipboardText() override;

 private:
  TCustomDBGridEh& FGrid;
};

// Row-per-record mode, the grid's side (row_per_record.cpp): the data
// rows' host, and the grid following the dataset's rows and keeping its
// vertical bar.
class TDBGridRowPerRecordEh final : public TGridDataRowsHostEh {
 public:
  explicit TDBGridRowPerRecordEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  // Asks the dataset for its IMemTableEh again (none while the grid goes).
  void QueryMemTable();
  // The grid's rows after the dataset's row count changed.
  void UpdateRowCount();
  // The grid's current row after the dataset's current row changed.
  void UpdateActive();
  // Asks the dataset for new rows when the window shows empty space below
  // the last row; nothing outside the mode or without a window.
  void FetchStep();
  // The window's vertical bar from the top row.
  void UpdateScrollBar();
  // WM_VSCROLL scrolls the top row; false for any other message or outside
  // the mode.
  bool ScrollMessage(TMessage& message);
  // A notch of the wheel: OnMouseWheelDown/Up first, then the rows'
  // rule. Always handled.
  bool Wheel(bool down, TShiftState shift, TPoint mousePos);

  // TGridDataRowsHostEh
  void RowsMemTableChanged(TDataSet* dataSet) override;
  bool RowsWindowShown() override;
  int RowsTopRow() override;
  void RowsSetTopRow(int row) override;
  int RowsFixedCount() override;
  int RowsTotalCount() override;
  int RowsLastFullShown() override;
  int RowsFirstShowingWhole(int row) override;
  int RowsRoomBelow() override;
  void RowsTopChanged(int oldTop) override;

 private:
  void PrepareRowLayout();
  // Makes grid row `target` current, through the first scrolling column
  // when a frozen column is current.
  void MoveToDataRow(int target, bool moveAnchor, bool show);

  TCustomDBGridEh& FGrid;
};

// The drag of records' host (record_moving.cpp): the grid's cells, window
// and timer, and where the records would drop.
class TDBGridRecordMoverAdapterEh final : public TGridRecordMoverHostEh {
 public:
  explicit TDBGridRecordMoverAdapterEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  // Timer 1 follows the pointer and cancel mode ends the drag; false for
  // any other message or while no drag runs.
  bool HandleMessage(TMessage& message);
  // GetRecordMovingDropPos of the grid: the left end of the drop line on
  // grid row `row` (clamped into the shown data rows) and the tree level
  // the records take there; 0 and -1 without a tree.
  int DefaultDropPos(int row, TPoint at, int& level);

  // TGridRecordMoverHostEh
  bool RecordMovingCanBegin(int& origin, int& destination, TPoint at) override;
  void RecordMovingBegan() override;
  void RecordMovingEnded() override;
  int RecordMovingDropPos(int row, TPoint at, int& level) override;
  bool RecordMovingDrawLine(int row, bool before, int x) override;
  void RecordMovingRows(int& first, int& last) override;
  int RecordMovingScrollDirection(int y, int last) override;
  int RecordMovingScroll(int direction, const std::string& bookmark, int sourceRow) override;
  int RecordMovingRowAt(int x, int y, bool& above) override;

 private:
  // The data rows shown (last < first when none).
  void VisibleDataRows(int& first, int& last);

  TCustomDBGridEh& FGrid;
};

// The filter editor's events (db_grid_filter.cpp): typing stores the
// column's text, keys move between filter cells, apply or stop, and the
// list is filled and read through the filter row.
class TDBGridFilterRowAdapterEh final {
 public:
  explicit TDBGridFilterRowAdapterEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  void EditorKeyDown(unsigned& key, TShiftState shift);
  void EditorDropDown();
  void EditorClosed(bool accept);
  void EditorChanged();

 private:
  // The next column with a visible filter from `from` in direction
  // `step`, once round; -1 for none.
  int NextColumn(int from, int step) const;

  TCustomDBGridEh& FGrid;
};

// The tree area the grid draws and the clicks and keys on it
// (db_grid_tree.cpp).
class TDBGridTreeAreaEh final {
 public:
  explicit TDBGridTreeAreaEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  // Whether raw column `col` shows the tree (the first visible column).
  bool IsTreeColumn(int col) const;
  // Draws the tree area of grid cell (col, row) and returns its width; 0
  // (nothing drawn) outside the tree column or the data rows.
  int DrawOfRow(int col, int row, const TRect& rect, TGridDrawState state);
  // The tree area of data row `dataRow` (being read) on `canvas`.
  void Paint(TCanvas& canvas, int dataCol, int dataRow, bool widen, const TRect& rect,
             TGridDrawState state);
  // The cell editor over the tree column: the current row's tree area at
  // its left (returns its width), and a press on the node's button.
  int PaintUnderEditor(TCanvas& canvas, TColumnEh* column, int height);
  bool EditorClick(TColumnEh* column, int x);
  // Numpad +, - and * on the current node; false without a tree.
  bool Key(unsigned key);

 private:
  TCustomDBGridEh& FGrid;
};

// The data link's host (db_grid.cpp): the link's notifications go to the
// grid's hooks; focus, field watching and the layout flag are kept here.
class TDBGridDataLinkAdapterEh final : public TGridDataLinkHostEh {
 public:
  explicit TDBGridDataLinkAdapterEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  // TGridDataLinkHostEh
  void LinkActive(bool value) override { FGrid.LinkActive(value); }
  void DataChanged() override { FGrid.DataChanged(); }
  void Scroll(int distance) override { FGrid.Scroll(distance); }
  void EditingChanged() override { FGrid.EditingChanged(); }
  void RecordChanged(TField* field) override { FGrid.RecordChanged(field); }
  void RequestLayout() override { FGrid.RequestLayout(); }
  bool SetLayoutChangeFlag(bool value) override;
  bool AcquireFocus() override;
  void ShowEditor() override { FGrid.ShowEditor(); }
  TField* SelectedField() override { return FGrid.SelectedField(); }
  void SetSelectedField(TField* field) override { FGrid.SetSelectedField(field); }
  bool DataEventsSuspended() override { return false; }
  void DisabledStateChanged(bool enabled) override;
  void UpdateData() override { FGrid.UpdateData(); }
  bool CanMoveByRecNo() override { return FGrid.RowPerRecordMode(); }
  void WatchField(TField* field) override;

 private:
  TCustomDBGridEh& FGrid;
};

// The grid as a client of its drawing style (db_grid.cpp).
class TDBGridStyleClientEh final : public IDBGridEhStyleClient {
 public:
  explicit TDBGridStyleClientEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  // IDBGridEhStyleClient
  void StyleDestroyed(TDBGridEhStyle* style) override;

 private:
  TCustomDBGridEh& FGrid;
};

// The mouse on the titles (db_grid_keys.cpp): the grid's own sizing of
// frozen columns, with a dotted XOR line unless the sizing is traced, and
// selecting columns by their titles.
class TDBGridTitleMouseEh final {
 public:
  explicit TDBGridTitleMouseEh(TCustomDBGridEh& grid) : FGrid(grid) {}

  // A press at client (x, y) on the right edge of a frozen column's title
  // starts sizing it; false when it is not there.
  bool StartSizing(int x, int y);
  // The pointer at client `x` while sizing.
  void SetSizingPos(int x);
  // Ends the sizing; with `apply` the column takes the line's width.
  void EndSizing(bool apply);
  // Toggles the XOR line (drawing it again erases it).
  void DrawSizingLine();
  int SizingLinePos() const { return FSizingLinePos; }
  bool SizingLineShown() const { return FSizingLineShown; }

  // A press on `column`'s title selects it (Ctrl adds, Shift extends);
  // false when columns cannot be selected or the press sizes a column.
  bool SelectColumn(TColumnEh* column, TShiftState shift);
  // The pointer at client `x` while selecting columns.
  void TrackColumnSelection(int x);

 private:
  TCustomDBGridEh& FGrid;
  int FSizingCol = -1;
  int FSizingLinePos = 0;
  int FSizingOffset = 0;
  bool FSizingLineShown = false;
};
