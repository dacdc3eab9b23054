#include "controls/db_edit.h"

#include <algorithm>
#include <cstdlib>

#include "platform/base/clock.h"

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/cursors.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"
#include "platform/gui/window.h"

namespace {

constexpr int kTextMarginX = 3;
constexpr int kTextMarginY = 2;

// The one-pixel line beside a flat editor's button.
class TEditButtonDividerEh : public TGraphicControl {
  MEBRATH_CLASS(TEditButtonDividerEh, TGraphicControl)
 protected:
  explicit TEditButtonDividerEh(TComponent* owner) : TGraphicControl(owner) {}
  void Paint() override { Canvas()->FillSolidRect(ClientRect(), Color()); }
};

}  // namespace

// ------------------------------------------------------------ construction

TCustomDBEditEh::TCustomDBEditEh(TComponent* owner) : TCustomMaskEdit(owner) {
  TControlStyle style = ControlStyle();
  style.Include(csReplicatable);
  style.Exclude(csCaptureMouse);
  SetControlStyle(style);
  SetColor(clWindow);
  TControl::SetCursor(crIBeam);
}

TCustomDBEditEh::~TCustomDBEditEh() = default;

void TCustomDBEditEh::AfterConstruction() {
  TCustomMaskEdit::AfterConstruction();
  FDataLink = CreateDataLink();
  FDataLink->OnDataChange = [this](TFieldDataLinkEh*) {
    DataChange();
    UpdateEditButtonControlsState();
  };
  FDataLink->OnEditingChange = [this](TFieldDataLinkEh*) { EditingChange(); };
  FDataLink->OnUpdateData = [this](TFieldDataLinkEh*) { UpdateData(); };
  FDataLink->OnActiveChange = [this](TFieldDataLinkEh*) { ActiveChange(); };
  FEditButton = CreateEditButton();
  FEditButton->SetEditor(this);
  FEditButton->OnChangeInternal = [this](TObject*) { UpdateEditButtonControlsList(); };
  FEditButtons = CreateEditButtons();
  FEditButtons->OnUpdate = [this](TObject*) { UpdateEditButtonControlsList(); };
  FEditImage = CreateEditImage();
  FMRUList = std::make_unique<TMRUListEh>(this);
  FMRUList->OnSetDropDown = [this](TObject*, bool shown) { MRUDropDown(shown); };
  FMRUList->OnFilterItem = [this](TObject*, const std::string& item, bool& accept) {
    FilterMRUItem(item, accept);
  };
  UpdateEditButtonControlsList();
  UpdateEditReadOnly();
  UpdateImageIndex();
  UpdateFixedHeight();
}

void TCustomDBEditEh::BeforeDestruction() {
  // The link must not call back into a half-destroyed editor.
  if (FDataLink) {
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnEditingChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    FDataLink->OnActiveChange = nullptr;
    FDataLink->SetDataSource(nullptr);
  }
  TCustomMaskEdit::BeforeDestruction();
}

void TCustomDBEditEh::Notification(TComponent* component, TOperation operation) {
  TCustomMaskEdit::Notification(component, operation);
  if (operation != opRemove) return;
  if (FDataLink && component == FDataLink->DataSource()) FDataLink->SetDataSource(nullptr);
  if (FEditImage && component == FEditImage->Images()) FEditImage->SetImages(nullptr);
  if (component == FMRUListbox) FMRUListbox = nullptr;
  if (component == FHolderControl) {
    FHolderControl = nullptr;
    FHolder = nullptr;
  }
  if (FEditButton && component == FEditButton->DropdownMenu())
    FEditButton->SetDropdownMenu(nullptr);
  if (FEditButtons) {
    for (int i = 0; i < FEditButtons->Count(); ++i) {
      if (component == FEditButtons->Items(i)->DropdownMenu()) {
        FEditButtons->Items(i)->SetDropdownMenu(nullptr);
      }
    }
  }
  for (TButtonEntry& e : FButtons) {
    if (component == e.Control) e.Control = nullptr;
    if (component == e.Divider) e.Divider = nullptr;
  }
}

// ------------------------------------------------------------ factories

bool TCustomDBEditEh::IsEnabledAndLinked() { return Enabled() && FDataLink->HasData(); }

std::unique_ptr<TFieldDataLinkEh> TCustomDBEditEh::CreateDataLink() {
  return std::make_unique<TFieldDataLinkEh>(this);
}

TObjectPtr<TEditButtonEh> TCustomDBEditEh::CreateEditButton() {
  return CreateUnique<TEditButtonEh>(static_cast<TCollection*>(nullptr));
}

TEditButtonControlEh* TCustomDBEditEh::CreateEditButtonControl() {
  TEditButtonControlEh* c = Create<TEditButtonControlEh>(this);
  c->SetParent(this);
  c->SetBounds(0, 0, 10, 17);
  c->SetCursor(crArrow);
  return c;
}

std::unique_ptr<TEditButtonsEh> TCustomDBEditEh::CreateEditButtons() {
  return std::make_unique<TEditButtonsEh>(this);
}

std::unique_ptr<TEditImageEh> TCustomDBEditEh::CreateEditImage() {
  return std::make_unique<TEditImageEh>(this);
}

