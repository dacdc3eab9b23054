// Record moving: with dghRecordMoving the user presses the indicator cell
// of a data row, drags and releases over another row. A dotted XOR line
// shows where the records would go; beyond the first or last data row the
// rows scroll (timer 1, 60 ms). At the drop the bookmarks go to
// OnMoveRecords, or to the dataset's tree mover, or through the grid's
// data service to the dataset's features object.
#include <algorithm>

#include "grid/db_grid.h"
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
  level = -1;
  if (!TreeDisplay() || FVisibleColumns.empty()) return 0;
  // Only the visible data rows.
  int first = std::max(TopRow(), FTitleOffset);
  int last = FTitleOffset + DataRowCount() - 1;
  if (RowPerRecordMode())
    last = std::min(last, std::max(first, DrawInfo().Vert.LastFullVisibleCell));
  if (last < first) return 0;
  row = std::clamp(row, first, last);
  const int left = CellRect(DataToRawColumn(FVisibleColumns.front()->Index()), row).Left;
  BeginRow(row - FTitleOffset);
  const int nodeLevel = std::max(1, FRows.MemTable()->NodeLevel());
  const int prevLevel = FRows.MemTable()->PrevNodeLevel();
  const int nextLevel = FRows.MemTable()->NextNodeLevel();
  EndRow();
  // Above the source the records go before the row: a sibling of it, or a
  // child of the row above. Below it they go after the row: a child of it
  // or a sibling of it or of an ancestor down to the row below's level.
  int low = nodeLevel;
  int high = nodeLevel;
  if (row < FRecordMover.SourceRow()) {
    high = std::max(low, prevLevel > 0 ? prevLevel + 1 : 1);
  } else if (row > FRecordMover.SourceRow()) {
    low = std::min(nodeLevel, nextLevel > 0 ? nextLevel : 1);
    high = nodeLevel + 1;
  } else if (FRecordMover.SourceLevel() > 0) {
    low = high = FRecordMover.SourceLevel();
  }
  level = std::clamp((mousePt.X - left) / kTreeLevelWidth + 1, low, high);
  return left + (level - 1) * kTreeLevelWidth;
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
  if (colPart != ccpIndicatorEh || rowPart != crpDataEh || rowIndex >= DataRowCount()) return false;

  BeginRow(rowIndex);
  const std::string bookmark = ds->Bookmark();
  const int level = TreeDisplay() ? FRows.MemTable()->NodeLevel() : -1;
  EndRow();
  // With records selectable, only a selected record is dragged, and a
  // press with a modifier selects instead.
  if (CanSelectType(gstRecordBookmarks) && (FSelectedRows->IndexOf(bookmark) < 0 || ModifierHeld()))
    return false;
  if (checkOnly) return true;

  return FRecordMover.Begin(cell.Y, level, bookmark, {x, y});
}

void TCustomDBGridEh::TrackRecordMoving(int x, int y) { FRecordMover.Track(x, y); }

void TCustomDBGridEh::StopRecordMoving(int x, int y, bool accept) {
  if (!RecordMoving()) return;
  FRecordMover.End();
  if (!accept) return;
  int origin = FRecordMover.SourceRow();
  int destination = FRecordMover.TargetRow();
  if (!EndRowDrag(origin, destination, {x, y})) return;
  if (!FRecordMover.TargetMoved()) return;
  MoveSelectedRecords(FRecordMover.TargetRow() - FTitleOffset, FRecordMover.TargetLevel(), false);
}

// ---- TGridRecordMoverHostEh

bool TCustomDBGridEh::RecordMovingCanBegin(int& origin, int& destination, TPoint at) {
  return CanBeginRecordMoving(origin, destination, at);
}

void TCustomDBGridEh::RecordMovingBegan() {
  Update();
  SetMouseCapture(true);
  if (HandleAllocated()) SetTimer(Handle(), kAutoScrollTimerId, kRecordMovingTimerInterval);
}

void TCustomDBGridEh::RecordMovingEnded() {
  if (HandleAllocated()) KillTimer(Handle(), kAutoScrollTimerId);
  if (MouseCapture()) SetMouseCapture(false);
}

int TCustomDBGridEh::RecordMovingDropPos(int row, TPoint at, int& level) {
  return GetRecordMovingDropPos(row, at, level);
}

