// The data grid's vertical scroll bar, which shows the position in the
// dataset rather than in the grid's rows; the scroll messages that move the
// dataset; incremental search with its time-out; leaving the grid.
#include <algorithm>

#include "controls/edit_buttons.h"
#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "grid/inplace_edit.h"
#include "grid/inplace_filter_edit.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/scrolling.h"

namespace {

constexpr int kMinTimerInterval = 10;

}  // namespace

// ---- pure rules

TVertScrollParamsEh VertScrollBarParams(const TVertScrollStateEh& state) {
  TVertScrollParamsEh p;
  if (!state.LinkActive) {
    p.Min = 0;
    p.Max = 1;
    p.Page = 2;
    p.Position = 0;
  } else if (state.Numbered) {
    p.Min = 1;
    p.Page = std::max(0, state.VisibleRows);
    p.Max = std::max(1, state.RecordCount + p.Page - 1);
    p.Position = state.Inserting ? state.LastPosition : state.RecNo;
  } else {
    // Without numbers the thumb only tells start, middle or end.
    p.Min = 0;
    p.Max = 4;
    p.Page = 0;
    p.Position = state.Bof ? 0 : state.Eof ? 4 : 2;
  }
  return p;
}

int AutoScrollStep(int distance) { return std::min(8, std::max(0, distance) / 6); }

int AutoScrollInterval(int distance, bool columnDrag) {
  const int interval = std::max(0, columnDrag ? 200 - 10 * distance : 200 - 15 * distance);
  // A timer of 0 ms would fire on every pass of the message loop.
  return interval == 0 ? kMinTimerInterval : interval;
}

bool CellTextIsCut(int textWidth, int textHeight, int cellWidth, int cellHeight, bool wordWrap) {
  return textWidth > cellWidth - 2 || (wordWrap && textHeight > cellHeight);
}

// ---- the scroll bars

TObjectPtr<TDBGridEhScrollBar> TCustomDBGridEh::CreateScrollBar(TScrollBarKind kind) {
  if (kind == sbVertical) return CreateUnique<TVertDBGridEhScrollBar>(this);
  return CreateUnique<TDBGridEhScrollBar>(this, kind);
}

void TCustomDBGridEh::UpdateScrollBar() {
  if (FRows->PerRecord()) {
    FRowPerRecord->UpdateScrollBar();
    return;
  }
  if (!HandleAllocated() || FDestroying || !FVertScrollBar) return;
  TVertScrollStateEh state;
  state.LinkActive = FDataLink->Active();
  TScrollInfo old;
  old.fMask = SIF_ALL;
  GetScrollInfo(Handle(), SB_VERT, old);
  TScrollBar* ext = FVertScrollBar->ExtScrollBar();
  if (state.LinkActive) {
    TDataSet* ds = FDataLink->DataSet();
    state.Numbered = FSumList->HasRecordNumbers();
    state.Bof = ds->Bof();
    state.Eof = ds->Eof();
    state.VisibleRows = VisibleDataRowCount();
    state.Inserting = ds->State() == dsInsert;
    state.LastPosition = ext != nullptr ? ext->Position() : old.nPos;
    if (state.Numbered) {
      state.RecordCount = FSumList->RecordCount();
      state.RecNo = FSumList->GetRecNo();
    }
  }
  const TVertScrollParamsEh p = VertScrollBarParams(state);
  const TScrollBarVisibleModeEh mode = FVertScrollBar->VisibleMode();
  const bool ownsBar = ScrollBars() == ssVertical || ScrollBars() == ssBoth;
  if (ownsBar) {
    TScrollInfo info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (mode == sbAlwaysShowEh && ext == nullptr) info.fMask |= SIF_DISABLENOSCROLL;
    info.nMin = p.Min;
    // The window's own bar hides behind an external one.
    info.nMax = FVertScrollBar->Visible() && ext == nullptr ? p.Max : p.Min;
    info.nPage = static_cast<unsigned>(p.Page);
    info.nPos = p.Position;
    const bool same = old.nMin == info.nMin && old.nMax == info.nMax && old.nPage == info.nPage &&
                      old.nPos == info.nPos;
    if (!same || mode != FLastVisibleMode) {
      if (mode != FLastVisibleMode && FLastVisibleMode == sbAlwaysShowEh)
        EnableScrollBar(Handle(), SB_VERT, ESB_ENABLE_BOTH);
      SetScrollInfo(Handle(), SB_VERT, info, true);
    }
  }
  FLastVisibleMode = mode;
  if (ext != nullptr) {
    // The page first goes to 0 so that no step meets an old page larger
    // than the new range.
    const int max = std::max(p.Min, p.Max);
    ext->SetPageSize(0);
    ext->SetParams(p.Position, p.Min, max);
    ext->SetPageSize(std::min(p.Page, max - p.Min + 1));
  }
}