TMRUListboxEh* TCustomDBEditEh::CreateMRUListbox() {
  TMRUListboxEh* box = Create<TMRUListboxEh>(this);
  box->SetOwnerControl(this);
  box->SetCtl3D(false);
  box->SetSizable(true);
  box->SetTabStop(false);
  box->SetSorted(true);
  return box;
}

TMRUListboxEh* TCustomDBEditEh::MRUListbox() {
  if (FMRUListbox == nullptr) {
    FMRUListbox = CreateMRUListbox();
    FMRUListbox->OnCloseUp = [this](TObject*, bool accept) { MRUCloseUp(accept); };
    FMRUListbox->SizeGrip()->OnParentResized = [this](TObject*) { StoreMRUListboxSize(); };
  }
  return FMRUListbox;
}

// ------------------------------------------------------------ binding

bool TCustomDBEditEh::IsOwnValue() const { return !FDataLink || FDataLink->DataIndependent(); }

TAlignment TCustomDBEditEh::GetFieldAlignment() const {
  TField* f = Field();
  return f != nullptr ? f->Alignment() : taLeftJustify;
}

std::string TCustomDBEditEh::GetFieldEditMask() const {
  TField* f = Field();
  return f != nullptr ? f->EditMask() : std::string();
}

const std::string& TCustomDBEditEh::GetDataField() const { return FDataLink->FieldName(); }

TDataSource* TCustomDBEditEh::GetDataSource() const { return FDataLink->DataSource(); }

std::string TCustomDBEditEh::GetDisplayText() const { return EditText(); }

Variant TCustomDBEditEh::GetValue() const { return Variant(Text()); }

bool TCustomDBEditEh::IsValidChar(char32_t ch) {
  TField* f = Field();
  return f == nullptr || f->IsValidChar(ch);
}

void TCustomDBEditEh::SetDataSource(TDataSource* value) {
  if (FDataLink->DataSource() == value && value != nullptr) return;
  FDataLink->SetDataSource(value);
  if (value != nullptr) value->FreeNotification(this);
  UpdateEditReadOnly();
  Invalidate();
}

void TCustomDBEditEh::SetDataField(const std::string& value) {
  ClearFieldMaxLength();
  FDataLink->SetFieldName(value);
  UpdateEditButtonControlsState();
  Invalidate();
}

void TCustomDBEditEh::ClearFieldMaxLength() {
  TField* f = Field();
  if (MaxLength() > 0 && FDataLink->DataSet() != nullptr && f != nullptr &&
      dynamic_cast<TStringField*>(f) != nullptr && f->Size() == MaxLength()) {
    SetMaxLength(0);
  }
}

void TCustomDBEditEh::ActiveChange() {
  ClearFieldMaxLength();
  UpdateEditButtonControlsState();
}

// ------------------------------------------------------------ data

void TCustomDBEditEh::DataChange() {
  TField* f = Field();
  if (f == nullptr) {
    if (!FEditMaskAssigned && !EditMask().empty()) {
      TFlagGuard guard(FSettingMask);
      TCustomMaskEdit::SetEditMask("");
    }
    if (IsOwnValue() && FDataLink) {
      std::string text = VarToStr(FDataLink->DataIndependentValue());
      if (IsMasked()) {
        SetEditText(text);
      } else {
        InternalSetText(text);
      }
    } else {
      InternalSetText("");
    }
  } else {
    ApplyFieldLayout(f, true);
    std::string text;
    if (dynamic_cast<TMemoField*>(f) != nullptr) {
      text = f->AsString();
    } else if (FFocused && FDataLink->CanModify()) {
      text = f->EditText();
    } else {
      text = f->DisplayText();
    }
    InternalSetText(text);
  }
  UpdateEditReadOnly();
  SetModified(false);
  UpdateImageIndex();
}

void TCustomDBEditEh::ApplyFieldLayout(TField* f, bool maxLength) {
  if (!FAlignmentAssigned && Alignment() != GetFieldAlignment()) {
    TCustomEdit::SetAlignment(GetFieldAlignment());
  }
  if (!FEditMaskAssigned && EditMask() != f->EditMask()) {
    TFlagGuard guard(FSettingMask);
    TCustomMaskEdit::SetEditMask(f->EditMask());
  }
  if (maxLength && dynamic_cast<TStringField*>(f) != nullptr && MaxLength() == 0) {
    SetMaxLength(f->Size());
  }
}

void TCustomDBEditEh::InternalSetText(const std::string& text) {
  // Text set by the program is no typing: the MRU list stays closed.
  TFlagGuard guard(FSettingText);
  TCustomMaskEdit::SetText(text);
}

void TCustomDBEditEh::InternalSetValue(const Variant& value) {
  TField* f = Field();
  if (VarIsNull(value) || VarIsEmpty(value)) {
    InternalSetText("");
  } else if (f != nullptr && !IsOwnValue()) {
    InternalSetText(VarToStr(value));
  } else {
    InternalSetText(VarToStr(value));
  }
}

