#include "platform/widgets/std_panels.h"

#include <algorithm>
#include <optional>

#include "platform/base/scope_guard.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/scrolling.h"

// ------------------------------------------------------------ TCustomPanel

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + csAcceptsControls + csOpaque + csReplicatable);
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (value == FBevelInner) return;
  FBevelInner = value;
  FrameChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (value == FBevelOuter) return;
  FBevelOuter = value;
  FrameChanged();
}

void TCustomPanel::SetBevelWidth(TBevelWidth value) {
  value = std::max(value, 1);
  if (value == FBevelWidth) return;
  FBevelWidth = value;
  FrameChanged();
}

void TCustomPanel::SetBorderWidth(TBorderWidth value) {
  value = std::max(value, 0);
  if (value == FBorderWidth) return;
  FBorderWidth = value;
  FrameChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Invalidate();
}

int TCustomPanel::FrameWidth() const {
  return FBorderWidth + (FBevelOuter != bvNone ? FBevelWidth : 0) +
         (FBevelInner != bvNone ? FBevelWidth : 0);
}

void TCustomPanel::FrameChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (FBorderStyle == bsSingle) params.Style |= WS_BORDER;
}

void TCustomPanel::AdjustClientRect(TRect& rect) {
  TCustomControl::AdjustClientRect(rect);
  InflateRect(rect, -FrameWidth(), -FrameWidth());
}

void TCustomPanel::Paint() {
  TCanvas& canvas = *Canvas();
  TRect r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    TColor top = cut == bvLowered ? clBtnShadow : cut == bvRaised ? clBtnHighlight : Color();
    TColor bottom = cut == bvLowered ? clBtnHighlight : cut == bvRaised ? clBtnShadow : Color();
    Frame3D(canvas, r, top, bottom, FBevelWidth);
  };
  bevel(FBevelOuter);
  Frame3D(canvas, r, Color(), Color(), FBorderWidth);
  bevel(FBevelInner);
  canvas.FillSolidRect(r, Color());
  if (Caption().empty()) return;
  canvas.SetBkMode(TRANSPARENT);
  if (!Enabled()) canvas.SetTextColor(clGrayText);
  DrawText(canvas, Caption(), r,
           DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | AlignFlags(FAlignment));
}

// --------------------------------------------------------- TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + csAcceptsControls + csReplicatable);
  SetBounds(0, 0, 185, 105);
  SetColor(clBtnFace);
}

void TCustomGroupBox::AdjustClientRect(TRect& rect) {
  TCustomControl::AdjustClientRect(rect);
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(Font());
  rect.Top += canvas.TextHeight("0");
  InflateRect(rect, -2, -2);
}

void TCustomGroupBox::Paint() {
  TCanvas& canvas = *Canvas();
  int h = canvas.TextHeight("0");
  TRect frame = Rect(0, h / 2 - 1, Width(), Height());
  DrawEdge(canvas, frame, EDGE_ETCHED, BF_RECT);
  if (Caption().empty()) return;
  TRect text = Rect(8, 0, 8, h);
  DrawText(canvas, Caption(), text, DT_CALCRECT | DT_SINGLELINE);
  canvas.FillSolidRect(Rect(text.Left - 2, 0, text.Right + 2, h), Color());
  canvas.SetBkMode(TRANSPARENT);
  if (!Enabled()) canvas.SetTextColor(clGrayText);
  DrawText(canvas, Caption(), text, DT_SINGLELINE);
}

void TCustomGroupBox::WndProc(TMessage& message) {
  if (message.Msg == CM_DIALOGCHAR && IsAccel(static_cast<unsigned>(message.WParam), Caption()) &&
      CanFocus()) {
    if (TWinControl* first = FindNextControl(nullptr, true, true, false)) first->SetFocus();
    message.Result = 1;
    return;
  }
  TCustomControl::WndProc(message);
}

// ------------------------------------------------------- TControlScrollBar

int TControlScrollBar::ControlSize() const {
  return FHorizontal ? FControl.ClientWidth() : FControl.ClientHeight();
}

int TControlScrollBar::MaxPosition() const { return std::max(FRange - ControlSize(), 0); }

bool TControlScrollBar::IsScrollBarVisible() const { return FVisible && FRange > ControlSize(); }

void TControlScrollBar::SetPosition(int value) {
  value = std::clamp(value, 0, IsScrollBarVisible() ? MaxPosition() : 0);
  if (value == FPosition) return;
  int delta = FPosition - value;
  FPosition = value;
  FControl.ScrollBy(FHorizontal ? delta : 0, FHorizontal ? 0 : delta);
  FControl.ApplyScrollInfo();
}

void TControlScrollBar::SetRange(int value) {
  FControl.FAutoScroll = false;
  FRange = std::max(value, 0);
  FControl.UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  FControl.UpdateScrollBars();
}

