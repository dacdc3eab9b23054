#include "grid/inplace_edit.h"

#include <algorithm>
#include <cmath>

#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "platform/base/clock.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/services.h"
#include "platform/gui/window.h"

namespace {

bool IsDateType(TFieldType t) { return t == ftDate || t == ftDateTime || t == ftTimeStamp; }

bool IsNumericType(TFieldType t) {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftFloat || t == ftCurrency ||
         t == ftBCD || t == ftFMTBcd || t == ftLargeint || t == ftAutoInc;
}

// The first item of `items` that `text` begins (case-insensitive), or -1.
int PrefixMatch(TStrings* items, const std::string& text) {
  const int n = Length(text);
  for (int i = 0; i < items->Count(); ++i) {
    const std::string& item = items->Strings(i);
    if (Length(item) >= n && AnsiCompareText(Copy(item, 1, n), text) == 0) return i;
  }
  return -1;
}

}  // namespace

TDBGridEditStyleEh DBGridEditStyleOf(TColumnEh* column) {
  if (column == nullptr) return kEditStyleSimple;
  switch (column->ButtonStyle()) {
    case cbsEllipsis:
      return kEditStyleEllipsis;
    case cbsUpDown:
      return kEditStyleUpDown;
    case cbsDropDown:
      return kEditStyleDropDown;
    case cbsNone:
      return kEditStyleSimple;
    case cbsAuto:
      break;
  }
  TField* field = column->Field();
  if (field == nullptr) return kEditStyleSimple;
  TCustomDBGridEh* grid = column->Grid();
  if (field->Lookup()) {
    std::vector<TField*> keys = field->DataSet()->GetFieldList(field->KeyFields());
    bool canModify = !keys.empty();
    for (TField* k : keys) canModify = canModify && k->CanModify();
    const bool columnWritable =
        !column->AssignedValues().Contains(cvReadOnly) || !column->ReadOnly();
    const bool linkWritable =
        grid != nullptr && grid->DataLink()->Active() && !grid->DataLink()->ReadOnly();
    return canModify && columnWritable && linkWritable ? kEditStyleDataList : kEditStyleSimple;
  }
  if (column->HasPickList() && !column->ReadOnly()) return kEditStylePickList;
  if (IsDateType(field->DataType()) && !column->ReadOnly()) return kEditStyleDate;
  return kEditStyleSimple;
}

TRect DBGridEditRect(int width, int height, bool flat, int textHeight, int rightCut, int leftCut) {
  TRect r = flat ? Rect(2, 1, width - 2, height - 1) : Rect(2, 2, width - 2, height);
  if (textHeight > r.Height() && r.Bottom < height) ++r.Bottom;
  r.Right -= rightCut;
  r.Left += leftCut;
  return r;
}

int DBGridDropDownWidth(int dropDownWidth, int fitWidth, int editorWidth) {
  int w = dropDownWidth == -1 ? fitWidth : dropDownWidth <= 0 ? editorWidth : dropDownWidth;
  return std::max(w, editorWidth);
}

TDateTime DBGridCalendarStartDate(const std::string& text, TDateTime fieldValue, TDateTime today) {
  if (Trim(text).empty()) return DateOf(today);
  TDateTime d = 0;
  if (TryStrToDate(Trim(text), d)) return DateOf(d);
  if (fieldValue != 0) return DateOf(fieldValue);
  return DateOf(today);
}

// ------------------------------------------------------------ the editor

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* owner) : TInplaceEdit(owner) {}

TCustomDBGridEh* TDBGridInplaceEdit::DBGrid() const {
  return static_cast<TCustomDBGridEh*>(Grid());
}

TColumnEh* TDBGridInplaceEdit::Column() const {
  TCustomDBGridEh* grid = DBGrid();
  if (grid == nullptr) return nullptr;
  const int index = grid->SelectedIndex();
  return index >= 0 && index < grid->Columns()->Count() ? grid->Columns()->Items(index) : nullptr;
}

TEditButtonControlEh* TDBGridInplaceEdit::ButtonControl(int index) const {
  return FButtons.at(static_cast<std::size_t>(index)).Control;
}

void TDBGridInplaceEdit::Notification(TComponent* component, TOperation operation) {
  TInplaceEdit::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FPickList) FPickList = nullptr;
  if (component == FCalendar) FCalendar = nullptr;
  if (component == FCalculator) FCalculator = nullptr;
  if (component == FDataList) FDataList = nullptr;
  if (component == FMRUList) FMRUList = nullptr;
  if (component == FActiveList) {
    FActiveList = nullptr;
    FListVisible = false;
  }
  for (TButtonEntry& e : FButtons)
    if (component == e.Control) e.Control = nullptr;
}

