// Record moving: with dghRecordMoving the user presses the indicator cell
// of a data row, drags and releases over another row. A dotted XOR line
// shows where the records would go; beyond the first or last data row the
// rows scroll (timer 1, 60 ms). At the drop the bookmarks go to
// OnMoveRecords, or to the dataset's tree mover, or through the grid's
// data service to the dataset's features object.
#include <algorithm>

#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "grid/grid_resources.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/window.h"

namespace {

bool ModifierHeld() {
  return GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0;
}

}  // namespace

bool TCustomDBGridEh::CanBeginRecordMoving(int& origin, int& destination, TPoint mousePt) {
  (void)origin;
  (void)destination;
  (void)mousePt;
  return true;
}

int TCustomDBGridEh::GetRecordMovingDropPos(int row, TPoint& mousePt, int& level) {
  return FRecordMoverAdapter->DefaultDropPos(row, mousePt, level);
}

bool TCustomDBGridEh::StartRecordMoving(int x, int y, bool checkOnly) {
  if (!FDataLink->Active() || !FOptionsEh.Contains(dghRecordMoving)) return false;
  TDataSet* ds = FDataLink->DataSet();
  if (ds->IsEmpty()) return false;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0 || cell.Y < FTitleOffset) return false;
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int colIndex, rowIndex;
  GetCellType(cell.X, cell.Y, colPart, rowPart, colIndex, rowIndex);
  if (colPart != ccpIndicatorEh || rowPart != crpDataEh || rowIndex >= FRows->DataRowCount())
    return false;

  std::string bookmark;
  int level = -1;
  {
    TGridRowReadEh reading(*FRows, rowIndex);
    bookmark = ds->Bookmark();
    if (FTree->Shown()) level = FRows->MemTable()->NodeLevel();
  }
  // With records selectable, only a selected record is dragged, and a
  // press with a modifier selects instead.
  if (CanSelectType(gstRecordBookmarks) && (FSelectedRows->IndexOf(bookmark) < 0 || ModifierHeld()))
    return false;
  if (checkOnly) return true;

  return FRecordMover->Begin(cell.Y, level, bookmark, {x, y});
}

void TCustomDBGridEh::TrackRecordMoving(int x, int y) { FRecordMover->Track(x, y); }

void TCustomDBGridEh::StopRecordMoving(int x, int y, bool accept) {
  if (!RecordMoving()) return;
  FRecordMover->End();
  if (!accept) return;
  int origin = FRecordMover->SourceRow();
  int destination = FRecordMover->TargetRow();
  if (!EndRowDrag(origin, destination, {x, y})) return;
  if (!FRecordMover->TargetMoved()) return;
  MoveSelectedRecords(FRecordMover->TargetRow() - FTitleOffset, FRecordMover->TargetLevel(), false);
}

// ---- TGridRecordMoverHostEh

bool TDBGridRecordMoverAdapterEh::RecordMovingCanBegin(int& origin, int& destination, TPoint at) {
  return FGrid.CanBeginRecordMoving(origin, destination, at);
}

void TDBGridRecordMoverAdapterEh::RecordMovingBegan() {
  FGrid.Update();
  FGrid.SetMouseCapture(true);
  if (FGrid.HandleAllocated())
    SetTimer(FGrid.Handle(), TCustomDBGridEh::kAutoScrollTimerId,
             TCustomDBGridEh::kRecordMovingTimerInterval);
}

void TDBGridRecordMoverAdapterEh::RecordMovingEnded() {
  if (FGrid.HandleAllocated()) KillTimer(FGrid.Handle(), TCustomDBGridEh::kAutoScrollTimerId);
  if (FGrid.MouseCapture()) FGrid.SetMouseCapture(false);
}

int TDBGridRecordMoverAdapterEh::RecordMovingDropPos(int row, TPoint at, int& level) {
  return FGrid.GetRecordMovingDropPos(row, at, level);
}

int TDBGridRecordMoverAdapterEh::DefaultDropPos(int row, TPoint at, int& level) {
  level = -1;
  if (!FGrid.FTree->Shown() || FGrid.FVisibleColumns.empty()) return 0;
  // Only the visible data rows.
  int first = 0;
  int last = 0;
  VisibleDataRows(first, last);
  if (last < first) return 0;
  row = std::clamp(row, first, last);
  const int left =
      FGrid.CellRect(FGrid.DataToRawColumn(FGrid.FVisibleColumns.front()->Index()), row).Left;
  TGridRowReadEh reading(*FGrid.FRows, row - FGrid.FTitleOffset);
  IMemTableEh* node = FGrid.FRows->MemTable();
  level = FGrid.FRecordMover->DropLevel(row, at.X - left, TCustomDBGridEh::kTreeLevelWidth,
                                        node->NodeLevel(), node->PrevNodeLevel(),
                                        node->NextNodeLevel());
  return left + (level - 1) * TCustomDBGridEh::kTreeLevelWidth;
}

bool TDBGridRecordMoverAdapterEh::RecordMovingDrawLine(int row, bool before, int x) {
  if (!FGrid.HandleAllocated()) return false;
  int top = 0;
  int bottom = 0;
  if (!FGrid.DrawInfo().Vert.CellSpan(row, top, bottom)) return false;
  const int y = before ? top : bottom;
  TCanvas* canvas = GetDC(FGrid.Handle());
  {
    TCanvasStateSaver saver(*canvas);
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetMode(pmXor);
    canvas->Pen()->SetWidth(5);
    canvas->Pen()->SetColor(clWhite);
    canvas->MoveTo(x, y);
    canvas->LineTo(FGrid.ClientWidth(), y);
  }
  ReleaseDC(FGrid.Handle(), canvas);
  return true;
}

