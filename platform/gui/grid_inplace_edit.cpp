#include "platform/gui/grid_inplace_edit.h"

#include <algorithm>

#include "platform/base/text.h"
#include "platform/gui/grids.h"
#include "platform/gui/services.h"

TInplaceEdit::TInplaceEdit(TComponent* owner) : TCustomControl(owner) {
  FGrid = dynamic_cast<TCustomGrid*>(owner);
  SetTabStop(false);
  SetVisible(false);
  SetColor(clWindow);
  SetCursor(-4);  // crIBeam
  SetBounds(0, 0, 0, 0);
}

void TInplaceEdit::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style &= ~WS_TABSTOP;
}

int TInplaceEdit::CharCount() const { return Length(Text()); }

void TInplaceEdit::SetText(const std::string& value) {
  if (value == Text()) return;
  TCustomControl::SetText(value);
  int n = CharCount();
  FSelStart = std::min(FSelStart, n);
  FSelLength = std::min(FSelLength, n - FSelStart);
  Changed();
}

void TInplaceEdit::Changed() {
  Invalidate();
  if (FUpdating || FGrid == nullptr) return;
  FGrid->UpdateText();
}

void TInplaceEdit::SelectAll() {
  FSelStart = 0;
  FSelLength = CharCount();
  Invalidate();
}

void TInplaceEdit::SetSelStart(int value) {
  FSelStart = std::clamp(value, 0, CharCount());
  FSelLength = 0;
  Invalidate();
}

void TInplaceEdit::SetSelLength(int value) {
  FSelLength = std::clamp(value, 0, CharCount() - FSelStart);
  Invalidate();
}

std::string TInplaceEdit::SelText() const {
  std::u32string t = Utf8ToUtf32(Text());
  return Utf32ToUtf8(
      t.substr(static_cast<std::size_t>(FSelStart), static_cast<std::size_t>(FSelLength)));
}

void TInplaceEdit::Deselect() {
  FSelStart = CharCount();
  FSelLength = 0;
  Invalidate();
}

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

void TInplaceEdit::BoundsChanged() { FEditRect = {2, 2, Width() - 2, Height()}; }

void TInplaceEdit::SetEditRect(const TRect& value) {
  if (value == FEditRect) return;
  FEditRect = value;
  Invalidate();
}

void TInplaceEdit::UpdateContents() {
  if (FGrid == nullptr) return;
  FUpdating = true;
  try {
    SetEditMask(FGrid->GetEditMask(FGrid->Col(), FGrid->Row()));
    SetText(FGrid->GetEditText(FGrid->Col(), FGrid->Row()));
    SetMaxLength(FGrid->GetEditLimit());
  } catch (...) {
    FUpdating = false;
    throw;
  }
  FUpdating = false;
  FModified = false;
}

bool TInplaceEdit::EditCanModify() { return FGrid == nullptr || FGrid->CanEditModify(); }

void TInplaceEdit::SendToParent(unsigned& key, TShiftState shift) {
  if (FGrid != nullptr) FGrid->KeyDown(key, shift);
  key = 0;
}

void TInplaceEdit::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

void TInplaceEdit::KeyDown(unsigned& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  const int n = CharCount();
  const bool ctrl = shift.Contains(ssCtrl);
  // Left/Right/Home/End leave the cell only from the end of the text they
  // point past, so that the caret can still move inside it.
  const bool atStart = FSelStart == 0 && (FSelLength == 0 || FSelLength == n);
  const bool atEnd = FSelStart + FSelLength == n && (FSelLength == 0 || FSelLength == n);
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
    case VK_F2:
      SendToParent(key, shift);
      return;
    case VK_TAB:
      if (!shift.Contains(ssAlt)) SendToParent(key, shift);
      return;
    case VK_INSERT:
      if (shift.Empty()) SendToParent(key, shift);
      return;
    case VK_LEFT:
    case VK_HOME:
      if (ctrl || atStart) {
        SendToParent(key, shift);
        return;
      }
      break;
    case VK_RIGHT:
    case VK_END:
      if (ctrl || atEnd) {
        SendToParent(key, shift);
        return;
      }
      break;
    case VK_DELETE:
      if (ctrl) {
        SendToParent(key, shift);
        return;
      }
      if (!EditCanModify()) {
        key = 0;
        return;
      }
      break;
    default:
      return;
  }
  // Caret keys and Delete inside the text.
  const bool extend = shift.Contains(ssShift);
  int anchor = FSelStart;
  int caret = FSelStart + FSelLength;
  switch (key) {
    case VK_LEFT:
      caret = extend ? caret - 1 : (FSelLength > 0 ? FSelStart : caret - 1);
      break;
    case VK_RIGHT:
      caret = extend ? caret + 1 : (FSelLength > 0 ? caret : caret + 1);
      break;
    case VK_HOME:
      caret = 0;
      break;
    case VK_END:
      caret = n;
      break;
    case VK_DELETE:
      if (FSelLength == 0) {
        if (FSelStart >= n) return;
        FSelLength = 1;
      }
      ReplaceSelection(U"");
      key = 0;
      return;
    default:
      return;
  }
  caret = std::clamp(caret, 0, n);
  if (!extend) anchor = caret;
  FSelStart = std::min(anchor, caret);
  FSelLength = std::abs(caret - anchor);
  key = 0;
  Invalidate();
}

