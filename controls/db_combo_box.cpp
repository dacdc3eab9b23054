#include "controls/db_combo_box.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/cursors.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"
#include "platform/gui/window.h"

// ------------------------------------------------------------ TDropDownBoxEh

void TDropDownBoxEh::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TDropDownBoxEh*>(source);
  if (src == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  FAlign = src->FAlign;
  FAutoDrop = src->FAutoDrop;
  FRows = src->FRows;
  FSizable = src->FSizable;
  FWidth = src->FWidth;
}

// ------------------------------------------------------------ TItemsSearchIndexEh

void TItemsSearchIndexEh::Build(const TStrings& items) {
  int n = items.Count();
  std::vector<std::pair<std::string, int>> entries;
  entries.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) entries.emplace_back(AnsiUpperCase(items.Get(i)), i);
  std::sort(entries.begin(), entries.end());
  FFolded.clear();
  FIndex.clear();
  for (auto& e : entries) {
    FFolded.push_back(std::move(e.first));
    FIndex.push_back(e.second);
  }
  FMin.assign(1, FIndex);
  for (std::size_t width = 2; width <= FIndex.size(); width *= 2) {
    const std::vector<int>& prev = FMin.back();
    std::vector<int> next(FIndex.size() - width + 1);
    for (std::size_t i = 0; i < next.size(); ++i) next[i] = std::min(prev[i], prev[i + width / 2]);
    FMin.push_back(std::move(next));
  }
  FValid = true;
}

int TItemsSearchIndexEh::MinIndex(std::size_t from, std::size_t to) const {
  std::size_t k = 0;
  while ((std::size_t{2} << k) <= to - from) ++k;
  return std::min(FMin[k][from], FMin[k][to - (std::size_t{1} << k)]);
}

int TItemsSearchIndexEh::FirstEqual(const TStrings& items, const std::string& text, int limit) {
  if (!FValid) Build(items);
  std::string key = AnsiUpperCase(text);
  auto range = std::equal_range(FFolded.begin(), FFolded.end(), key);
  if (range.first == range.second) return -1;
  int i = MinIndex(static_cast<std::size_t>(range.first - FFolded.begin()),
                   static_cast<std::size_t>(range.second - FFolded.begin()));
  return i < limit ? i : -1;
}

int TItemsSearchIndexEh::FirstWithPrefix(const TStrings& items, const std::string& prefix,
                                         int limit) {
  if (!FValid) Build(items);
  std::string key = AnsiUpperCase(prefix);
  auto first = std::lower_bound(FFolded.begin(), FFolded.end(), key);
  auto last = std::partition_point(first, FFolded.end(), [&](const std::string& s) {
    return s.compare(0, key.size(), key) == 0;
  });
  if (first == last) return -1;
  int i = MinIndex(static_cast<std::size_t>(first - FFolded.begin()),
                   static_cast<std::size_t>(last - FFolded.begin()));
  return i < limit ? i : -1;
}

// ------------------------------------------------------------ construction

TCustomDBComboBoxEh::TCustomDBComboBoxEh(TComponent* owner)
    : TCustomDBEditEh(owner),
      FDropDownBox(std::make_unique<TDropDownBoxEh>()),
      FItems(std::make_unique<TStringList>()),
      FKeyItems(std::make_unique<TStringList>()) {
  FItems->OnChange = [this](TStrings*) {
    FItemsIndex.Invalidate();
    ItemsChanged();
  };
  FKeyItems->OnChange = [this](TStrings*) {
    FKeyItemsIndex.Invalidate();
    ItemsChanged();
    if (DataLink() != nullptr) DataLink()->Reset();
  };
}

TCustomDBComboBoxEh::~TCustomDBComboBoxEh() = default;

TObjectPtr<TEditButtonEh> TCustomDBComboBoxEh::CreateEditButton() {
  return CreateUnique<TVisibleEditButtonEh>(static_cast<TCollection*>(nullptr));
}

void TCustomDBComboBoxEh::Notification(TComponent* component, TOperation operation) {
  TCustomDBEditEh::Notification(component, operation);
  if (operation == opRemove && component == FPopupList) {
    FPopupList = nullptr;
    FListVisible = false;
  }
}

