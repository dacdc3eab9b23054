// Row-per-record mode, the grid's side: a dataset that offers IMemTableEh
// tells the grid how many rows it has and which is current; the grid then
// has one row per dataset row, its top row scrolls and the current record
// stays where it is. The rows, their reading and the scrolling rules live in
// data_rows.h; here the grid follows the dataset and keeps its bar.
#include <algorithm>

#include "grid/db_grid.h"
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

void TCustomDBGridEh::QueryMemTable() {
  FRows.QueryMemTable(FDataLink && !FDestroying ? FDataLink->DataSet() : nullptr);
}

void TCustomDBGridEh::RowsMemTableChanged(TDataSet* dataSet) {
  if (dataSet != nullptr) dataSet->FreeNotification(this);
  RequestLayout();
}

// ---- reading rows

// ---- rows and the current record

void TCustomDBGridEh::PrepareRowLayout() {
  if (RowCount() <= FTitleOffset) SetRowCount(FTitleOffset + 1);
  SetFixedRows(FTitleOffset);
  // Setting the default height resets every row; only when it changed, as
  // there may be many rows.
  if (DefaultRowHeight() != FDefaultRowHeight) SetDefaultRowHeight(FDefaultRowHeight);
  if (FOptions.Contains(dgTitles) && RowHeights(0) != FTitleRowHeight)
    SetRowHeights(0, FTitleRowHeight);
}

int TCustomDBGridEh::MaxTopRow() { return FRows.MaxTopRow(); }

void TCustomDBGridEh::MoveToDataRow(int target, bool moveAnchor, bool show) {
  target = std::clamp(target, FixedRows(), RowCount() - 1);
  const int col = Col();
  if (col < FixedCols() && FixedCols() < ColCount()) {
    // A frozen current column: through the first scrolling one, so that
    // the selection follows, and back.
    MoveColRow(FixedCols(), target, moveAnchor, show);
    MoveColRow(col, target, false, show);
    return;
  }
  MoveColRow(col, target, moveAnchor, show);
}

void TCustomDBGridEh::RowPerRecordUpdateRowCount() {
  const bool active = FDataLink->Active();
  PrepareRowLayout();
  const int count = FTitleOffset + std::max(1, active ? FRows.MemTable()->RowCount() : 0);
  if (count <= Row()) MoveColRow(Col(), count - 1, false, false);
  SetRowCount(count);
  if (!HandleAllocated()) return;
  const int maxTop = MaxTopRow();
  if (TopRow() > maxTop) SetTopRow(maxTop);
  if (active) {
    const int current = FRows.MemTable()->CurrentRow();
    if (current != Row() - FTitleOffset) {
      InvalidateRow(Row());
      MoveToDataRow(current < 0 ? FixedRows() : FTitleOffset + current, !FRows.MovingRecordItself(),
                    false);
      InvalidateRow(Row());
    }
  }
  FetchStep();
  InvalidateGrid();
}

void TCustomDBGridEh::RowPerRecordUpdateActive() {
  EndIncSearchOnMove();
  if (!FDataLink->Active()) {
    UpdateScrollBar();
    return;
  }
  const int count = FTitleOffset + std::max(1, FRows.MemTable()->RowCount());
  if (count != RowCount()) {
    if (count <= Row()) MoveColRow(Col(), count - 1, false, false);
    SetRowCount(count);
  }
  if (HandleAllocated()) InvalidateRow(Row());
  if (HandleAllocated() && !ComponentState().Contains(csLoading)) {
    const int oldTop = TopRow();
    const int current = FRows.MemTable()->CurrentRow();
    const int target = current < 0 ? FixedRows() : FTitleOffset + current;
    // A tree change puts the top row back itself.
    const bool show = !FRows.InTreeExpand();
    // The view follows a record that moved; scrolled away from one that
    // did not, it stays.
    const bool recordMoved = FRows.FollowRow(current);
    if (target != Row() && target < RowCount()) {
      if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
      if (FRows.MovingRecordItself())
        MoveColRow(Col(), target, false, show);
      else
        MoveToDataRow(target, true, show);
      InvalidateEditor();
      InvalidateRow(target);
    } else if (recordMoved && show && target == Row()) {
      ClampInView({Col(), Row()});
    }
    if (EditorMode()) {
      const std::string text = FieldEditText(ColumnOfRawCol(Col()));
      if (text != FEditText) {
        FEditText = text;
        UpdateEdit();
      }
    }
    // A row that comes to the top shows its value even when it repeats.
    if (TopRow() != oldTop && AnyHidesDuplicates(FVisibleColumns)) {
      InvalidateRow(TopRow());
      InvalidateRow(oldTop);
    }
  }
  UpdateScrollBar();
}