void TCustomDBEditEh::SetText(const std::string& value) {
  if (!FDataLink) {
    TCustomMaskEdit::SetText(value);
    return;
  }
  if (!IsOwnValue()) {
    // Half-bound: shown, but there is nothing to write into.
    if (Field() == nullptr || !FDataLink->Active()) {
      InternalSetText(value);
      return;
    }
    FDataLink->Edit();
  }
  InternalSetText(value);
  if (!FInUpdateDataEvent) {
    FDataLink->Modified();
    UpdateData();
  }
}

void TCustomDBEditEh::SetValueAndUpdate(const Variant& value) {
  if (!IsOwnValue()) {
    if (Field() == nullptr || !FDataLink->Active()) {
      InternalSetValue(value);
      return;
    }
    FDataLink->Edit();
  }
  InternalSetValue(value);
  if (!FInUpdateDataEvent) {
    FDataLink->Modified();
    UpdateData();
  }
}

void TCustomDBEditEh::Clear() { SetValueAndUpdate(Variant::Null()); }

void TCustomDBEditEh::UpdateFieldText() {
  if (IsOwnValue()) {
    FDataLink->SetValue(IsMasked() ? EditText() : Text());
  } else {
    FDataLink->SetText(Text());
  }
}

void TCustomDBEditEh::UpdateData() {
  if (FFocused) ValidateEdit();
  bool handled = false;
  if (OnUpdateData) {
    TFlagGuard guard(FInUpdateDataEvent);
    OnUpdateData(this, handled);
  }
  if (!handled) UpdateFieldText();
  SetModified(false);
  if (FMRUList->Active() && FMRUList->AutoAdd() && Showing()) FMRUList->Add(Text());
}

void TCustomDBEditEh::Reset() {
  FDataLink->Reset();
  SelectAll();
}

void TCustomDBEditEh::EditingChange() { UpdateEditReadOnly(); }

void TCustomDBEditEh::SetEditReadOnly(bool value) {
  FEditReadOnly = value;
  TCustomEdit::SetReadOnly(value);
}

void TCustomDBEditEh::UpdateEditReadOnly() {
  if (!FDataLink) return;
  bool readOnly;
  if (FReadOnly) {
    readOnly = true;
  } else {
    readOnly = !FDataLink->Editing();
    TDataSet* ds = FDataLink->DataSet();
    if (readOnly && OnUpdateData && ds != nullptr && ds->State() == dsEdit) readOnly = false;
  }
  if (!readOnly && FHolder != nullptr) readOnly = !FHolder->InplaceEditCanModify(this);
  SetEditReadOnly(readOnly);
}

void TCustomDBEditEh::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  FDataLink->SetReadOnly(value);
  UpdateEditReadOnly();
}

bool TCustomDBEditEh::EditCanModify() {
  if (FReadOnly || !FDataLink) return false;
  if (!FDataLink->Edit()) return false;
  UpdateEditReadOnly();
  return !FEditReadOnly;
}

void TCustomDBEditEh::Change() {
  if (FDataLink) FDataLink->Modified();
  FTextChanged = true;
  TCustomMaskEdit::Change();
  if (FDataLink && !FSettingText) CheckMRUDropDown();
}

void TCustomDBEditEh::SetFocused(bool value) {
  if (FFocused == value) return;
  FFocused = value;
  if (EditAlignment() != taLeftJustify && !IsMasked()) Invalidate();
  FDataLink->Reset();
}

// ------------------------------------------------------------ settings

TAlignment TCustomDBEditEh::EditAlignment() const {
  return FAlignmentAssigned ? FAlignment : GetFieldAlignment();
}

void TCustomDBEditEh::SetAlignment(TAlignment value) {
  FAlignmentAssigned = true;
  FAlignment = value;
  TCustomEdit::SetAlignment(value);
  // Wrapped lines are laid out again in a new window.
  if (WordWrap() && HandleAllocated())
    RecreateWnd();
  else
    Invalidate();
}

void TCustomDBEditEh::SetWordWrap(bool value) {
  if (value == WordWrap()) return;
  SetMultiLine(value);
  SetWordWrapInternal(value);
}