void TCustomDBComboBoxEh::SetItems(const TStrings* value) {
  if (value == nullptr) {
    FItems->Clear();
  } else {
    FItems->Assign(*value);
  }
}

void TCustomDBComboBoxEh::SetKeyItems(const TStrings* value) {
  if (value == nullptr) {
    FKeyItems->Clear();
  } else {
    FKeyItems->Assign(*value);
  }
}

int TCustomDBComboBoxEh::UsableCount() const {
  return FKeyBased ? std::min(FItems->Count(), FKeyItems->Count()) : FItems->Count();
}

void TCustomDBComboBoxEh::ItemsChanged() {
  FKeyBased = FKeyItems->Count() > 0;
  // In key mode the text takes no mouse input.
  TControl::SetCursor(FKeyBased ? crArrow : crIBeam);
  if (DataLink() == nullptr) return;
  if (FKeyBased) TCustomDBEditEh::InternalSetText("");
  UpdateEditReadOnly();
  RefindItemIndex();
  ClearFieldMaxLength();
}

void TCustomDBComboBoxEh::RefindItemIndex() {
  int i = FItemsIndex.FirstEqual(*FItems, EditText(), UsableCount());
  FItemIndex = i;
  if (FListVisible && FPopupList != nullptr) FPopupList->SetItemIndex(i);
}

TPopupListboxEh* TCustomDBComboBoxEh::PopupList() {
  if (FPopupList == nullptr) {
    FPopupList = Create<TPopupListboxEh>(this);
    FPopupList->SetOwnerControl(this);
    FPopupList->OnCloseUp = [this](TObject*, bool accept) { ListClosed(accept); };
    FPopupList->OnGetImageIndex = [this](TObject*, int item, int& image) {
      image = item;
      if (OnGetItemImageIndex) OnGetItemImageIndex(this, item, image);
    };
    FPopupList->SizeGrip()->OnParentResized = [this](TObject*) {
      FDropDownBox->SetRows(FPopupList->RowCount());
      FDropDownBox->SetWidth(FPopupList->Width());
    };
  }
  return FPopupList;
}

// ------------------------------------------------------------ values

Variant TCustomDBComboBoxEh::GetValue() const {
  return FKeyBased ? FVarValue : TCustomDBEditEh::GetValue();
}

TAlignment TCustomDBComboBoxEh::GetFieldAlignment() const {
  return FKeyBased ? taLeftJustify : TCustomDBEditEh::GetFieldAlignment();
}

bool TCustomDBComboBoxEh::IsValidChar(char32_t ch) {
  return FKeyBased || TCustomDBEditEh::IsValidChar(ch);
}

void TCustomDBComboBoxEh::CheckFillItems() {
  if (FItems->Count() == 0 && OnGetItems) OnGetItems(this);
}

void TCustomDBComboBoxEh::SetItemIndex(int index) {
  if (index == FItemIndex) return;
  CheckFillItems();
  if (index < 0 || index >= UsableCount()) {
    index = -1;
    FVarValue = Variant::Null();
  } else if (FKeyBased) {
    FVarValue = Variant(FKeyItems->Strings(index));
  }
  FItemIndex = index;
  UpdateImageIndex();
  if (FListVisible && FPopupList != nullptr) FPopupList->SetItemIndex(index);
  TCustomDBEditEh::InternalSetText(index >= 0 ? FItems->Strings(index) : std::string());
}

void TCustomDBComboBoxEh::SetItemIndexAndUpdate(int index) {
  if (!IsOwnValue()) {
    if (Field() == nullptr || !DataLink()->Active()) return;
    DataLink()->Edit();
  }
  SetItemIndex(index);
  if (!InUpdateDataEvent()) {
    DataLink()->Modified();
    UpdateData();
  }
}

