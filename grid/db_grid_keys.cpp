// The data grid's keyboard and mouse: record and column navigation, the
// editor, inserting, appending and deleting records, clipboard keys, Shift
// and Ctrl selection, check-box cells, title buttons and sort markers.
#include <algorithm>
#include <cstdlib>

#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "grid/filter_expression.h"
#include "grid/find_dialog.h"
#include "grid/grid_clipboard.h"
#include "grid/grid_export.h"
#include "grid/inplace_edit.h"
#include "grid/inplace_filter_edit.h"
#include "platform/base/clock.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/window.h"
#include "platform/widgets/grid_inplace_edit.h"
#include "platform/widgets/message_dialog.h"

namespace {

constexpr unsigned kCopyFromAboveKey = 222;  // Ctrl+apostrophe
constexpr int kTitleDragThreshold = 3;

bool IsCheckOrImage(TColumnEh* column) {
  if (column == nullptr) return false;
  const TColumnEhType kind = column->GetCellKind();
  return kind == ctKeyImageList || kind == ctCheckboxes;
}

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }

}  // namespace

// ---- permissions

bool TCustomDBGridEh::CanCopySelection() {
  return FDataLink->Active() && SelectionType() != gstNon;
}

bool TCustomDBGridEh::CanPasteSelection() {
  if (!FDataLink->Active() || FReadOnly) return false;
  TDataSet* ds = FDataLink->DataSet();
  if (!ds->CanModify()) return false;
  TClipboard& clipboard = Clipboard();
  if (!clipboard.HasFormat(VCLDBIFClipboardFormat()) && !clipboard.HasFormat(CF_TEXT)) return false;
  return ds->State() == dsInsert || FAllowedOperations.Contains(alopUpdateEh);
}

bool TCustomDBGridEh::CanDeleteSelection() {
  if (!FDataLink->Active() || FReadOnly) return false;
  TDataSet* ds = FDataLink->DataSet();
  if (ds->IsEmpty() || !ds->CanModify()) return false;
  switch (SelectionType()) {
    case gstRecordBookmarks:
    case gstAll:
      return FAllowedOperations.Contains(alopDeleteEh);
    case gstRectangle:
    case gstColumns:
      return FAllowedOperations.Contains(alopUpdateEh);
    case gstNon:
      break;
  }
  return false;
}

bool TCustomDBGridEh::CanCutSelection() { return CanCopySelection() && CanDeleteSelection(); }

bool TCustomDBGridEh::CanSelectAll() {
  return FDataLink->Active() && !FDataLink->DataSet()->IsEmpty() &&
         FAllowedSelections.Contains(gstAll);
}

// ---- selection by keys and mouse

void TCustomDBGridEh::ClearSelection() {
  bool cleared = false;
  if (FOptions.Contains(dgMultiSelect) && FOptionsEh.Contains(dghClearSelection) &&
      FSelectedRows->Count() > 0) {
    FSelectedRows->Clear();
    cleared = true;
  }
  FHasSelectionAnchor = false;
  FSelectionAnchor.clear();
  if (FOptionsEh.Contains(dghClearSelection) && SelectionType() != gstNon &&
      SelectionType() != gstRecordBookmarks) {
    FSelection->Clear();
    cleared = true;
  }
  // Nothing selected, nothing to repaint (every key that moves clears).
  if (cleared && HandleAllocated()) InvalidateGrid();
}

void TCustomDBGridEh::MoveRecord(bool select, int distance, bool toEnd) {
  if (!FDataLink->Active()) return;
  TDataSet* ds = FDataLink->DataSet();
  auto move = [&] {
    if (!toEnd)
      FDataLink->MoveBy(distance);
    else if (distance < 0)
      ds->First();
    else
      ds->Last();
  };
  if (select && !FOptions.Contains(dgRowSelect) && CanSelectType(gstRectangle)) {
    const int dataCol = std::max(0, SelectedIndex());
    if (SelectionType() != gstRectangle) FSelection->Rect().Select(dataCol, ds->Bookmark(), false);
    move();
    FSelection->Rect().Select(dataCol, ds->Bookmark(), true);
    return;
  }
  if (!select || !CanSelectType(gstRecordBookmarks)) {
    if (!FKeepSelection) ClearSelection();
    move();
    return;
  }
  // A walk from the anchor: rows reached are selected, rows left on the
  // way back towards the anchor unselected.
  if (!FHasSelectionAnchor) {
    FHasSelectionAnchor = true;
    FSelectionAnchor = ds->Bookmark();
    FSelectedRows->SetCurrentRowSelected(true);
  }
  const int direction = distance < 0 ? -1 : 1;
  int steps = toEnd ? ds->RecordCount() + 1 : std::abs(distance);
  if (toEnd && steps <= 1) steps = 1 << 30;  // count unknown: walk to the end
  TControlsDisabledGuard controls(ds);
  for (int i = 0; i < steps; ++i) {
    const int order = ds->CompareBookmarks(ds->Bookmark(), FSelectionAnchor);
    const bool backTowardsAnchor = order != 0 && (order > 0) != (direction > 0);
    if (backTowardsAnchor) FSelectedRows->SetCurrentRowSelected(false);
    if (ds->MoveBy(direction) == 0) break;
    if (!backTowardsAnchor) FSelectedRows->SetCurrentRowSelected(true);
  }
}

