// The data grid's filter row (the row under the titles where each column's
// filter is typed, with a drop-down of values and special items), the
// grid's edit actions, and saving and restoring the grid's position around
// long operations.
#include <algorithm>

#include "controls/dataset_helpers.h"
#include "grid/cell_text.h"
#include "grid/db_grid.h"
#include "grid/grid_clipboard.h"
#include "grid/grid_export.h"
#include "grid/grid_resources.h"
#include "grid/inplace_filter_edit.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/window.h"

namespace {

// The special items of the filter editor's list, by their codes.
constexpr int kFilterEmpty = 1;
constexpr int kFilterNotEmpty = 2;
constexpr int kFilterAll = 3;
constexpr int kFilterClear = 4;
constexpr int kFilterSeparator = 5;
constexpr int kFilterSortDown = 6;
constexpr int kFilterSortUp = 7;
constexpr int kFilterDropDownRows = 17;
constexpr int kFilterDropDownWidth = 100;

void* CodeObject(int code) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(code)); }
int ObjectCode(void* object) { return static_cast<int>(reinterpret_cast<std::intptr_t>(object)); }

// Sets a flag for a scope.
class TFlagGuardEh {
 public:
  explicit TFlagGuardEh(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
  ~TFlagGuardEh() { FFlag = FOld; }
  TFlagGuardEh(const TFlagGuardEh&) = delete;
  TFlagGuardEh& operator=(const TFlagGuardEh&) = delete;

 private:
  bool& FFlag;
  bool FOld;
};

}  // namespace

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
  if (index < 0 || index >= FColumns->Count() || FFilterEdit == nullptr) return;
  TColumnEh* column = FColumns->Items(index);
  if (column->FieldName().empty()) return;
  column->STFilter()->SetExpressionStr(FFilterEdit->Text());
}

void TCustomDBGridEh::FilterChanged() {
  if (HandleAllocated()) InvalidateGrid();
  if (FFilterEdit != nullptr && FFilterEdit->Visible() && !FLoadingFilterEdit) {
    UpdateFilterEditPos();
    UpdateFilterEdit(FFilterCol);
  }
}

void TCustomDBGridEh::ApplyFilter() {
  if (FFilterCol != -1 && FFilterEdit != nullptr && FFilterEdit->Visible())
    SetFilterValueFromEdit(FFilterCol);
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
  FFilterApplying = true;
  try {
    DBGridEhDataService()->ApplyFilter(this);
  } catch (...) {
    FFilterApplying = false;
    throw;
  }
  FFilterApplying = false;
}

// ---- the filter row's editor

bool TCustomDBGridEh::CanFilterEditShow() { return FFilterEditMode && SelectionType() == gstNon; }

TInplaceFilterEditEh* TCustomDBGridEh::CreateFilterEditor() {
  auto* editor = Create<TInplaceFilterEditEh>(this);
  editor->SetVisible(false);
  editor->SetParent(this);
  editor->SetBorderStyle(bsNone);
  editor->Font()->Assign(Font());
  editor->Font()->SetColor(clBlue);
  editor->SetColor(FilterRowTint(FixedColor()));
  editor->OnKeyDown = [this](TObject*, unsigned& key, TShiftState shift) {
    FilterEditKeyDown(key, shift);
  };
  // Enter applies the filter; its character is no typing.
  editor->OnKeyPress = [](TObject*, char32_t& key) {
    if (key == 13) key = 0;
  };
  editor->OnChange = [this](TObject*) { FilterEditChanged(); };
  editor->OnDropDown = [this](TObject*) { FilterEditDropDown(); };
  editor->OnCloseUp = [this](TObject*, bool accept) { FilterEditClosed(accept); };
  return editor;
}

void TCustomDBGridEh::StartEditFilter(int col) {
  if (!FSTFilter->Visible() || !ColumnFilterVisible(col)) return;
  if (FDataLink->Active()) FDataLink->DataSet()->CheckBrowseMode();
  if (FFilterEdit == nullptr) FFilterEdit = CreateFilterEditor();
  if (EditorMode()) HideEditor();
  FFilterCol = col;
  FFilterEditMode = true;
  UpdateFilterEdit(col);
  UpdateFilterEditPos();
}

void TCustomDBGridEh::FilterMouseDownInfo(TPoint& screenPos, std::uint32_t& time) {
  screenPos = HandleAllocated() ? ClientToScreen(FFilterMouseDownPoint) : FFilterMouseDownPoint;
  time = FFilterMouseDownTime;
  FFilterMouseDownTime = 0;
}

