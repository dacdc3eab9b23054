// The data grid's filter row (the row under the titles where each column's
// filter is typed, with a drop-down of values and special items), the
// grid's edit actions, and saving and restoring the grid's position around
// long operations.
#include <algorithm>

#include "controls/dataset_helpers.h"
#include "grid/cell_text.h"
#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "grid/grid_clipboard.h"
#include "grid/grid_export.h"
#include "grid/grid_resources.h"
#include "grid/inplace_filter_edit.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_set.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/window.h"

TColor FilterRowTint(TColor color) {
  const TColor rgb = ColorToRGB(color);
  auto tint = [](int c) { return std::min(255, c + (c + 4) / 8); };
  return RGB(tint(GetRValue(rgb)), tint(GetGValue(rgb)), tint(GetBValue(rgb)));
}

// ---- the column filters

bool TCustomDBGridEh::ColumnFilterVisible(int index) const {
  if (index < 0 || index >= FColumns->Count()) return false;
  TColumnEh* column = FColumns->Items(index);
  return column->Visible() && column->STFilter()->Visible();
}

std::string TCustomDBGridEh::GetFilterValue(int index) const {
  if (index < 0 || index >= FColumns->Count()) return {};
  TColumnEh* column = FColumns->Items(index);
  if (column->FieldName().empty()) return {};
  return column->STFilter()->ExpressionStr();
}

void TCustomDBGridEh::SetFilterValueFromEdit(int index) {
  if (index < 0 || index >= FColumns->Count() || FFilterRow->Editor() == nullptr) return;
  TColumnEh* column = FColumns->Items(index);
  if (column->FieldName().empty()) return;
  column->STFilter()->SetExpressionStr(FFilterRow->Editor()->Text());
}

void TCustomDBGridEh::FilterChanged() {
  if (HandleAllocated()) InvalidateGrid();
  if (FFilterRow->Editor() != nullptr && FFilterRow->Editor()->Visible() &&
      !FFilterRow->Loading()) {
    UpdateFilterEditPos();
    UpdateFilterEdit(FFilterRow->Col());
  }
}

void TCustomDBGridEh::ApplyFilter() {
  if (FFilterRow->Col() != -1 && FFilterRow->Editor() != nullptr && FFilterRow->Editor()->Visible())
    SetFilterValueFromEdit(FFilterRow->Col());
  // Texts typed in other cells and not applied yet are parsed now; the
  // first error stops the filter before anything is applied.
  for (int i = 0; i < FColumns->Count(); ++i) FColumns->Items(i)->STFilter()->ParsePendingText();
  const int leftCol = LeftCol();
  if (OnApplyFilter)
    OnApplyFilter(this);
  else
    DefaultApplyFilter();
  if (ColCount() > leftCol && LeftCol() != leftCol) SetLeftCol(leftCol);
  UpdateFilterEditPos();
  if (FSumList->Active()) FSumList->RecalcAll();
  if (HandleAllocated()) InvalidateGrid();
}

void TCustomDBGridEh::DefaultApplyFilter() {
  FFilterRow->Apply([this] { DBGridEhDataService()->ApplyFilter(this); });
}

// ---- the filter row's editor

bool TCustomDBGridEh::CanFilterEditShow() {
  return FFilterRow->EditMode() && SelectionType() == gstNon;
}

TInplaceFilterEditEh* TCustomDBGridEh::CreateFilterEditor() {
  auto* editor = Create<TInplaceFilterEditEh>(this);
  editor->SetVisible(false);
  editor->SetParent(this);
  editor->SetBorderStyle(bsNone);
  editor->Font()->Assign(Font());
  editor->Font()->SetColor(clBlue);
  editor->SetColor(FilterRowTint(FixedColor()));
  editor->OnKeyDown = [this](TObject*, unsigned& key, TShiftState shift) {
    FFilterRowAdapter->EditorKeyDown(key, shift);
  };
  // Enter applies the filter; its character is no typing.
  editor->OnKeyPress = [](TObject*, char32_t& key) {
    if (key == 13) key = 0;
  };
  editor->OnChange = [this](TObject*) { FFilterRowAdapter->EditorChanged(); };
  editor->OnDropDown = [this](TObject*) { FFilterRowAdapter->EditorDropDown(); };
  editor->OnCloseUp = [this](TObject*, bool accept) { FFilterRowAdapter->EditorClosed(accept); };
  return editor;
}