void TCustomDBGridEh::SelectColumn(int rawCol, int step, bool extend) {
  const bool rect = extend && !FOptions.Contains(dgRowSelect) && CanSelectType(gstRectangle) &&
                    FDataLink->Active();
  if (rect && SelectionType() != gstRectangle)
    FSelection->Rect().Select(std::max(0, SelectedIndex()), FDataLink->DataSet()->Bookmark(),
                              false);
  if (FDataLink->Active()) FDataLink->UpdateRecord();
  const int first = FIndicatorOffset;
  const int last = ColCount() - 1;
  if (last < first) return;
  int raw = std::clamp(rawCol, first, last);
  if (step != 0) {
    while (raw >= first && raw <= last && ColWidths(raw) <= 0) raw += step;
    if (raw < first || raw > last) return;
  }
  if (raw != Col()) {
    if (!FInColExit) {
      const int before = Col();
      {
        TFlagGuard inColExit(FInColExit);
        ColExit();
      }
      if (Col() != before) return;  // the handler moved the column itself
    }
    if (!FOptions.Contains(dgAlwaysShowEditor)) {
      // Hiding hands the editor's text back as an edit; it belongs to the
      // column being left, so it is stored there before the column moves.
      HideEditor();
      if (FDataLink->Active()) FDataLink->UpdateRecord();
    }
    if (!FOptions.Contains(dgRowSelect)) SetCol(raw);
    if (!IsCheckOrImage(ColumnOfRawCol(Col())) && FOptions.Contains(dgAlwaysShowEditor))
      ShowEditor();
    ColEnter();
  }
  if (rect)
    FSelection->Rect().Select(std::max(0, SelectedIndex()), FDataLink->DataSet()->Bookmark(), true);
  // The typed text was matched against the column left.
  if (FIncSearch->Active()) StopIncSearch();
}

void TCustomDBGridEh::ColEnter() {
  if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridEh::ColExit() {
  if (OnColExit) OnColExit(this);
}

void TCustomDBGridEh::CellClick(TColumnEh* column) {
  if (OnCellClick) OnCellClick(this, column);
}

// ---- records by keys

bool TCustomDBGridEh::CanAppendByKey() {
  TDataSet* ds = FDataLink->DataSet();
  return ds->CanModify() && !FReadOnly && FOptions.Contains(dgEditing) &&
         FAllowedOperations.Contains(alopAppendEh);
}

void TCustomDBGridEh::DownOrAppend(bool extend) {
  TDataSet* ds = FDataLink->DataSet();
  if (ds->State() == dsInsert && !ds->Modified() && !FDataLink->Modified()) {
    // An untouched new record is dropped, unless it is the one at the end.
    if (!ds->Eof()) ds->Cancel();
    return;
  }
  MoveRecord(extend, 1);
  if (ds->Eof() && CanAppendByKey()) ds->Append();
}

void TCustomDBGridEh::UpOrCancelInsert(bool extend) {
  TDataSet* ds = FDataLink->DataSet();
  if (ds->State() == dsInsert && !ds->Modified() && !FDataLink->Modified() && ds->Eof()) {
    ds->Cancel();
    return;
  }
  MoveRecord(extend, -1);
}

void TCustomDBGridEh::StepByTab(int direction) {
  ClearSelection();
  TDataSet* ds = FDataLink->DataSet();
  const int first = FIndicatorOffset;
  const int last = ColCount() - 1;
  if (last < first) return;
  const int start = Col();
  int raw = start;
  // At most one full circle through the columns.
  for (int guard = 0; guard <= last - first + 1; ++guard) {
    raw += direction;
    if (raw > last) {
      if (ds->Eof() || (FDataLink->MoveBy(1) == 0)) {
        if (!CanAppendByKey()) return;
        ds->Append();
      } else if (ds->Eof() && CanAppendByKey()) {
        ds->Append();
      }
      raw = first;
    } else if (raw < first) {
      if (FDataLink->MoveBy(-1) == 0) return;
      raw = last;
    }
    if (raw == start) return;
    if (ColWidths(raw) > 0) {
      SelectColumn(raw, 0, false);
      return;
    }
  }
}

void TCustomDBGridEh::DeleteRecordsByKey() {
  if (!FDataLink->Active()) return;
  const TDBGridEhSelectionType kind = SelectionType();
  if ((kind == gstRectangle || kind == gstColumns) && FEditActions.Contains(geaDeleteEh)) {
    if (CanDeleteSelection()) DBGridEh_DoDeleteAction(this, false);
    return;
  }
  TDataSet* ds = FDataLink->DataSet();
  if (FReadOnly || ds->IsEmpty() || !ds->CanModify() || !FAllowedOperations.Contains(alopDeleteEh))
    return;
  const int selected = FSelectedRows->Count();
  if (FOptions.Contains(dgConfirmDelete)) {
    const std::string_view question =
        selected < 2 ? kSDeleteRecordQuestion : kSDeleteMultipleRecordsQuestion;
    if (MessageDlg(std::string(question), mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}) != mrOk)
      return;
  }
  if (selected > 0)
    FSelectedRows->DeleteRecords();
  else
    ds->Delete();
}

void TCustomDBGridEh::CopyFromRecordAbove() {
  if (!FDataLink->Active() || FDataLink->ActiveRecord() <= 0) return;
  TColumnEh* column = ColumnOfRawCol(Col());
  if (column == nullptr || column->Field() == nullptr || !column->CanModify(true)) return;
  TField* field = column->Field();
  TDataSet* ds = FDataLink->DataSet();
  std::vector<TField*> targets =
      field->Lookup() ? ds->GetFieldList(field->KeyFields()) : std::vector<TField*>{field};
  std::vector<Variant> values;
  const int active = FDataLink->ActiveRecord();
  FDataLink->SetActiveRecord(active - 1);
  for (TField* f : targets) values.push_back(f->Value());
  FDataLink->SetActiveRecord(active);
  ClearSelection();
  for (std::size_t i = 0; i < targets.size(); ++i) targets[i]->SetValue(values[i]);
  ShowEditor();
  if (InplaceEditor() != nullptr && InplaceEditor()->Visible()) InplaceEditor()->SelectAll();
}