void TCustomDBGridEh::StopEditFilter() {
  if (FSTFilter->UpdateCount() != 0) return;
  const bool hadFocus = FFilterEdit != nullptr && FFilterEdit->Focused();
  if (FFilterEdit != nullptr) FFilterEdit->SetVisible(false);
  FFilterEditMode = false;
  if (hadFocus && CanFocus()) SetFocus();
  if (FOptions.Contains(dgAlwaysShowEditor))
    ShowEditor();
  else
    InvalidateEditor();
}

void TCustomDBGridEh::UpdateFilterEdit(int col) {
  if (FFilterEdit == nullptr || col < 0 || col >= FColumns->Count()) return;
  if (FSTFilter->UpdateCount() != 0) return;
  TSTColumnFilterEh* filter = FColumns->Items(col)->STFilter();
  TFlagGuardEh loading(FLoadingFilterEdit);
  TStringList none;
  FFilterEdit->SetItems(&none);
  const bool list = filter->CanShowValueList();
  FFilterEdit->EditButton()->SetVisible(list);
  if (list) {
    FFilterEdit->DropDownBox()->SetSizable(true);
    FFilterEdit->DropDownBox()->SetRows(filter->DropDownRows() < 1 ? kFilterDropDownRows
                                                                   : filter->DropDownRows());
    FFilterEdit->DropDownBox()->SetWidth(filter->DropDownWidth() < 1 ? kFilterDropDownWidth
                                                                     : filter->DropDownWidth());
  }
  // The text the user is typing stays where it is, caret and all.
  if (FFilterEdit->Text() != filter->ExpressionStr())
    SetFilterEditValueAndText(FFilterEdit, Variant::Null(), filter->ExpressionStr());
  FFilterEdit->SetModified(false);
}

void TCustomDBGridEh::UpdateFilterEditPos() {
  if (FFilterEdit == nullptr) return;
  if (!FFilterEditMode || !CanFilterEditShow() || !HandleAllocated()) {
    if (FFilterEdit->Visible()) FFilterEdit->SetVisible(false);
    return;
  }
  const int rawCol = DataToRawColumn(FFilterCol);
  const int row = TitlesVisible();
  const bool shown =
      rawCol < FixedCols() || (rawCol >= LeftCol() && rawCol < LeftCol() + VisibleColCount());
  TRect r = CellRect(rawCol, row);
  if (!shown || r.Right <= r.Left || r.Bottom <= r.Top) {
    FFilterEdit->SetVisible(false);
    return;
  }
  FFilterEdit->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  FFilterEdit->SetVisible(true);
  if (GridOrEditorFocused() && FFilterEdit->CanFocus()) FFilterEdit->SetFocus();
}

void TCustomDBGridEh::FilterEditChanged() {
  // Stored as typed; parsed when the filter is applied.
  if (FLoadingFilterEdit || FFilterEdit == nullptr) return;
  if (FFilterCol < 0 || FFilterCol >= FColumns->Count()) return;
  TColumnEh* column = FColumns->Items(FFilterCol);
  if (column->FieldName().empty()) return;
  column->STFilter()->SetTypedText(FFilterEdit->Text());
  InvalidateCell(DataToRawColumn(FFilterCol), TitlesVisible());
}

int TCustomDBGridEh::NextFilterColumn(int from, int step) const {
  const int count = FColumns->Count();
  if (count == 0) return -1;
  // Once round from beside `from`, never onto `from` itself.
  for (int n = 1; n < count; ++n) {
    const int i = ((from + step * n) % count + count) % count;
    if (ColumnFilterVisible(i)) return i;
  }
  return -1;
}

void TCustomDBGridEh::FilterEditKeyDown(unsigned& key, TShiftState shift) {
  if (FFilterEdit == nullptr || FFilterEdit->ListVisible()) return;
  if (key == VK_RETURN) {
    key = 0;
    ApplyFilter();
    return;
  }
  const bool ctrl = shift.Contains(ssCtrl);
  const int length = static_cast<int>(Length(FFilterEdit->Text()));
  int step = 0;
  if (key == VK_LEFT && (ctrl || (FFilterEdit->SelStart() == 0 && FFilterEdit->SelLength() == 0)))
    step = -1;
  else if (key == VK_RIGHT &&
           (ctrl || (FFilterEdit->SelStart() >= length && FFilterEdit->SelLength() == 0)))
    step = 1;
  else if (key == VK_TAB && FOptions.Contains(dgTabs))
    step = shift.Contains(ssShift) ? -1 : 1;
  else if ((key == VK_DOWN && !shift.Contains(ssAlt)) || key == VK_ESCAPE) {
    // Back to the data rows; the typed text stays in the filter.
    key = 0;
    StopEditFilter();
    return;
  }
  if (step == 0) return;
  key = 0;
  const int next = NextFilterColumn(FFilterCol, step);
  if (next < 0) return;
  StartEditFilter(next);
}

