// The data grid's one selection: a set of records (the grid's
// SelectedRows, by bookmark), a rectangle of cells (two corner cells given
// by data column and record bookmark), a set of whole columns, or
// everything. The selection object answers whether a cell is selected,
// clears, selects everything and gives the selection as a grid rectangle;
// keys and mouse extend it through the holders below. Owned by the grid;
// GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/widgets/grids.h"

class TCustomDBGridEh;
class TColumnEh;
class TDataSet;

// What the grid's selection holds.
enum TDBGridEhSelectionType { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };

// Columns, not owned.
class TColumnsEhList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TColumnEh* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)); }
  int IndexOf(const TColumnEh* column) const;
  void Add(TColumnEh* column) { FItems.push_back(column); }
  void Insert(int index, TColumnEh* column);
  void Delete(int index);
  void Remove(const TColumnEh* column);
  void ClearList() { FItems.clear(); }

 protected:
  std::vector<TColumnEh*>& List() { return FItems; }

 private:
  std::vector<TColumnEh*> FItems;
};

// Whole columns, kept sorted by column Index.
class TDBGridEhSelectionCols : public TColumnsEhList {
 public:
  explicit TDBGridEhSelectionCols(TCustomDBGridEh* grid) : FGrid(grid) {}
  // Makes the selection a column selection (another kind is cleared) and
  // toggles `column`; it becomes the anchor and the shift end.
  void Add(TColumnEh* column);
  // As Add, but selects: without `addSel` the others are dropped first.
  void Select(TColumnEh* column, bool addSel);
  // Extends from the anchor to `column`: the walk sets the anchor's state
  // on the columns it passes and puts back those it passes again on the
  // way back.
  void SelectShift(TColumnEh* column);
  // Repaints the selected columns, empties the list and drops the anchor.
  void Clear();
  // A column being freed leaves every list; an emptied column selection
  // becomes gstNon.
  void Forget(TColumnEh* column);
  // Drops columns no longer in the grid, then sorts by Index.
  void Refresh();
  void SelectionToGridRect(TGridRect& rect) const;
  TColumnEh* AnchorCol() const { return FAnchorCol; }
  TColumnEh* ShiftCol() const { return FShiftCol; }
  const TColumnsEhList& ShiftSelectedCols() const { return FShiftSelectedCols; }

 private:
  void InsertSorted(TColumnEh* column);
  void Flip(TColumnEh* column);
  void InvalidateColumn(TColumnEh* column);

  TColumnEh* FAnchorCol = nullptr;
  TCustomDBGridEh* FGrid;
  TColumnEh* FShiftCol = nullptr;
  TColumnsEhList FShiftSelectedCols;
};

// A rectangle of cells between two corners (data column, bookmark).
// REQUIRES for every query: the grid's dataset is active; else Exception
// "Error in function TDBGridEhSelectionRect.CellSelected" (DataCellSelected)
// or "Error in TDBGridEhSelectionRect.GetBottomRow" (the others).
class TDBGridEhSelectionRect {
 public:
  explicit TDBGridEhSelectionRect(TCustomDBGridEh* grid) : FGrid(grid) {}
  // Both corners empty; repaints and tells SelectionChanged.
  void Clear();
  // The shift corner goes to (dataCol, bookmark); so does the anchor when
  // there is none or `extend` is false. A single cell is no selection.
  // Repaints only where the old and the new rectangle differ.
  void Select(int dataCol, const std::string& bookmark, bool extend);
  bool DataCellSelected(int dataCol, const std::string& bookmark);
  std::string TopBookmark();
  std::string BottomBookmark();
  int LeftCol();
  int RightCol();
  // Rows outside the shown records are clamped to the first or last shown.
  void SelectionToGridRect(TGridRect& rect);

  int AnchorCol() const { return FAnchorCol; }
  const std::string& AnchorBookmark() const { return FAnchorBookmark; }
  int ShiftCol() const { return FShiftCol; }
  const std::string& ShiftBookmark() const { return FShiftBookmark; }
  bool Empty() const { return FAnchorCol < 0; }

 private:
  TDataSet* CheckDataSet(const char* message);
  // The grid row of `bookmark` among the shown records, clamped.
  int RowOfBookmark(const std::string& bookmark);

  int FAnchorCol = -1;
  std::string FAnchorBookmark;
  TCustomDBGridEh* FGrid;
  int FShiftCol = -1;
  std::string FShiftBookmark;
};

class TDBGridEhSelection {
 public:
  explicit TDBGridEhSelection(TCustomDBGridEh* grid);
  virtual ~TDBGridEhSelection() = default;

  TDBGridEhSelectionCols& Columns() { return FColumns; }
  TDBGridEhSelectionRect& Rect() { return FRect; }
  TDBGridEhSelectionType SelectionType() const { return FSelectionType; }

  bool DataCellSelected(int dataCol, const std::string& bookmark);
  // Clears the holder of the current kind; the kind becomes gstNon.
  void Clear();
  void SelectAll();
  // Stores the kind; the holders of another kind are emptied.
  void SetSelectionType(TDBGridEhSelectionType value);
  // A record or column selection that became empty becomes gstNon.
  void UpdateState();
  void LinkActive(bool value);
  void SelectionToGridRect(TGridRect& rect);
  // Fires the grid's OnSelectionChanged.
  virtual void SelectionChanged();

 private:
  TDBGridEhSelectionCols FColumns;
  TCustomDBGridEh* FGrid;
  TDBGridEhSelectionRect FRect;
  TDBGridEhSelectionType FSelectionType = gstNon;
};

// The cells of `after` that are not in `before` nor the other way round,
// as at most four rectangles (grid coordinates, inclusive).
std::vector<TGridRect> GridRectDifference(const TGridRect& before, const TGridRect& after);