void TCustomDBGridEh::StepCellValue(TColumnEh* column, int step) {
  if (column == nullptr || !column->CanModify(true)) return;
  column->SetNextValue(step);
}

// ---- keys

void TCustomDBGridEh::PassKeyToBaseGrid(unsigned& key, TShiftState shift) {
  // OnKeyDown already ran: the base grid must not fire it again.
  TValueGuard<TKeyEvent> handler(OnKeyDown, nullptr);
  TCustomGrid::KeyDown(key, shift);
}

bool TCustomDBGridEh::DropDownCell() {
  // Alt+Down opens a cell's list or calendar as it does in the cell's
  // editor; it is no row move there.
  if (FOptions.Contains(dgRowSelect) || SelectedIndex() < 0) return false;
  switch (DBGridEditStyleOf(FColumns->Items(SelectedIndex()))) {
    case kEditStylePickList:
    case kEditStyleDataList:
    case kEditStyleDate:
    case kEditStyleDropDown:
      break;
    default:
      return false;
  }
  SetEditorMode(true);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor());
  if (editor == nullptr || !EditorMode()) return false;
  editor->DropDown();
  return true;
}

void TCustomDBGridEh::KeyDown(unsigned& key, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  FKeepSelection = ctrl || !FOptionsEh.Contains(dghClearSelection);
  // The owner sees every key first and may take it (key = 0).
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  if (key == VK_UP && FSTFilter->Visible() &&
      (ctrl || !FDataLink->Active() || FDataLink->DataSet()->Bof() ||
       FDataLink->DataSet()->RecNo() == 1)) {
    // Up from the first record goes into the filter row.
    int col = SelectedIndex();
    if (FOptions.Contains(dgRowSelect) || !ColumnFilterVisible(col)) {
      col = -1;
      for (int i = 0; i < FColumns->Count() && col < 0; ++i)
        if (ColumnFilterVisible(i)) col = i;
    }
    if (col >= 0) {
      StartEditFilter(col);
      key = 0;
      return;
    }
  }
  if (!FDataLink->Active()) {
    PassKeyToBaseGrid(key, shift);
    return;
  }
  TDataSet* ds = FDataLink->DataSet();
  const bool shiftKey = shift.Contains(ssShift);
  const bool extend = shiftKey && FOptions.Contains(dgMultiSelect);
  const bool rowSelect = FOptions.Contains(dgRowSelect);
  const int page = std::max(1, VisibleDataRowCount());
  const int firstData = FIndicatorOffset;
  auto clearUnlessShift = [&] {
    if (!shiftKey) ClearSelection();
  };
  // The first and last rows on screen: the top row and the rows after it
  // when every dataset row is a grid row, else the link's buffer.
  auto toFirstShown = [&] {
    MoveRecord(extend, FRows->PerRecord() ? TopRow() - Row() : -FDataLink->ActiveRecord());
  };
  auto toLastShown = [&] {
    MoveRecord(extend, FRows->PerRecord()
                           ? TopRow() + VisibleDataRowCount() - 1 - Row()
                           : FDataLink->RecordCount() - 1 - FDataLink->ActiveRecord());
  };
  if (ctrl && key == 'F') {
    const bool dialog = FOptionsEh.Contains(dghDialogFind) && ExecuteDBGridEhFindDialogProc;
    if (FIncSearch->Active() && dialog) {
      const std::string text = FIncSearch->Text();
      StopIncSearch();
      ExecuteDBGridEhFindDialogProc(this, text, {}, IsFindDialogModal());
      key = 0;
      return;
    }
    if (FOptionsEh.Contains(dghIncSearch)) {
      FIncSearch->Restart();
      key = 0;
      return;
    }
    if (dialog) {
      ExecuteDBGridEhFindDialogProc(this, "", {}, IsFindDialogModal());
      key = 0;
      return;
    }
  }
  FIncSearch->KeyDown(key, shift);
  if (key == 0) return;
  if (ctrl && key == kCopyFromAboveKey) {
    CopyFromRecordAbove();
    key = 0;
    return;
  }
  if (shift.Contains(ssAlt) && !ctrl && (key == VK_DOWN || key == VK_UP) && DropDownCell()) {
    key = 0;
    return;
  }
  switch (key) {
    case VK_UP:
      if (ctrl) {
        clearUnlessShift();
        toFirstShown();
      } else {
        UpOrCancelInsert(extend);
      }
      break;
    case VK_DOWN:
      if (ctrl) {
        clearUnlessShift();
        toLastShown();
      } else {
        DownOrAppend(extend);
      }
      break;
    case VK_PRIOR:
      if (ctrl) {
        clearUnlessShift();
        toFirstShown();
      } else {
        if (!extend) ClearSelection();
        MoveRecord(extend, -page);
      }
      break;
    case VK_NEXT:
      if (ctrl) {
        clearUnlessShift();
        toLastShown();
      } else {
        if (!extend) ClearSelection();
        MoveRecord(extend, page);
      }
      break;
    case VK_HOME:
    case VK_END: {
      const int direction = key == VK_HOME ? -1 : 1;
      if (ctrl) {
        clearUnlessShift();
        MoveRecord(extend, direction, true);
      } else if (Col() == firstData || rowSelect) {
        if (!extend) ClearSelection();
        MoveRecord(extend, direction, true);
      } else {
        SelectColumn(key == VK_HOME ? firstData : ColCount() - 1, direction, shiftKey);
      }
      break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
      const int direction = key == VK_LEFT ? -1 : 1;
      if (rowSelect) {
        const int left = std::clamp(LeftCol() + direction, FixedCols(), ColCount() - 1);
        SetLeftCol(left);
      } else if (ctrl) {
        SelectColumn(direction < 0 ? firstData : ColCount() - 1, -direction, false);
      } else {
        SelectColumn(Col() + direction, direction, shiftKey);
      }
      break;
    }
    case VK_TAB:
      if (shift.Contains(ssAlt)) return;
      StepByTab(shiftKey ? -1 : 1);
      break;
    case VK_RETURN:
      if (!FOptionsEh.Contains(dghEnterAsTab) || ctrl) {
        PassKeyToBaseGrid(key, shift);
        return;
      }
      StepByTab(shiftKey ? -1 : 1);
      break;
    case VK_ESCAPE:
      FDataLink->Reset();
      ClearSelection();
      if (!FOptions.Contains(dgAlwaysShowEditor)) HideEditor();
      if (MouseTracking()) EndMouseTracking();
      if (GridState() != gsNormal) Perform(WM_CANCELMODE, 0, 0);
      break;
    case VK_INSERT:
      if (ctrl) {
        if (FEditActions.Contains(geaCopyEh) && CanCopySelection())
          DBGridEh_DoCopyAction(this, false);
      } else if (shiftKey) {
        if (FEditActions.Contains(geaPasteEh) && CanPasteSelection())
          DBGridEh_DoPasteAction(this, false);
      } else if (ds->CanModify() && !FReadOnly && FOptions.Contains(dgEditing)) {
        ClearSelection();
        if (FAllowedOperations.Contains(alopInsertEh))
          ds->Insert();
        else if (FAllowedOperations.Contains(alopAppendEh))
          ds->Append();
      }
      break;
    case VK_DELETE:
      if (ctrl) {
        DeleteRecordsByKey();
      } else if (shiftKey) {
        if (FEditActions.Contains(geaCutEh) && CanCutSelection()) DBGridEh_DoCutAction(this, false);
      } else {
        TColumnEh* column = ColumnOfRawCol(Col());
        if (!rowSelect && IsCheckOrImage(column) && column->Field() != nullptr &&
            !column->Field()->Required() && column->CanModify(true))
          column->Field()->Clear();
        else {
          PassKeyToBaseGrid(key, shift);
          return;
        }
      }
      break;
    case 'C':
    case 'V':
    case 'X':
    case 'A':
      if (!ctrl) return;
      if (key == 'C' && FEditActions.Contains(geaCopyEh) && CanCopySelection())
        DBGridEh_DoCopyAction(this, false);
      else if (key == 'V' && FEditActions.Contains(geaPasteEh) && CanPasteSelection())
        DBGridEh_DoPasteAction(this, false);
      else if (key == 'X' && FEditActions.Contains(geaCutEh) && CanCutSelection())
        DBGridEh_DoCutAction(this, false);
      else if (key == 'A' && FEditActions.Contains(geaSelectAllEh) && CanSelectAll())
        FSelection->SelectAll();
      break;
    case VK_F2:
      SetEditorMode(true);
      break;
    case VK_ADD:
    case VK_SUBTRACT:
    case VK_MULTIPLY:
      if (!FTreeArea->Key(key)) {
        PassKeyToBaseGrid(key, shift);
        return;
      }
      break;
    default:
      PassKeyToBaseGrid(key, shift);
      return;
  }
  key = 0;
}