void TCustomDBGridEh::UpdateHorzExtScrollBar() {
  if (!FHorzScrollBar) return;
  TScrollBar* ext = FHorzScrollBar->ExtScrollBar();
  if (ext == nullptr) return;
  const int scrolling = std::max(0, ColCount() - FixedCols());
  const int max = std::max(0, scrolling - 1);
  const int page = HandleAllocated() ? std::min(VisibleColCount(), max + 1) : 0;
  ext->SetPageSize(0);
  ext->SetParams(LeftCol() - FixedCols(), 0, max);
  ext->SetPageSize(page);
}

void TCustomDBGridEh::HorzScrollBarChanged() {
  if (!FHorzScrollBar) return;
  const bool horz = FHorzScrollBar->Visible() && FHorzScrollBar->ExtScrollBar() == nullptr;
  const bool vert = ScrollBars() == ssVertical || ScrollBars() == ssBoth;
  SetScrollBars(horz ? (vert ? ssBoth : ssHorizontal) : (vert ? ssVertical : ssNone));
  UpdateHorzExtScrollBar();
}

void TCustomDBGridEh::ExtScrollRequest(TDBGridEhScrollBar* bar, TMessage& message) {
  TValueGuard<TDBGridEhScrollBar*> requestBar(FScrollRequestBar, bar);
  Perform(message);
}

void TCustomDBGridEh::TopLeftChanged() {
  // Titles drawn across the frozen edge look different when scrolled.
  const bool fullyLeft = LeftCol() == FixedCols();
  if (fullyLeft != FScrolledFullyLeft) {
    FScrolledFullyLeft = fullyLeft;
    for (int row = 0; row < FTitleOffset && row < RowCount(); ++row) InvalidateRow(row);
  }
  TCustomGrid::TopLeftChanged();
  UpdateHorzExtScrollBar();
  FRowPerRecord->FetchStep();
  // The filter editor follows its cell when the grid scrolls sideways.
  if (FFilterRow->EditMode()) UpdateFilterEditPos();
}

bool TCustomDBGridEh::HandleScrollMessage(TMessage& message) {
  if (message.Msg == WM_TIMER && message.WParam == kIncSearchTimerId) {
    StopIncSearch();
    return true;
  }
  if (message.Msg != WM_VSCROLL || !FDataLink->Active() || !CanFocus()) return false;
  TWMVScroll scroll{message};
  TDataSet* ds = FDataLink->DataSet();
  const int page = std::max(1, VisibleDataRowCount());
  const bool numbered = FSumList->HasRecordNumbers();
  // An external bar's request carries its position in full.
  auto thumb = [&] {
    if (FScrollRequestBar != nullptr && FScrollRequestBar->ExtScrollBar() != nullptr)
      return FScrollRequestBar->ExtScrollBar()->RequestPos();
    return ThumbPosition(Handle(), SB_VERT, scroll.Pos());
  };
  switch (scroll.ScrollCode()) {
    case SB_THUMBTRACK:
      if (FVertScrollBar->Tracking() && numbered) {
        const int pos = thumb();
        FDataLink->MoveBy(pos - FSumList->GetRecNo());
        FThumbTracked = true;
      }
      break;
    case SB_THUMBPOSITION: {
      if (FThumbTracked) {
        FThumbTracked = false;
        break;
      }
      const int pos = thumb();
      if (numbered) {
        if (pos <= 1)
          ds->First();
        else if (pos < FSumList->RecordCount())
          FSumList->SetRecNo(pos);
        else
          ds->Last();
      } else if (pos <= 0) {
        ds->First();
      } else if (pos == 1) {
        FDataLink->MoveBy(-page);
      } else if (pos == 3) {
        FDataLink->MoveBy(page);
      } else if (pos >= 4) {
        ds->Last();
      }
      break;
    }
    default:
      FDataLink->MoveByScrollCode(scroll.ScrollCode(), -page, page);
      break;
  }
  UpdateScrollBar();
  message.Result = 0;
  return true;
}