void TDBGridInplaceEdit::UpdateEditStyle() {
  TColumnEh* column = Column();
  const TDBGridEditStyleEh style = DBGridEditStyleOf(column);
  if (FListVisible && style != FEditStyle) CloseUp(false);
  FEditStyle = style;
  FActiveList = nullptr;
  switch (style) {
    case kEditStylePickList:
      if (FPickList == nullptr) {
        FPickList = Create<TPopupListboxEh>(this);
        FPickList->SetOwnerControl(this);
        FPickList->OnCloseUp = [this](TObject*, bool accept) { ListClosed(accept); };
      }
      FPickList->SetImages(column->ImageList());
      FActiveList = FPickList;
      break;
    case kEditStyleDataList: {
      TPopupDataGridEh* list = column->DataList();
      if (list != FDataList) {
        if (FDataList != nullptr) RemoveFreeNotification(FDataList);
        FDataList = list;
        FDataList->FreeNotification(this);
      }
      FDataList->SetOwnerControl(this);
      FDataList->OnCloseUp = [this](TObject*, bool accept) { ListClosed(accept); };
      FDataList->OnKeyValueChanged = [this](TObject*) { SyncTextWithList(); };
      FActiveList = FDataList;
      break;
    }
    case kEditStyleDate:
      if (FCalendar == nullptr) {
        FCalendar = Create<TPopupMonthCalendarEh>(this);
        FCalendar->SetOwnerControl(this);
        FCalendar->OnCloseUp = [this](TObject*, bool accept) { ListClosed(accept); };
      }
      FActiveList = FCalendar;
      break;
    case kEditStyleDropDown: {
      TField* field = column != nullptr ? column->Field() : nullptr;
      if (field != nullptr && IsNumericType(field->DataType())) {
        if (FCalculator == nullptr) FCalculator = CreateCalculator();
        FActiveList = FCalculator;
      }
      break;
    }
    default:
      break;
  }
  if (column != nullptr) SetReadOnly(column->ReadOnly());
}

TPopupCalculatorEh* TDBGridInplaceEdit::CreateCalculator() {
  TPopupCalculatorEh* c = Create<TPopupCalculatorEh>(this);
  c->SetOwnerControl(this);
  c->OnCloseUp = [this](TObject*, bool accept) { ListClosed(accept); };
  return c;
}

TEditButtonControlEh* TDBGridInplaceEdit::CreateEditButtonControl() {
  TEditButtonControlEh* c = Create<TEditButtonControlEh>(this);
  c->SetParent(this);
  return c;
}

int TDBGridInplaceEdit::EditButtonWidth() const {
  TCustomDBGridEh* grid = DBGrid();
  return grid != nullptr && grid->Flat() ? DefaultFlatButtonWidth() + 1
                                         : GetSystemMetrics(SM_CXVSCROLL);
}

void TDBGridInplaceEdit::UpdateButtons() {
  TColumnEh* column = Column();
  const int extra = column != nullptr ? column->EditButtons()->Count() : 0;
  const std::size_t wanted = 1 + static_cast<std::size_t>(extra);
  while (FButtons.size() < wanted) {
    const int index = static_cast<int>(FButtons.size());
    TButtonEntry e;
    e.Control = CreateEditButtonControl();
    e.Control->OnDown = [this, index](TObject*, bool top, bool& autoRepeat, bool&) {
      if (index == 0 && FEditStyle == kEditStyleUpDown) {
        EditButtonClick(top);
        autoRepeat = true;
      }
    };
    e.Control->OnClick = [this, index](TObject*) { ColumnButtonClick(index); };
    FButtons.push_back(e);
  }
  int right = Width();
  FButtonWidth = 0;
  for (std::size_t i = 0; i < FButtons.size(); ++i) {
    TButtonEntry& e = FButtons[i];
    if (e.Control == nullptr) continue;
    bool shown = false;
    TEditButtonStyleEh look = ebsDropDownEh;
    int w = EditButtonWidth();
    if (i == 0) {
      shown = FEditStyle != kEditStyleSimple;
      look = FEditStyle == kEditStyleEllipsis ? ebsEllipsisEh
             : FEditStyle == kEditStyleUpDown ? ebsUpDownEh
                                              : ebsDropDownEh;
      e.Button = nullptr;
    } else if (i < wanted) {
      e.Button = column->EditButtons()->Items(static_cast<int>(i) - 1);
      shown = e.Button->Visible();
      look = e.Button->Style();
      if (e.Button->Width() > 0) w = e.Button->Width();
    }
    e.Control->SetVisible(shown);
    if (!shown) continue;
    e.Control->SetStyle(look);
    e.Control->SetFlat(DBGrid() != nullptr && DBGrid()->Flat());
    e.Control->SetBounds(right - w, 0, w, Height());
    right -= w;
    FButtonWidth += w;
  }
}

