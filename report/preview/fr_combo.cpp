#include "report/preview/fr_combo.h"

#include <algorithm>

#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"

TRect frComboEditRect(TSize size, int indent, int buttonWidth) {
  const int width = std::max(0, size.cx - buttonWidth - 7 - indent);
  const int height = std::max(0, size.cy - 6);
  return Bounds(indent + 3, 3, width, height);
}

TRect frComboButtonRect(TSize size, int buttonWidth) {
  return Rect(size.cx - buttonWidth - 2, 2, size.cx - 2, size.cy - 2);
}

TfrComboListPlace frComboListPlacement(const TRect& control, int fontHeight, int listHeight,
                                       int screenHeight) {
  TfrComboListPlace place;
  const int width = std::max(0, control.Width() - 1);
  place.Upward = control.Bottom + fontHeight + listHeight + 6 > screenHeight;
  const int top = place.Upward ? control.Top - listHeight - 2 : control.Bottom;
  place.Bounds = Bounds(control.Left, std::max(0, top), width, listHeight);
  return place;
}

TfrCustomComboBox::TfrCustomComboBox(TComponent* owner) : TCustomComboBox(owner) {
  // The frame is ours, drawn inside the window.
  SetBorderStyle(bsNone);
  SetStyle(csDropDown);
  TCanvas& c = *Canvas();
  TCanvasStateSaver saver(c);
  c.SetFont(Font());
  TTextMetric tm;
  c.GetTextMetrics(tm);
  SetItemHeight(tm.tmHeight);
  SetWidth(100);
  SetHeight(tm.tmHeight + 8);
}

void TfrCustomComboBox::UpdateEditReadOnly() {
  TCustomEdit::SetReadOnly(FReadOnly || FDropDownOnly);
}

void TfrCustomComboBox::SetSolidBorder(bool value) {
  if (FSolidBorder == value) return;
  FSolidBorder = value;
  Invalidate();
}

void TfrCustomComboBox::SetDropDownOnly(bool value) {
  if (FDropDownOnly == value) return;
  FDropDownOnly = value;
  SetStyle(value ? csDropDownList : csDropDown);
  UpdateEditReadOnly();
  Invalidate();
}

void TfrCustomComboBox::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  UpdateEditReadOnly();
}

TRect TfrCustomComboBox::DefaultFormatRect() const {
  return frComboEditRect({Width(), Height()}, FEditIndent, FButtonWidth);
}

TRect TfrCustomComboBox::ButtonRect() const {
  return frComboButtonRect({Width(), Height()}, FButtonWidth);
}

TPopupPlacement TfrCustomComboBox::PlaceDropDown(TSize size) {
  const TPoint topLeft = ClientToScreen({0, 0});
  const TRect control = Bounds(topLeft.X, topLeft.Y, Width(), Height());
  const TfrComboListPlace place =
      frComboListPlacement(control, ItemHeight(), size.cy, Screen->Height());
  FListUpward = place.Upward;
  TPopupPlacement result;
  result.Bounds = place.Bounds;
  result.Above = place.Upward;
  return result;
}

void TfrCustomComboBox::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSEENTER:
      FMouseInControl = true;
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      FMouseInControl = false;
      Invalidate();
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomComboBox::WndProc(message);
}

void TfrCustomComboBox::DrawItem(int index, TRect rect, TOwnerDrawState state) {
  TCanvas& c = *Canvas();
  if (OnDrawItem) {
    OnDrawItem(this, index, rect, state);
    return;
  }
  const bool selected = state.Contains(odSelected);
  c.Brush()->SetColor(selected ? clHighlight : Color());
  c.Font()->SetColor(selected ? clHighlightText
                              : (state.Contains(odDisabled) ? clGrayText : Font()->Color()));
  c.FillRect(rect);
  if (index >= 0 && index < Items()->Count()) {
    TRect text = rect;
    text.Left += 2;
    c.SetBkMode(TRANSPARENT);
    DrawText(c, Items()->Get(index), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if (selected && state.Contains(odFocused)) DrawFocusRect(c, rect);
}

void TfrCustomComboBox::PaintFrame(TCanvas& c) {
  TRect r = ClientRect();
  const bool hot = FSolidBorder || FMouseInControl || Focused() || DroppedDown();
  // Two frames: the outer in the button face (sunken when hot), the inner
  // in the window colour.
  if (hot) {
    TRect outer = r;
    DrawEdge(c, outer, BDR_SUNKENOUTER, BF_RECT);
  } else {
    c.Brush()->SetColor(clBtnFace);
    c.FrameRect(r);
  }
  c.Brush()->SetColor(clWindow);
  c.FrameRect(Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1));
}

void TfrCustomComboBox::PaintButton(TCanvas& c) {
  TRect b = ButtonRect();
  const bool hot = FSolidBorder || FMouseInControl || Focused();
  c.FillSolidRect(b, clBtnFace);
  TPoint shift{0, 0};
  if (DroppedDown()) {
    TRect e = b;
    DrawEdge(c, e, BDR_SUNKENOUTER, BF_RECT);
    shift = {1, 1};
  } else if (hot) {
    TRect e = b;
    DrawEdge(c, e, BDR_RAISEDINNER, BF_RECT);
  } else {
    c.Brush()->SetColor(clWindow);
    c.FrameRect(b);
  }
  // The line just left of the button.
  c.FillSolidRect(Rect(b.Left - 1, b.Top, b.Left, b.Bottom),
                  hot || DroppedDown() ? clBtnFace : clWindow);
  const int cx = (b.Left + b.Right) / 2 + shift.X;
  const int cy = (b.Top + b.Bottom) / 2 + shift.Y;
  const TColor arrow = Enabled() ? clBtnText : clGrayText;
  c.Brush()->SetColor(arrow);
  c.Pen()->SetColor(arrow);
  c.Polygon({{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}});
}

void TfrCustomComboBox::Paint() {
  TCanvas& c = *Canvas();
  if (!Enabled()) {
    const TRect r = ClientRect();
    c.FillSolidRect(r, clBtnFace);
    c.Brush()->SetColor(clWindow);
    c.FrameRect(Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2));
    {
      TCanvasStateSaver saver(c);
      c.SetFont(Font());
      c.Font()->SetColor(clGrayText);
      c.SetBkMode(TRANSPARENT);
      TRect text = FormatRect();
      text.Left += 2;
      DrawText(c, Text(), text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    TRect b = ButtonRect();
    const int cx = (b.Left + b.Right) / 2, cy = (b.Top + b.Bottom) / 2;
    c.Brush()->SetColor(clGrayText);
    c.Pen()->SetColor(clGrayText);
    c.Polygon({{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}});
    return;
  }
  if (IsListStyle()) {
    c.FillSolidRect(ClientRect(), Color());
    const TRect r = FormatRect();
    TOwnerDrawState state{odComboBoxEdit};
    if (Focused() && !DroppedDown()) state.Include(odSelected).Include(odFocused);
    TCanvasStateSaver saver(c);
    c.SetFont(Font());
    c.IntersectClipRect(r);
    DrawItem(ItemIndex(), r, state);
  } else {
    TCustomEdit::Paint();
  }
  PaintFrame(c);
  PaintButton(c);
}