// ---- scrolling the data rows

TRect TCustomDBGridEh::DataRect() {
  const TGridDrawInfo& info = DrawInfo();
  const int rows = std::max(0, VisibleDataRowCount());
  const int step = DefaultRowHeight() + info.Vert.EffectiveLineWidth;
  const int top = info.Vert.FixedBoundary;
  return {info.Horz.FixedBoundary, top, info.Horz.GridBoundary,
          std::min(top + rows * step, info.Vert.GridBoundary)};
}

void TCustomDBGridEh::Scroll(int distance) {
  if (FRows->PerRecord()) {
    FRowPerRecord->UpdateActive();
    return;
  }
  if (!HandleAllocated()) return;
  const int oldRow = Row();
  if (FDataLink->ActiveRecord() >= VisibleDataRowCount()) UpdateRowCount();
  const bool barShown = FVertScrollBar->IsScrollBarShowing();
  UpdateScrollBar();
  if (barShown != FVertScrollBar->IsScrollBarShowing() && FAutoFitColWidths) RequestLayout();
  UpdateActive();
  const int rows = VisibleDataRowCount();
  if (distance == 0) {
    // The records stay where they are: only the current row's marks move.
    if (Row() != oldRow) {
      InvalidateRow(oldRow);
      InvalidateRow(Row());
    }
    return;
  }
  if (std::abs(distance) >= rows) {
    // Every record shown is new; the titles above them are not.
    const TRect shown{0, DrawInfo().Vert.FixedBoundary, ClientWidth(), ClientHeight()};
    InvalidateRect(Handle(), &shown, false);
  } else {
    const TGridDrawInfo& info = DrawInfo();
    const int step = DefaultRowHeight() + info.Vert.EffectiveLineWidth;
    const int top = info.Vert.FixedBoundary;
    const TRect area{0, top, ClientWidth(), std::min(top + rows * step, info.Vert.GridBoundary)};
    // The rows still shown move with their records; the strip they
    // uncover is repainted.
    ScrollWindow(Handle(), 0, -distance * step, &area, &area);
    const int moved = oldRow - distance;
    if (moved >= FTitleOffset && moved < FTitleOffset + rows) InvalidateRow(moved);
    InvalidateRow(Row());
    // A hidden duplicate shows again on the row that lost the record above
    // it, and hides on the row that gained one.
    const bool hidesDuplicates = std::any_of(FVisibleColumns.begin(), FVisibleColumns.end(),
                                             [](TColumnEh* c) { return c->HideDuplicates(); });
    if (hidesDuplicates) InvalidateRow(distance > 0 ? FTitleOffset : FTitleOffset - distance);
  }
  if (FOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
  InvalidateFooter();
  if (!LayoutLocked()) UpdateWindow(Handle());
}

// ---- automatic scrolling

void TCustomDBGridEh::StartAutoScrollTimer(int interval) {
  FAutoScrollInterval = interval;
  FAutoScrollActive = true;
  if (HandleAllocated())
    SetTimer(Handle(), kAutoScrollTimerId, static_cast<unsigned>(std::max(0, interval)));
}

void TCustomDBGridEh::StopAutoScrollTimer() {
  if (!FAutoScrollActive) return;
  FAutoScrollActive = false;
  if (HandleAllocated()) KillTimer(Handle(), kAutoScrollTimerId);
}

void TCustomDBGridEh::TimerScroll() {
  if (!FDataLink->Active()) {
    StopAutoScrollTimer();
    return;
  }
  const TRect data = DataRect();
  const TPoint p = FLastMousePos;
  int rowDirection = 0, rowDistance = 0, colDirection = 0, colDistance = 0;
  if (p.Y < data.Top) {
    rowDirection = -1;
    rowDistance = data.Top - p.Y;
  } else if (p.Y >= data.Bottom) {
    rowDirection = 1;
    rowDistance = p.Y - data.Bottom + 1;
  }
  if (p.X < data.Left) {
    colDirection = -1;
    colDistance = data.Left - p.X;
  } else if (p.X >= data.Right) {
    colDirection = 1;
    colDistance = p.X - data.Right + 1;
  }
  const bool columnDrag = FMouseMode == TMouseModeEh::ColumnSelecting;
  if (columnDrag) rowDirection = 0;
  if (rowDirection == 0 && colDirection == 0) {
    StopAutoScrollTimer();
    return;
  }
  const int distance = std::max(rowDirection != 0 ? rowDistance : 0, colDistance);
  const int step = AutoScrollStep(distance);
  TDataSet* ds = FDataLink->DataSet();
  const bool rectDrag = FMouseMode == TMouseModeEh::RectSelecting;
  if (rowDirection != 0 && !rectDrag && step > 0) MoveRecord(true, rowDirection * step);
  if (colDirection != 0 && !FOptions.Contains(dgRowSelect)) {
    const TGridDrawInfo& info = DrawInfo();
    if (colDirection < 0 && LeftCol() > FixedCols())
      SetLeftCol(LeftCol() - 1);
    else if (colDirection > 0 && info.Horz.LastFullVisibleCell < ColCount() - 1)
      SetLeftCol(LeftCol() + 1);
    if (FMouseMode != TMouseModeEh::RecordSelecting && !columnDrag)
      SelectColumn(Col() + colDirection, colDirection, false);
  }
  if (rectDrag) {
    if (rowDirection != 0 && step > 0) FDataLink->MoveBy(rowDirection * step);
    const int dataCol = colDirection < 0 ? RawToDataColumn(LeftCol()) : SelectedIndex();
    FSelection->Rect().Select(std::max(0, dataCol), ds->Bookmark(), true);
  }
  if (columnDrag) {
    const TGridDrawInfo& info = DrawInfo();
    const int raw = colDirection < 0 ? LeftCol() : info.Horz.LastFullVisibleCell;
    if (TColumnEh* column = ColumnOfRawCol(raw)) FSelection->Columns().SelectShift(column);
  }
  const int interval = AutoScrollInterval(columnDrag ? colDistance : distance, columnDrag);
  if (!FAutoScrollActive || interval != FAutoScrollInterval) StartAutoScrollTimer(interval);
}

void TCustomDBGridEh::TimedScroll(TGridScrollDirections direction) {
  if (!FDataLink->Active()) return;
  if (direction.Contains(sdUp)) FDataLink->MoveBy(-1 - FDataLink->ActiveRecord());
  if (direction.Contains(sdDown))
    FDataLink->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord());
  TGridScrollDirections rest = direction;
  rest.Exclude(sdUp);
  rest.Exclude(sdDown);
  if (!rest.Empty()) TCustomGrid::TimedScroll(rest);
}