void TDBGridInplaceEdit::ColumnButtonClick(int index) {
  if (index == 0) {
    if (FEditStyle == kEditStyleUpDown) return;  // stepped on the press
    if (FEditStyle == kEditStyleEllipsis) {
      TColumnEh* column = Column();
      bool handled = false;
      if (column != nullptr && column->OnEditButtonClick)
        column->OnEditButtonClick(column, handled);
      if (!handled && DBGrid() != nullptr) DBGrid()->EditButtonClick();
      return;
    }
    if (FListVisible)
      CloseUp(false);
    else
      DropDown();
    return;
  }
  const TButtonEntry& e = FButtons.at(static_cast<std::size_t>(index));
  bool handled = false;
  if (e.Button != nullptr && e.Button->OnClick) e.Button->OnClick(e.Button, handled);
}

void TDBGridInplaceEdit::EditButtonClick(bool up) {
  TCustomDBGridEh* grid = DBGrid();
  TColumnEh* column = Column();
  if (grid == nullptr || column == nullptr) return;
  if (FEditStyle != kEditStyleUpDown) {
    DropDown();
    return;
  }
  // A pending text goes into the cell first, so that the step starts
  // from what the user sees.
  if (Text() != grid->FieldEditText(column)) grid->UpdateData();
  const TColumnEhType kind = column->GetCellKind();
  const bool list = kind == ctPickList || kind == ctKeyPickList || kind == ctKeyImageList ||
                    kind == ctLookupField;
  TField* field = column->Field();
  if (list || field == nullptr || !IsNumericType(field->DataType())) {
    // The list order counts downwards.
    column->SetNextValue(list ? (up ? -1 : 1) : (up ? 1 : -1));
  } else if (column->CanModify(true)) {
    const double base = field->IsNull() ? 0.0 : field->AsFloat();
    const double v = base + (up ? column->Increment() : -column->Increment());
    if (field->DataType() == ftFloat || field->DataType() == ftCurrency ||
        field->DataType() == ftBCD || field->DataType() == ftFMTBcd)
      column->UpdateDataValues({}, Variant(v), false);
    else
      column->UpdateDataValues({}, Variant(static_cast<int>(std::lround(v))), false);
  }
  grid->FEditText = grid->FieldEditText(column);
  SetTextSelected(grid->FEditText);
}

void TDBGridInplaceEdit::UpdateContents() {
  TCustomDBGridEh* grid = DBGrid();
  TColumnEh* column = Column();
  if (FListVisible) CloseUp(false);
  UpdateEditStyle();
  if (column != nullptr) {
    SetFont(column->Font());
    SetColor(column->Color());
    SetAlignment(column->Alignment());
    // Wrapped as the cell shows it: only rows of several lines wrap.
    FWordWrapMode = column->WordWrap() && grid != nullptr && grid->MultiLineRows();
    SetMultiLine(FWordWrapMode);
    SetWordWrapInternal(FWordWrapMode);
  }
  TInplaceEdit::UpdateContents();
  if (grid != nullptr && column != nullptr && !column->CanModify(false)) SetReadOnly(true);
  UpdateButtons();
  BoundsChanged();
}

void TDBGridInplaceEdit::BoundsChanged() {
  TCustomDBGridEh* grid = DBGrid();
  UpdateButtons();
  TColumnEh* column = Column();
  int rightCut = FButtonWidth;
  if (column != nullptr && column->ShowImageAndText() && column->ImageList() != nullptr)
    rightCut += column->ImageList()->Width() + 5;
  // The tree area of the first visible column stays uncovered.
  int leftCut = 0;
  if (grid != nullptr && column != nullptr && grid->TreeDisplay() &&
      !grid->VisibleColumns().empty() && grid->VisibleColumns().front() == column)
    leftCut = grid->TreeIndentWidth() + 1;
  TCanvas& m = MeasureCanvas();
  m.SetFont(Font());
  SetEditRect(DBGridEditRect(Width(), Height(), grid != nullptr && grid->Flat(), m.TextHeight("Wg"),
                             rightCut, leftCut));
}

void TDBGridInplaceEdit::SetTextSelected(const std::string& text) {
  if (Text() != text) SetText(text);
  SelectAll();
}

// ------------------------------------------------------------ drop-downs

