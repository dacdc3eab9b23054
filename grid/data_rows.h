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
// against a fake. GUI thread only.
#pragma once

#include <vector>

class IMemTableEh;
class TDataLink;
class TDataSet;

// What the rows call on their grid.
class TGridDataRowsHostEh {
 public:
  // The grid's data link.
  virtual TDataLink* RowsLink() = 0;
  // One grid row per dataset row: the dataset offers IMemTableEh and no
  // footers show.
  virtual bool RowsPerRecord() = 0;
  // The dataset's interface changed; `dataSet` (nullptr for none) is the
  // dataset that now offers it.
  virtual void RowsMemTableChanged(TDataSet* dataSet) = 0;

 protected:
  ~TGridDataRowsHostEh() = default;
};

class TGridDataRowsEh {
 public:
  explicit TGridDataRowsEh(TGridDataRowsHostEh* host) : FHost(host) {}

  // The grid's data link.
  TDataLink* Link() const { return FHost->RowsLink(); }
  // The dataset's interface and the dataset that offers it; nullptr for
  // none.
  IMemTableEh* MemTable() const { return FMemTable; }
  TDataSet* MemTableDataSet() const { return FMemTableDataSet; }
  // Asks `dataSet` (nullptr: none) for its interface again; the host hears
  // of a change.
  void QueryMemTable(TDataSet* dataSet);
  // Drops the interface without telling the host (the grid is going).
  void ForgetMemTable();
  // `dataSet` is being destroyed: true when it offered the interface,
  // which is dropped without telling the host.
  bool DataSetRemoved(const void* dataSet);

  // Makes data row `rowIndex` (0-based) the one the fields read. Calls
  // nest: EndRow goes back to the row read before, and after the
  // outermost one to the current record.
  // REQUIRES: the link is active; `rowIndex` is below DataRowCount().
  void BeginRow(int rowIndex);
  void EndRow();
  // Whether data row `rowIndex` holds the current record (also while rows
  // are being read).
  bool IsCurrentRow(int rowIndex) const;
  // The data rows that can be read: the dataset's rows in row-per-record
  // mode, the data link's buffered records otherwise; 0 while inactive.
  int DataRowCount() const;

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
  // Runs `fetch` unless a fetch is running already (fetched rows relayout
  // the grid, which would fetch again).
  template <typename F>
  void Fetch(F&& fetch) {
    if (FInFetch) return;
    FInFetch = true;
    struct TReset {
      bool& flag;
      ~TReset() { flag = false; }
    } reset{FInFetch};
    fetch();
  }

 private:
  void ReadAt(int rowIndex);

  TGridDataRowsHostEh* FHost;
  IMemTableEh* FMemTable = nullptr;
  TDataSet* FMemTableDataSet = nullptr;
  // The rows being read, innermost last.
  std::vector<int> FReading;
  // The link's active record before the outermost read (not in
  // row-per-record mode); -1 while nothing is read.
  int FSavedActiveRecord = -1;
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