void TCustomDBGridEh::FetchStep() {
  if (!RowPerRecordMode() || !FDataLink->Active() || !HandleAllocated()) return;
  FRows.FetchStep();
}

void TCustomDBGridEh::SafeSetTopRow(int row) { FRows.SafeSetTopRow(row); }

// ---- TGridDataRowsHostEh

bool TCustomDBGridEh::RowsWindowShown() { return HandleAllocated(); }

int TCustomDBGridEh::RowsTopRow() { return TopRow(); }

void TCustomDBGridEh::RowsSetTopRow(int row) { SetTopRow(row); }

int TCustomDBGridEh::RowsFixedCount() { return FixedRows(); }

int TCustomDBGridEh::RowsTotalCount() { return RowCount(); }

int TCustomDBGridEh::RowsLastFullShown() { return DrawInfo().Vert.LastFullVisibleCell; }

int TCustomDBGridEh::RowsFirstShowingWhole(int row) {
  return DrawInfo().Vert.FirstShowingWhole(row);
}

int TCustomDBGridEh::RowsRoomBelow() {
  const int height = ClientHeight();
  const int bottom = DrawInfo().Vert.GridBoundary;
  return height > bottom ? (height - bottom) / std::max(1, DefaultRowHeight()) + 1 : 0;
}

void TCustomDBGridEh::RowsTopChanged(int oldTop) {
  UpdateScrollBar();
  if (AnyHidesDuplicates(FVisibleColumns)) {
    InvalidateRow(TopRow());
    InvalidateRow(oldTop);
  }
}

// ---- the vertical bar and the scroll messages

void TCustomDBGridEh::RowPerRecordUpdateScrollBar() {
  if (!HandleAllocated() || FDestroying || !FVertScrollBar) return;
  if (ScrollBars() != ssVertical && ScrollBars() != ssBoth) return;
  TScrollInfo old;
  old.fMask = SIF_ALL;
  GetScrollInfo(Handle(), SB_VERT, old);
  const int lastFull = DrawInfo().Vert.LastFullVisibleCell;
  TScrollInfo info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (FVertScrollBar->VisibleMode() == sbAlwaysShowEh) info.fMask |= SIF_DISABLENOSCROLL;
  info.nMin = 1;
  const int max = std::max(1, RowCount() - FixedRows());
  info.nMax = FVertScrollBar->Visible() ? max : info.nMin;
  info.nPage = static_cast<unsigned>(std::max(0, lastFull - TopRow() + 1));
  info.nPos = TopRow() - FixedRows() + 1;
  if (old.nMin == info.nMin && old.nMax == info.nMax && old.nPage == info.nPage &&
      old.nPos == info.nPos)
    return;
  SetScrollInfo(Handle(), SB_VERT, info, true);
}

bool TCustomDBGridEh::RowPerRecordScrollMessage(TMessage& message) {
  if (message.Msg != WM_VSCROLL || !RowPerRecordMode() || !FDataLink->Active()) return false;
  TWMVScroll scroll{message};
  const int code = scroll.ScrollCode();
  const bool tracking = code == SB_THUMBTRACK && FVertScrollBar->Tracking();
  const int thumb =
      tracking || code == SB_THUMBPOSITION ? ThumbPosition(Handle(), SB_VERT, scroll.Pos()) : 0;
  FRows.ScrollRequest(code, thumb, tracking);
  UpdateScrollBar();
  message.Result = 0;
  return true;
}

bool TCustomDBGridEh::RowPerRecordWheel(bool down, TShiftState shift, TPoint mousePos) {
  bool handled = false;
  if (const TMouseWheelUpDownEventEh& event = down ? OnMouseWheelDown : OnMouseWheelUp)
    event(this, shift, mousePos, handled);
  if (handled) return true;
  FRows.Wheel(down, shift, std::max(1, VisibleRowCount()));
  return true;
}
