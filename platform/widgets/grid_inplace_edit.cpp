#include "platform/widgets/grid_inplace_edit.h"

#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/cursors.h"
#include "platform/gui/services.h"
#include "platform/widgets/grids.h"

TInplaceEdit::TInplaceEdit(TComponent* owner) : TCustomMaskEdit(owner) {
  FGrid = dynamic_cast<TCustomGrid*>(owner);
  SetTabStop(false);
  SetVisible(false);
  SetAutoSize(false);
  SetBorderStyle(bsNone);
  SetCursor(crIBeam);
  SetBounds(0, 0, 0, 0);
}

void TInplaceEdit::CreateParams(TCreateParams& params) {
  TCustomMaskEdit::CreateParams(params);
  params.Style &= ~WS_TABSTOP;
}

void TInplaceEdit::Deselect() { SetSelStart(Length(EditText())); }

void TInplaceEdit::Hide() {
  if (!Visible()) return;
  bool hadFocus = HandleAllocated() && GetFocus() == Handle();
  SetVisible(false);
  // The focus goes back to the grid rather than to nowhere.
  if (hadFocus && FGrid != nullptr && FGrid->CanFocus()) FGrid->SetFocus();
}

void TInplaceEdit::Move(const TRect& loc) {
  SetBounds(loc.Left, loc.Top, loc.Width(), loc.Height());
  BoundsChanged();
  SetVisible(true);
  if (FGrid != nullptr && FGrid->HandleAllocated() && GetFocus() == FGrid->Handle() && CanFocus())
    SetFocus();
}

void TInplaceEdit::BoundsChanged() { SetEditRect({2, 2, Width() - 2, Height()}); }

void TInplaceEdit::SetEditRect(const TRect& value) { Perform(EM_SETRECTNP, 0, AsParam(&value)); }

void TInplaceEdit::UpdateContents() {
  if (FGrid == nullptr) return;
  {
    TFlagGuard updating(FUpdating);
    SetEditMask(FGrid->GetEditMask(FGrid->Col(), FGrid->Row()));
    SetText(FGrid->GetEditText(FGrid->Col(), FGrid->Row()));
    SetMaxLength(FGrid->GetEditLimit());
  }
  SetModified(false);
}

bool TInplaceEdit::EditCanModify() {
  return TCustomMaskEdit::EditCanModify() && (FGrid == nullptr || FGrid->CanEditModify());
}

void TInplaceEdit::Change() {
  TCustomMaskEdit::Change();
  if (!FUpdating && FGrid != nullptr) FGrid->UpdateText();
}

void TInplaceEdit::SendToParent(unsigned& key, TShiftState shift) {
  if (FGrid != nullptr) FGrid->KeyDown(key, shift);
  key = 0;
}

void TInplaceEdit::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
    return;
  }
  TCustomMaskEdit::WndProc(message);
}

void TInplaceEdit::KeyDown(unsigned& key, TShiftState shift) {
  const int n = Length(EditText());
  const bool ctrl = shift.Contains(ssCtrl);
  // Left/Right/Home/End leave the cell only from the end of the text they
  // point past (or when all of it is selected), so that the caret can
  // still move inside it. A masked caret is its selected character.
  const bool all = SelLength() == n;
  const int caretLength = IsMasked() ? 1 : 0;
  const bool atStart = (SelStart() == 0 && SelLength() <= caretLength) || all;
  const bool atEnd = (SelStart() == n && SelLength() == 0) || all;
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
      SendToParent(key, shift);
      break;
    case VK_F2:
      // Already editing: F2 drops the selection and leaves the caret at
      // the end, ready to append.
      SendToParent(key, shift);
      Deselect();
      break;
    case VK_TAB:
      if (!shift.Contains(ssAlt)) SendToParent(key, shift);
      break;
    case VK_INSERT:
      if (shift.Empty()) SendToParent(key, shift);
      break;
    case VK_LEFT:
    case VK_HOME:
      if (ctrl || (atStart && !shift.Contains(ssShift))) SendToParent(key, shift);
      break;
    case VK_RIGHT:
    case VK_END:
      if (ctrl || (atEnd && !shift.Contains(ssShift))) SendToParent(key, shift);
      break;
    case VK_DELETE:
      if (ctrl) SendToParent(key, shift);
      break;
    default:
      break;
  }
  if (key != 0) TCustomMaskEdit::KeyDown(key, shift);
}

void TInplaceEdit::KeyPress(char32_t& key) {
  if (key == U'\r') {
    // The grid's Enter: editing ends, or an always-shown editor selects
    // its text again.
    if (FGrid != nullptr) {
      char32_t k = key;
      FGrid->KeyPress(k);
      if (FGrid->Options().Contains(goAlwaysShowEditor)) SelectAll();
    }
    key = 0;
    return;
  }
  if (key == U'\t' || key == 27) {
    key = 0;
    return;
  }
  if (FGrid != nullptr && key >= 32 && !FGrid->CanEditAcceptKey(key)) {
    key = 0;
    MessageBeep();
    return;
  }
  TCustomMaskEdit::KeyPress(key);
}

void TInplaceEdit::DoEnter() {
  TCustomMaskEdit::DoEnter();
  if (FGrid != nullptr) FGrid->InvalidateCell(FGrid->Col(), FGrid->Row());
}