void TCustomDBGridEh::StartEditFilter(int col) {
  if (!FSTFilter->Visible() || !ColumnFilterVisible(col)) return;
  if (FDataLink->Active()) FDataLink->DataSet()->CheckBrowseMode();
  if (FFilterRow->Editor() == nullptr) FFilterRow->SetEditor(CreateFilterEditor());
  if (EditorMode()) HideEditor();
  FFilterRow->BeginEdit(col);
  UpdateFilterEdit(col);
  UpdateFilterEditPos();
}

void TCustomDBGridEh::FilterMouseDownInfo(TPoint& screenPos, std::uint32_t& time) {
  TPoint at;
  FFilterRow->TakeMouseDown(at, time);
  screenPos = HandleAllocated() ? ClientToScreen(at) : at;
}

void TCustomDBGridEh::StopEditFilter() {
  if (FSTFilter->UpdateCount() != 0) return;
  const bool hadFocus = FFilterRow->EndEdit();
  if (hadFocus && CanFocus()) SetFocus();
  if (FOptions.Contains(dgAlwaysShowEditor))
    ShowEditor();
  else
    InvalidateEditor();
}

void TCustomDBGridEh::UpdateFilterEdit(int col) {
  if (FFilterRow->Editor() == nullptr || col < 0 || col >= FColumns->Count()) return;
  if (FSTFilter->UpdateCount() != 0) return;
  FFilterRow->LoadEditor(FColumns->Items(col)->STFilter());
}

void TCustomDBGridEh::UpdateFilterEditPos() {
  if (FFilterRow->Editor() == nullptr) return;
  // Empty while the editor may not show or its cell is scrolled away.
  TRect cell{};
  if (FFilterRow->EditMode() && CanFilterEditShow() && HandleAllocated()) {
    const int rawCol = DataToRawColumn(FFilterRow->Col());
    if (rawCol < FixedCols() || (rawCol >= LeftCol() && rawCol < LeftCol() + VisibleColCount()))
      cell = CellRect(rawCol, TitlesVisible());
  }
  const bool shown = cell.Right > cell.Left && cell.Bottom > cell.Top;
  FFilterRow->PlaceEditor(cell, shown && GridOrEditorFocused());
}

// ---- the editor's events

void TDBGridFilterRowAdapterEh::EditorChanged() {
  TGridFilterRowEh& row = *FGrid.FFilterRow;
  // Stored as typed; parsed when the filter is applied.
  const int col = row.Col();
  if (row.Loading() || row.Editor() == nullptr) return;
  if (col < 0 || col >= FGrid.FColumns->Count()) return;
  TColumnEh* column = FGrid.FColumns->Items(col);
  if (column->FieldName().empty()) return;
  column->STFilter()->SetTypedText(row.Editor()->Text());
  FGrid.InvalidateCell(FGrid.DataToRawColumn(col), FGrid.TitlesVisible());
}

int TDBGridFilterRowAdapterEh::NextColumn(int from, int step) const {
  const int count = FGrid.FColumns->Count();
  if (count == 0) return -1;
  // Once round from beside `from`, never onto `from` itself.
  for (int n = 1; n < count; ++n) {
    const int i = ((from + step * n) % count + count) % count;
    if (FGrid.ColumnFilterVisible(i)) return i;
  }
  return -1;
}

void TDBGridFilterRowAdapterEh::EditorKeyDown(unsigned& key, TShiftState shift) {
  using TKeyAction = TGridFilterRowEh::TKeyAction;
  TGridFilterRowEh& row = *FGrid.FFilterRow;
  const TKeyAction action = row.EditorKey(key, shift, FGrid.FOptions.Contains(dgTabs));
  if (action == TKeyAction::Apply) {
    FGrid.ApplyFilter();
  } else if (action == TKeyAction::Stop) {
    FGrid.StopEditFilter();
  } else if (action != TKeyAction::None) {
    const int next = NextColumn(row.Col(), action == TKeyAction::Next ? 1 : -1);
    if (next >= 0) FGrid.StartEditFilter(next);
  }
}

void TDBGridFilterRowAdapterEh::EditorDropDown() {
  TGridFilterRowEh& row = *FGrid.FFilterRow;
  const int col = row.Col();
  if (row.Editor() == nullptr || col < 0 || col >= FGrid.FColumns->Count()) return;
  TColumnEh* column = FGrid.FColumns->Items(col);
  row.FillList(column->STFilter(),
               FGrid.FOptionsEh.Contains(dghAutoSortMarking) && column->Title()->TitleButton());
}