void TDBGridInplaceEdit::DropDown() {
  TCustomDBGridEh* grid = DBGrid();
  TColumnEh* column = Column();
  if (FListVisible || FActiveList == nullptr || column == nullptr || grid == nullptr) return;
  if (ReadOnly() && FActiveList != FPickList && FActiveList != FCalendar) return;
  TRect bounds;
  if (FActiveList == FDataList) {
    if (column->GetLookupDataSet() == nullptr) return;
    DropDownDataList(column);
  } else if (FActiveList == FPickList) {
    TStrings* items = column->PickList();
    FPickList->SetColor(Color());
    FPickList->SetFont(Font());
    TCanvas& m = MeasureCanvas();
    m.SetFont(Font());
    const int rowHeight = m.TextHeight("Wg");
    FPickList->SetItemHeight(rowHeight);
    FPickList->Items()->Assign(*items);
    int widest = 0;
    for (int i = 0; i < items->Count(); ++i)
      widest = std::max(widest, m.TextWidth(items->Strings(i)));
    const int rows = std::max(1, std::min(column->DropDownRows(), items->Count()));
    const bool scroll = items->Count() > rows;
    const int width = DBGridDropDownWidth(
        -1,
        widest + 6 + FPickList->NonClientHeight() + (scroll ? GetSystemMetrics(SM_CXVSCROLL) : 0),
        Width());
    FPickList->SetBounds(0, 0, width, rows * rowHeight + FPickList->NonClientHeight());
    const int index = items->IndexOf(Text());
    FPickList->SetItemIndex(index);
    if (index >= 0) FPickList->SetTopIndex(std::max(0, index - rows + 1));
  } else if (FActiveList == FCalendar) {
    TField* field = column->Field();
    const TDateTime value = field != nullptr && !field->IsNull() ? field->AsDateTime() : 0;
    FCalendar->SetDate(DBGridCalendarStartDate(Text(), value, Date()));
    const TSize size = FCalendar->PopupSize();
    FCalendar->SetBounds(0, 0, size.cx, size.cy);
  } else if (FActiveList == FCalculator) {
    double v = 0;
    if (TryStrToFloat(Trim(Text()), v)) FCalculator->SetValue(v);
    const TSize size = FCalculator->PopupSize();
    FCalculator->SetBounds(0, 0, size.cx, size.cy);
  }
  bounds = AlignDropDownWindowEh(*this, *FActiveList, daLeft).Bounds;
  FListVisible = true;
  FTextBeforeDropDown = Text();
  if (!FButtons.empty() && FButtons[0].Control != nullptr) FButtons[0].Control->SetAlwaysDown(true);
  if (FActiveList == FDataList)
    FDataList->ShowAt(bounds);
  else if (FActiveList == FPickList)
    FPickList->ShowAt(bounds);
  else if (FActiveList == FCalendar)
    FCalendar->ShowAt(bounds);
  else if (FActiveList == FCalculator)
    FCalculator->ShowAt(bounds);
}

void TDBGridInplaceEdit::CloseUp(bool accept) {
  if (!FListVisible) return;
  // The popup hides and reports back through ListClosed.
  if (FActiveList == FDataList && FDataList->Visible())
    FDataList->CloseUp(accept);
  else if (FActiveList == FPickList && FPickList->Visible())
    FPickList->CloseUp(accept);
  else if (FActiveList == FCalendar && FCalendar->Visible())
    FCalendar->CloseUp(accept);
  else if (FActiveList == FCalculator && FCalculator->Visible())
    FCalculator->CloseUp(accept);
  else
    ListClosed(accept);
}

void TDBGridInplaceEdit::ListClosed(bool accept) {
  if (FClosing || !FListVisible) return;
  TFlagGuard closing(FClosing);
  FListVisible = false;
  if (!FButtons.empty() && FButtons[0].Control != nullptr)
    FButtons[0].Control->SetAlwaysDown(false);
  TCustomDBGridEh* grid = DBGrid();
  TColumnEh* column = Column();
  if (grid == nullptr || column == nullptr) return;
  if (FActiveList == FPickList && FPickList->Sizable())
    column->SetDropDownRows(std::max(1, FPickList->RowCount()));
  if (FActiveList == FDataList && FDataList->Sized()) {
    column->SetDropDownRows(FDataList->RowCount());
    column->SetDropDownWidth(FDataList->Width());
  }
  bool accepted = false;
  if (accept && !ReadOnly()) {
    if (FActiveList == FPickList && FPickList->ItemIndex() >= 0) {
      const int i = FPickList->ItemIndex();
      if (column->CanModify(true)) {
        SetText(FPickList->Items()->Strings(i));
        grid->UpdateText();
        if (column->GetCellKind() == ctKeyPickList && i < column->KeyList()->Count())
          grid->FEditKeyValue = Variant(column->KeyList()->Strings(i));
        accepted = true;
      }
    } else if (FActiveList == FDataList) {
      TField* field = column->Field();
      bool keysWritable = field != nullptr && field->Lookup() && !field->KeyFields().empty();
      if (keysWritable)
        for (TField* k : field->DataSet()->GetFieldList(field->KeyFields()))
          keysWritable = keysWritable && k->CanModify();
      if (keysWritable && !FDataList->SpecRowSelected() && VarIsNull(FDataList->KeyValue()))
        keysWritable = false;
      if (keysWritable && column->CanModify(true)) {
        grid->FEditKeyValue = FDataList->KeyValue();
        column->UpdateDataValues(FDataList->Text(), FDataList->KeyValue(), false);
        grid->FEditText = FDataList->Text();
        SetText(grid->FEditText);
        accepted = true;
      }
    } else if (FActiveList == FCalendar) {
      if (column->CanModify(true)) {
        const TDateTime d = DateOf(FCalendar->Date());
        column->UpdateDataValues(DateToStr(d), Variant::FromDateTime(d), false);
        grid->FEditText = grid->FieldEditText(column);
        SetText(grid->FEditText);
        accepted = true;
      }
    } else if (FActiveList == FCalculator) {
      if (column->CanModify(true)) {
        SetText(FloatToStr(FCalculator->Value()));
        grid->UpdateText();
        accepted = true;
      }
    }
  }
  if (!accepted) {
    // Browsing the list may have changed the text already.
    SetText(FTextBeforeDropDown);
    if (grid->FEditText != FTextBeforeDropDown) grid->UpdateText();
  }
  SelectAll();
  if (CanFocus() && grid->HandleAllocated() && !Focused() && Visible()) SetFocus();
}

