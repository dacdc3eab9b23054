#include "controls/db_check_box.h"

#include "controls/edit_buttons.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"

namespace {

// The check image of the classic system bitmap: 13 x 13.
constexpr int kCheckSize = 13;

std::string FirstEntry(const std::string& list) {
  std::size_t p = list.find(';');
  return p == std::string::npos ? list : list.substr(0, p);
}

}  // namespace

bool CheckBoxTextMatchesEh(const std::string& text, const std::string& list) {
  std::size_t start = 0;
  while (true) {
    std::size_t p = list.find(';', start);
    std::string entry = list.substr(start, p == std::string::npos ? std::string::npos : p - start);
    if (AnsiCompareText(text, entry) == 0) return true;
    if (p == std::string::npos) return false;
    start = p + 1;
  }
}

TCustomDBCheckBoxEh::TCustomDBCheckBoxEh(TComponent* owner)
    : TButtonControl(owner), FDataLink(std::make_unique<TFieldDataLinkEh>(this)) {
  SetBounds(Left(), Top(), 97, 17);
  SetTabStop(true);
  SetParentColor(true);
  TControlStyle style = ControlStyle();
  style.Include(csReplicatable);
  style.Exclude(csDoubleClicks);
  SetControlStyle(style);
  FDataLink->OnDataChange = [this](TFieldDataLinkEh*) { DataChange(); };
  FDataLink->OnUpdateData = [this](TFieldDataLinkEh*) { DoUpdateData(); };
  FDataLink->SetValue(false);
}

TCustomDBCheckBoxEh::~TCustomDBCheckBoxEh() = default;

void TCustomDBCheckBoxEh::Notification(TComponent* component, TOperation operation) {
  TButtonControl::Notification(component, operation);
  if (operation == opRemove && FDataLink != nullptr && component == FDataLink->DataSource()) {
    FDataLink->SetDataSource(nullptr);
  }
}

void TCustomDBCheckBoxEh::SetDataSource(TDataSource* value) {
  FDataLink->SetDataSource(value);
  if (value != nullptr) value->FreeNotification(this);
  DataChange();
}

void TCustomDBCheckBoxEh::SetDataField(const std::string& value) {
  FDataLink->SetFieldName(value);
  DataChange();
}

void TCustomDBCheckBoxEh::SetAlignment(TAlignment value) {
  if (FAlignment == value) return;
  FAlignment = value;
  Invalidate();
}

void TCustomDBCheckBoxEh::SetAlwaysShowBorder(bool value) {
  if (FAlwaysShowBorder == value) return;
  FAlwaysShowBorder = value;
  Invalidate();
}

void TCustomDBCheckBoxEh::SetFlat(bool value) {
  if (FFlat == value) return;
  FFlat = value;
  Invalidate();
}

void TCustomDBCheckBoxEh::SetValueChecked(const std::string& value) {
  FValueChecked = value;
  DataChange();
}

void TCustomDBCheckBoxEh::SetValueUnchecked(const std::string& value) {
  FValueUnchecked = value;
  DataChange();
}

TCheckBoxState TCustomDBCheckBoxEh::ReadState() const {
  if (IsOwnValue()) {
    const Variant& v = FDataLink->DataIndependentValue();
    if (VarType(v) != varBoolean) return cbGrayed;
    return v.AsBoolean() ? cbChecked : cbUnchecked;
  }
  TField* field = FDataLink->Field();
  if (field == nullptr || field->IsNull()) return cbGrayed;
  if (dynamic_cast<TBooleanField*>(field) != nullptr) {
    return field->AsBoolean() ? cbChecked : cbUnchecked;
  }
  std::string text = field->EditText();
  if (CheckBoxTextMatchesEh(text, FValueChecked)) return cbChecked;
  if (CheckBoxTextMatchesEh(text, FValueUnchecked)) return cbUnchecked;
  return cbGrayed;
}

void TCustomDBCheckBoxEh::DataChange() {
  SetState(ReadState());
  FStateChanged = false;
}

void TCustomDBCheckBoxEh::SetState(TCheckBoxState value) {
  if (FState == value) return;
  FState = value;
  if (!ClicksDisabled()) Click();
  Invalidate();
  FStateChanged = true;
}

void TCustomDBCheckBoxEh::SetStateValue(TCheckBoxState value) {
  if (!IsOwnValue()) {
    // Half-bound: nothing to write into.
    if (FDataLink->Field() == nullptr || !FDataLink->Active()) return;
    FDataLink->Edit();
  }
  SetState(value);
  if (!FInUpdateDataEvent) {
    FDataLink->Modified();
    DoUpdateData();
  }
}

void TCustomDBCheckBoxEh::DoUpdateData() {
  bool handled = false;
  if (OnUpdateData) {
    TFlagGuard inEvent(FInUpdateDataEvent);
    OnUpdateData(this, handled);
  }
  if (!handled) UpdateData();
}