void TDBGridRecordMoverAdapterEh::VisibleDataRows(int& first, int& last) {
  first = std::max(FGrid.TopRow(), FGrid.FTitleOffset);
  last = FGrid.FTitleOffset + FGrid.FRows->DataRowCount() - 1;
  if (FGrid.FRows->PerRecord())
    last = std::min(last, std::max(first, FGrid.DrawInfo().Vert.LastFullVisibleCell));
}

void TDBGridRecordMoverAdapterEh::RecordMovingRows(int& first, int& last) {
  VisibleDataRows(first, last);
  last = std::max(first, last);
}

int TDBGridRecordMoverAdapterEh::RecordMovingScrollDirection(int y, int last) {
  const TGridAxisDrawInfo& v = FGrid.DrawInfo().Vert;
  int lastTop = 0;
  int lastBottom = 0;
  const bool lastShown = v.CellSpan(last, lastTop, lastBottom);
  return y < v.FixedBoundary ? -1 : (lastShown && y >= lastBottom ? 1 : 0);
}

int TDBGridRecordMoverAdapterEh::RecordMovingScroll(int direction, const std::string& bookmark,
                                                    int sourceRow) {
  if (FGrid.FRows->PerRecord()) {
    FGrid.SafeSetTopRow(FGrid.TopRow() + direction);
  } else {
    TGridDataLinkEh& link = *FGrid.FDataLink;
    link.MoveBy(direction < 0 ? -link.ActiveRecord() - 1
                              : link.RecordCount() - link.ActiveRecord());
    // The dragged record's grid row follows the window (off it: just
    // above or below).
    sourceRow = direction > 0 ? FGrid.FTitleOffset - 1 : FGrid.RowCount();
    for (int i = 0; i < FGrid.FRows->DataRowCount(); ++i) {
      TGridRowReadEh reading(*FGrid.FRows, i);
      if (link.DataSet()->Bookmark() == bookmark) {
        sourceRow = FGrid.FTitleOffset + i;
        break;
      }
    }
  }
  FGrid.Update();
  return sourceRow;
}

int TDBGridRecordMoverAdapterEh::RecordMovingRowAt(int x, int y, bool& above) {
  const int cx = std::clamp(x, 0, std::max(0, FGrid.ClientWidth() - 1));
  const int cy = std::clamp(y, 0, std::max(0, FGrid.ClientHeight() - 1));
  above = y < FGrid.DrawInfo().Vert.FixedBoundary;
  return FGrid.MouseCoord(cx, cy).Y;
}

bool TCustomDBGridEh::MoveSelectedRecords(int targetRow, int targetLevel, bool checkOnly) {
  std::vector<std::string> bookmarks;
  if (SelectionType() == gstRecordBookmarks && FSelectedRows->Count() > 0) {
    for (int i = 0; i < FSelectedRows->Count(); ++i) bookmarks.push_back(FSelectedRows->Items(i));
  } else {
    bookmarks.push_back(FRecordMover->Bookmark());
  }
  return DoMoveRecords(bookmarks, targetRow, targetLevel, checkOnly);
}

bool TCustomDBGridEh::DoMoveRecords(const std::vector<std::string>& bookmarks, int targetRow,
                                    int targetLevel, bool checkOnly) {
  if (OnMoveRecords) return OnMoveRecords(this, bookmarks, targetRow, targetLevel, checkOnly);
  return DefaultMoveRecords(bookmarks, targetRow, targetLevel, checkOnly);
}

bool TCustomDBGridEh::DefaultMoveRecords(const std::vector<std::string>& bookmarks, int targetRow,
                                         int targetLevel, bool checkOnly) {
  if (FRows->MemTable() != nullptr && FDataLink->Active())
    return FRows->MemTable()->MoveRecords(bookmarks, targetRow, targetLevel, checkOnly);
  if (!FDataLink->Active()) return false;
  TDataSet* ds = FDataLink->DataSet();
  // The current record's screen row from the middle of the window, where
  // going to a record number puts that record.
  const int buffers = FDataLink->BufferCount();
  const int offset = FDataLink->ActiveRecord() - buffers / 2 + (buffers % 2 == 0 ? 1 : 0);
  int target = 0;
  {
    TGridRowReadEh reading(*FRows,
                           std::clamp(targetRow, 0, std::max(0, FDataLink->RecordCount() - 1)));
    target = ds->RecNo();
  }
  const bool moved = DBGridEhDataService()->MoveRecords(this, bookmarks, target, checkOnly);
  // The moved records end up current on the screen row the current record
  // had. A refused move leaves the dataset where it was.
  if (moved && !checkOnly && target > 0) {
    const int anchor = std::clamp(target - offset, 1, std::max(1, ds->RecordCount()));
    ds->SetRecNo(anchor);
    ds->MoveBy(target - anchor);
  }
  return moved;
}

bool TDBGridRecordMoverAdapterEh::HandleMessage(TMessage& message) {
  if (!FGrid.RecordMoving()) return false;
  switch (message.Msg) {
    case WM_TIMER:
      if (message.WParam != TCustomDBGridEh::kAutoScrollTimerId) return false;
      if (FGrid.HandleAllocated()) {
        const TPoint p = FGrid.ScreenToClient(GetCursorPos());
        FGrid.TrackRecordMoving(p.X, p.Y);
      }
      message.Result = 0;
      return true;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      FGrid.StopRecordMoving(-1, -1, false);
      return false;
    default:
      return false;
  }
}
