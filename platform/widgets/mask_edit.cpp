#include "platform/widgets/mask_edit.h"

#include <algorithm>

#include "platform/base/text.h"
#include "platform/gui/services.h"

TCustomMaskEdit::TCustomMaskEdit(TComponent* owner) : TCustomEdit(owner) {}

// ---------------------------------------------------------------- text

void TCustomMaskEdit::SetEditMask(const std::string& value) {
  if (value == FMask.EditMask()) return;
  // The value survives the change of mask: it is read under the old mask
  // and placed into the new one.
  const std::string oldValue = Text();
  FMask = TEditMask(value);
  if (IsMasked()) {
    SetEditText(FMask.EditTextFromText(oldValue));
  } else {
    TCustomEdit::SetText(oldValue);
  }
  TextChanged();
}

void TCustomMaskEdit::SetEditText(const std::string& value) {
  // DeleteRange of nothing gives the text at exactly the mask's length.
  TCustomEdit::SetText(IsMasked() ? FMask.DeleteRange(value, 0, 0) : value);
  CheckCursor();
}

const std::string& TCustomMaskEdit::GetText() const {
  return IsMasked() ? FValue : TCustomEdit::GetText();
}

void TCustomMaskEdit::SetText(const std::string& value) {
  if (!IsMasked()) {
    TCustomEdit::SetText(value);
    return;
  }
  SetEditText(FMask.EditTextFromText(value));
}

void TCustomMaskEdit::TextChanged() {
  if (IsMasked()) {
    FValue = FMask.TextFromEditText(EditText());
  } else {
    FValue.clear();
  }
  TCustomEdit::TextChanged();
}

// ----------------------------------------------------------- validation

int TCustomMaskEdit::Validate(const std::string& value) { return FMask.Validate(value); }

void TCustomMaskEdit::ValidateError() {
  MessageBeep(0);
  throw EDBEditError(kMaskEditErrorText);
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked() || !Modified()) return;
  const int pos = Validate(EditText());
  if (pos < 0) return;
  // Leaving is refused: the box takes the focus back without its entry
  // taking a new Reset point.
  if (!Focused() && CanFocus()) {
    FReEnter = true;
    SetFocus();
  }
  SetCursor(pos);
  ValidateError();
}

void TCustomMaskEdit::Reset() {
  if (!Modified()) return;
  SetEditText(FOldValue);
  SetModified(false);
}

// --------------------------------------------------------------- caret

void TCustomMaskEdit::SetCursor(int pos) {
  pos = std::clamp(pos, 0, EditLen());
  SetSel(pos, std::min(pos + 1, EditLen()));
}

void TCustomMaskEdit::CheckCursor() {
  if (IsMasked() && SelLength() == 0) SetCursor(SelStart());
}

void TCustomMaskEdit::ArrowKeys(unsigned key, TShiftState shift) {
  if (shift.Contains(ssCtrl)) return;  // words: the edit's own moves
  const int a = SelStart();
  const int b = a + SelLength();
  if (shift.Contains(ssShift)) {
    // Extending leftwards from the caret's character keeps that character
    // in the selection.
    if (key == VK_LEFT && b - a == 1 && CaretPos() == b) SetSel(b, a);
    return;
  }
  if (b - a > 1) {
    // A selection collapses onto the character at its moving end.
    int caret = CaretPos();
    if (caret == b) --caret;
    SetCursor(caret);
  } else if (key == VK_LEFT) {
    SetCursor(FMask.PriorEditable(a - 1));
  } else if (a == b) {
    SetCursor(a);
  } else {
    SetCursor(FMask.NextEditable(a + 1));
  }
}

void TCustomMaskEdit::HomeEndKeys(unsigned key, TShiftState shift) {
  const int a = SelStart();
  const int b = a + SelLength();
  const int anchor = CaretPos() == a ? b : a;
  if (key == VK_HOME) {
    if (shift.Contains(ssShift)) {
      SetSel(b - a == 1 ? b : anchor, 0);
    } else {
      SetCursor(0);
    }
  } else if (shift.Contains(ssShift)) {
    SetSel(b - a == 1 ? a : anchor, EditLen());
  } else {
    SetCursor(EditLen());
  }
}

// ------------------------------------------------------------- editing

void TCustomMaskEdit::ApplyEdit(const std::string& text, int caret) {
  const std::u32string now = Utf8ToUtf32(EditText());
  const std::u32string next = Utf8ToUtf32(text);
  if (now != next) {
    // Only the span that differs is replaced, so that undo and the
    // edit's change path see one ordinary replacement.
    std::size_t i = 0;
    const std::size_t n = std::min(now.size(), next.size());
    while (i < n && now[i] == next[i]) ++i;
    std::size_t j = now.size();
    std::size_t k = next.size();
    while (j > i && k > i && now[j - 1] == next[k - 1]) {
      --j;
      --k;
    }
    SetSel(static_cast<int>(i), static_cast<int>(j));
    ReplaceSel(Utf32ToUtf8(next.substr(i, k - i)), true, false, true);
  }
  SetCursor(caret);
}

void TCustomMaskEdit::DeleteKeys(unsigned key) {
  int a = SelStart();
  int b = a + SelLength();
  if (b - a <= 1 && key == VK_BACK) {
    const int prior = FMask.PriorEditable(a - 1);
    if (prior >= a) return;  // nothing editable before the caret
    a = prior;
    b = prior + 1;
  } else if (b == a) {
    b = std::min(a + 1, EditLen());  // a caret set without its character
  }
  if (b - a < 1) return;
  const std::string text = FMask.DeleteRange(EditText(), a, b - a);
  ApplyEdit(text, b - a == 1 ? a : FMask.NextEditable(a));
}