void TDBGridInplaceEdit::SyncTextWithList() {
  if (FActiveList == FDataList && FDataList != nullptr && FListVisible && !ReadOnly()) {
    if (FDataList->Text() != Text()) SetTextSelected(FDataList->Text());
    return;
  }
  if (FActiveList == FPickList && FPickList->ItemIndex() >= 0 && !ReadOnly() &&
      DBGrid()->CanEditModify()) {
    const std::string& item = FPickList->Items()->Strings(FPickList->ItemIndex());
    if (item != Text()) SetTextSelected(item);
  }
}

// ------------------------------------------------------------ keys

bool TDBGridInplaceEdit::ListKey(unsigned& key, TShiftState shift) {
  const bool alt = shift.Contains(ssAlt);
  const bool ctrl = shift.Contains(ssCtrl);
  if (alt && (key == VK_UP || key == VK_DOWN)) {
    if (FListVisible)
      CloseUp(true);
    else
      DropDown();
    key = 0;
    return true;
  }
  if (FListVisible && FActiveList == FCalculator) {
    if (key == VK_RETURN || key == VK_ESCAPE) {
      FCalculator->ProcessKey(key == VK_RETURN ? U'\r' : 27);
      FSwallowChar = key == VK_RETURN ? U'\r' : 27;
      key = 0;
      return true;
    }
    return false;
  }
  if (FListVisible && !alt && (key == VK_RETURN || key == VK_ESCAPE)) {
    FSwallowChar = key == VK_RETURN ? U'\r' : 27;
    CloseUp(key == VK_RETURN);
    key = 0;
    return true;
  }
  if (!FListVisible && ctrl && key == VK_RETURN) {
    DropDown();
    FSwallowChar = U'\n';
    key = 0;
    return true;
  }
  if (FListVisible && !shift.Contains(ssShift)) {
    const bool nav = key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN ||
                     (ctrl && (key == VK_HOME || key == VK_END)) ||
                     (FActiveList == FCalendar && (key == VK_LEFT || key == VK_RIGHT));
    if (nav) {
      FActiveList->Perform(WM_KEYDOWN, key);
      SyncTextWithList();
      key = 0;
      return true;
    }
  }
  return false;
}

void TDBGridInplaceEdit::KeyDown(unsigned& key, TShiftState shift) {
  if (ListKey(key, shift)) return;
  if (MRUKey(key, shift)) return;
  TCustomDBGridEh* grid = DBGrid();
  TColumnEh* column = Column();
  if (grid != nullptr && column != nullptr) {
    TSpecRowEh* spec = column->DropDownSpecRow();
    if (FEditStyle == kEditStyleDataList && spec->Visible() && !ReadOnly() &&
        ShortCut(key, shift) == spec->ShortCut()) {
      // The special row's value, chosen from the keyboard.
      if (column->CanModify(true)) {
        grid->FEditKeyValue = spec->Value();
        column->UpdateDataValues(spec->CellText(0), spec->Value(), false);
        grid->FEditText = grid->FieldEditText(column);
        SetTextSelected(grid->FEditText);
      }
      key = 0;
      return;
    }
    const TColumnEhType kind = column->GetCellKind();
    if ((kind == ctLookupField || kind == ctKeyPickList) && (key == VK_DELETE || key == VK_BACK) &&
        !shift.Contains(ssCtrl)) {
      const bool atEnd = SelStart() == Length(Text()) && SelLength() == 0;
      if (key == VK_DELETE && atEnd && column->CanModify(true)) {
        grid->FEditKeyValue = Variant::Null();
        SetText({});
        key = 0;
        return;
      }
      if (!column->OnNotInList) {
        if (key == VK_BACK && SelStart() > 0) {
          SetSelLength(0);
          SetSelStart(SelStart() - 1);
          SetSelLength(Length(Text()) - SelStart());
        }
        key = 0;
        return;
      }
    }
    if (FWordWrapMode && (key == VK_UP || key == VK_DOWN) &&
        grid->Options().Contains(dgAlwaysShowEditor)) {
      // Inside a wrapped text the arrows move between its lines (the
      // multi-line editing does that); from its ends they go to the grid.
      const int caret = CaretPos();
      const int line = LineOfChar(caret);
      const bool firstLine = line == 0;
      const bool lastLine = line >= LineCount() - 1;
      const bool atEnd = caret == Length(Text());
      if (!((key == VK_UP && firstLine) || (key == VK_DOWN && lastLine) || atEnd)) return;
    }
    if (key == VK_RETURN && grid->OptionsEh().Contains(dghEnterAsTab)) {
      unsigned tab = VK_TAB;
      grid->KeyDown(tab, shift);
      FSwallowChar = U'\r';
      key = 0;
      return;
    }
    // The search shortcut belongs to the grid: incremental search or the
    // find dialog.
    if (key == 'F' && shift == TShiftState{ssCtrl} &&
        (grid->OptionsEh().Contains(dghIncSearch) || grid->OptionsEh().Contains(dghDialogFind))) {
      grid->KeyDown(key, shift);
      key = 0;
      return;
    }
    if (key == 0xDE /* the quote key */ && shift.Contains(ssCtrl)) {
      grid->KeyDown(key, shift);
      key = 0;
      return;
    }
  }
  TInplaceEdit::KeyDown(key, shift);
}