void TCustomDBGridEh::KeyUp(unsigned& key, TShiftState shift) {
  TCustomGrid::KeyUp(key, shift);
  if (key == VK_CONTROL && FSortPending) {
    FSortPending = false;
    SortMarkingChanged();
  }
}

void TCustomDBGridEh::KeyPress(char32_t& key) {
  // In a tree these characters are the expand keys.
  if (FTree->Shown() && (key == U'*' || key == U'+' || key == U'-')) {
    TCustomControl::KeyPress(key);
    key = 0;
    return;
  }
  if (key == U'\r' && FOptionsEh.Contains(dghEnterAsTab)) key = U'\t';
  if (key == U'\r' && !FOptions.Contains(dgAlwaysShowEditor) && EditorMode() && FDataLink->Active())
    FDataLink->UpdateRecord();
  if (FIncSearchAdapter->StartsWith(key)) {
    IncSearch(Utf32ToUtf8(std::u32string(1, key)), TGridIncSearchEh::kKeyTimeOut, 0);
    key = 0;
    return;
  }
  TColumnEh* column = ColumnOfRawCol(Col());
  if (key == U' ' && !FOptions.Contains(dgRowSelect) && IsCheckOrImage(column) &&
      FDataLink->Active()) {
    StepCellValue(column, ShiftHeld() ? -1 : 1);
    key = 0;
    return;
  }
  TCustomGrid::KeyPress(key);
}

// ---- sorting by title buttons

void TCustomDBGridEh::TitleBtnClick(int dataCol, TColumnEh* column) {
  (void)dataCol;
  if (OnTitleBtnClick) OnTitleBtnClick(this, column);
}

