#include "grid/selected_rows.h"

#include <algorithm>

#include "grid/db_grid.h"
#include "platform/data/data_source.h"
#include "platform/draw/canvas.h"

// ---- TBookmarkListEh

TDataSet* TBookmarkListEh::GetDataSet() {
  TDataSource* source = FGrid->DataSource();
  return source != nullptr ? source->DataSet() : nullptr;
}

void TBookmarkListEh::Invalidate() { FGrid->InvalidateGrid(); }

void TBookmarkListEh::SelectionChanged() { FGrid->SelectionChanged(); }

void TBookmarkListEh::SetCurrentRowSelected(bool value) {
  TBMListEh::SetCurrentRowSelected(value);
  FGrid->InvalidateRow(FGrid->Row());
  if (FGrid->SelectionType() != gstRecordBookmarks && Count() > 0)
    FGrid->SetSelectionType(gstRecordBookmarks);
  FGrid->SelectionChanged();
}

void TBookmarkListEh::Clear() {
  TBMListEh::Clear();
  FGrid->SelectionChanged();
}

TGridRect TBookmarkListEh::GetSelectedRowsRect() {
  TGridRect rect{-1, -1, -1, -1};
  TGridDataLinkEh* link = FGrid->DataLink();
  if (!link->Active() || Count() == 0) return rect;
  TDataSet* dataSet = link->DataSet();
  if (FGrid->RowPerRecordMode()) {
    // Every row of the dataset is a grid row: the dataset knows where.
    for (int i = 0; i < Count(); ++i) {
      const int found = FGrid->MemTable()->RowOfBookmark(Items(i));
      if (found < 0) continue;
      const int row = FGrid->TitleOffset() + found;
      rect.Top = rect.Top < 0 ? row : std::min(rect.Top, row);
      rect.Bottom = std::max(rect.Bottom, row);
    }
    if (rect.Top >= 0) {
      rect.Left = FGrid->IndicatorOffset();
      rect.Right = FGrid->ColCount() - 1;
    }
    return rect;
  }
  const int saved = link->ActiveRecord();
  for (int i = 0; i < link->RecordCount(); ++i) {
    link->SetActiveRecord(i);
    if (IndexOf(dataSet->Bookmark()) < 0) continue;
    const int row = FGrid->TitleOffset() + i;
    if (rect.Top < 0) rect.Top = row;
    rect.Bottom = row;
  }
  link->SetActiveRecord(saved);
  if (rect.Top >= 0) {
    rect.Left = FGrid->IndicatorOffset();
    rect.Right = FGrid->ColCount() - 1;
  }
  return rect;
}

// ---- TToolTipsWindow

TRect TToolTipsWindow::CalcHintRect(int maxWidth, const std::string& hint, void* data) {
  if (data != nullptr) Font()->Assign(static_cast<const TFont*>(data));
  Font()->SetColor(clWindowText);
  return THintWindow::CalcHintRect(maxWidth, hint, data);
}