void TCustomDBGridEh::FilterEditDropDown() {
  if (FFilterEdit == nullptr || FFilterCol < 0 || FFilterCol >= FColumns->Count()) return;
  TColumnEh* column = FColumns->Items(FFilterCol);
  TStringList items;
  if (TDatasetFieldValueListEh* values = column->STFilter()->GetValueList())
    items.Assign(*values->Values());
  items.AddObject("(Пустые)", CodeObject(kFilterEmpty));
  items.AddObject("(Не пустые)", CodeObject(kFilterNotEmpty));
  items.AddObject("(Все)", CodeObject(kFilterAll));
  items.AddObject("(Очистить фильтр)", CodeObject(kFilterClear));
  if (FOptionsEh.Contains(dghAutoSortMarking) && column->Title()->TitleButton()) {
    items.AddObject("-", CodeObject(kFilterSeparator));
    items.AddObject("(Сортировка по убыванию)", CodeObject(kFilterSortDown));
    items.AddObject("(Сортировка по возрастанию)", CodeObject(kFilterSortUp));
  }
  TFlagGuardEh loading(FLoadingFilterEdit);
  const std::string text = FFilterEdit->Text();
  FFilterEdit->SetItems(&items);
  SetFilterEditValueAndText(FFilterEdit, Variant::Null(), text);
}

void TCustomDBGridEh::FilterEditClosed(bool accept) {
  if (FFilterEdit == nullptr || FFilterCol < 0 || FFilterCol >= FColumns->Count()) return;
  TSTColumnFilterEh* filter = FColumns->Items(FFilterCol)->STFilter();
  filter->SetDropDownRows(FFilterEdit->DropDownBox()->Rows());
  filter->SetDropDownWidth(FFilterEdit->DropDownBox()->Width());
  const int index = FFilterEdit->ItemIndex();
  if (!accept || index < 0 || index >= FFilterEdit->Items()->Count()) return;
  FilterEditItemChosen(ObjectCode(FFilterEdit->Items()->Objects(index)));
}

void TCustomDBGridEh::FilterEditItemChosen(int code) {
  if (code < kFilterEmpty || code > kFilterSortUp || code == kFilterSeparator) return;
  if (FFilterCol < 0 || FFilterCol >= FColumns->Count()) return;
  TColumnEh* column = FColumns->Items(FFilterCol);
  const bool applyOnPick = FStyle != nullptr && FStyle->ApplyOnPick();
  auto setText = [this](const std::string& text) {
    if (FFilterEdit != nullptr) {
      FFilterEdit->SetItemIndex(-1);
      FFilterEdit->SetText(text);
    }
  };
  switch (code) {
    case kFilterEmpty:
      setText("=Null");
      break;
    case kFilterNotEmpty:
      setText("<>Null");
      break;
    case kFilterAll:
      setText("");
      break;
    case kFilterClear:
      StopEditFilter();
      for (int i = 0; i < FColumns->Count(); ++i) FColumns->Items(i)->STFilter()->Clear();
      if (HandleAllocated()) InvalidateGrid();
      break;
    case kFilterSortDown:
    case kFilterSortUp: {
      if (FFilterEdit != nullptr) FFilterEdit->SetText(column->STFilter()->ExpressionStr());
      for (int i = 0; i < FColumns->Count(); ++i)
        FColumns->Items(i)->Title()->SetSortMarker(smNoneEh);
      FSortMarkedColumns.clear();
      column->Title()->SetSortMarker(code == kFilterSortDown ? smDownEh : smUpEh);
      SortMarkingChanged();
      return;
    }
    default:
      return;
  }
  if (code == kFilterClear || applyOnPick) ApplyFilter();
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
  if (RowPerRecordMode()) return;
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
  TDisableControlsGuardEh controls(ds);
  if (!FSavedMiddleBookmark.empty() && ds->BookmarkValid(FSavedMiddleBookmark)) {
    ds->GotoBookmark(FSavedMiddleBookmark);
    if (FSavedOffset != 0) ds->MoveBy(FSavedOffset);
  }
  // After a delete the offset may lead elsewhere: the record that was
  // current stays current.
  if (ds->Bookmark() != FSavedCurrentBookmark && ds->BookmarkValid(FSavedCurrentBookmark))
    ds->GotoBookmark(FSavedCurrentBookmark);
}

void TCustomDBGridEh::DataOrderChanged() {
  ++FOrderGeneration;
  if (FSelectedRows->Count() > 0) FSelectedRows->Clear();
  if (SelectionType() == gstRecordBookmarks || SelectionType() == gstRectangle) FSelection->Clear();
}