void TCustomDBComboBoxEh::InternalSetValue(const Variant& value) {
  if (!FKeyBased) {
    TCustomDBEditEh::InternalSetValue(value);
    RefindItemIndex();
    return;
  }
  FVarValue = value;
  int index = -1;
  if (!VarIsNull(value) && !VarIsEmpty(value)) {
    index = FKeyItemsIndex.FirstEqual(*FKeyItems, VarToStr(value), UsableCount());
  }
  FItemIndex = index;
  TCustomDBEditEh::InternalSetText(index >= 0 ? FItems->Strings(index) : std::string());
  UpdateImageIndex();
  if (FListVisible && FPopupList != nullptr) FPopupList->SetItemIndex(index);
}

void TCustomDBComboBoxEh::InternalSetText(const std::string& text) {
  if (!FKeyBased) {
    TCustomDBEditEh::InternalSetText(text);
    RefindItemIndex();
    return;
  }
  int index = FItemsIndex.FirstEqual(*FItems, text, UsableCount());
  if (index < 0) return;
  FItemIndex = index;
  FVarValue = Variant(FKeyItems->Strings(index));
  TCustomDBEditEh::InternalSetText(FItems->Strings(index));
  UpdateImageIndex();
  if (FListVisible && FPopupList != nullptr) FPopupList->SetItemIndex(index);
}

void TCustomDBComboBoxEh::UpdateFieldText() {
  if (IsOwnValue() && !FKeyBased) {
    TCustomDBEditEh::UpdateFieldText();
    return;
  }
  if (IsOwnValue()) {
    DataLink()->SetValue(FVarValue);
  } else {
    DataLink()->SetText(VarToStr(GetValue()));
  }
}

void TCustomDBComboBoxEh::ClearFieldMaxLength() {
  if (FKeyBased && MaxLength() > 0) {
    SetMaxLength(0);
    return;
  }
  TCustomDBEditEh::ClearFieldMaxLength();
}

void TCustomDBComboBoxEh::UpdateEditReadOnly() {
  if (DataLink() == nullptr) return;
  TCustomDBEditEh::UpdateEditReadOnly();
  if (FKeyBased) SetEditReadOnly(true);
}

void TCustomDBComboBoxEh::UpdateImageIndex() {
  FItemImageIndex = FItemIndex;
  if (OnGetItemImageIndex) OnGetItemImageIndex(this, FItemIndex, FItemImageIndex);
  TCustomDBEditEh::UpdateImageIndex();
}

void TCustomDBComboBoxEh::DataChange() {
  TField* f = Field();
  if (f != nullptr) {
    ApplyFieldLayout(f, !FKeyBased);
    if (!FKeyBased && !(IsFocused() && DataLink()->CanModify())) {
      TCustomDBEditEh::InternalSetText(f->DisplayText());
      RefindItemIndex();
    } else if (f->IsNull()) {
      InternalSetValue(Variant::Null());
    } else {
      InternalSetValue(Variant(f->EditText()));
    }
  } else if (IsOwnValue()) {
    if (FKeyBased) {
      InternalSetValue(DataLink()->DataIndependentValue());
    } else {
      TCustomDBEditEh::InternalSetText(VarToStr(DataLink()->DataIndependentValue()));
      RefindItemIndex();
    }
  } else {
    TCustomDBEditEh::InternalSetText("");
    FItemIndex = -1;
  }
  UpdateEditReadOnly();
  SetModified(false);
}

void TCustomDBComboBoxEh::Clear() {
  if (FKeyBased) {
    SetValueAndUpdate(Variant::Null());
  } else {
    TCustomDBEditEh::Clear();
  }
}

void TCustomDBComboBoxEh::UpdateData() {
  if (OnNotInList && FItemIndex == -1) {
    bool recheck = false;
    OnNotInList(this, EditText(), recheck);
    // The handler may have added the text to the items.
    if (recheck) {
      if (FKeyBased) {
        InternalSetText(EditText());
      } else {
        RefindItemIndex();
      }
    }
  }
  TCustomDBEditEh::UpdateData();
}

void TCustomDBComboBoxEh::Change() {
  TCustomDBEditEh::Change();
  UpdateImageIndex();
  // A text equal to the current item's keeps that item, so that a
  // duplicate text does not jump to its first occurrence.
  if (!FKeyBased && !(FItemIndex >= 0 && FItemIndex < UsableCount() &&
                      FItems->Strings(FItemIndex) == EditText())) {
    RefindItemIndex();
  }
}