// ---- the grid's other messages

bool TCustomDBGridEh::HandleGridMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_TIMER:
      if (message.WParam != kAutoScrollTimerId) return false;
      if (FMouseMode == TMouseModeEh::RecordSelecting ||
          FMouseMode == TMouseModeEh::ColumnSelecting ||
          FMouseMode == TMouseModeEh::RectSelecting) {
        TimerScroll();
        return true;
      }
      return false;
    case WM_HSCROLL: {
      TWMScroll scroll{message};
      if (FHorzScrollBar->Tracking() && scroll.ScrollCode() == SB_THUMBTRACK)
        message.WParam = MakeWParam(SB_THUMBPOSITION, scroll.Pos() & 0xFFFF);
      TCustomGrid::WndProc(message);
      UpdateHorzExtScrollBar();
      return true;
    }
    case CM_HINTSHOW:
      TCustomGrid::WndProc(message);
      if (THintInfo* info = TCMHintShow{message}.HintInfo()) ShowCellToolTip(*info);
      return true;
    case CM_FONTCHANGED:
      TCustomGrid::WndProc(message);
      FontChanged();
      return true;
    case CM_PARENTFONTCHANGED:
      TCustomGrid::WndProc(message);
      if (ParentFont()) {
        FTitleFont->Assign(Font());
        TFlagGuard following(FUpdatingFooterFont);
        FFooterFont->Assign(Font());
        RequestLayout();
      }
      return true;
    case CM_PARENTCOLORCHANGED:
      TCustomGrid::WndProc(message);
      if (ParentColor()) {
        FFooterColor = Color();
        InvalidateGrid();
      }
      return true;
    case CM_SYSCOLORCHANGE:
      TCustomGrid::WndProc(message);
      ClearButtonsBitmapCache();
      return true;
    case WM_MOUSEWHEEL:
      return WheelToDropDown(message);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      HandleFocusMessage(message);
      return true;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      TCustomGrid::WndProc(message);
      if (FMouseMode == TMouseModeEh::Sizing)
        FTitleMouse->EndSizing(false);
      else if (MouseTracking() || FTitleButtonDown != nullptr)
        EndMouseTracking();
      StopAutoScrollTimer();
      return true;
    case WM_SIZE:
      TCustomGrid::WndProc(message);
      UpdateHorzExtScrollBar();
      return true;
    default:
      return false;
  }
}

