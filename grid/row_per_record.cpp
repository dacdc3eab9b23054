// Row-per-record mode, the grid's side: a dataset that offers IMemTableEh
// tells the grid how many rows it has and which is current; the grid then
// has one row per dataset row, its top row scrolls and the current record
// stays where it is. The rows, their reading and the scrolling rules live in
// data_rows.h; here the grid follows the dataset and keeps its bar.
#include <algorithm>

#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"
#include "platform/gui/scrolling.h"
#include "platform/gui/window.h"
#include "platform/widgets/grid_inplace_edit.h"

namespace {

bool AnyHidesDuplicates(const std::vector<TColumnEh*>& columns) {
  return std::any_of(columns.begin(), columns.end(),
                     [](TColumnEh* c) { return c->HideDuplicates(); });
}

}  // namespace

// ---- the interface

void TDBGridRowPerRecordEh::QueryMemTable() {
  FGrid.FRows->QueryMemTable(FGrid.FDataLink && !FGrid.FDestroying ? FGrid.FDataLink->DataSet()
                                                                   : nullptr);
}

void TDBGridRowPerRecordEh::RowsMemTableChanged(TDataSet* dataSet) {
  if (dataSet != nullptr) dataSet->FreeNotification(&FGrid);
  FGrid.RequestLayout();
}

// ---- rows and the current record

void TDBGridRowPerRecordEh::PrepareRowLayout() {
  TCustomDBGridEh& g = FGrid;
  if (g.RowCount() <= g.FTitleOffset) g.SetRowCount(g.FTitleOffset + 1);
  g.SetFixedRows(g.FTitleOffset);
  // Setting the default height resets every row; only when it changed, as
  // there may be many rows.
  if (g.DefaultRowHeight() != g.FDefaultRowHeight) g.SetDefaultRowHeight(g.FDefaultRowHeight);
  if (g.FOptions.Contains(dgTitles) && g.RowHeights(0) != g.FTitleRowHeight)
    g.SetRowHeights(0, g.FTitleRowHeight);
}

void TDBGridRowPerRecordEh::MoveToDataRow(int target, bool moveAnchor, bool show) {
  TCustomDBGridEh& g = FGrid;
  target = std::clamp(target, g.FixedRows(), g.RowCount() - 1);
  const int col = g.Col();
  if (col < g.FixedCols() && g.FixedCols() < g.ColCount()) {
    // A frozen current column: through the first scrolling one, so that
    // the selection follows, and back.
    g.MoveColRow(g.FixedCols(), target, moveAnchor, show);
    g.MoveColRow(col, target, false, show);
    return;
  }
  g.MoveColRow(col, target, moveAnchor, show);
}

void TDBGridRowPerRecordEh::UpdateRowCount() {
  TCustomDBGridEh& g = FGrid;
  TGridDataRowsEh& rows = *g.FRows;
  const bool active = g.FDataLink->Active();
  PrepareRowLayout();
  const int count = g.FTitleOffset + std::max(1, active ? rows.MemTable()->RowCount() : 0);
  if (count <= g.Row()) g.MoveColRow(g.Col(), count - 1, false, false);
  g.SetRowCount(count);
  if (!g.HandleAllocated()) return;
  const int maxTop = rows.MaxTopRow();
  if (g.TopRow() > maxTop) g.SetTopRow(maxTop);
  if (active) {
    const int current = rows.MemTable()->CurrentRow();
    if (current != g.Row() - g.FTitleOffset) {
      g.InvalidateRow(g.Row());
      MoveToDataRow(current < 0 ? g.FixedRows() : g.FTitleOffset + current,
                    !rows.MovingRecordItself(), false);
      g.InvalidateRow(g.Row());
    }
  }
  FetchStep();
  g.InvalidateGrid();
}

void TDBGridRowPerRecordEh::UpdateActive() {
  TCustomDBGridEh& g = FGrid;
  TGridDataRowsEh& rows = *g.FRows;
  g.FIncSearchAdapter->RecordMoved();
  if (!g.FDataLink->Active()) {
    g.UpdateScrollBar();
    return;
  }
  const int count = g.FTitleOffset + std::max(1, rows.MemTable()->RowCount());
  if (count != g.RowCount()) {
    if (count <= g.Row()) g.MoveColRow(g.Col(), count - 1, false, false);
    g.SetRowCount(count);
  }
  if (g.HandleAllocated()) g.InvalidateRow(g.Row());
  if (g.HandleAllocated() && !g.ComponentState().Contains(csLoading)) {
    const int oldTop = g.TopRow();
    const int current = rows.MemTable()->CurrentRow();
    const int target = current < 0 ? g.FixedRows() : g.FTitleOffset + current;
    // A tree change puts the top row back itself.
    const bool show = !rows.InTreeExpand();
    // The view follows a record that moved; scrolled away from one that
    // did not, it stays.
    const bool recordMoved = rows.FollowRow(current);
    if (target != g.Row() && target < g.RowCount()) {
      if (!g.FOptions.Contains(dgAlwaysShowEditor)) g.HideEditor();
      if (rows.MovingRecordItself())
        g.MoveColRow(g.Col(), target, false, show);
      else
        MoveToDataRow(target, true, show);
      g.InvalidateEditor();
      g.InvalidateRow(target);
    } else if (recordMoved && show && target == g.Row()) {
      g.ClampInView({g.Col(), g.Row()});
    }
    if (g.EditorMode()) {
      const std::string text = g.FieldEditText(g.ColumnOfRawCol(g.Col()));
      if (text != g.FEditText) {
        g.FEditText = text;
        g.UpdateEdit();
      }
    }
    // A row that comes to the top shows its value even when it repeats.
    if (g.TopRow() != oldTop && AnyHidesDuplicates(g.FVisibleColumns)) {
      g.InvalidateRow(g.TopRow());
      g.InvalidateRow(oldTop);
    }
  }
  g.UpdateScrollBar();
}

