// TGridDataRowsEh: the data grid's rows of records. It knows whether the
// dataset offers IMemTableEh (row-per-record mode and tree rows need it)
// and reads any data row for drawing, hit tests and record moving: in
// row-per-record mode through the dataset's reading position, which never
// moves the dataset; otherwise by pointing the data link's active record at
// the row inside its window of buffered records and back. Reads nest, and
// TGridRowReadEh puts the reading position back even when an exception
// leaves the scope. It also keeps the flags of row-per-record mode.
//
// The grid is seen through TGridDataRowsHostEh, so reading is tested
// against a fake. In row-per-record mode it also scrolls the grid's top
// row (the current record stays where it is) and asks the dataset for more
// rows when the window shows room below the last one.
#pragma once

#include <array>

#include "platform/data/data_source.h"
#include "platform/data/mem_table_intf.h"
#include "platform/gui/messages.h"

// What the rows call on their grid.
class TGridDataRowsHostEh {
 public:
  // The dataset's interface changed; `dataSet` (nullptr for none) is the
  // dataset that now offers it.
  virtual void RowsMemTableChanged(TDataSet* dataSet) = 0;

  // --- the base grid's rows (grid rows, titles included)
  // Whether the grid has a window (no scrolling without one).
  virtual bool RowsWindowShown() = 0;
  virtual int RowsTopRow() = 0;
  virtual void RowsSetTopRow(int row) = 0;
  // The fixed rows (titles) and all rows.
  virtual int RowsFixedCount() = 0;
  virtual int RowsTotalCount() = 0;
  // The last row shown whole.
  virtual int RowsLastFullShown() = 0;
  // The first row shown whole when `row` is the last one shown whole.
  virtual int RowsFirstShowingWhole(int row) = 0;
  // How many rows of the default height fit in the empty space below the
  // last row, plus one; 0 when there is no such space.
  virtual int RowsRoomBelow() = 0;
  // The top row changed from `oldTop`: the bar follows and rows that hide
  // repeated values are repainted.
  virtual void RowsTopChanged(int oldTop) = 0;

 protected:
  ~TGridDataRowsHostEh() = default;
};

class TGridDataRowsEh {
 public:
  // REQUIRES: `link` outlives the rows.
  TGridDataRowsEh(TGridDataRowsHostEh* host, TDataLink* link) : FHost(host), FLink(link) {}

  // The grid's data link.
  TDataLink* Link() const { return FLink; }
  // One grid row per dataset row: the dataset offers IMemTableEh and no
  // footers show.
  bool PerRecord() const { return FMemTable != nullptr && !FFootersShown; }
  // Whether the grid shows footer rows (they turn row-per-record mode off).
  void SetFootersShown(bool value) { FFootersShown = value; }
  // The dataset's interface and the dataset that offers it; nullptr for
  // none.
  IMemTableEh* MemTable() const { return FMemTable; }
  TDataSet* MemTableDataSet() const { return FMemTableDataSet; }
  // Asks `dataSet` (nullptr: none) for its interface again; the host hears
  // of a change.
  void QueryMemTable(TDataSet* dataSet);
  // Drops the interface without telling the host (the grid is going).
  void ForgetMemTable();
  // `component` is being destroyed: true when it is the dataset that
  // offered the interface, which is dropped without telling the host.
  bool DataSetRemoved(const TComponent* component);

  // Makes data row `rowIndex` (0-based) the one the fields read. Calls
  // nest: EndRow goes back to the row read before (reads deeper than
  // kMaxReadDepth are not put back until the depth is within it), and
  // after the outermost one to the current record.
  // REQUIRES: the link is active; `rowIndex` is below DataRowCount().
  void BeginRow(int rowIndex);
  void EndRow();
  // Whether data row `rowIndex` holds the current record (also while rows
  // are being read).
  bool IsCurrentRow(int rowIndex) const {
    if (PerRecord()) return rowIndex == FMemTable->CurrentRow();
    return rowIndex == (FActiveRecordSaved ? FSavedActiveRecord : FLink->ActiveRecord());
  }
  // The data rows that can be read: the dataset's rows in row-per-record
  // mode, the data link's buffered records otherwise; 0 while inactive.
  int DataRowCount() const {
    if (!FLink->Active()) return 0;
    return PerRecord() ? FMemTable->RowCount() : FLink->RecordCount();
  }

  // --- row-per-record scrolling
  // The highest top row: the last row shown whole at the bottom.
  int MaxTopRow();
  // Makes `row` the top row, kept within the rows and so that the last
  // row is not scrolled above the bottom. Nothing without a window.
  void SafeSetTopRow(int row);
  // A request of the vertical bar (an SB_ code): a row or a page up or
  // down, the ends, or the thumb's position `thumb` (1 for the first data
  // row; SB_THUMBTRACK only while `tracking`).
  void ScrollRequest(int code, int thumb, bool tracking);
  // A notch of the wheel: with Shift the current record moves a row
  // (with Ctrl too a page of `page` rows); with Ctrl the rows scroll a
  // page, fetching rows first going down; otherwise they scroll a row.
  // REQUIRES: row-per-record mode with an active link.
  void Wheel(bool down, TShiftState shift, int page);
  // Asks the dataset for rows when the window shows room below the last
  // row, or for one when the last row shows. Not nested.
  // REQUIRES: row-per-record mode with an active link and a window.
  void FetchStep();

  // Set while a click moves the dataset to the clicked row: the grid's
  // row already follows. The flag itself, for a scope to hold.
  bool& MovingRecordItself() { return FMovingRecordItself; }
  // Set while a tree node expands or collapses: the top row is put back
  // by the tree change itself.
  bool& InTreeExpand() { return FInTreeExpand; }
  // Records `current` as the row the grid follows; true when it differs
  // from the row followed before.
  bool FollowRow(int current) {
    const bool moved = current != FFollowedRow;
    FFollowedRow = current;
    return moved;
  }

 private:
  void ReadAt(int rowIndex);

  static constexpr int kMaxReadDepth = 8;

  TGridDataRowsHostEh* FHost;
  TDataLink* FLink;
  IMemTableEh* FMemTable = nullptr;
  TDataSet* FMemTableDataSet = nullptr;
  bool FFootersShown = false;
  // The rows being read, innermost last; FReadDepth reads are open.
  std::array<int, kMaxReadDepth> FReading{};
  int FReadDepth = 0;
  // The link's active record before the outermost read (not in
  // row-per-record mode); -1 while nothing is read. A walk with the
  // controls off can leave the dataset's record before the link's window,
  // so a negative value saved is a value: FActiveRecordSaved tells.
  int FSavedActiveRecord = -1;
  bool FActiveRecordSaved = false;
  bool FInFetch = false;
  bool FMovingRecordItself = false;
  bool FInTreeExpand = false;
  int FFollowedRow = -1;
};

// Reads data row `rowIndex` for the guard's scope.
class TGridRowReadEh {
 public:
  TGridRowReadEh(TGridDataRowsEh& rows, int rowIndex) : FRows(rows) { FRows.BeginRow(rowIndex); }
  ~TGridRowReadEh() { FRows.EndRow(); }
  TGridRowReadEh(const TGridRowReadEh&) = delete;
  TGridRowReadEh& operator=(const TGridRowReadEh&) = delete;

 private:
  TGridDataRowsEh& FRows;
};