// An open drop-down of the cell editor, or the filter editor while the
// filter row is edited, takes the wheel; otherwise the grid scrolls.
bool TCustomDBGridEh::WheelToDropDown(TMessage& message) {
  // A receiver that leaves the wheel alone hands it back to its parent:
  // it ends here rather than scrolling the grid under the open editor.
  if (FForwardingWheel) {
    message.Result = 1;
    return true;
  }
  TWinControl* target = nullptr;
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor());
  if (editor != nullptr && editor->ListVisible() && editor->ActiveList() != nullptr)
    target = editor->ActiveList();
  else if (FFilterRow->EditMode() && FFilterRow->Editor() != nullptr &&
           FFilterRow->Editor()->HandleAllocated())
    target = FFilterRow->Editor();
  if (target == nullptr) return false;
  TFlagGuard forwarding(FForwardingWheel);
  target->Perform(message);
  message.Result = 1;
  return true;
}

void TCustomDBGridEh::HandleFocusMessage(TMessage& message) {
  // The editor and the selection may be gone already.
  if (FDestroying) {
    TCustomGrid::WndProc(message);
    return;
  }
  const HWND editorWnd = InplaceEditor() != nullptr && InplaceEditor()->HandleAllocated()
                             ? InplaceEditor()->Handle()
                             : nullptr;
  const bool rowSelect = FOptions.Contains(dgRowSelect);
  if (message.Msg == WM_SETFOCUS) {
    const HWND from = TWMSetFocus{message}.FocusedWnd();
    if (rowSelect) InvalidateRow(Row());
    TCustomGrid::WndProc(message);
    TInplaceFilterEditEh* editor = FFilterRow->Editor();
    if (FFilterRow->EditMode() && editor != nullptr && editor->CanFocus() &&
        !(editor->HandleAllocated() && from == editor->Handle()))
      editor->SetFocus();
  } else {
    const HWND to = TWMKillFocus{message}.FocusedWnd();
    // A sort held back until Ctrl is released is not lost with the focus.
    if (FSortPending && (to == nullptr || to != editorWnd)) {
      FSortPending = false;
      SortMarkingChanged();
    }
    if (rowSelect) InvalidateRow(Row());
    TCustomGrid::WndProc(message);
  }
  if (GridOrEditorFocused() != FFocusedAnnounced) FocusChanged();
}

void TCustomDBGridEh::FocusChanged() {
  if (FSelection->SelectionType() == gstAll) {
    InvalidateGrid();
  } else if (FSelection->SelectionType() != gstNon) {
    TGridRect rect;
    FSelection->SelectionToGridRect(rect);
    InvalidateGridRect(rect);
  }
  InvalidateRow(Row());
  FFocusedAnnounced = GridOrEditorFocused();
}

