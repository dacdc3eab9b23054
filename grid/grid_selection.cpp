#include "grid/grid_selection.h"

#include <algorithm>

#include "grid/db_grid.h"
#include "platform/base/exceptions.h"
#include "platform/data/data_set.h"

// ---- TColumnsEhList

int TColumnsEhList::IndexOf(const TColumnEh* column) const {
  auto it = std::find(FItems.begin(), FItems.end(), column);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TColumnsEhList::Insert(int index, TColumnEh* column) {
  FItems.insert(FItems.begin() + index, column);
}

void TColumnsEhList::Delete(int index) { FItems.erase(FItems.begin() + index); }

void TColumnsEhList::Remove(const TColumnEh* column) {
  const int index = IndexOf(column);
  if (index >= 0) Delete(index);
}

// ---- TDBGridEhSelectionCols

void TDBGridEhSelectionCols::InvalidateColumn(TColumnEh* column) {
  if (FGrid->HandleAllocated()) FGrid->InvalidateCol(FGrid->DataToRawColumn(column->Index()));
}

void TDBGridEhSelectionCols::InsertSorted(TColumnEh* column) {
  auto& items = List();
  auto at = std::lower_bound(items.begin(), items.end(), column,
                             [](TColumnEh* a, TColumnEh* b) { return a->Index() < b->Index(); });
  items.insert(at, column);
}

void TDBGridEhSelectionCols::Flip(TColumnEh* column) {
  if (IndexOf(column) >= 0)
    Remove(column);
  else
    InsertSorted(column);
  InvalidateColumn(column);
}

void TDBGridEhSelectionCols::Add(TColumnEh* column) {
  TDBGridEhSelection* selection = FGrid->Selection();
  if (selection->SelectionType() != gstColumns) selection->Clear();
  Flip(column);
  FAnchorCol = FShiftCol = column;
  FShiftSelectedCols.ClearList();
  selection->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
  selection->SelectionChanged();
}

void TDBGridEhSelectionCols::Select(TColumnEh* column, bool addSel) {
  TDBGridEhSelection* selection = FGrid->Selection();
  if (selection->SelectionType() != gstColumns) selection->Clear();
  if (!addSel) {
    for (TColumnEh* c : List()) InvalidateColumn(c);
    ClearList();
  }
  if (IndexOf(column) < 0) {
    InsertSorted(column);
    InvalidateColumn(column);
  }
  FAnchorCol = FShiftCol = column;
  FShiftSelectedCols.ClearList();
  selection->SetSelectionType(gstColumns);
  selection->SelectionChanged();
}

void TDBGridEhSelectionCols::SelectShift(TColumnEh* column) {
  TDBGridEhSelection* selection = FGrid->Selection();
  if (FAnchorCol == nullptr) {
    Select(column, true);
    return;
  }
  const bool selecting = IndexOf(FAnchorCol) >= 0;
  const int anchor = FAnchorCol->Index();
  int at = FShiftCol != nullptr ? FShiftCol->Index() : anchor;
  const int target = column->Index();
  TDBGridColumnsEh* columns = FGrid->Columns();
  while (at != target) {
    const int next = at < target ? at + 1 : at - 1;
    // Leaving `at` towards the anchor undoes what the walk did to it.
    const bool towardsAnchor = std::abs(next - anchor) < std::abs(at - anchor);
    if (towardsAnchor) {
      TColumnEh* left = columns->Items(at);
      if (left != FAnchorCol && FShiftSelectedCols.IndexOf(left) >= 0) {
        Flip(left);
        FShiftSelectedCols.Remove(left);
        selection->SelectionChanged();
      }
    } else {
      TColumnEh* reached = columns->Items(next);
      const bool isSelected = IndexOf(reached) >= 0;
      if (reached->Visible() && isSelected != selecting) {
        Flip(reached);
        FShiftSelectedCols.Add(reached);
        selection->SelectionChanged();
      }
    }
    at = next;
  }
  FShiftCol = column;
  selection->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
}

void TDBGridEhSelectionCols::Clear() {
  for (TColumnEh* c : List()) InvalidateColumn(c);
  ClearList();
  FShiftSelectedCols.ClearList();
  FAnchorCol = nullptr;
  FShiftCol = nullptr;
  FGrid->Selection()->SelectionChanged();
}

void TDBGridEhSelectionCols::Forget(TColumnEh* column) {
  Remove(column);
  FShiftSelectedCols.Remove(column);
  if (FAnchorCol == column) FAnchorCol = nullptr;
  if (FShiftCol == column) FShiftCol = nullptr;
  FGrid->Selection()->UpdateState();
}

void TDBGridEhSelectionCols::Refresh() {
  TDBGridColumnsEh* columns = FGrid->Columns();
  auto inGrid = [columns](TColumnEh* c) {
    for (int i = 0; i < columns->Count(); ++i)
      if (columns->Items(i) == c) return true;
    return false;
  };
  auto& items = List();
  std::erase_if(items, [&](TColumnEh* c) { return !inGrid(c); });
  std::sort(items.begin(), items.end(),
            [](TColumnEh* a, TColumnEh* b) { return a->Index() < b->Index(); });
  if (FAnchorCol != nullptr && !inGrid(FAnchorCol)) FAnchorCol = nullptr;
  if (FShiftCol != nullptr && !inGrid(FShiftCol)) FShiftCol = nullptr;
  FShiftSelectedCols.ClearList();
}

void TDBGridEhSelectionCols::SelectionToGridRect(TGridRect& rect) const {
  if (Count() == 0) {
    rect = {-1, -1, -1, -1};
    return;
  }
  rect.Left = FGrid->DataToRawColumn(Items(0)->Index());
  rect.Right = FGrid->DataToRawColumn(Items(Count() - 1)->Index());
  rect.Top = 0;
  rect.Bottom = FGrid->RowCount();
}

// ---- TDBGridEhSelectionRect

namespace {
constexpr const char* kCellSelectedError = "Error in function TDBGridEhSelectionRect.CellSelected";
constexpr const char* kBottomRowError = "Error in TDBGridEhSelectionRect.GetBottomRow";
}  // namespace

TDataSet* TDBGridEhSelectionRect::CheckDataSet(const char* message) {
  TGridDataLinkEh* link = FGrid->DataLink();
  if (!link->Active()) throw Exception(std::string(message));
  return link->DataSet();
}

void TDBGridEhSelectionRect::Clear() {
  FAnchorCol = FShiftCol = -1;
  FAnchorBookmark.clear();
  FShiftBookmark.clear();
  if (FGrid->HandleAllocated()) FGrid->InvalidateGrid();
  FGrid->Selection()->SelectionChanged();
}

std::string TDBGridEhSelectionRect::TopBookmark() {
  TDataSet* ds = CheckDataSet(kBottomRowError);
  return ds->CompareBookmarks(FAnchorBookmark, FShiftBookmark) < 1 ? FAnchorBookmark
                                                                   : FShiftBookmark;
}

std::string TDBGridEhSelectionRect::BottomBookmark() {
  TDataSet* ds = CheckDataSet(kBottomRowError);
  return ds->CompareBookmarks(FAnchorBookmark, FShiftBookmark) < 1 ? FShiftBookmark
                                                                   : FAnchorBookmark;
}

int TDBGridEhSelectionRect::LeftCol() {
  CheckDataSet(kBottomRowError);
  return std::min(FAnchorCol, FShiftCol);
}

int TDBGridEhSelectionRect::RightCol() {
  CheckDataSet(kBottomRowError);
  return std::max(FAnchorCol, FShiftCol);
}

bool TDBGridEhSelectionRect::DataCellSelected(int dataCol, const std::string& bookmark) {
  TDataSet* ds = CheckDataSet(kCellSelectedError);
  if (Empty()) return false;
  const bool anchorFirst = ds->CompareBookmarks(FAnchorBookmark, FShiftBookmark) < 1;
  const std::string& top = anchorFirst ? FAnchorBookmark : FShiftBookmark;
  const std::string& bottom = anchorFirst ? FShiftBookmark : FAnchorBookmark;
  return ds->CompareBookmarks(top, bookmark) < 1 && ds->CompareBookmarks(bottom, bookmark) >= 0 &&
         std::min(FAnchorCol, FShiftCol) <= dataCol && dataCol <= std::max(FAnchorCol, FShiftCol);
}

int TDBGridEhSelectionRect::RowOfBookmark(const std::string& bookmark) {
  if (FGrid->RowPerRecordMode())
    return FGrid->TitleOffset() + std::max(0, FGrid->MemTable()->RowOfBookmark(bookmark));
  TGridDataLinkEh* link = FGrid->DataLink();
  TDataSet* ds = link->DataSet();
  const int count = link->RecordCount();
  if (count <= 0) return FGrid->TitleOffset();
  const int saved = link->ActiveRecord();
  int found = -1;
  bool before = false;
  for (int i = 0; i < count; ++i) {
    link->SetActiveRecord(i);
    const int order = ds->CompareBookmarks(bookmark, ds->Bookmark());
    if (order == 0) {
      found = i;
      break;
    }
    if (i == 0 && order < 0) before = true;
  }
  link->SetActiveRecord(saved);
  if (found < 0) found = before ? 0 : count - 1;
  return FGrid->TitleOffset() + found;
}

void TDBGridEhSelectionRect::SelectionToGridRect(TGridRect& rect) {
  if (Empty() || !FGrid->DataLink()->Active()) {
    rect = {-1, -1, -1, -1};
    return;
  }
  rect.Left = FGrid->DataToRawColumn(LeftCol());
  rect.Right = FGrid->DataToRawColumn(RightCol());
  rect.Top = RowOfBookmark(TopBookmark());
  rect.Bottom = RowOfBookmark(BottomBookmark());
}

void TDBGridEhSelectionRect::Select(int dataCol, const std::string& bookmark, bool extend) {
  TDBGridEhSelection* selection = FGrid->Selection();
  if (selection->SelectionType() != gstRectangle && selection->SelectionType() != gstNon)
    selection->Clear();
  TGridRect before{-1, -1, -1, -1};
  const bool shown = FGrid->HandleAllocated() && FGrid->DataLink()->Active();
  if (shown && selection->SelectionType() == gstRectangle) SelectionToGridRect(before);
  if (FAnchorCol < 0 || !extend) {
    FAnchorCol = dataCol;
    FAnchorBookmark = bookmark;
  }
  FShiftCol = dataCol;
  FShiftBookmark = bookmark;
  TDataSet* ds = CheckDataSet(kBottomRowError);
  const bool single =
      FAnchorCol == FShiftCol && ds->CompareBookmarks(FAnchorBookmark, FShiftBookmark) == 0;
  if (single) {
    if (selection->SelectionType() == gstRectangle) selection->SetSelectionType(gstNon);
  } else {
    selection->SetSelectionType(gstRectangle);
  }
  if (!shown) return;
  TGridRect after{-1, -1, -1, -1};
  if (!single) SelectionToGridRect(after);
  for (const TGridRect& part : GridRectDifference(before, after)) FGrid->InvalidateGridRect(part);
  selection->SelectionChanged();
}

// ---- TDBGridEhSelection

TDBGridEhSelection::TDBGridEhSelection(TCustomDBGridEh* grid)
    : FColumns(grid), FGrid(grid), FRect(grid) {}

bool TDBGridEhSelection::DataCellSelected(int dataCol, const std::string& bookmark) {
  switch (FSelectionType) {
    case gstRecordBookmarks:
      return FGrid->SelectedRows()->IndexOf(bookmark) >= 0;
    case gstRectangle:
      return FRect.DataCellSelected(dataCol, bookmark);
    case gstColumns:
      return dataCol >= 0 && dataCol < FGrid->Columns()->Count() &&
             FColumns.IndexOf(FGrid->Columns()->Items(dataCol)) >= 0;
    case gstAll:
      return true;
    case gstNon:
      break;
  }
  return false;
}

void TDBGridEhSelection::Clear() {
  switch (FSelectionType) {
    case gstRecordBookmarks:
      FGrid->SelectedRows()->Clear();
      break;
    case gstRectangle:
      FRect.Clear();
      break;
    case gstColumns:
      FColumns.Clear();
      break;
    case gstAll:
      if (FGrid->HandleAllocated()) FGrid->InvalidateGrid();
      break;
    case gstNon:
      break;
  }
  FSelectionType = gstNon;
  FGrid->SelectionEditorStateChanged();
}

void TDBGridEhSelection::SelectAll() {
  if (FSelectionType == gstAll) return;
  if (FSelectionType != gstNon) Clear();
  FSelectionType = gstAll;
  if (FGrid->HandleAllocated()) FGrid->InvalidateGrid();
  FGrid->SelectionEditorStateChanged();
  SelectionChanged();
}

void TDBGridEhSelection::SetSelectionType(TDBGridEhSelectionType value) {
  if (FSelectionType == value) return;
  const TDBGridEhSelectionType old = FSelectionType;
  FSelectionType = value;
  // The holder of the kind left behind is emptied quietly: the new kind
  // owns the selection now.
  if (old == gstRecordBookmarks && FGrid->SelectedRows()->Count() > 0)
    FGrid->SelectedRows()->Clear();
  if (old == gstColumns && value != gstNon && FColumns.Count() > 0) FColumns.ClearList();
  if (old == gstRectangle && value != gstNon && !FRect.Empty())
    FRect = TDBGridEhSelectionRect(FGrid);
  if (FGrid->HandleAllocated()) FGrid->InvalidateGrid();
  FGrid->SelectionEditorStateChanged();
}

void TDBGridEhSelection::UpdateState() {
  if ((FSelectionType == gstRecordBookmarks && FGrid->SelectedRows()->Count() == 0) ||
      (FSelectionType == gstColumns && FColumns.Count() == 0)) {
    FSelectionType = gstNon;
    if (FGrid->HandleAllocated()) FGrid->InvalidateGrid();
  }
}

void TDBGridEhSelection::LinkActive(bool value) {
  FGrid->SelectedRows()->SetLinked(value);
  // The rectangle's bookmarks belong to the dataset that went away.
  FRect = TDBGridEhSelectionRect(FGrid);
  if (FSelectionType == gstColumns) FColumns.Clear();
  FSelectionType = gstNon;
}

void TDBGridEhSelection::SelectionToGridRect(TGridRect& rect) {
  switch (FSelectionType) {
    case gstRecordBookmarks:
      rect = FGrid->SelectedRows()->GetSelectedRowsRect();
      return;
    case gstRectangle:
      FRect.SelectionToGridRect(rect);
      return;
    case gstColumns:
      FColumns.SelectionToGridRect(rect);
      return;
    case gstAll:
      rect = {0, 0, FGrid->ColCount(), FGrid->RowCount()};
      return;
    case gstNon:
      break;
  }
  rect = {-1, -1, -1, -1};
}

void TDBGridEhSelection::SelectionChanged() { FGrid->SelectionChanged(); }

// ---- difference of two grid rectangles

std::vector<TGridRect> GridRectDifference(const TGridRect& before, const TGridRect& after) {
  auto empty = [](const TGridRect& r) { return r.Left < 0 || r.Top < 0; };
  std::vector<TGridRect> parts;
  if (before == after) return parts;
  if (empty(before) || empty(after)) {
    if (!empty(before)) parts.push_back(before);
    if (!empty(after)) parts.push_back(after);
    return parts;
  }
  const TGridRect cut{std::max(before.Left, after.Left), std::max(before.Top, after.Top),
                      std::min(before.Right, after.Right), std::min(before.Bottom, after.Bottom)};
  if (cut.Left > cut.Right || cut.Top > cut.Bottom) return {before, after};
  const TGridRect all{std::min(before.Left, after.Left), std::min(before.Top, after.Top),
                      std::max(before.Right, after.Right), std::max(before.Bottom, after.Bottom)};
  // The strips of the bounding box around the common part.
  if (all.Top < cut.Top) parts.push_back({all.Left, all.Top, all.Right, cut.Top - 1});
  if (cut.Bottom < all.Bottom) parts.push_back({all.Left, cut.Bottom + 1, all.Right, all.Bottom});
  if (all.Left < cut.Left) parts.push_back({all.Left, cut.Top, cut.Left - 1, cut.Bottom});
  if (cut.Right < all.Right) parts.push_back({cut.Right + 1, cut.Top, all.Right, cut.Bottom});
  return parts;
}

// ---- the grid's selection operations

bool TCustomDBGridEh::IsCellSelected(int col, int row, const std::string& bookmark) {
  const TDBGridEhSelectionType kind = FSelection->SelectionType();
  if (kind == gstAll) return true;
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int colIndex, rowIndex;
  GetCellType(col, row, colPart, rowPart, colIndex, rowIndex);
  if (colPart == ccpDataEh) {
    if (rowPart == crpDataEh) return FSelection->DataCellSelected(colIndex, bookmark);
    return kind == gstColumns && colIndex < FColumns->Count() &&
           FSelection->Columns().IndexOf(FColumns->Items(colIndex)) >= 0;
  }
  return rowPart == crpDataEh && kind == gstRecordBookmarks &&
         FSelectedRows->IndexOf(bookmark) >= 0;
}

bool TCustomDBGridEh::CanSelectType(TDBGridEhSelectionType kind) const {
  if (kind == gstNon) return true;
  if (!FOptions.Contains(dgMultiSelect) || !FAllowedSelections.Contains(kind)) return false;
  return !((kind == gstRectangle || kind == gstColumns) && FOptions.Contains(dgRowSelect));
}

void TCustomDBGridEh::SetAllowedSelections(TSet<TDBGridEhSelectionType> value) {
  if (FAllowedSelections == value) return;
  FAllowedSelections = value;
  const TDBGridEhSelectionType kind = FSelection->SelectionType();
  if (kind != gstNon && !value.Contains(kind)) FSelection->Clear();
}

void TCustomDBGridEh::InvalidateGridRect(const TGridRect& rect) {
  if (!HandleAllocated() || rect.Left < 0 || rect.Top < 0) return;
  const int right = std::min(rect.Right, ColCount() - 1);
  const int bottom = std::min(rect.Bottom, RowCount() - 1);
  for (int row = rect.Top; row <= bottom; ++row) {
    if (rect.Left == 0 && right == ColCount() - 1) {
      InvalidateRow(row);
      continue;
    }
    for (int col = rect.Left; col <= right; ++col) InvalidateCell(col, row);
  }
}

void TCustomDBGridEh::SelectionEditorStateChanged() {
  if (!HandleAllocated() || FDestroying) return;
  if (CanEditShow()) {
    if (FOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
  } else if (EditorMode()) {
    HideEditor();
  }
}