void TInplaceEdit::KeyPress(char32_t& key) {
  TCustomControl::KeyPress(key);
  if (key == 0) return;
  if (key == U'\r') {
    // The grid's Enter (editor off, or for an always-shown editor the
    // text selected again).
    if (FGrid != nullptr) {
      char32_t k = key;
      FGrid->KeyPress(k);
    }
    if (FGrid != nullptr && FGrid->Options().Contains(goAlwaysShowEditor)) SelectAll();
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
  if (key == 8) {
    key = 0;
    if (!EditCanModify()) return;
    if (FSelLength == 0) {
      if (FSelStart == 0) return;
      --FSelStart;
      FSelLength = 1;
    }
    ReplaceSelection(U"");
    return;
  }
  if (key < 32) return;
  char32_t ch = key;
  key = 0;
  if (!EditCanModify()) return;
  if (FMaxLength > 0 && CharCount() - FSelLength >= FMaxLength) {
    MessageBeep();
    return;
  }
  ReplaceSelection(std::u32string(1, ch));
}

void TInplaceEdit::ReplaceSelection(const std::u32string& text) {
  std::u32string t = Utf8ToUtf32(Text());
  t.replace(static_cast<std::size_t>(FSelStart), static_cast<std::size_t>(FSelLength), text);
  FSelStart += static_cast<int>(text.size());
  FSelLength = 0;
  FModified = true;
  TCustomControl::SetText(Utf32ToUtf8(t));
  Changed();
}

void TInplaceEdit::DoEnter() {
  TCustomControl::DoEnter();
  if (FGrid != nullptr) FGrid->InvalidateCell(FGrid->Col(), FGrid->Row());
}

void TInplaceEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  // The caret goes to the character boundary nearest the click.
  TCanvas& c = *Canvas();
  c.SetFont(Font());
  std::vector<int> adv = c.CharAdvances(Text());
  int pos = FEditRect.Left;
  int index = 0;
  for (int a : adv) {
    if (x < pos + a / 2) break;
    pos += a;
    ++index;
  }
  SetSelStart(index);
}

void TInplaceEdit::Paint() {
  TCanvas& c = *Canvas();
  c.Brush()->SetColor(Color());
  c.FillRect(ClientRect());
  const std::string& text = Text();
  std::vector<int> adv = c.CharAdvances(text);
  const int x0 = FEditRect.Left;
  const int y0 = FEditRect.Top;
  const int height = c.TextHeight("Wg");
  auto offsetOf = [&](int index) {
    int x = x0;
    for (int i = 0; i < index && i < static_cast<int>(adv.size()); ++i)
      x += adv[static_cast<std::size_t>(i)];
    return x;
  };
  {
    TCanvasStateSaver saver(c);
    c.IntersectClipRect(FEditRect);
    c.SetBkMode(TRANSPARENT);
    c.TextOut(x0, y0, text);
    if (FSelLength > 0 && Focused()) {
      std::u32string t = Utf8ToUtf32(text);
      TRect sel{offsetOf(FSelStart), y0, offsetOf(FSelStart + FSelLength), y0 + height};
      c.FillSolidRect(sel, clHighlight);
      c.Font()->SetColor(clHighlightText);
      c.TextOut(sel.Left, y0,
                Utf32ToUtf8(t.substr(static_cast<std::size_t>(FSelStart),
                                     static_cast<std::size_t>(FSelLength))));
    }
  }
  if (Focused() && FSelLength == 0) {
    int x = offsetOf(FSelStart);
    c.FillSolidRect({x, y0, x + 1, y0 + height}, clWindowText);
  }
}