bool TCustomMaskEdit::JustPassedLiteral(int pos, char32_t ch) const {
  if (FMask.IsLiteral(pos)) return false;
  for (int k = pos - 1; FMask.IsLiteral(k); --k) {
    if (FMask.Position(k).LiteralChar == ch) return true;
  }
  return false;
}

void TCustomMaskEdit::InputChar(char32_t ch) {
  if (!EditCanModify()) {
    MessageBeep(0);
    return;
  }
  std::string text = EditText();
  int a = SelStart();
  const int len = SelLength();
  if (len > 1) {
    text = FMask.DeleteRange(text, a, len);
    a = FMask.NextEditable(a);
  }
  if (JustPassedLiteral(a, ch)) {
    ApplyEdit(text, a);
    return;
  }
  if (std::optional<TMaskInput> r = FMask.InsertChar(text, a, ch)) {
    ApplyEdit(r->EditText, r->Caret);
    return;
  }
  MessageBeep(0);
  if (len > 1) ApplyEdit(text, a);
}

void TCustomMaskEdit::PasteText(const std::string& value) {
  if (!EditCanModify()) {
    MessageBeep(0);
    return;
  }
  if (value.empty()) return;
  const int a = SelStart();
  std::string text = FMask.DeleteRange(EditText(), a, SelLength());
  int pos = a;
  bool any = false;
  for (char32_t ch : Utf8ToUtf32(value)) {
    if (pos >= EditLen()) break;
    if (JustPassedLiteral(pos, ch)) continue;
    if (std::optional<TMaskInput> r = FMask.InsertChar(text, pos, ch)) {
      text = std::move(r->EditText);
      pos = r->Caret;
      any = true;
    }
  }
  if (!any) {
    MessageBeep(0);
    return;
  }
  ApplyEdit(text, pos);
}

void TCustomMaskEdit::CutOrClear(bool cut) {
  if (SelLength() == 0 || (cut && PasswordChar() != 0)) return;
  if (!EditCanModify()) {
    MessageBeep(0);
    return;
  }
  if (cut) SetClipboardText(SelText());
  const int a = SelStart();
  ApplyEdit(FMask.DeleteRange(EditText(), a, SelLength()), FMask.NextEditable(a));
}

// ------------------------------------------------------------ messages

void TCustomMaskEdit::KeyDown(unsigned& key, TShiftState shift) {
  TCustomEdit::KeyDown(key, shift);
  if (!IsMasked() || key == 0 || shift.Contains(ssAlt)) return;
  const bool shiftOrCtrl = shift.Contains(ssShift) || shift.Contains(ssCtrl);
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
      ArrowKeys(key, shift);
      if (!shiftOrCtrl) key = 0;
      break;
    case VK_UP:
    case VK_DOWN:
      if (!MultiLine()) key = 0;
      break;
    case VK_HOME:
    case VK_END:
      HomeEndKeys(key, shift);
      key = 0;
      break;
    case VK_DELETE:
      if (shift.Contains(ssShift)) break;  // cut, through WM_CUT
      [[fallthrough]];
    case VK_BACK:
      // Ctrl+Delete too: deleting a word would shift the positions.
      if (EditCanModify()) {
        DeleteKeys(key);
      } else {
        MessageBeep(0);
      }
      key = 0;
      break;
    default:
      break;
  }
}

void TCustomMaskEdit::KeyPress(char32_t& key) {
  TCustomEdit::KeyPress(key);
  if (!IsMasked() || key == 0) return;
  if (key == 27) {
    if (Modified()) {
      Reset();
      key = 0;
    }
  } else if (key == 8) {
    key = 0;  // done on the key's press
  } else if (key >= 32 && key != 127) {
    InputChar(key);
    key = 0;
  }
}

void TCustomMaskEdit::DoEnter() {
  if (!FReEnter) {
    FOldValue = EditText();
    TCustomEdit::DoEnter();
  }
  FReEnter = false;
  CheckCursor();
}

void TCustomMaskEdit::DoExit() {
  if (IsMasked()) {
    ValidateEdit();
    CheckCursor();
  }
  TCustomEdit::DoExit();
}

void TCustomMaskEdit::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomEdit::MouseUp(button, shift, x, y);
  if (button == mbLeft) CheckCursor();
}

void TCustomMaskEdit::WndProc(TMessage& message) {
  if (message.Msg == CM_WANTSPECIALKEY) {
    TCustomEdit::WndProc(message);
    // Esc belongs to the box while it can give back the text.
    if (TCMWantSpecialKey{message}.CharCode() == VK_ESCAPE && IsMasked() && Modified())
      message.Result = 1;
    return;
  }
  TCustomEdit::WndProc(message);
}

void TCustomMaskEdit::DefaultHandler(TMessage& message) {
  if (!IsMasked()) {
    TCustomEdit::DefaultHandler(message);
    return;
  }
  switch (message.Msg) {
    case WM_SETTEXT:
      // The window's text is the edit text.
      if (auto* in = LParamAs<const std::string>(message.LParam)) SetEditText(*in);
      message.Result = 1;
      return;
    case WM_CUT:
    case WM_CLEAR:
      CutOrClear(message.Msg == WM_CUT);
      return;
    case WM_PASTE:
      PasteText(GetClipboardText());
      return;
    case WM_KEYDOWN:
      TCustomEdit::DefaultHandler(message);
      CheckCursor();
      return;
    default:
      break;
  }
  TCustomEdit::DefaultHandler(message);
}