bool TCustomDBGridEh::RecordMovingDrawLine(int row, bool before, int x) {
  if (!HandleAllocated()) return false;
  int top = 0;
  int bottom = 0;
  if (!DrawInfo().Vert.CellSpan(row, top, bottom)) return false;
  const int y = before ? top : bottom;
  TCanvas* canvas = GetDC(Handle());
  {
    TCanvasStateSaver saver(*canvas);
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetMode(pmXor);
    canvas->Pen()->SetWidth(5);
    canvas->Pen()->SetColor(clWhite);
    canvas->MoveTo(x, y);
    canvas->LineTo(ClientWidth(), y);
  }
  ReleaseDC(Handle(), canvas);
  return true;
}

void TCustomDBGridEh::RecordMovingRows(int& first, int& last) {
  first = std::max(TopRow(), FTitleOffset);
  last = FTitleOffset + DataRowCount() - 1;
  if (RowPerRecordMode())
    last = std::min(last, std::max(first, DrawInfo().Vert.LastFullVisibleCell));
  last = std::max(first, last);
}

int TCustomDBGridEh::RecordMovingScrollDirection(int y, int last) {
  const TGridAxisDrawInfo& v = DrawInfo().Vert;
  int lastTop = 0;
  int lastBottom = 0;
  const bool lastShown = v.CellSpan(last, lastTop, lastBottom);
  return y < v.FixedBoundary ? -1 : (lastShown && y >= lastBottom ? 1 : 0);
}

int TCustomDBGridEh::RecordMovingScroll(int direction, const std::string& bookmark, int sourceRow) {
  if (RowPerRecordMode()) {
    SafeSetTopRow(TopRow() + direction);
  } else {
    FDataLink->MoveBy(direction < 0 ? -FDataLink->ActiveRecord() - 1
                                    : FDataLink->RecordCount() - FDataLink->ActiveRecord());
    // The dragged record's grid row follows the window (off it: just
    // above or below).
    sourceRow = direction > 0 ? FTitleOffset - 1 : RowCount();
    for (int i = 0; i < DataRowCount(); ++i) {
      BeginRow(i);
      const bool found = FDataLink->DataSet()->Bookmark() == bookmark;
      EndRow();
      if (found) {
        sourceRow = FTitleOffset + i;
        break;
      }
    }
  }
  Update();
  return sourceRow;
}

int TCustomDBGridEh::RecordMovingRowAt(int x, int y, bool& above) {
  const int cx = std::clamp(x, 0, std::max(0, ClientWidth() - 1));
  const int cy = std::clamp(y, 0, std::max(0, ClientHeight() - 1));
  above = y < DrawInfo().Vert.FixedBoundary;
  return MouseCoord(cx, cy).Y;
}

bool TCustomDBGridEh::MoveSelectedRecords(int targetRow, int targetLevel, bool checkOnly) {
  std::vector<std::string> bookmarks;
  if (SelectionType() == gstRecordBookmarks && FSelectedRows->Count() > 0) {
    for (int i = 0; i < FSelectedRows->Count(); ++i) bookmarks.push_back(FSelectedRows->Items(i));
  } else {
    bookmarks.push_back(FRecordMover.Bookmark());
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
  if (FRows.MemTable() != nullptr && FDataLink->Active())
    return FRows.MemTable()->MoveRecords(bookmarks, targetRow, targetLevel, checkOnly);
  if (!FDataLink->Active()) return false;
  TDataSet* ds = FDataLink->DataSet();
  // The current record's screen row from the middle of the window, where
  // going to a record number puts that record.
  const int buffers = FDataLink->BufferCount();
  const int offset = FDataLink->ActiveRecord() - buffers / 2 + (buffers % 2 == 0 ? 1 : 0);
  BeginRow(std::clamp(targetRow, 0, std::max(0, FDataLink->RecordCount() - 1)));
  int target = ds->RecNo();
  EndRow();
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

bool TCustomDBGridEh::HandleRecordMovingMessage(TMessage& message) {
  if (!RecordMoving()) return false;
  switch (message.Msg) {
    case WM_TIMER:
      if (message.WParam != kAutoScrollTimerId) return false;
      if (HandleAllocated()) {
        const TPoint p = ScreenToClient(GetCursorPos());
        TrackRecordMoving(p.X, p.Y);
      }
      message.Result = 0;
      return true;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      StopRecordMoving(-1, -1, false);
      return false;
    default:
      return false;
  }
}