void TCustomDBGridEh::CheckTitleButton(int dataCol, bool& enabled) {
  if (dataCol < 0 || dataCol >= FColumns->Count()) {
    enabled = false;
    return;
  }
  if (OnCheckButton) OnCheckButton(this, dataCol, FColumns->Items(dataCol), enabled);
}

void TCustomDBGridEh::EditButtonClick() {
  if (OnEditButtonClick) OnEditButtonClick(this);
}

void TCustomDBGridEh::TitleButtonReleased(TColumnEh* column, bool ctrl) {
  // A sort reorders the records under the selection's bookmarks.
  if (SelectionType() == gstRecordBookmarks || SelectionType() == gstRectangle) FSelection->Clear();
  FHasSelectionAnchor = false;
  TitleBtnClick(column->Index(), column);
  FSortPending = ctrl;
  if (FOptionsEh.Contains(dghAutoSortMarking)) column->Title()->SetNextSortMarkerValue(ctrl);
  if (!ctrl) SortMarkingChanged();
}

void TCustomDBGridEh::SortMarkingChanged() {
  if (!FOptionsEh.Contains(dghAutoSortMarking)) return;
  if (OnSortMarkingChanged)
    OnSortMarkingChanged(this);
  else
    DefaultApplySorting();
  DataOrderChanged();
}

void TCustomDBGridEh::DefaultApplySorting() {
  if (DataSource() == nullptr || DataSource()->DataSet() == nullptr) return;
  TDataSet* ds = DataSource()->DataSet();
  if (TDatasetFeaturesEh* features = GetDatasetFeaturesClassForDataSet(ds))
    features->ApplySorting(this, ds, true);
}

// ---- mouse

void TCustomDBGridEh::EndMouseTracking() {
  if (FMouseMode == TMouseModeEh::Sizing && FTitleMouse->SizingLineShown())
    FTitleMouse->DrawSizingLine();
  StopAutoScrollTimer();
  if (RecordMoving()) StopRecordMoving(-1, -1, false);
  FMouseMode = TMouseModeEh::None;
  if (FPressedTitle != nullptr && HandleAllocated()) InvalidateRow(0);
  FPressedTitle = nullptr;
  FTitleButtonDown = nullptr;
  FTitlePressedLook = false;
  if (MouseCapture()) SetMouseCapture(false);
}

void TCustomDBGridEh::ShiftClickRecords(const std::string& target) {
  TDataSet* ds = FDataLink->DataSet();
  const std::string anchor = FHasSelectionAnchor ? FSelectionAnchor : ds->Bookmark();
  const int direction = ds->CompareBookmarks(target, anchor) < 0 ? -1 : 1;
  TControlsDisabledGuard controls(ds);
  ds->GotoBookmark(anchor);
  FSelectedRows->SetCurrentRowSelected(true);
  while (ds->CompareBookmarks(ds->Bookmark(), target) != 0) {
    if (ds->MoveBy(direction) == 0) break;
    FSelectedRows->SetCurrentRowSelected(true);
  }
  ds->GotoBookmark(target);
}

void TCustomDBGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (!FDataLinkAdapter->AcquireFocus()) return;
  if (MouseTracking() || FTitleButtonDown != nullptr) EndMouseTracking();
  FMouseDownPoint = {x, y};
  FMouseDownDouble = shift.Contains(ssDouble);
  FMouseDownOnCheck = false;
  const TGridCoord cell = MouseCoord(x, y);
  FMouseDownCell = cell;
  TCellColPartEh colPart = ccpIndicatorEh;
  TCellRowPartEh rowPart = crpTitleEh;
  int colIndex = -1, rowIndex = -1;
  const bool inCell = cell.X >= 0 && cell.Y >= 0;
  if (inCell) GetCellType(cell.X, cell.Y, colPart, rowPart, colIndex, rowIndex);
  TColumnEh* column = inCell && colPart == ccpDataEh ? ColumnOfRawCol(cell.X) : nullptr;
  const bool dataCell =
      inCell && rowPart == crpDataEh && FDataLink->Active() && rowIndex < FRows->DataRowCount();

  if (inCell && rowPart == crpSubTitleEh && colPart == ccpDataEh && ColumnFilterVisible(colIndex)) {
    ClearSelection();
    StartEditFilter(colIndex);
    TInplaceFilterEditEh* editor = FFilterRow->Editor();
    if (button == mbLeft && editor != nullptr && editor->Visible() && editor->HandleAllocated()) {
      // The editor now over the cell gets the press, so the caret lands
      // where the user clicked.
      const TPoint at = editor->ScreenToClient(ClientToScreen({x, y}));
      editor->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(at));
    }
    // Remembered after the editor had the press: a second one on the
    // editor itself makes the double click.
    FFilterRow->MouseDown({x, y}, GetTickCount());
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  // Anywhere else the filter row is left; what was typed there stays.
  if (FFilterRow->EditMode()) StopEditFilter();
  if (FMouseDownDouble) {
    if (button == mbLeft) {
      TGridDrawInfo info;
      TGridState sizing = gsNormal;
      int index = 0, pos = 0, ofs = 0;
      CalcSizingState(x, y, sizing, index, pos, ofs, info);
      if (sizing == gsColSizing && FOptionsEh.Contains(dghDblClickOptimizeColWidth)) {
        if (TColumnEh* sized = ColumnOfRawCol(index)) OptimizeColumnWidth(sized);
      } else if (dataCell && IsCheckOrImage(column) && column->DblClickNextVal() &&
                 cell.Y == Row()) {
        StepCellValue(column, shift.Contains(ssShift) ? -1 : 1);
      } else {
        DblClick();
      }
    }
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }

  if (button == mbLeft && FTitleMouse->StartSizing(x, y)) {
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  bool titleButton = inCell && rowPart == crpTitleEh && column != nullptr;
  if (titleButton) {
    titleButton = column->Title()->TitleButton();
    CheckTitleButton(colIndex, titleButton);
  }
  if (button == mbLeft && titleButton) {
    FTitleButtonDown = column;
    FTitlePressedLook = OverTitleButton(column, x, y);
    FPressedTitle = FTitlePressedLook ? column : nullptr;
    SetMouseCapture(true);
    InvalidateRow(cell.Y);
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  if (button == mbRight && FOptions.Contains(dgColumnResize) && inCell && rowPart == crpTitleEh &&
      colPart == ccpDataEh) {
    // Columns are moved with either button.
    TCustomGrid::MouseDown(mbLeft, shift, x, y);
    return;
  }
  if (button != mbLeft) {
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  if (inCell && rowPart == crpTitleEh && colPart == ccpIndicatorEh &&
      FOptions.Contains(dgMultiSelect) && FAllowedSelections.Contains(gstAll)) {
    if (SelectionType() != gstNon)
      FSelection->Clear();
    else
      FSelection->SelectAll();
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  if (inCell && rowPart == crpTitleEh && column != nullptr &&
      FTitleMouse->SelectColumn(column, shift)) {
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  if (!inCell || rowPart == crpTitleEh || rowPart == crpSubTitleEh || RowSizingAt(x, y)) {
    // Sizing and moving belong to the base grid.
    TCustomGrid::MouseDown(button, shift, x, y);
    return;
  }
  if (inCell && rowPart == crpDataEh && colPart == ccpDataEh && FDataLink->Active() &&
      FRows->DataRowCount() == 0) {
    // The empty row of an empty dataset: what is typed next starts the
    // first record in the clicked column.
    SelectColumn(cell.X, 0, false);
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }
  if (!dataCell || CheckTreeExpandClick(x, y, false) || StartRecordMoving(x, y, false)) {
    TCustomControl::MouseDown(button, shift, x, y);
    return;
  }

  // A data cell (or the indicator beside one).
  TDataSet* ds = FDataLink->DataSet();
  const bool hitCurrent = cell.X == Col() && cell.Y == Row();
  FDataLink->UpdateRecord();
  if (!hitCurrent) HideEditor();
  const std::string before = ds->Bookmark();
  const int beforeCol = std::max(0, SelectedIndex());
  const bool ctrl = shift.Contains(ssCtrl);
  const bool shiftKey = shift.Contains(ssShift);
  const bool recordShift = shiftKey && FOptions.Contains(dgMultiSelect) &&
                           CanSelectType(gstRecordBookmarks) &&
                           (colPart == ccpIndicatorEh || FOptions.Contains(dgRowSelect));
  if (!recordShift && cell.Y != Row()) {
    TFlagGuard movingItself(FRows->MovingRecordItself());
    FDataLink->MoveBy(cell.Y - Row());
  }
  if (colPart == ccpDataEh) SelectColumn(cell.X, 0, false);

  if (colPart == ccpDataEh && !FOptions.Contains(dgRowSelect) && CanSelectType(gstRectangle)) {
    TDBGridEhSelectionRect& rect = FSelection->Rect();
    if (!shiftKey) {
      if (FOptionsEh.Contains(dghClearSelection)) ClearSelection();
      rect.Select(colIndex, ds->Bookmark(), false);
    } else {
      if (SelectionType() != gstRectangle && rect.Empty()) rect.Select(beforeCol, before, false);
      rect.Select(colIndex, ds->Bookmark(), true);
    }
    FMouseMode = TMouseModeEh::RectSelecting;
    SetMouseCapture(true);
  } else if (CanSelectType(gstRecordBookmarks)) {
    if (recordShift && FHasSelectionAnchor) {
      std::string target;
      {
        TGridRowReadEh reading(*FRows, rowIndex);
        target = ds->Bookmark();
      }
      ShiftClickRecords(target);
    } else {
      if (recordShift && cell.Y != Row()) FDataLink->MoveBy(cell.Y - Row());
      if (ctrl) {
        FSelectedRows->SetCurrentRowSelected(!FSelectedRows->CurrentRowSelected());
      } else {
        if (FOptionsEh.Contains(dghClearSelection)) ClearSelection();
        FSelectedRows->SetCurrentRowSelected(true);
      }
    }
    FHasSelectionAnchor = true;
    FSelectionAnchor = ds->Bookmark();
    FMouseMode = TMouseModeEh::RecordSelecting;
    SetMouseCapture(true);
  }
  if (hitCurrent || FOptions.Contains(dgAlwaysShowEditor)) {
    if (!IsCheckOrImage(column)) ShowEditor();
  }
  FMouseDownOnCheck = IsCheckOrImage(column) && !FOptions.Contains(dgRowSelect);
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomDBGridEh::MouseMove(TShiftState shift, int x, int y) {
  if (RecordMoving()) {
    TrackRecordMoving(x, y);
    return;
  }
  if (FTitleButtonDown != nullptr) {
    if (FOptions.Contains(dgColumnResize) &&
        std::abs(x - FMouseDownPoint.X) > kTitleDragThreshold) {
      // The press becomes a column move by the base grid.
      EndMouseTracking();
      TCustomGrid::MouseDown(mbLeft, {}, FMouseDownPoint.X, FMouseDownPoint.Y);
      TCustomGrid::MouseMove(shift, x, y);
      return;
    }
    const bool look = OverTitleButton(FTitleButtonDown, x, y);
    if (look != FTitlePressedLook) {
      FTitlePressedLook = look;
      FPressedTitle = look ? FTitleButtonDown : nullptr;
      InvalidateRow(0);
    }
    return;
  }
  if (FMouseMode == TMouseModeEh::Sizing) {
    FTitleMouse->SetSizingPos(x);
    return;
  }
  if (FMouseMode == TMouseModeEh::ColumnSelecting) {
    FLastMousePos = {x, y};
    FTitleMouse->TrackColumnSelection(x);
    return;
  }
  if (FMouseMode == TMouseModeEh::RectSelecting || FMouseMode == TMouseModeEh::RecordSelecting) {
    // Outside the data area the timer scrolls towards the pointer.
    FLastMousePos = {x, y};
    const TRect data = DataRect();
    const bool outside =
        y < data.Top || y >= data.Bottom ||
        (FMouseMode == TMouseModeEh::RectSelecting && (x < data.Left || x >= data.Right));
    if (!outside)
      StopAutoScrollTimer();
    else if (!FAutoScrollActive)
      TimerScroll();
    const int cx = std::clamp(x, 0, std::max(0, ClientWidth() - 1));
    const int cy = std::clamp(y, 0, std::max(0, ClientHeight() - 1));
    const TGridCoord cell = MouseCoord(cx, cy);
    if (cell.X < 0 || cell.Y < 0) return;
    TCellColPartEh colPart;
    TCellRowPartEh rowPart;
    int colIndex, rowIndex;
    GetCellType(cell.X, cell.Y, colPart, rowPart, colIndex, rowIndex);
    if (rowPart != crpDataEh || rowIndex >= FRows->DataRowCount()) return;
    if (FMouseMode == TMouseModeEh::RecordSelecting) {
      if (cell.Y != Row()) MoveRecord(true, cell.Y - Row());
      return;
    }
    if (cell.Y != Row()) FDataLink->MoveBy(cell.Y - Row());
    if (colPart == ccpDataEh) {
      SelectColumn(cell.X, 0, false);
      FSelection->Rect().Select(colIndex, FDataLink->DataSet()->Bookmark(), true);
    }
    return;
  }
  TCustomGrid::MouseMove(shift, x, y);
}

void TCustomDBGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const TGridCoord cell = MouseCoord(x, y);
  TCellColPartEh colPart = ccpIndicatorEh;
  TCellRowPartEh rowPart = crpTitleEh;
  int colIndex = -1, rowIndex = -1;
  const bool inCell = cell.X >= 0 && cell.Y >= 0;
  if (inCell) GetCellType(cell.X, cell.Y, colPart, rowPart, colIndex, rowIndex);
  TColumnEh* column = inCell && colPart == ccpDataEh ? ColumnOfRawCol(cell.X) : nullptr;

  if (button == mbRight && inCell && colPart == ccpDataEh && rowPart == crpDataEh &&
      column != nullptr && column->PopupMenu() != nullptr && column->PopupMenu()->AutoPopup()) {
    // A data cell's column may bring its own menu.
    SetGridState(gsNormal);
    const TPoint at = ClientToScreen({x, y});
    column->PopupMenu()->SetPopupComponent(this);
    column->PopupMenu()->Popup(at.X, at.Y);
    return;
  }

  if (FMouseMode == TMouseModeEh::Sizing) {
    FTitleMouse->SetSizingPos(x);
    FTitleMouse->EndSizing(true);
    TCustomControl::MouseUp(button, shift, x, y);
    return;
  }
  if (RecordMoving()) StopRecordMoving(x, y, true);
  TColumnEh* released = FTitleButtonDown;
  EndMouseTracking();
  if (released != nullptr) {
    if (inCell && rowPart == crpTitleEh && column == released && OverTitleButton(released, x, y))
      TitleButtonReleased(released, shift.Contains(ssCtrl));
  }
  TCustomGrid::MouseUp(button, shift, x, y);
  if (button == mbLeft && inCell && column != nullptr) {
    if (rowPart == crpTitleEh)
      TitleClick(column);
    else if (rowPart == crpDataEh)
      CellClick(column);
  }
  if (button == mbLeft && FMouseDownOnCheck && !FMouseDownDouble && cell == FMouseDownCell &&
      column != nullptr && !column->DblClickNextVal() && rowPart == crpDataEh &&
      FDataLink->Active())
    StepCellValue(column, shift.Contains(ssShift) ? -1 : 1);
  FMouseDownOnCheck = false;
}

bool TCustomDBGridEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  if (!FDataLink->Active()) return TCustomGrid::DoMouseWheelDown(shift, mousePos);
  if (FRows->PerRecord()) return FRowPerRecord->Wheel(true, shift, mousePos);
  FDataLink->DataSet()->Next();
  return true;
}

bool TCustomDBGridEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  if (!FDataLink->Active()) return TCustomGrid::DoMouseWheelUp(shift, mousePos);
  if (FRows->PerRecord()) return FRowPerRecord->Wheel(false, shift, mousePos);
  FDataLink->DataSet()->Prior();
  return true;
}

bool TCustomDBGridEh::RowSizingAt(int x, int y) {
  TGridDrawInfo info;
  TGridState sizing = gsNormal;
  int index = 0, pos = 0, ofs = 0;
  CalcSizingState(x, y, sizing, index, pos, ofs, info);
  return sizing == gsRowSizing;
}

// ---- selecting columns by their titles

bool TDBGridTitleMouseEh::SelectColumn(TColumnEh* column, TShiftState shift) {
  TCustomDBGridEh& g = FGrid;
  if (!g.CanSelectType(gstColumns) || !g.FDataLink->Active()) return false;
  // A press on a column's edge sizes it.
  TGridDrawInfo info;
  TGridState sizing = gsNormal;
  int index = 0, pos = 0, ofs = 0;
  g.CalcSizingState(g.FMouseDownPoint.X, g.FMouseDownPoint.Y, sizing, index, pos, ofs, info);
  if (sizing != gsNormal) return false;
  TDBGridEhSelectionCols& columns = g.FSelection->Columns();
  if (shift.Contains(ssShift) && g.SelectionType() == gstColumns)
    columns.SelectShift(column);
  else if (shift.Contains(ssCtrl))
    columns.Add(column);
  else
    columns.Select(column, false);
  g.FMouseMode = TCustomDBGridEh::TMouseModeEh::ColumnSelecting;
  g.SetMouseCapture(true);
  return true;
}

void TDBGridTitleMouseEh::TrackColumnSelection(int x) {
  TCustomDBGridEh& g = FGrid;
  const TRect data = g.DataRect();
  if (x < data.Left || x >= data.Right) {
    if (!g.FAutoScrollActive) g.TimerScroll();
    return;
  }
  g.StopAutoScrollTimer();
  const TGridCoord cell = g.MouseCoord(x, std::max(0, g.DrawInfo().Vert.FixedBoundary - 1));
  TColumnEh* column = cell.X >= 0 ? g.ColumnOfRawCol(cell.X) : nullptr;
  if (column != nullptr && column != g.FSelection->Columns().ShiftCol())
    g.FSelection->Columns().SelectShift(column);
}

// ---- sizing frozen columns

bool TDBGridTitleMouseEh::StartSizing(int x, int y) {
  TCustomDBGridEh& g = FGrid;
  if (!g.FOptions.Contains(dgColumnResize) || g.FixedCols() <= g.FIndicatorOffset) return false;
  const TGridDrawInfo& info = g.DrawInfo();
  if (y < 0 || y >= info.Vert.FixedBoundary) return false;
  const int lw = info.Horz.EffectiveLineWidth;
  // The band is the line, widened to 7 pixels around a thinner one.
  constexpr int kBand = 7;
  const int band = std::max(kBand, lw);
  const int lead = lw < kBand ? (kBand - lw) / 2 : 0;
  FSizingCol = -1;
  int pos = g.FIndicatorOffset > 0 ? g.ColWidths(0) + lw : 0;
  for (int c = g.FIndicatorOffset; c < g.FixedCols(); ++c) {
    if (g.ColWidths(c) <= 0) continue;
    const int edge = pos + g.ColWidths(c);
    const int start = edge - lead;
    if (edge > info.Horz.GridBoundary) {
      // The column runs past the cells shown: its edge is the client's.
      if (info.Horz.GridBoundary == g.ClientWidth() && x >= start && x <= g.ClientWidth()) {
        FSizingCol = c;
        FSizingLinePos = g.ClientWidth();
        FSizingOffset = FSizingLinePos - x;
        break;
      }
      return false;
    }
    if (x >= start && x < start + band) {
      FSizingCol = c;
      FSizingLinePos = edge;
      FSizingOffset = edge - x;
      break;
    }
    pos = edge + lw;
  }
  if (FSizingCol < 0) return false;
  g.FMouseMode = TCustomDBGridEh::TMouseModeEh::Sizing;
  g.SetMouseCapture(true);
  if (!g.FOptionsEh.Contains(dghTraceColSizing)) DrawSizingLine();
  return true;
}

void TDBGridTitleMouseEh::SetSizingPos(int x) {
  TCustomDBGridEh& g = FGrid;
  const int left = g.CellRect(FSizingCol, 0).Left;
  const int pos = std::max(left + 1, x + FSizingOffset);
  if (g.FOptionsEh.Contains(dghTraceColSizing)) {
    FSizingLinePos = pos;
    if (pos - left > 1 && pos - left != g.ColWidths(FSizingCol))
      g.SetColWidths(FSizingCol, pos - left);
    return;
  }
  if (pos == FSizingLinePos) return;
  if (FSizingLineShown) DrawSizingLine();  // drawn again, it goes
  FSizingLinePos = pos;
  DrawSizingLine();
}

void TDBGridTitleMouseEh::EndSizing(bool apply) {
  TCustomDBGridEh& g = FGrid;
  if (FSizingLineShown) DrawSizingLine();
  const int col = FSizingCol;
  FSizingCol = -1;
  g.FMouseMode = TCustomDBGridEh::TMouseModeEh::None;
  if (g.MouseCapture()) g.SetMouseCapture(false);
  if (!apply || col < 0) return;
  const int width = FSizingLinePos - g.CellRect(col, 0).Left;
  if (width > 1 && width != g.ColWidths(col)) g.SetColWidths(col, width);
}

void TDBGridTitleMouseEh::DrawSizingLine() {
  FSizingLineShown = !FSizingLineShown;
  if (!FGrid.HandleAllocated()) return;
  const int bottom = FGrid.DrawInfo().Vert.GridBoundary;
  TCanvas* canvas = GetDC(FGrid.Handle());
  {
    TCanvasStateSaver saver(*canvas);
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetMode(pmXor);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetColor(clWhite);
    canvas->MoveTo(FSizingLinePos, 0);
    canvas->LineTo(FSizingLinePos, bottom);
  }
  ReleaseDC(FGrid.Handle(), canvas);
}