void TDBGridInplaceEdit::KeyPress(char32_t& key) {
  if (FSwallowChar != 0 && key == FSwallowChar) {
    FSwallowChar = 0;
    key = 0;
    return;
  }
  FSwallowChar = 0;
  if (FListVisible && FActiveList == FCalculator) {
    if (key >= 32) FCalculator->ProcessKey(key);
    key = 0;
    return;
  }
  TColumnEh* column = Column();
  if (key >= 32 && !FListVisible && column != nullptr && column->AutoDropDown() &&
      FActiveList != nullptr && !ReadOnly())
    DropDown();
  if (key >= 32 && column != nullptr && !ReadOnly()) {
    const TColumnEhType kind = column->GetCellKind();
    if (kind == ctPickList || kind == ctKeyPickList || kind == ctLookupField) {
      if (!DBGrid()->CanEditModify()) {
        key = 0;
        return;
      }
      if (!TextChangedByKey(key)) MessageBeep();
      key = 0;
      return;
    }
  }
  TInplaceEdit::KeyPress(key);
}

bool TDBGridInplaceEdit::TextChangedByKey(char32_t key) {
  TCustomDBGridEh* grid = DBGrid();
  TColumnEh* column = Column();
  // The text the character would make: it replaces the selection.
  const std::string t = Text();
  const int start = SelStart();
  const std::string typed = Copy(t, 1, start) + Utf32ToUtf8(std::u32string(1, key)) +
                            Copy(t, start + SelLength() + 1, Length(t));
  const std::string prefix = Copy(t, 1, start) + Utf32ToUtf8(std::u32string(1, key));
  std::string found;
  bool match = false;
  if (column->GetCellKind() == ctLookupField) {
    TField* field = column->Field();
    TDataSet* lookup = column->GetLookupDataSet();
    if (lookup != nullptr && lookup->Active() &&
        lookup->Locate(field->LookupResultField(), Variant(prefix),
                       {loCaseInsensitive, loPartialKey})) {
      found = lookup->FieldByName(field->LookupResultField())->AsString();
      grid->FEditKeyValue = lookup->FieldValues(field->LookupKeyFields());
      match = true;
      // An open list follows the completion.
      if (FListVisible && FActiveList == FDataList) FDataList->SetKeyValue(grid->FEditKeyValue);
    }
  } else {
    const int i = PrefixMatch(column->PickList(), prefix);
    if (i >= 0) {
      found = column->PickList()->Strings(i);
      match = true;
    }
  }
  if (match) {
    SetText(found);
    SetSelStart(Length(prefix));
    SetSelLength(Length(found) - Length(prefix));
    return true;
  }
  if (!column->OnNotInList) return false;
  grid->FEditKeyValue = Variant::Null();
  SetText(typed);
  SetSelStart(Length(prefix));
  SetSelLength(0);
  return true;
}