void TCustomDBCheckBoxEh::UpdateData() {
  if (IsOwnValue()) {
    FDataLink->SetValue(FState == cbGrayed ? Variant::Null() : Variant(FState == cbChecked));
    return;
  }
  TField* field = FDataLink->Field();
  if (field == nullptr) return;
  if (FState == cbGrayed) {
    field->Clear();
  } else if (dynamic_cast<TBooleanField*>(field) != nullptr) {
    field->SetAsBoolean(FState == cbChecked);
  } else {
    field->SetEditText(FirstEntry(FState == cbChecked ? FValueChecked : FValueUnchecked));
  }
}

void TCustomDBCheckBoxEh::Toggle() {
  if (!FDataLink->Edit()) return;
  switch (FState) {
    case cbUnchecked:
      SetState(FAllowGrayed ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
  FDataLink->Modified();
  Invalidate();
}

void TCustomDBCheckBoxEh::PressCompleted() {
  // A click that could not take the focus is dropped.
  if (TabStop() && !Focused() && CanFocus()) return;
  Toggle();
}

void TCustomDBCheckBoxEh::AccelPressed() {
  SetFocus();
  if (Focused()) Toggle();
}

void TCustomDBCheckBoxEh::KeyDown(unsigned& key, TShiftState shift) {
  TButtonControl::KeyDown(key, shift);
  if (key == VK_BACK || key == VK_SPACE) {
    if (!ReadOnly()) FDataLink->Edit();
  } else if (key == VK_ESCAPE && FStateChanged) {
    FDataLink->Reset();
    key = 0;
  }
}

void TCustomDBCheckBoxEh::KeyPress(char32_t& key) {
  TButtonControl::KeyPress(key);
  if (key == 27 && FStateChanged) key = 0;
}

void TCustomDBCheckBoxEh::DoExit() {
  try {
    FDataLink->UpdateRecord();
  } catch (...) {
    SetFocus();
    throw;
  }
  TButtonControl::DoExit();
}

void TCustomDBCheckBoxEh::Paint() { PaintControl(*Canvas()); }

void TCustomDBCheckBoxEh::PaintControl(TCanvas& canvas) {
  DrawState(canvas, FState, Pressed(), FMouseInControl);
}

void TCustomDBCheckBoxEh::DrawState(TCanvas& canvas, TCheckBoxState state, bool pressed, bool hot) {
  TRect client = ClientRect();
  canvas.Brush()->SetColor(Color());
  canvas.FillRect(client);
  int size = std::min({kCheckSize, client.Width(), client.Height()});
  int top = (client.Height() - size) / 2;
  TRect check;
  TRect caption;
  if (FAlignment == taRightJustify) {
    check = Rect(0, top, size, top + size);
    caption = Rect(size + 5, 0, client.Right, client.Bottom);
  } else {
    check = Rect(client.Right - size, top, client.Right, top + size);
    caption = Rect(0, 0, client.Right - size - 5, client.Bottom);
  }
  DrawCheck(canvas, check, state, pressed, hot);
  DrawCaption(canvas, caption, FAlignment);
}

void TCustomDBCheckBoxEh::DrawCheck(TCanvas& canvas, const TRect& rect, TCheckBoxState state,
                                    bool pressed, bool hot) {
  PaintButtonControlEh(canvas, rect, Color(), bcsCheckboxEh, pressed ? 1 : 0, FFlat,
                       pressed || hot || FAlwaysShowBorder, Enabled(), state);
}

void TCustomDBCheckBoxEh::DrawCaption(TCanvas& canvas, const TRect& rect, TAlignment alignment) {
  (void)alignment;
  canvas.SetFont(Font());
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetTextColor(Enabled() ? Font()->Color() : TColor(clGrayText));
  TRect r = rect;
  DrawText(canvas, Caption(), r, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (Focused() && !Caption().empty()) {
    TRect measure = rect;
    DrawText(canvas, Caption(), measure, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_CALCRECT);
    TRect focus = Rect(measure.Left - 1, (rect.Top + rect.Bottom - measure.Height()) / 2 - 1,
                       std::min(measure.Right + 1, rect.Right), 0);
    focus.Bottom = focus.Top + measure.Height() + 2;
    DrawFocusRect(canvas, focus);
  }
}

void TCustomDBCheckBoxEh::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_GETDATALINK:
      message.Result = reinterpret_cast<LRESULT>(FDataLink.get());
      return;
    case CM_WANTSPECIALKEY:
      if (message.WParam == VK_ESCAPE && FStateChanged) {
        message.Result = 1;
        return;
      }
      break;
    case CM_MOUSEENTER:
      FMouseInControl = true;
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      FMouseInControl = false;
      Invalidate();
      break;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TButtonControl::WndProc(message);
}