void TCustomDBGridEh::FontChanged() {
  if (!FColumns) return;
  BeginLayout();
  TFinallyGuard layout([this] { EndLayout(); });
  // Columns without a font of their own take the grid's again.
  for (int i = 0; i < FColumns->Count(); ++i) (void)FColumns->Items(i)->Font();
}

// ---- incremental search

void TCustomDBGridEh::IncSearch(const std::string& text, int timeOut, int direction) {
  FIncSearch->Step(text, timeOut, direction);
}

void TCustomDBGridEh::StopIncSearch() { FIncSearch->Stop(); }

// ---- the search's host

void TDBGridIncSearchAdapterEh::RecordMoved() {
  if (FGrid.FIncSearch->Active() && !FGrid.FIncSearch->Moving()) FGrid.StopIncSearch();
}

TDataSet* TDBGridIncSearchAdapterEh::IncSearchDataSet() {
  return FGrid.FDataLink->Active() ? FGrid.FDataLink->DataSet() : nullptr;
}

bool TDBGridIncSearchAdapterEh::IncSearchHasColumn() {
  return FGrid.ColumnOfRawCol(FGrid.Col()) != nullptr;
}

std::string TDBGridIncSearchAdapterEh::IncSearchCellText() {
  return FGrid.ColumnOfRawCol(FGrid.Col())->GetCellDisplayText();
}

void TDBGridIncSearchAdapterEh::IncSearchStepped() { FGrid.HideEditor(); }

void TDBGridIncSearchAdapterEh::IncSearchRepaintRow() {
  if (FGrid.HandleAllocated()) FGrid.InvalidateRow(FGrid.Row());
}

void TDBGridIncSearchAdapterEh::IncSearchSetTimer(unsigned interval) {
  if (!FGrid.HandleAllocated()) return;
  KillTimer(FGrid.Handle(), TCustomDBGridEh::kIncSearchTimerId);
  SetTimer(FGrid.Handle(), TCustomDBGridEh::kIncSearchTimerId, interval);
}

void TDBGridIncSearchAdapterEh::IncSearchKillTimer() {
  if (FGrid.HandleAllocated()) KillTimer(FGrid.Handle(), TCustomDBGridEh::kIncSearchTimerId);
}

void TDBGridIncSearchAdapterEh::IncSearchStopped() {
  if (FGrid.FOptions.Contains(dgAlwaysShowEditor) && FGrid.CanEditShow()) FGrid.ShowEditor();
}

std::string TDBGridIncSearchAdapterEh::IncSearchClipboardText() { return Clipboard().AsText(); }

bool TDBGridIncSearchAdapterEh::StartsWith(char32_t key) {
  if (key < 32 || !FGrid.FDataLink->Active()) return false;
  TDataSet* ds = FGrid.FDataLink->DataSet();
  if (ds->State() == dsEdit || ds->State() == dsInsert) return false;
  if (FGrid.FIncSearch->Active()) return true;
  TColumnEh* column = FGrid.ColumnOfRawCol(FGrid.Col());
  if (FGrid.FOptionsEh.Contains(dghIncSearch) && (column == nullptr || !column->CanModify(false)))
    return true;
  return FGrid.FOptionsEh.Contains(dghPreferIncSearch) &&
         !FGrid.FOptions.Contains(dgAlwaysShowEditor) && !FGrid.EditorMode();
}

// ---- leaving the grid

void TCustomDBGridEh::DoExit() {
  if (FDataLink->Active()) {
    TDataSet* ds = FDataLink->DataSet();
    try {
      if (FOptions.Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() &&
          !FDataLink->Modified())
        ds->Cancel();
      else
        FDataLink->UpdateRecord();
    } catch (...) {
      // The user stays on the record that could not be written.
      if (CanFocus()) SetFocus();
      throw;
    }
  }
  if (FIncSearch->Active()) StopIncSearch();
  TCustomGrid::DoExit();
}