bool TCustomDBEditEh::TextFits() {
  TCanvas& m = MeasureCanvas();
  m.SetFont(Font());
  const TRect edit = DefaultFormatRect();
  if (!WordWrap()) return m.TextWidth(EditText()) <= edit.Width();
  TRect wrapped = Rect(0, 0, edit.Width(), 0);
  DrawText(m, EditText(), wrapped, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return wrapped.Height() <= edit.Height() && wrapped.Width() <= edit.Width();
}

void TCustomDBEditEh::SetEditMask(const std::string& value) {
  FEditMaskAssigned = true;
  TFlagGuard guard(FSettingMask);
  TCustomMaskEdit::SetEditMask(value);
}

void TCustomDBEditEh::SetFlat(bool value) {
  if (FFlat == value) return;
  FFlat = value;
  UpdateFixedHeight();
  UpdateEditButtonControlsList();
  if (HandleAllocated()) RedrawWindow(Handle(), nullptr, RDW_INVALIDATE | RDW_FRAME);
}

void TCustomDBEditEh::SetAlwaysShowBorder(bool value) {
  if (FAlwaysShowBorder == value) return;
  FAlwaysShowBorder = value;
  SetActiveLook();
}

void TCustomDBEditEh::SetHighlightRequired(bool value) {
  if (FHighlightRequired == value) return;
  FHighlightRequired = value;
  Invalidate();
}

void TCustomDBEditEh::SetTooltips(bool value) {
  if (FTooltips == value) return;
  FTooltips = value;
  UpdateShowHint();
}

void TCustomDBEditEh::SetEditorShowHint(bool value) {
  FEditorShowHint = value;
  UpdateShowHint();
}

void TCustomDBEditEh::UpdateShowHint() { SetShowHint(FEditorShowHint || FTooltips); }

bool TCustomDBEditEh::ActiveLook() const {
  return Focused() || FMouseAboveControl || FAlwaysShowBorder;
}

void TCustomDBEditEh::SetActiveLook() {
  bool active = ActiveLook();
  if (active == FActiveLook) return;
  FActiveLook = active;
  if (FFlat && HandleAllocated()) RedrawWindow(Handle(), nullptr, RDW_INVALIDATE | RDW_FRAME);
  UpdateEditButtonControlsState();
}

void TCustomDBEditEh::UpdateFixedHeight() {
  if (AutoSize() && BorderStyle() == bsSingle) TCustomEdit::AdjustHeight();
}

int TCustomDBEditEh::AutoHeight() {
  TCanvas& m = MeasureCanvas();
  m.SetFont(Font());
  int textHeight = m.TextHeight("0");
  int extra = GetSystemMetrics(SM_CYBORDER) * 8 - (FFlat ? 2 : 0);
  if (FEditImage && FEditImage->UseImageHeight() && FEditImage->Images() != nullptr &&
      FEditImage->Visible() && FEditImage->Images()->Height() > textHeight) {
    textHeight = FEditImage->Images()->Height();
  }
  return extra + textHeight;
}

void TCustomDBEditEh::UpdateImageIndex() {
  if (!FEditImage || !FEditImage->Visible() || FEditImage->Images() == nullptr) return;
  int index = GetItemIndex();
  Variant v = GetValue();
  if (VarIsOrdinal(v) || VarIsFloat(v) || VarType(v) == varCurrency) index = v.AsInteger();
  if (OnGetImageIndex) OnGetImageIndex(this, index);
  FEditImage->SetImageIndex(index);
}

// ------------------------------------------------------------ buttons

TEditButtonEh* TCustomDBEditEh::ButtonItem(int index) const {
  if (index == 0) return FEditButton.get();
  return FEditButtons->Items(index - 1);
}

TEditButtonControlEh* TCustomDBEditEh::ButtonControl(int index) const {
  return FButtons.at(static_cast<std::size_t>(index)).Control;
}

int TCustomDBEditEh::ButtonWidth(const TEditButtonEh* button) const {
  if (!button->Visible()) return 0;
  if (button->Width() >= 1) return button->Width();
  return FFlat ? DefaultFlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
}

int TCustomDBEditEh::ButtonsWidth() const {
  int w = 0;
  for (const TButtonEntry& e : FButtons) {
    int bw = ButtonWidth(e.Button);
    if (bw > 0) w += bw + (FFlat ? 1 : 0);
  }
  return w;
}

void TCustomDBEditEh::UpdateEditButtonControlsList() {
  if (!FEditButtons || !FEditButton) return;
  int wanted = 1 + FEditButtons->Count();
  while (static_cast<int>(FButtons.size()) < wanted) {
    int index = static_cast<int>(FButtons.size());
    TButtonEntry e{};
    e.Divider = Create<TEditButtonDividerEh>(this);
    e.Divider->SetParent(this);
    e.Control = CreateEditButtonControl();
    e.Control->OnDown = [this, index](TObject*, bool top, bool& autoRepeat, bool&) {
      ButtonMouseDown(index, top, autoRepeat);
    };
    e.Control->OnClick = [this, index](TObject*) { ButtonDown(index); };
    e.Control->OnButtonMouseMove = [this, index](TObject*, TShiftState shift, int x, int y) {
      ButtonMouseMove(index, shift, x, y);
    };
    e.Control->OnButtonMouseUp = [this, index](TObject*, TMouseButton b, TShiftState shift, int x,
                                               int y) { ButtonMouseUp(index, b, shift, x, y); };
    FButtons.push_back(e);
  }
  while (static_cast<int>(FButtons.size()) > wanted) {
    TButtonEntry e = FButtons.back();
    FButtons.pop_back();
    if (e.Control != nullptr) e.Control->Free();
    if (e.Divider != nullptr) e.Divider->Free();
  }
  int right = ClientWidth();
  int height = ClientHeight();
  // From the right edge inwards: the last collection button first, the
  // main button innermost.
  for (int i = wanted - 1; i >= 0; --i) {
    TButtonEntry& e = FButtons[static_cast<std::size_t>(i)];
    e.Button = ButtonItem(i);
    int w = ButtonWidth(e.Button);
    if (e.Control == nullptr) continue;
    e.Control->SetVisible(w > 0);
    e.Control->SetStyle(e.Button->Style());
    e.Control->SetGlyph(e.Button->Glyph());
    e.Control->SetNumGlyphs(e.Button->NumGlyphs());
    e.Control->SetHint(e.Button->Hint());
    e.Control->SetFlat(FFlat);
    if (w > 0) {
      e.Control->SetBounds(right - w, 0, w, height);
      right -= w;
      if (FFlat && e.Divider != nullptr) {
        e.Divider->SetBounds(right - 1, 0, 1, height);
        right -= 1;
      }
    }
    if (e.Divider != nullptr) e.Divider->SetVisible(FFlat && w > 0);
  }
  UpdateEditButtonControlsState();
  if (HandleAllocated()) {
    TRect r = DefaultFormatRect();
    Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    Perform(EM_SCROLLCARET);
  }
  Invalidate();
}

void TCustomDBEditEh::UpdateEditButtonControlsState() {
  bool active = ActiveLook();
  for (TButtonEntry& e : FButtons) {
    if (e.Control != nullptr) {
      e.Control->SetActive(active);
      e.Control->SetEnabled(Enabled());
    }
    if (e.Divider != nullptr) e.Divider->SetColor(active ? TColor(clBtnFace) : Color());
  }
}

TRect TCustomDBEditEh::GetEditRect() const {
  TRect r = ClientRect();
  r.Right = std::max(r.Left, r.Right - ButtonsWidth());
  if (FEditImage && FEditImage->Visible()) {
    int w = FEditImage->Width();
    if (w <= 0 && FEditImage->Images() != nullptr) w = FEditImage->Images()->Width() + 4;
    r.Left = std::min(r.Right, r.Left + w);
  }
  return r;
}

TRect TCustomDBEditEh::DefaultFormatRect() const {
  TRect r = GetEditRect();
  r.Left += kTextMarginX - 1;
  r.Right -= 1;
  r.Top += kTextMarginY - 1;
  r.Bottom -= kTextMarginY - 1;
  if (r.Right < r.Left) r.Right = r.Left;
  return r;
}

void TCustomDBEditEh::Resize() {
  TCustomMaskEdit::Resize();
  UpdateEditButtonControlsList();
}

void TCustomDBEditEh::ButtonMouseDown(int index, bool topButton, bool& autoRepeat) {
  FPressedButton = index;
  if (CanFocus() && !Focused()) SetFocus();
  if (HandleAllocated()) {
    TMsg msg;
    if (PeekMessage(msg, Handle(), CM_EDITBUTTONMENUCLOSEDEH, CM_EDITBUTTONMENUCLOSEDEH,
                    PM_REMOVE) &&
        static_cast<int>(msg.wParam) == index) {
      autoRepeat = false;
      return;
    }
  }
  bool handled = false;
  TEditButtonEh* button = ButtonItem(index);
  if (index == 0) {
    if (OnButtonDown) OnButtonDown(this, topButton, autoRepeat, handled);
    if (handled) return;
    if (button->DropdownMenu() != nullptr) {
      ShowMenuOf(index);
    } else {
      EditButtonClick();
    }
  } else {
    if (button->OnDown) button->OnDown(button, topButton, autoRepeat, handled);
    if (!handled && button->DropdownMenu() != nullptr) ShowMenuOf(index);
  }
}

void TCustomDBEditEh::ShowMenuOf(int index) {
  TPopupMenu* menu = ButtonItem(index)->DropdownMenu();
  TPoint p = ClientToScreen({menu->Alignment() == paRight ? Width() : 0, Height()});
  menu->SetPopupComponent(this);
  menu->Popup(p.X, p.Y);
  // The press that closed the menu must not open it again.
  if (HandleAllocated())
    PostMessage(Handle(), CM_EDITBUTTONMENUCLOSEDEH, static_cast<WPARAM>(index));
  TEditButtonControlEh* c = ButtonControl(index);
  if (c != nullptr && c->MouseCapture()) c->SetMouseCapture(false);
}

void TCustomDBEditEh::ButtonDown(int index) {
  bool handled = false;
  if (index == 0) {
    if (OnButtonClick) OnButtonClick(this, handled);
  } else {
    TEditButtonEh* button = ButtonItem(index);
    if (button->OnClick) button->OnClick(button, handled);
  }
  if (index == 0 && FDroppedDown && !FDroppedDownByClick) CloseUp(false);
  FDroppedDownByClick = false;
}

void TCustomDBEditEh::ButtonMouseMove(int index, TShiftState shift, int x, int y) {
  (void)index;
  (void)shift;
  (void)x;
  (void)y;
}

void TCustomDBEditEh::ButtonMouseUp(int index, TMouseButton button, TShiftState shift, int x,
                                    int y) {
  (void)shift;
  if (button != mbLeft) return;
  TEditButtonControlEh* c = ButtonControl(index);
  if (c != nullptr && (x < 0 || y < 0 || x >= c->Width() || y >= c->Height())) {
    FDroppedDownByClick = false;
  }
  FPressedButton = -1;
}

void TCustomDBEditEh::EditButtonClick() {
  if (FEditButton->Style() == ebsUpDownEh || FDroppedDown) return;
  DropDown();
  FDroppedDownByClick = true;
}

void TCustomDBEditEh::DropDown() {
  if (!FButtons.empty() && FButtons[0].Control != nullptr) FButtons[0].Control->SetAlwaysDown(true);
  CloseMRUListbox(false);
  FDroppedDown = true;
}

void TCustomDBEditEh::CloseUp(bool accept) {
  (void)accept;
  if (!FButtons.empty() && FButtons[0].Control != nullptr) {
    FButtons[0].Control->SetAlwaysDown(false);
  }
  FDroppedDown = false;
}

void TCustomDBEditEh::PressButton(int index) {
  bool autoRepeat = false;
  ButtonMouseDown(index, true, autoRepeat);
  ButtonDown(index);
}

bool TCustomDBEditEh::TryShortCut(unsigned key, TShiftState shift) {
  TShortCut sc = ::ShortCut(key, shift);
  if (sc == scNone) return false;
  if (FEditButton->ShortCut() == sc && FEditButton->Visible() && IsEnabledAndLinked()) {
    PressButton(0);
    return true;
  }
  for (int i = 0; i < FEditButtons->Count(); ++i) {
    TEditButtonEh* b = FEditButtons->Items(i);
    if (b->ShortCut() == sc && b->Visible()) {
      PressButton(i + 1);
      return true;
    }
  }
  return false;
}

// ------------------------------------------------------------ MRU

void TCustomDBEditEh::FilterMRUItem(const std::string& item, bool& accept) {
  std::string text = EditText();
  std::string head = Copy(item, 1, Length(text));
  accept = FMRUList->CaseSensitive() ? AnsiCompareStr(head, text) == 0
                                     : AnsiCompareText(head, text) == 0;
}

void TCustomDBEditEh::CheckMRUDropDown() {
  std::string empty;
  if (IsMasked()) empty = FormatMaskText(EditMask(), "");
  bool isEmpty = EditText() == empty || EditText().empty();
  if (MRUListboxShown()) {
    if (isEmpty) {
      CloseMRUListbox(false);
    } else {
      FMRUList->DropDown(true);
    }
    return;
  }
  if (FMRUList->Active() && Showing() && FFocused && !FDroppedDown && !isEmpty) {
    FMRUList->DropDown(true);
  }
}

void TCustomDBEditEh::MRUDropDown(bool shown) {
  if (!shown) {
    CloseMRUListbox(false);
    return;
  }
  TMRUListboxEh* box = MRUListbox();
  if (!FMRUList->Filter(EditText(), *box->Items())) return;
  if (box->Items()->Count() == 0) {
    CloseMRUListbox(false);
    return;
  }
  box->SetColor(Color());
  box->SetFont(Font());
  TCanvas& m = MeasureCanvas();
  m.SetFont(Font());
  box->SetItemHeight(m.TextHeight("0"));
  int rows = std::min(FMRUList->Rows(), box->Items()->Count());
  int width = FMRUList->Width() > 0 ? FMRUList->Width() : Width();
  box->SetBounds(box->Left(), box->Top(), width, rows * box->ItemHeight() + 2);
  box->SetItemIndex(-1);
  TDropDownPlacementEh p = AlignDropDownWindowEh(*this, *box, daLeft);
  box->ShowAt(p.Bounds);
  box->UpdateScrollBar();
}

void TCustomDBEditEh::StoreMRUListboxSize() {
  if (!MRUListboxShown()) return;
  FMRUList->SetRows(FMRUListbox->RowCount());
  FMRUList->SetWidth(FMRUListbox->Width());
}

void TCustomDBEditEh::CloseMRUListbox(bool accept) {
  if (MRUListboxShown()) FMRUListbox->CloseUp(accept);
}

void TCustomDBEditEh::MRUCloseUp(bool accept) {
  if (!accept || FMRUListbox == nullptr) return;
  int i = FMRUListbox->ItemIndex();
  if (i < 0 || FReadOnly || !FDataLink->Edit()) return;
  InternalSetText(FMRUListbox->Items()->Strings(i));
  FDataLink->Modified();
  if (FFocused) SelectAll();
}

// ------------------------------------------------------------ in-place mode

void TCustomDBEditEh::SetInplaceEditHolder(TWinControl* holder) {
  if (holder == FHolderControl) return;
  IInplaceEditHolderEh* intf = nullptr;
  if (holder != nullptr) {
    intf = dynamic_cast<IInplaceEditHolderEh*>(holder);
    if (intf == nullptr) throw EInvalidOperation(SInplaceEditHolderEh);
    holder->FreeNotification(this);
  }
  FHolderControl = holder;
  FHolder = intf;
  UpdateEditReadOnly();
}

void TCustomDBEditEh::InplaceSetBounds(const TRect& bounds) {
  SetBoundsRect(bounds);
  Show();
  if (FHolderControl != nullptr && FHolderControl->Focused() && CanFocus()) SetFocus();
}

void TCustomDBEditEh::InplaceHide() {
  bool hadFocus = Focused();
  if (hadFocus && FHolderControl != nullptr && FHolderControl->CanFocus()) {
    FHolderControl->SetFocus();
  }
  SetBounds(Left(), Top(), 0, 0);
  Hide();
}

// ------------------------------------------------------------ focus and keys

void TCustomDBEditEh::DoEnter() {
  SetFocused(true);
  TCustomMaskEdit::DoEnter();
  if (AutoSelect() && GetKeyState(VK_LBUTTON) >= 0) SelectAll();
  SetActiveLook();
}

void TCustomDBEditEh::DoExit() {
  CloseMRUListbox(false);
  if (FDroppedDown) CloseUp(false);
  TCustomMaskEdit::DoExit();
  try {
    FDataLink->UpdateRecord();
  } catch (...) {
    SelectAll();
    if (CanFocus()) SetFocus();
    throw;
  }
  SetFocused(false);
  SetActiveLook();
}

void TCustomDBEditEh::KeyDown(unsigned& key, TShiftState shift) {
  if (FHolder != nullptr) {
    FHolder->InplaceEditKeyDown(this, key, shift);
    if (key == 0) return;
  }
  TCustomMaskEdit::KeyDown(key, shift);
  if (key == 0) return;
  if (TryShortCut(key, shift)) {
    key = 0;
    return;
  }
  if (key == 'A' && shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
    SelectAll();
    key = 0;
    return;
  }
  if ((key == VK_DELETE && !shift.Contains(ssShift)) ||
      (key == VK_INSERT && shift.Contains(ssShift))) {
    if (!FReadOnly) FDataLink->Edit();
  }
  if (key == VK_BACK && EditText().empty() && FMRUList->Active() && Showing() && !FDroppedDown &&
      !MRUListboxShown()) {
    FMRUList->DropDown(true);
  }
}

void TCustomDBEditEh::KeyPress(char32_t& key) {
  if (FHolder != nullptr) {
    FHolder->InplaceEditKeyPress(this, key);
    if (key == 0) return;
  }
  if (!IsOwnValue() && key > 31 && !IsValidChar(key)) {
    MessageBeep(0);
    key = 0;
    return;
  }
  if (key == 27) {
    if (MRUListboxShown()) {
      CloseMRUListbox(false);
      key = 0;
      return;
    }
    Reset();
    key = 0;
    return;
  }
  if ((key == 24 || key == 8 || key == 22 || key >= 32) && !FReadOnly) FDataLink->Edit();
  TCustomMaskEdit::KeyPress(key);
}

void TCustomDBEditEh::KeyUp(unsigned& key, TShiftState shift) {
  if (FHolder != nullptr) {
    FHolder->InplaceEditKeyUp(this, key, shift);
    if (key == 0) return;
  }
  TCustomMaskEdit::KeyUp(key, shift);
}

// ------------------------------------------------------------ painting

bool TCustomDBEditEh::RequiredStateShown() {
  if (!FHighlightRequired) return false;
  bool draw = false;
  if (!IsOwnValue()) {
    TField* f = Field();
    TDataSet* ds = FDataLink->DataSet();
    draw = f != nullptr && ds != nullptr && (ds->State() == dsEdit || ds->State() == dsInsert) &&
           f->Required() && f->IsNull();
  } else {
    draw = VarIsNull(FDataLink->DataIndependentValue()) ||
           VarIsEmpty(FDataLink->DataIndependentValue()) || Text().empty();
  }
  if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, draw);
  return draw;
}