// ------------------------------------------------------------ completion

bool TCustomDBComboBoxEh::AutoCompleteText(const std::string& text, bool partial) {
  int i = partial ? FItemsIndex.FirstWithPrefix(*FItems, text, UsableCount())
                  : FItemsIndex.FirstEqual(*FItems, text, UsableCount());
  if (i >= 0) {
    bool changed = i != FItemIndex;
    SetItemIndex(i);
    SetSel(Length(text), Length(FItems->StringRef(i)));
    return changed;
  }
  if (!FKeyBased && FItemIndex != -1) {
    FItemIndex = -1;
    FVarValue = Variant::Null();
    UpdateImageIndex();
    return true;
  }
  return false;
}

bool TCustomDBComboBoxEh::CanChangeValue() {
  if (ReadOnly()) return false;
  if (!IsOwnValue() && Field() == nullptr) return false;
  return DataLink()->Edit();
}

bool TCustomDBComboBoxEh::ProcessTypedText(const std::string& typed) {
  if (!CanChangeValue()) return false;
  if (typed == "\b") {
    int len = Length(EditText());
    int start = SelStart();
    if (SelLength() > 0 && start + SelLength() == len) {
      if (start > 0) SetSel(len, start - 1);
    } else if (len > 0) {
      SetSel(len, len - 1);
    }
    return false;
  }
  std::string prefix = Copy(EditText(), 1, SelStart()) + typed;
  CheckFillItems();
  int before = FItemIndex;
  bool changed = AutoCompleteText(prefix, true);
  if (FItemIndex != before) DataLink()->Modified();
  return changed;
}

// ------------------------------------------------------------ drop-down

int TCustomDBComboBoxEh::ListWidth() {
  int width = FDropDownBox->Width();
  if (width == -1) {
    TCanvas& m = MeasureCanvas();
    m.SetFont(Font());
    int widest = 0;
    for (int i = 0; i < FItems->Count(); ++i)
      widest = std::max(widest, m.TextWidth(FItems->StringRef(i)));
    width = widest + 5;
    if (Images() != nullptr) width += Images()->Width() + 4;
    // The list's border.
    width += 2 * PopupList()->BorderWidth();
  } else if (width <= 0) {
    width = Width();
  }
  return std::max(width, Width());
}

void TCustomDBComboBoxEh::DropDown() {
  if (FListVisible) return;
  TCustomDBEditEh::DropDown();
  if (OnDropDown) OnDropDown(this);
  TPopupListboxEh* list = PopupList();
  CheckFillItems();
  list->SetColor(Color());
  list->SetFont(Font());
  list->SetImages(Images());
  TCanvas& m = MeasureCanvas();
  m.SetFont(Font());
  int rowHeight = m.TextHeight("0");
  if (EditImage()->UseImageHeight() && Images() != nullptr && Images()->Height() >= rowHeight) {
    rowHeight = Images()->Height() + 1;
  }
  list->SetItemHeight(rowHeight);
  list->Items()->Assign(*FItems);
  list->SetSizable(FDropDownBox->Sizable());
  int rows = std::max(1, std::min(FDropDownBox->Rows(), FItems->Count()));
  list->SetBounds(0, 0, ListWidth(), rows * rowHeight + list->NonClientHeight());
  TDropDownPlacementEh p = AlignDropDownWindowEh(*this, *list, FDropDownBox->Align());
  list->SetItemIndex(FItemIndex);
  FListVisible = true;
  SetDroppedDown(true);
  list->ShowAt(p.Bounds);
  if (FItemIndex >= 0) list->SetTopIndex(std::max(0, FItemIndex - rows + 1));
}

void TCustomDBComboBoxEh::CloseUp(bool accept) {
  if (FListVisible && FPopupList != nullptr && FPopupList->Visible()) {
    FPopupList->CloseUp(accept);  // hides, then ListClosed
    return;
  }
  ListClosed(accept);
}