void TDBGridRowPerRecordEh::FetchStep() {
  if (!FGrid.FRows->PerRecord() || !FGrid.FDataLink->Active() || !FGrid.HandleAllocated()) return;
  FGrid.FRows->FetchStep();
}

void TCustomDBGridEh::SafeSetTopRow(int row) { FRows->SafeSetTopRow(row); }

// ---- TGridDataRowsHostEh

bool TDBGridRowPerRecordEh::RowsWindowShown() { return FGrid.HandleAllocated(); }

int TDBGridRowPerRecordEh::RowsTopRow() { return FGrid.TopRow(); }

void TDBGridRowPerRecordEh::RowsSetTopRow(int row) { FGrid.SetTopRow(row); }

int TDBGridRowPerRecordEh::RowsFixedCount() { return FGrid.FixedRows(); }

int TDBGridRowPerRecordEh::RowsTotalCount() { return FGrid.RowCount(); }

int TDBGridRowPerRecordEh::RowsLastFullShown() { return FGrid.DrawInfo().Vert.LastFullVisibleCell; }

int TDBGridRowPerRecordEh::RowsFirstShowingWhole(int row) {
  return FGrid.DrawInfo().Vert.FirstShowingWhole(row);
}

int TDBGridRowPerRecordEh::RowsRoomBelow() {
  const int height = FGrid.ClientHeight();
  const int bottom = FGrid.DrawInfo().Vert.GridBoundary;
  return height > bottom ? (height - bottom) / std::max(1, FGrid.DefaultRowHeight()) + 1 : 0;
}

void TDBGridRowPerRecordEh::RowsTopChanged(int oldTop) {
  FGrid.UpdateScrollBar();
  if (AnyHidesDuplicates(FGrid.FVisibleColumns)) {
    FGrid.InvalidateRow(FGrid.TopRow());
    FGrid.InvalidateRow(oldTop);
  }
}

// ---- the vertical bar and the scroll messages

void TDBGridRowPerRecordEh::UpdateScrollBar() {
  TCustomDBGridEh& g = FGrid;
  if (!g.HandleAllocated() || g.FDestroying || !g.FVertScrollBar) return;
  if (g.ScrollBars() != ssVertical && g.ScrollBars() != ssBoth) return;
  TScrollInfo old;
  old.fMask = SIF_ALL;
  GetScrollInfo(g.Handle(), SB_VERT, old);
  const int lastFull = g.DrawInfo().Vert.LastFullVisibleCell;
  TScrollInfo info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (g.FVertScrollBar->VisibleMode() == sbAlwaysShowEh) info.fMask |= SIF_DISABLENOSCROLL;
  info.nMin = 1;
  const int max = std::max(1, g.RowCount() - g.FixedRows());
  info.nMax = g.FVertScrollBar->Visible() ? max : info.nMin;
  info.nPage = static_cast<unsigned>(std::max(0, lastFull - g.TopRow() + 1));
  info.nPos = g.TopRow() - g.FixedRows() + 1;
  if (old.nMin == info.nMin && old.nMax == info.nMax && old.nPage == info.nPage &&
      old.nPos == info.nPos)
    return;
  SetScrollInfo(g.Handle(), SB_VERT, info, true);
}

bool TDBGridRowPerRecordEh::ScrollMessage(TMessage& message) {
  TCustomDBGridEh& g = FGrid;
  if (message.Msg != WM_VSCROLL || !g.FRows->PerRecord() || !g.FDataLink->Active()) return false;
  TWMVScroll scroll{message};
  const int code = scroll.ScrollCode();
  const bool tracking = code == SB_THUMBTRACK && g.FVertScrollBar->Tracking();
  const int thumb =
      tracking || code == SB_THUMBPOSITION ? ThumbPosition(g.Handle(), SB_VERT, scroll.Pos()) : 0;
  g.FRows->ScrollRequest(code, thumb, tracking);
  g.UpdateScrollBar();
  message.Result = 0;
  return true;
}

bool TDBGridRowPerRecordEh::Wheel(bool down, TShiftState shift, TPoint mousePos) {
  bool handled = false;
  if (const TMouseWheelUpDownEventEh& event = down ? FGrid.OnMouseWheelDown : FGrid.OnMouseWheelUp)
    event(&FGrid, shift, mousePos, handled);
  if (handled) return true;
  FGrid.FRows->Wheel(down, shift, std::max(1, FGrid.VisibleRowCount()));
  return true;
}