void TControlScrollBar::ScrollMessage(TWMScroll message) {
  TScrollAxis axis{
      .Position = FPosition, .Max = MaxPosition(), .Line = FIncrement, .Page = ControlSize()};
  HWND wnd = FControl.HandleAllocated() ? FControl.Handle() : nullptr;
  int thumb = ThumbPosition(wnd, FHorizontal ? SB_HORZ : SB_VERT, message.Pos());
  if (std::optional<int> pos = ScrollTarget(message.ScrollCode(), thumb, axis)) SetPosition(*pos);
}

// ---------------------------------------------------- TScrollingWinControl

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TWinControl(owner), FHorzScrollBar(*this, true), FVertScrollBar(*this, false) {
  SetControlStyle(ControlStyle() + csAcceptsControls);
}

void TScrollingWinControl::SetAutoScroll(bool value) {
  if (value == FAutoScroll) return;
  FAutoScroll = value;
  UpdateScrollBars();
}

void TScrollingWinControl::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateScrollBars();
}

void TScrollingWinControl::CalcAutoRange() {
  int right = 0;
  int bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    TAlign a = c->Align();
    if (a == alNone || a == alLeft || a == alCustom)
      right = std::max(right, c->Left() + c->Width() + FHorzScrollBar.FPosition);
    if (a == alNone || a == alTop || a == alCustom)
      bottom = std::max(bottom, c->Top() + c->Height() + FVertScrollBar.FPosition);
  }
  FHorzScrollBar.FRange = right > 0 ? right + FHorzScrollBar.FMargin : 0;
  FVertScrollBar.FRange = bottom > 0 ? bottom + FVertScrollBar.FMargin : 0;
}

void TScrollingWinControl::ApplyScrollInfo() {
  if (!HandleAllocated()) return;
  for (TControlScrollBar* bar : {&FHorzScrollBar, &FVertScrollBar}) {
    TScrollInfo info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = bar->FVisible ? std::max(bar->FRange - 1, 0) : 0;
    info.nPage = static_cast<unsigned>(std::max(bar->ControlSize(), 1));
    info.nPos = bar->FPosition;
    SetScrollInfo(Handle(), bar->FHorizontal ? SB_HORZ : SB_VERT, info);
  }
}

void TScrollingWinControl::UpdateScrollBars() {
  if (FUpdatingScrollBars) return;
  TFlagGuard guard(FUpdatingScrollBars);
  if (FAutoScroll) CalcAutoRange();
  // Showing one bar narrows the client area, which may call for the other.
  for (int pass = 0; pass < 4; ++pass) {
    TSize before{ClientWidth(), ClientHeight()};
    ApplyScrollInfo();
    if (TSize{ClientWidth(), ClientHeight()} == before) break;
  }
  // A grown client area may leave the content scrolled too far.
  for (TControlScrollBar* bar : {&FHorzScrollBar, &FVertScrollBar})
    bar->SetPosition(bar->FPosition);
}

void TScrollingWinControl::ScrollBy(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  {
    TFlagGuard guard(FScrolling);
    DisableAlign();
    TFinallyGuard align([this] { EnableAlign(); });
    for (int i = 0; i < ControlCount(); ++i) {
      TControl* c = Controls(i);
      c->SetBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
  }
  Invalidate();
}

void TScrollingWinControl::AdjustClientRect(TRect& rect) {
  TWinControl::AdjustClientRect(rect);
  rect = Bounds(-FHorzScrollBar.FPosition, -FVertScrollBar.FPosition,
                std::max(FHorzScrollBar.FRange, rect.Width()),
                std::max(FVertScrollBar.FRange, rect.Height()));
}

void TScrollingWinControl::AlignControls(TControl* control, TRect& rect) {
  TWinControl::AlignControls(control, rect);
  if (!FScrolling) UpdateScrollBars();
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (control == nullptr || control == this || !ContainsControl(control)) return;
  TPoint topLeft =
      ScreenToClient(control->Parent()->ClientToScreen({control->Left(), control->Top()}));
  TRect r = Bounds(topLeft.X, topLeft.Y, control->Width(), control->Height());
  auto bring = [](TControlScrollBar& bar, int first, int last) {
    int size = bar.ControlSize();
    if (first < 0) {
      bar.SetPosition(bar.Position() + first);
    } else if (last > size) {
      bar.SetPosition(bar.Position() + (last - first > size ? first : last - size));
    }
  };
  bring(FHorzScrollBar, r.Left, r.Right);
  bring(FVertScrollBar, r.Top, r.Bottom);
}

void TScrollingWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_HSCROLL:
      FHorzScrollBar.ScrollMessage(TWMScroll{message});
      return;
    case WM_VSCROLL:
      FVertScrollBar.ScrollMessage(TWMScroll{message});
      return;
    case CM_FOCUSCHANGED:
      ScrollInView(TCMFocusChanged{message}.Sender());
      break;
    default:
      break;
  }
  TWinControl::WndProc(message);
}

// -------------------------------------------------------------- TScrollBox

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& params) {
  TScrollingWinControl::CreateParams(params);
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}