void TCustomDBEditEh::DrawRequiredState(TCanvas& canvas) {
  if (!RequiredStateShown()) return;
  TRect r = GetEditRect();
  int y = ClientHeight() - 2;
  const TColor red = static_cast<TColor>(255);
  for (int x = r.Left + 2; x < r.Right - 3; x += 2)
    canvas.FillSolidRect(Rect(x, y, x + 1, y + 1), red);
}

void TCustomDBEditEh::Paint() {
  TCustomMaskEdit::Paint();
  TCanvas& c = *Canvas();
  // The area under the buttons.
  TRect edit = GetEditRect();
  if (edit.Right < ClientWidth())
    c.FillSolidRect(Rect(edit.Right, 0, ClientWidth(), ClientHeight()), Color());
  if (FEditImage && FEditImage->Visible() && FEditImage->Images() != nullptr &&
      FEditImage->ImageIndex() >= 0) {
    TRect ir = Rect(0, 0, edit.Left, ClientHeight());
    c.FillSolidRect(ir, Color());
    InflateRect(ir, -2, -1);
    TCustomImageList* images = FEditImage->Images();
    images->Draw(&c, ir.Left, ir.Top + (ir.Height() - images->Height()) / 2,
                 FEditImage->ImageIndex(), Enabled());
  }
  DrawRequiredState(c);
}