void TCustomDBComboBoxEh::ListClosed(bool accept) {
  if (FClosing) return;
  TFlagGuard closing(FClosing);
  bool wasShown = FListVisible;
  if (FPopupList != nullptr && FPopupList->MouseCapture()) FPopupList->SetMouseCapture(false);
  if (wasShown && FDropDownBox->Sizable() && FPopupList != nullptr) {
    FDropDownBox->SetRows(FPopupList->RowCount());
    FDropDownBox->SetWidth(FPopupList->Width());
  }
  FListVisible = false;
  TCustomDBEditEh::CloseUp(accept);
  if (!wasShown) return;
  if (!accept && FPopupList != nullptr && FPopupList->ClosingByCancelMode() && HandleAllocated()) {
    FCancelledByPress = true;
    PostMessage(Handle(), CM_LISTCANCELLEDEH, 1);
  }
  if (OnClosingUp) OnClosingUp(this, accept);
  if (accept && FPopupList != nullptr && CanChangeValue()) {
    int row = FPopupList->ItemIndex();
    if (row >= 0 && row != FItemIndex) {
      SetItemIndex(row);
      DataLink()->Modified();
    }
    if (IsFocused()) SelectAll();
  }
  if (OnCloseUp) OnCloseUp(this, accept);
}

void TCustomDBComboBoxEh::EditButtonClick() {
  if (EditButton()->Style() == ebsUpDownEh) return;
  if (FListVisible) return;
  if (FCancelledByPress) {
    FCancelledByPress = false;
    return;
  }
  DropDown();
  SetDroppedDownByClick(true);
}

void TCustomDBComboBoxEh::ButtonMouseDown(int index, bool topButton, bool& autoRepeat) {
  if (index != 0 || EditButton()->Style() != ebsUpDownEh) {
    TCustomDBEditEh::ButtonMouseDown(index, topButton, autoRepeat);
    return;
  }
  if (CanFocus() && !Focused()) SetFocus();
  bool handled = false;
  if (OnButtonDown) OnButtonDown(this, topButton, autoRepeat, handled);
  if (!handled) StepItem(topButton ? -1 : 1);
}

void TCustomDBComboBoxEh::ButtonMouseMove(int index, TShiftState shift, int x, int y) {
  if (index != 0 || !FListVisible || FPopupList == nullptr || !shift.Contains(ssLeft)) return;
  TEditButtonControlEh* button = ButtonControl(0);
  TPoint screen = button->ClientToScreen({x, y});
  TRect r = GetWindowRect(FPopupList->Handle());
  if (!PtInRect(r, screen)) return;
  // Press, drag into the list, release on an item: the list takes over.
  button->SetMouseCapture(false);
  TPoint p = FPopupList->ScreenToClient(screen);
  FPopupList->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(p));
  FPopupList->SetMouseCapture(true);
}

void TCustomDBComboBoxEh::StepItem(int delta) {
  if (!CanChangeValue()) return;
  int count = UsableCount();
  if (count == 0) return;
  int index = FItemIndex;
  if (delta < 0) {
    index = index < 0 ? count - 1 : std::max(0, index - 1);
  } else {
    index = index < 0 ? 0 : std::min(count - 1, index + 1);
  }
  if (index == FItemIndex) return;
  SetItemIndex(index);
  DataLink()->Modified();
  SelectAll();
}

// ------------------------------------------------------------ keys and mouse

void TCustomDBComboBoxEh::KeyDown(unsigned& key, TShiftState shift) {
  if (FListVisible && FPopupList != nullptr) {
    bool ctrl = shift.Contains(ssCtrl);
    if (key == VK_RETURN || key == VK_ESCAPE) {
      CloseUp(key == VK_RETURN);
      SwallowNextChar(key == VK_RETURN ? 13 : 27);
      key = 0;
      return;
    }
    if (!shift.Contains(ssAlt) && (key == VK_PRIOR || key == VK_NEXT || key == VK_UP ||
                                   key == VK_DOWN || (ctrl && (key == VK_HOME || key == VK_END)))) {
      FPopupList->Perform(WM_KEYDOWN, key);
      key = 0;
      return;
    }
  }
  TCustomDBEditEh::KeyDown(key, shift);
  if (key == 0) return;
  // In wrapped text the arrows move between lines, except from the end.
  if ((key == VK_UP || key == VK_DOWN) && !shift.Contains(ssAlt) && !FListVisible &&
      (!WordWrap() || CaretPos() == Length(EditText()))) {
    StepItem(key == VK_UP ? -1 : 1);
    key = 0;
    return;
  }
  if (key == VK_DELETE && FKeyBased && !ReadOnly()) {
    TField* f = Field();
    if (f == nullptr || !f->Required()) {
      if (CanChangeValue()) {
        InternalSetValue(Variant::Null());
        DataLink()->Modified();
      }
    }
    key = 0;
  }
}