void TDBGridFilterRowAdapterEh::EditorClosed(bool accept) {
  TGridFilterRowEh& row = *FGrid.FFilterRow;
  const int col = row.Col();
  if (row.Editor() == nullptr || col < 0 || col >= FGrid.FColumns->Count()) return;
  int code = 0;
  if (row.ListClosed(FGrid.FColumns->Items(col)->STFilter(), accept, code))
    FGrid.FilterEditItemChosen(code);
}

void TCustomDBGridEh::FilterEditItemChosen(int code) {
  using R = TGridFilterRowEh;
  if (code < R::kItemEmpty || code > R::kItemSortUp || code == R::kItemSeparator) return;
  const int col = FFilterRow->Col();
  if (col < 0 || col >= FColumns->Count()) return;
  TColumnEh* column = FColumns->Items(col);
  const bool applyOnPick = FStyle != nullptr && FStyle->ApplyOnPick();
  switch (code) {
    case R::kItemEmpty:
      FFilterRow->ShowText("=Null");
      break;
    case R::kItemNotEmpty:
      FFilterRow->ShowText("<>Null");
      break;
    case R::kItemAll:
      FFilterRow->ShowText("");
      break;
    case R::kItemClear:
      StopEditFilter();
      for (int i = 0; i < FColumns->Count(); ++i) FColumns->Items(i)->STFilter()->Clear();
      if (HandleAllocated()) InvalidateGrid();
      break;
    case R::kItemSortDown:
    case R::kItemSortUp: {
      if (FFilterRow->Editor() != nullptr)
        FFilterRow->Editor()->SetText(column->STFilter()->ExpressionStr());
      for (int i = 0; i < FColumns->Count(); ++i)
        FColumns->Items(i)->Title()->SetSortMarker(smNoneEh);
      FSortMarkedColumns.clear();
      column->Title()->SetSortMarker(code == R::kItemSortDown ? smDownEh : smUpEh);
      SortMarkingChanged();
      return;
    }
    default:
      return;
  }
  if (code == R::kItemClear || applyOnPick) ApplyFilter();
}

void TCustomDBGridEh::FilterRowVisibleChanged() {
  const int selected = SelectedIndex();
  if (!FSTFilter->Visible()) StopEditFilter();
  RequestLayout();
  if (EditorMode()) InvalidateEditor();
  if (selected >= 0) SetSelectedIndex(selected);
}

// ---- drawing

void TCustomDBGridEh::DrawSubTitleCell(int col, int /*row*/, const TRect& rect, TColumnEh* column,
                                       TGridDrawState state) {
  TCanvas& canvas = *Canvas();
  const int dataCol = RawToDataColumn(col);
  if (column == nullptr || !ColumnFilterVisible(dataCol)) {
    DrawTitleCell(col, rect, nullptr, state);
    return;
  }
  const TColor background = FilterRowTint(FixedColor());
  TRect textRect = rect;
  if (column->STFilter()->CanShowValueList()) {
    const int width = FFlat ? DefaultFlatButtonWidth() + 1 : GetSystemMetrics(SM_CXVSCROLL);
    const int height = std::min(FInCellButtonHeight, rect.Bottom - rect.Top);
    const TRect button{std::max(rect.Left, rect.Right - width), rect.Top, rect.Right,
                       rect.Top + height};
    DrawCellButton(canvas, button, bcsDropDownEh, false, FFlat, Enabled(), background);
    if (button.Bottom < rect.Bottom)
      canvas.FillSolidRect({button.Left, button.Bottom, button.Right, rect.Bottom}, background);
    textRect.Right = button.Left;
  }
  canvas.FillSolidRect(textRect, background);
  TFont font;
  font.Assign(Font());
  font.SetColor(clBlue);
  canvas.Font()->Assign(&font);
  canvas.SetBkMode(TRANSPARENT);
  WriteTextEh(canvas, textRect, 2, 2, GetFilterValue(dataCol), taLeftJustify, column->Layout(),
              false, false);
  if (FOptionsEh.Contains(dghFixed3D)) {
    TRect r = rect;
    DrawEdge(canvas, r, BDR_RAISEDINNER, BF_RECT);
  }
}

// ---- edit actions

bool TCustomDBGridEh::ExecuteAction(TBasicAction* action) {
  auto* edit = dynamic_cast<TDBGridEhEditActionEh*>(action);
  if (edit == nullptr || !GridOrEditorFocused()) return false;
  const TDBGridEhEditAction kind = edit->EditAction();
  if (!FEditActions.Contains(kind)) return false;
  switch (kind) {
    case geaCopyEh:
      if (!CanCopySelection()) return false;
      DBGridEh_DoCopyAction(this, false);
      return true;
    case geaPasteEh:
      if (!CanPasteSelection()) return false;
      DBGridEh_DoPasteAction(this, false);
      return true;
    case geaCutEh:
      if (!CanCutSelection()) return false;
      DBGridEh_DoCutAction(this, false);
      return true;
    case geaSelectAllEh:
      if (!CanSelectAll()) return false;
      FSelection->SelectAll();
      return true;
    case geaDeleteEh:
      if (!CanDeleteSelection()) return false;
      DBGridEh_DoDeleteAction(this, false);
      return true;
  }
  return false;
}