void TCustomDBEditEh::PaintFlatBorder(TCanvas& canvas) {
  TRect w = GetWindowRect(Handle());
  TRect r = Rect(0, 0, w.Width(), w.Height());
  if (ActiveLook()) {
    DrawEdge(canvas, r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  } else {
    Frame3D(canvas, r, clBtnFace, clBtnFace, 1);
  }
  Frame3D(canvas, r, clBtnFace, clBtnFace, 1);
}

// ------------------------------------------------------------ messages

void TCustomDBEditEh::WndProc(TMessage& message) {
  if (FHolder != nullptr) {
    FHolder->InplaceEditWndProc(this, message);
    if (message.Msg == WM_LBUTTONDOWN) {
      // The holder's own click just before this one makes a double click.
      TPoint holderPos;
      std::uint32_t holderTime = 0;
      FHolder->GetMouseDownInfo(holderPos, holderTime);
      TPoint p = ClientToScreen(LParamToPoint(message.LParam));
      if (GetTickCount() - holderTime <= GetDoubleClickTime() &&
          std::abs(p.X - holderPos.X) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
          std::abs(p.Y - holderPos.Y) <= GetSystemMetrics(SM_CYDOUBLECLK)) {
        message.Msg = WM_LBUTTONDBLCLK;
      }
    }
  }
  switch (message.Msg) {
    case CM_GETDATALINK:
      message.Result = reinterpret_cast<LRESULT>(FDataLink.get());
      return;
    case WM_GETDLGCODE: {
      unsigned code = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      if (FWantTabs) code |= DLGC_WANTTAB;
      // Esc is wanted only while there is a change to give up (below).
      if (FWantReturns && message.WParam != VK_ESCAPE) code |= DLGC_WANTALLKEYS;
      message.Result = code;
      return;
    }
    case CM_WANTSPECIALKEY: {
      unsigned key = static_cast<unsigned>(message.WParam);
      if ((key == VK_RETURN || key == VK_ESCAPE) && MRUListboxShown() &&
          FMRUListbox->ItemIndex() >= 0) {
        message.Result = 1;
        return;
      }
      if (key == VK_ESCAPE && Modified()) {
        message.Result = 1;
        return;
      }
      break;
    }
    case WM_CHAR: {
      char32_t ch = static_cast<char32_t>(message.WParam);
      if (FSwallowChar != 0) {
        bool swallow = ch == FSwallowChar;
        FSwallowChar = 0;
        if (swallow) return;
      }
      if ((ch == 13 && !FWantReturns) || (ch == 9 && !FWantTabs) || ch == 10) {
        if (ch == 13 && MRUListboxShown()) CloseMRUListbox(true);
        return;
      }
      break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (MRUListboxShown()) {
        unsigned key = static_cast<unsigned>(message.WParam);
        bool ctrl = GetKeyState(VK_CONTROL) < 0;
        bool alt = GetKeyState(VK_MENU) < 0;
        if (!alt && (key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN ||
                     (ctrl && (key == VK_HOME || key == VK_END)))) {
          FMRUListbox->Perform(WM_KEYDOWN, message.WParam, message.LParam);
          return;
        }
        if (key == VK_RETURN || key == VK_ESCAPE) {
          CloseMRUListbox(key == VK_RETURN);
          SwallowNextChar(key == VK_RETURN ? 13 : 27);
          return;
        }
      }
      break;
    case WM_MOUSEWHEEL:
      if (MRUListboxShown()) {
        FMRUListbox->Perform(message);
        return;
      }
      break;
    case WM_CUT:
    case WM_PASTE:
    case WM_UNDO:
      // As the keys do: a read-only box does not start an edit.
      if (FReadOnly) return;
      FDataLink->Edit();
      break;
    case CM_EDITIMAGECHANGEDEH:
      UpdateFixedHeight();
      UpdateEditButtonControlsList();
      return;
    case CM_SYSCOLORCHANGE:
      ClearButtonsBitmapCache();
      break;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
      UpdateEditButtonControlsState();
      break;
    case CM_FONTCHANGED:
      TCustomMaskEdit::WndProc(message);
      UpdateFixedHeight();
      UpdateEditButtonControlsList();
      return;
    case CM_MOUSEENTER:
      FMouseAboveControl = true;
      SetActiveLook();
      break;
    case CM_MOUSELEAVE:
      FMouseAboveControl = false;
      SetActiveLook();
      break;
    case CM_CANCELMODE: {
      TControl* sender = TCMCancelMode{message}.Sender();
      if (sender != this && (sender == nullptr || !ContainsControl(sender)) &&
          sender != FMRUListbox) {
        CloseMRUListbox(false);
      }
      break;
    }
    case WM_KILLFOCUS:
      CloseMRUListbox(false);
      break;
    case CM_EDITBUTTONMENUCLOSEDEH:
      return;
    case CM_HINTSHOW:
      if (FTooltips) {
        auto* info = reinterpret_cast<THintInfo*>(message.LParam);
        if (info != nullptr && !TextFits()) {
          info->HintStr = EditText();
          info->HintPos = ClientToScreen({0, Height()});
          message.Result = 0;
          return;
        }
        if (!FEditorShowHint) {
          message.Result = 1;
          return;
        }
      }
      break;
    default:
      break;
  }
  TCustomMaskEdit::WndProc(message);
  if ((message.Msg == CM_ENABLEDCHANGED || message.Msg == CM_VISIBLECHANGED ||
       message.Msg == CM_SHOWINGCHANGED) &&
      (!Enabled() || !Showing())) {
    // A drop-down never outlives its owner's being usable.
    CloseMRUListbox(false);
    if (FDroppedDown) CloseUp(false);
  }
  if (message.Msg == WM_NCPAINT && FFlat && BorderStyle() == bsSingle && HandleAllocated()) {
    if (auto* canvas = reinterpret_cast<TCanvas*>(message.WParam)) PaintFlatBorder(*canvas);
  }
  if (message.Msg == WM_SETFOCUS || message.Msg == WM_KILLFOCUS) SetActiveLook();
  if (message.Msg == CM_TEXTCHANGED || message.Msg == WM_CHAR) FTextChanged = false;
}