void TCustomDBComboBoxEh::KeyPress(char32_t& key) {
  if (key >= 32 && FDropDownBox->AutoDrop() && !FListVisible && !ReadOnly()) DropDown();
  if (FKeyBased) {
    if (ReadOnly() || key == 27 || key == 13 || key == 9) {
      TCustomDBEditEh::KeyPress(key);
      return;
    }
    if (key == 8) {
      ProcessTypedText("\b");
      key = 0;
      return;
    }
    if (key >= 32) {
      std::string s;
      AppendUtf8(s, key);
      ProcessTypedText(s);
      key = 0;
      return;
    }
    TCustomDBEditEh::KeyPress(key);
    return;
  }
  int caret = SelStart();
  char32_t typed = key;
  TCustomDBEditEh::KeyPress(key);
  if (key == 0 || typed < 32 || ReadOnly() || IsMasked()) return;
  // The edit has not inserted the character yet: do it now, then complete.
  std::string s;
  AppendUtf8(s, typed);
  key = 0;
  if (!EditCanModify() || !ReplaceSel(s, true)) return;
  if (SelLength() == 0 && SelStart() == Length(EditText())) {
    ProcessTypedText("");
  } else {
    int oldCaret = caret + 1;
    if (AutoCompleteText(EditText(), false)) SetSel(oldCaret, Length(EditText()));
  }
}

void TCustomDBComboBoxEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (FKeyBased && button == mbLeft) {
    if (FListVisible) {
      CloseUp(false);
      return;
    }
    if (FCancelledByPress) {
      FCancelledByPress = false;
      return;
    }
    if (!shift.Contains(ssDouble) && IsEnabledAndLinked()) {
      if (CanFocus() && !Focused()) SetFocus();
      DropDown();
      SetDroppedDownByClick(true);
    }
    return;
  }
  if (FListVisible && button == mbLeft) CloseUp(false);
  TCustomDBEditEh::MouseDown(button, shift, x, y);
}

void TCustomDBComboBoxEh::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_LISTCANCELLEDEH:
      // The press is queued behind the first notice: wait for it once more.
      if (message.WParam != 0) {
        PostMessage(Handle(), CM_LISTCANCELLEDEH, 0);
      } else {
        FCancelledByPress = false;
      }
      return;
    case WM_MOUSEWHEEL:
      if (FListVisible && FPopupList != nullptr) {
        FPopupList->Perform(message);
        return;
      }
      if (!ReadOnly()) {
        StepItem(static_cast<short>(HiWord(message.WParam)) > 0 ? -1 : 1);
        message.Result = 1;
        return;
      }
      break;
    case WM_PASTE:
      if (FKeyBased) {
        ProcessTypedText(GetClipboardText());
        return;
      }
      break;
    case CM_WANTSPECIALKEY:
      if (FListVisible && (message.WParam == VK_RETURN || message.WParam == VK_ESCAPE)) {
        message.Result = 1;
        return;
      }
      break;
    case CM_CANCELMODE: {
      TControl* sender = TCMCancelMode{message}.Sender();
      if (FListVisible && sender != FPopupList &&
          (sender == nullptr || FPopupList == nullptr || !FPopupList->ContainsControl(sender))) {
        CloseUp(false);
      }
      break;
    }
    case WM_KILLFOCUS:
      if (FListVisible) CloseUp(false);
      break;
    default:
      break;
  }
  TCustomDBEditEh::WndProc(message);
}