void TDBGridInplaceEdit::DblClick() {
  TInplaceEdit::DblClick();
  TColumnEh* column = Column();
  if (column == nullptr || !column->DblClickNextVal() || ReadOnly()) return;
  TCustomDBGridEh* grid = DBGrid();
  column->SetNextValue(GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
  grid->FEditText = grid->FieldEditText(column);
  SetTextSelected(grid->FEditText);
}

void TDBGridInplaceEdit::DoExit() {
  if (FListVisible) CloseUp(false);
  if (MRUListVisible()) CloseMRUList(false);
  TInplaceEdit::DoExit();
}

void TDBGridInplaceEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_CANCELMODE:
    case WM_KILLFOCUS:
      if (FListVisible) CloseUp(false);
      if (MRUListVisible()) CloseMRUList(false);
      break;
    case WM_LBUTTONDOWN:
      // The node button of a tree row lies under the editor.
      if (TCustomDBGridEh* grid = DBGrid())
        grid->FTreeArea->EditorClick(Column(), TWMMouse{message}.XPos());
      break;
    case WM_PASTE:
      if (TColumnEh* column = Column()) {
        const TColumnEhType kind = column->GetCellKind();
        if (kind == ctPickList || kind == ctKeyPickList || kind == ctLookupField) {
          // Pasted text completes like typed text, a character at a time.
          for (char32_t c : Utf8ToUtf32(Clipboard().AsText()))
            if (c >= 32 && !TextChangedByKey(c)) break;
          return;
        }
      }
      break;
    default:
      break;
  }
  TInplaceEdit::WndProc(message);
}

void TDBGridInplaceEdit::Paint() {
  TInplaceEdit::Paint();
  if (TCustomDBGridEh* grid = DBGrid())
    grid->FTreeArea->PaintUnderEditor(*Canvas(), Column(), ClientHeight());
  if (RequiredMarkShown()) DrawRequiredMark(*Canvas());
}

bool TDBGridInplaceEdit::RequiredMarkShown() {
  TColumnEh* column = Column();
  TCustomDBGridEh* grid = DBGrid();
  if (column == nullptr || grid == nullptr || !column->HighlightRequired()) return false;
  TField* field = column->Field();
  TDataSet* ds = grid->DataLink()->DataSet();
  if (field == nullptr || ds == nullptr) return false;
  bool draw = (ds->State() == dsEdit || ds->State() == dsInsert) && field->Required() &&
              Trim(Text()).empty();
  if (column->OnCheckDrawRequiredState) column->OnCheckDrawRequiredState(column, Text(), draw);
  return draw;
}

void TDBGridInplaceEdit::DrawRequiredMark(TCanvas& canvas) {
  // A dotted red line along the bottom, a dot every other pixel.
  const TRect r = EditRect();
  const int y = ClientHeight() - 1;
  for (int x = r.Left + 2; x < r.Right - 3; x += 2)
    canvas.FillSolidRect(Rect(x, y, x + 1, y + 1), clRed);
}

// ------------------------------------------------------------ data list