bool TCustomDBGridEh::UpdateAction(TBasicAction* action) {
  auto* edit = dynamic_cast<TDBGridEhEditActionEh*>(action);
  if (edit == nullptr || !GridOrEditorFocused()) return false;
  const TDBGridEhEditAction kind = edit->EditAction();
  if (!FEditActions.Contains(kind)) return false;
  bool enabled = false;
  switch (kind) {
    case geaCopyEh:
      enabled = CanCopySelection();
      break;
    case geaPasteEh:
      enabled = CanPasteSelection();
      break;
    case geaCutEh:
      enabled = CanCutSelection();
      break;
    case geaSelectAllEh:
      enabled = CanSelectAll();
      break;
    case geaDeleteEh:
      enabled = CanDeleteSelection();
      break;
  }
  edit->SetEnabled(enabled);
  return true;
}

// ---- position

void TCustomDBGridEh::SaveGridPosition() {
  FPositionSaved = false;
  if (!FDataLink->Active() || FDataLink->DataSet()->IsEmpty()) return;
  TDataSet* ds = FDataLink->DataSet();
  FSavedCurrentBookmark = ds->Bookmark();
  FSavedOrderGeneration = FOrderGeneration;
  FPositionSaved = true;
  // One row per record: the rows do not follow the dataset's buffer, only
  // the current record is kept.
  FSavedMiddleBookmark.clear();
  FSavedOffset = 0;
  if (FRows->PerRecord()) return;
  const int active = FDataLink->ActiveRecord();
  const int middle = (FDataLink->RecordCount() - 1) / 2;
  FSavedOffset = active - middle;
  // The middle buffer record is read in place: the dataset does not move.
  FDataLink->SetActiveRecord(middle);
  FSavedMiddleBookmark = ds->Bookmark();
  FDataLink->SetActiveRecord(active);
}

void TCustomDBGridEh::RestoreGridPosition() {
  if (!FPositionSaved || !FDataLink->Active()) return;
  FPositionSaved = false;
  TDataSet* ds = FDataLink->DataSet();
  // After a new order the saved bookmarks point at other records; the
  // sort kept the current record current.
  if (ds->IsEmpty() || FSavedOrderGeneration != FOrderGeneration) return;
  TControlsDisabledGuard controls(ds);
  if (!FSavedMiddleBookmark.empty() && ds->BookmarkValid(FSavedMiddleBookmark)) {
    ds->GotoBookmark(FSavedMiddleBookmark);
    if (FSavedOffset != 0) ds->MoveBy(FSavedOffset);
  }
  // After a delete the offset may lead elsewhere: the record that was
  // current stays current.
  if (ds->Bookmark() != FSavedCurrentBookmark && ds->BookmarkValid(FSavedCurrentBookmark))
    ds->GotoBookmark(FSavedCurrentBookmark);
}

void TCustomDBGridEh::ShowCurrentAtScreenRow(int row) {
  if (!FDataLink->Active() || FDataLink->DataSet()->IsEmpty() || row < 0) return;
  if (FRows->PerRecord()) {
    SafeSetTopRow(Row() - row);
    return;
  }
  // A move would post the record being edited (or drop an untouched new
  // one): the view stays.
  const TDataSetState state = FDataLink->DataSet()->State();
  if (state == dsEdit || state == dsInsert) return;
  // The link's window follows the record only across its edges: a record
  // moved to above the top row becomes the top row, one moved below the
  // bottom the bottom row. Going there and back sets the window's edge.
  TDataSet* ds = FDataLink->DataSet();
  const int now = FDataLink->ActiveRecord();
  int away = 0;
  if (row > now)
    away = -row;
  else if (row < now)
    away = FDataLink->BufferCount() - 1 - row;
  if (away == 0) return;
  const int moved = ds->MoveBy(away);
  ds->MoveBy(-moved);
}

void TCustomDBGridEh::DataOrderChanged() {
  ++FOrderGeneration;
  if (FSelectedRows->Count() > 0) FSelectedRows->Clear();
  if (SelectionType() == gstRecordBookmarks || SelectionType() == gstRectangle) FSelection->Clear();
}
