// The data grid's vertical scroll bar, which shows the position in the
// dataset rather than in the grid's rows; the scroll messages that move the
// dataset; incremental search with its time-out; leaving the grid.
#include <algorithm>

#include "grid/db_grid.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"
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
  const int interval = columnDrag ? 200 - 10 * distance : 200 - 15 * distance;
  return std::max(kMinTimerInterval, interval);
}

// ---- the scroll bar

void TVertDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh value) {
  if (FVisibleMode == value) return;
  FVisibleMode = value;
  FGrid->UpdateScrollBar();
  FGrid->RequestLayout();
}

void TCustomDBGridEh::UpdateScrollBar() {
  if (RowPerRecordMode()) {
    RowPerRecordUpdateScrollBar();
    return;
  }
  if (!HandleAllocated() || FDestroying) return;
  if (ScrollBars() != ssVertical && ScrollBars() != ssBoth) return;
  TVertScrollStateEh state;
  state.LinkActive = FDataLink->Active();
  TScrollInfo old;
  old.fMask = SIF_ALL;
  GetScrollInfo(Handle(), SB_VERT, old);
  if (state.LinkActive) {
    TDataSet* ds = FDataLink->DataSet();
    state.Numbered = FSumList->HasRecordNumbers();
    state.Bof = ds->Bof();
    state.Eof = ds->Eof();
    state.VisibleRows = VisibleDataRowCount();
    state.Inserting = ds->State() == dsInsert;
    state.LastPosition = old.nPos;
    if (state.Numbered) {
      state.RecordCount = FSumList->RecordCount();
      state.RecNo = FSumList->GetRecNo();
    }
  }
  const TVertScrollParamsEh p = VertScrollBarParams(state);
  TScrollInfo info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (FVertScrollBar.VisibleMode() == sbAlwaysShowEh) info.fMask |= SIF_DISABLENOSCROLL;
  info.nMin = p.Min;
  info.nMax = FVertScrollBar.Visible() ? p.Max : p.Min;
  info.nPage = static_cast<unsigned>(p.Page);
  info.nPos = p.Position;
  if (old.nMin == info.nMin && old.nMax == info.nMax && old.nPage == info.nPage &&
      old.nPos == info.nPos)
    return;
  SetScrollInfo(Handle(), SB_VERT, info, true);
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
  switch (scroll.ScrollCode()) {
    case SB_LINEUP:
      FDataLink->MoveBy(-FDataLink->ActiveRecord() - 1);
      break;
    case SB_LINEDOWN:
      FDataLink->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord());
      break;
    case SB_PAGEUP:
      FDataLink->MoveBy(-page);
      break;
    case SB_PAGEDOWN:
      FDataLink->MoveBy(page);
      break;
    case SB_TOP:
      ds->First();
      break;
    case SB_BOTTOM:
      ds->Last();
      break;
    case SB_THUMBTRACK:
      if (FVertScrollBar.Tracking() && numbered) {
        const int pos = ThumbPosition(Handle(), SB_VERT, scroll.Pos());
        FDataLink->MoveBy(pos - FSumList->GetRecNo());
        FThumbTracked = true;
      }
      break;
    case SB_THUMBPOSITION: {
      if (FThumbTracked) {
        FThumbTracked = false;
        break;
      }
      const int pos = ThumbPosition(Handle(), SB_VERT, scroll.Pos());
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
      break;
  }
  UpdateScrollBar();
  message.Result = 0;
  return true;
}

// ---- incremental search

void TCustomDBGridEh::IncSearch(const std::string& text, int timeOut, int direction) {
  if (!FDataLink->Active()) return;
  TColumnEh* column = ColumnOfRawCol(Col());
  if (column == nullptr) return;
  TDataSet* ds = FDataLink->DataSet();
  const std::string wanted = AnsiUpperCase(FIncSearchText + text);
  const std::u32string wantedChars = Utf8ToUtf32(wanted);
  auto matches = [&] {
    const std::u32string shown = Utf8ToUtf32(AnsiUpperCase(column->GetCellDisplayText()));
    return shown.compare(0, wantedChars.size(), wantedChars) == 0;
  };
  bool found = direction == 0 && matches();
  if (!found) {
    ds->DisableControls();
    try {
      const std::string start = ds->Bookmark();
      if (direction == 0)
        ds->First();
      else
        ds->MoveBy(direction == 2 ? -1 : 1);
      const bool backward = direction == 2;
      const bool moved = direction == 0 || ds->Bookmark() != start;
      while (moved && !(backward ? ds->Bof() : ds->Eof())) {
        if (matches()) {
          found = true;
          break;
        }
        if (ds->MoveBy(backward ? -1 : 1) == 0) break;
      }
      if (!found && !start.empty()) ds->GotoBookmark(start);
    } catch (...) {
      ds->EnableControls();
      throw;
    }
    ds->EnableControls();
  }
  HideEditor();
  FInIncSearch = true;
  if (found) FIncSearchText += text;
  if (HandleAllocated()) InvalidateRow(Row());
  FIncSearchTimeOut = timeOut;
  if (HandleAllocated() && timeOut >= 0) {
    KillTimer(Handle(), kIncSearchTimerId);
    SetTimer(Handle(), kIncSearchTimerId,
             static_cast<unsigned>(std::max(kMinTimerInterval, timeOut)));
  }
}

void TCustomDBGridEh::StopIncSearch() {
  if (HandleAllocated()) KillTimer(Handle(), kIncSearchTimerId);
  const bool was = FInIncSearch;
  FInIncSearch = false;
  FIncSearchText.clear();
  if (was && HandleAllocated()) InvalidateRow(Row());
  if (FOptions.Contains(dgAlwaysShowEditor) && CanEditShow()) ShowEditor();
}

bool TCustomDBGridEh::StartsIncSearch(char32_t key) {
  if (key < 32 || !FDataLink->Active()) return false;
  TDataSet* ds = FDataLink->DataSet();
  if (ds->State() == dsEdit || ds->State() == dsInsert) return false;
  if (FInIncSearch) return true;
  TColumnEh* column = ColumnOfRawCol(Col());
  if (FOptionsEh.Contains(dghIncSearch) && (column == nullptr || !column->CanModify(false)))
    return true;
  return FOptionsEh.Contains(dghPreferIncSearch) && !FOptions.Contains(dgAlwaysShowEditor) &&
         !EditorMode();
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
  if (FInIncSearch) StopIncSearch();
  TCustomGrid::DoExit();
}