void TDBGridInplaceEdit::DropDownDataList(TColumnEh* column) {
  TCustomDBGridEh* grid = DBGrid();
  TField* field = column->Field();
  TDataSet* lookup = column->GetLookupDataSet();
  TDataSource* source = column->DropDownBox()->ListSource();
  if (source == nullptr) {
    if (!FListSource) FListSource = CreateUnique<TDataSource>();
    FListSource->SetDataSet(lookup);
    source = FListSource.get();
  }
  TPopupDataGridEh* list = FDataList;
  list->SetFont(Font());
  list->SetColor(Color());
  list->BeginLayout();
  list->SetListSource(source);
  list->SetKeyField(field->LookupKeyFields());
  const std::string display = column->LookupDisplayFields();
  list->SetListFieldNames(display);
  // The lookup's result field gives the text, wherever it is listed.
  int index = 0;
  {
    int i = 0;
    std::size_t start = 0;
    while (start <= display.size()) {
      const std::size_t end = std::min(display.find(';', start), display.size());
      if (AnsiCompareText(Trim(display.substr(start, end - start)), field->LookupResultField()) ==
          0) {
        index = i;
        break;
      }
      ++i;
      start = end + 1;
    }
  }
  list->SetListFieldIndex(index);
  list->SpecRow()->Assign(column->DropDownSpecRow());
  list->SetShowTitles(column->DropDownShowTitles());
  list->SizeGrip()->SetVisible(column->DropDownSizing());
  list->SetAutoFitColWidths(false);
  // The list is shared by the editor's columns: each brings its own events.
  list->OnCheckButton = column->OnDropDownBoxCheckButton;
  list->OnDrawColumnCell = column->OnDropDownBoxDrawColumnCell;
  list->OnGetCellParams = column->OnDropDownBoxGetCellParams;
  list->OnSortMarkingChanged = column->OnDropDownBoxSortMarkingChanged;
  list->OnTitleBtnClick = column->OnDropDownBoxTitleBtnClick;
  list->EndLayout();
  const int records = lookup->Active() ? lookup->RecordCount() : 0;
  const int rows =
      std::max(1, records > 0 ? std::min(column->DropDownRows(), records) : column->DropDownRows());
  // The window's frame counts in its height: it is made before sizing.
  if (!list->HandleAllocated() && HandleAllocated()) {
    list->SetParentWindow(GetTopLevel(Handle()));
    list->HandleNeeded();
  }
  const bool scrolls = records > rows;
  const int fit = list->FittedListWidth() + list->GetBorderSize() +
                  (scrolls ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  const int width = DBGridDropDownWidth(column->DropDownWidth(), fit, Width());
  // Fitting drops the horizontal bar before the height is worked out.
  const bool fitColumns = column->DropDownBox()->AutoFitColWidths();
  list->SetAutoFitColWidths(fitColumns);
  list->SetBounds(0, 0, width, 100);
  list->SetRowCount(rows);
  if (fitColumns) list->UpdateColumnsWidth();
  list->SetSized(false);
  // A key chosen by typing wins over the record's.
  const bool typed = Text() != grid->FEditText && !VarIsNull(grid->FEditKeyValue);
  const Variant key =
      typed ? grid->FEditKeyValue : field->DataSet()->FieldValues(field->KeyFields());
  list->SetKeyValue(key);
  list->KeyValueChanged();
}

// ------------------------------------------------------------ MRU list

TMRUListboxEh* TDBGridInplaceEdit::CreateMRUListBox() {
  TMRUListboxEh* list = Create<TMRUListboxEh>(this);
  list->SetOwnerControl(this);
  list->SetCtl3D(false);
  list->OnCloseUp = [this](TObject*, bool accept) { MRUListClosed(accept); };
  return list;
}

void TDBGridInplaceEdit::Change() {
  TInplaceEdit::Change();
  TextChangedByUser();
}

void TDBGridInplaceEdit::TextChangedByUser() {
  if (FInMRUUpdate) return;
  if (MRUListVisible() && FMRUFilterText == Text()) return;
  TColumnEh* column = Column();
  if (column == nullptr || !column->MRUList()->Active() || FListVisible || !Focused()) return;
  UpdateMRUList();
}

void TDBGridInplaceEdit::UpdateMRUList() {
  TColumnEh* column = Column();
  if (column == nullptr) return;
  if (FMRUList == nullptr) FMRUList = CreateMRUListBox();
  TStringList items;
  if (!column->MRUList()->Filter(Text(), items)) return;  // a key is waiting
  if (items.Count() == 0) {
    CloseMRUList(false);
    return;
  }
  FMRUFilterText = Text();
  TCanvas& m = MeasureCanvas();
  m.SetFont(Font());
  const int rowHeight = m.TextHeight("Wg");
  FMRUList->SetFont(Font());
  FMRUList->SetItemHeight(rowHeight);
  FMRUList->Items()->Assign(items);
  FMRUList->SetItemIndex(-1);
  const int rows = std::max(1, std::min(column->MRUList()->Rows(), items.Count()));
  const int width = std::max(Width(), column->MRUList()->Width());
  FMRUList->SetBounds(0, 0, width, rows * rowHeight + FMRUList->NonClientHeight() + 2);
  const TRect bounds = AlignDropDownWindowEh(*this, *FMRUList, daLeft).Bounds;
  if (FMRUList->Visible()) {
    FMRUList->SetBoundsRect(bounds);
    FMRUList->UpdateScrollBar();
  } else {
    FMRUList->ShowAt(bounds);
    column->MRUList()->DropDown(true);
  }
}

bool TDBGridInplaceEdit::MRUKey(unsigned& key, TShiftState shift) {
  if (!MRUListVisible()) return false;
  const bool ctrl = shift.Contains(ssCtrl);
  if (key == VK_RETURN || key == VK_ESCAPE) {
    FSwallowChar = key == VK_RETURN ? U'\r' : 27;
    CloseMRUList(key == VK_RETURN);
    key = 0;
    return true;
  }
  if (shift.Contains(ssShift)) return false;
  if (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT ||
      (ctrl && (key == VK_HOME || key == VK_END))) {
    FMRUList->Perform(WM_KEYDOWN, key);
    FMRUList->UpdateScrollBar();
    key = 0;
    return true;
  }
  return false;
}

void TDBGridInplaceEdit::CloseMRUList(bool accept) {
  if (MRUListVisible()) FMRUList->CloseUp(accept);
}

void TDBGridInplaceEdit::MRUListClosed(bool accept) {
  TColumnEh* column = Column();
  if (column != nullptr) column->MRUList()->DropDown(false);
  if (!accept || FMRUList == nullptr || FMRUList->ItemIndex() < 0 || ReadOnly()) return;
  TCustomDBGridEh* grid = DBGrid();
  if (grid == nullptr || !grid->CanEditModify()) return;
  TFlagGuard inMRUUpdate(FInMRUUpdate);
  SetText(FMRUList->Items()->Strings(FMRUList->ItemIndex()));
  grid->UpdateText();
  SelectAll();
}
