#include "controls/size_grip.h"

#include <algorithm>

#include "platform/draw/cursors.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/forms.h"
#include "platform/gui/window.h"

// ------------------------------------------------------------ arithmetic

TRect SizeGripDragBoundsEh(int corner, const TRect& startBounds, TSize startClient, TPoint delta,
                           const TRect& workArea) {
  TRect r = startBounds;
  int frameW = startBounds.Width() - startClient.cx;
  int frameH = startBounds.Height() - startClient.cy;
  if (corner == 1 || corner == 2) {
    int width = frameW + std::max(0, startClient.cx + delta.X);
    width = std::min(width, workArea.Right - startBounds.Left);
    r.Right = startBounds.Left + std::max(0, width);
  } else {
    int width = std::max(0, startBounds.Width() - delta.X);
    width = std::min(width, startBounds.Right - workArea.Left);
    r.Left = startBounds.Right - std::max(0, width);
  }
  if (corner == 2 || corner == 3) {
    int height = frameH + std::max(0, startClient.cy + delta.Y);
    height = std::min(height, workArea.Bottom - startBounds.Top);
    r.Bottom = startBounds.Top + std::max(0, height);
  } else {
    int height = std::max(0, startBounds.Height() - delta.Y);
    height = std::min(height, startBounds.Bottom - workArea.Top);
    r.Top = startBounds.Bottom - std::max(0, height);
  }
  return r;
}

int SizeGripFlipEh(int corner, int direction) {
  switch (direction) {
    case 0:  // right-hand grips go left
      if (corner == 1) return 0;
      if (corner == 2) return 3;
      break;
    case 1:  // left-hand grips go right
      if (corner == 0) return 1;
      if (corner == 3) return 2;
      break;
    case 2:  // bottom grips go to the top
      if (corner == 2) return 1;
      if (corner == 3) return 0;
      break;
    case 3:  // top grips go to the bottom
      if (corner == 1) return 2;
      if (corner == 0) return 3;
      break;
    default:
      break;
  }
  return corner;
}

// ------------------------------------------------------------ TSizeGripEh

TSizeGripEh::TSizeGripEh(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
  SetColor(clBtnFace);
  SetCursor(crSizeNWSE);
}

void TSizeGripEh::SetPosition(int value) {
  if (FPosition == value) return;
  FPosition = value;
  SetCursor(value == 0 || value == 2 ? crSizeNWSE : crSizeNESW);
  UpdatePosition();
  Invalidate();
}

void TSizeGripEh::SetTriangleWindow(bool value) {
  if (FTriangleWindow == value) return;
  FTriangleWindow = value;
  Invalidate();
}

void TSizeGripEh::Flip(int direction) { SetPosition(SizeGripFlipEh(FPosition, direction)); }

void TSizeGripEh::UpdatePosition() {
  if (Parent() == nullptr) return;
  FUpdating = true;
  int cw = Parent()->ClientWidth();
  int ch = Parent()->ClientHeight();
  int x = FPosition == 1 || FPosition == 2 ? cw - Width() : 0;
  int y = FPosition == 2 || FPosition == 3 ? ch - Height() : 0;
  SetBounds(x, y, Width(), Height());
  BringToFront();
  FUpdating = false;
}

void TSizeGripEh::SetGripVisible(bool value) { SetVisible(value); }

bool TSizeGripEh::InTriangle(int x, int y) const {
  if (!FTriangleWindow) return true;
  int w = Width();
  int h = Height();
  // Scaled so that the diagonal runs corner to corner for any aspect.
  int fx = FPosition == 1 || FPosition == 2 ? x : w - 1 - x;
  int fy = FPosition == 2 || FPosition == 3 ? y : h - 1 - y;
  return fx * h + fy * w >= w * h - std::max(w, h);
}

void TSizeGripEh::Paint() {
  TCanvas& c = *Canvas();
  int w = Width();
  int h = Height();
  TColor back = Parent() != nullptr ? Parent()->Color() : TColor(clWindow);
  // Without window regions the part outside the triangle shows the
  // drop-down's own colour.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      c.FillSolidRect(Rect(x, y, x + 1, y + 1), InTriangle(x, y) ? TColor(clBtnFace) : back);
    }
  }
  // Diagonal lines towards the corner, mirrored for it.
  auto put = [&](int x, int y, TColor color) {
    int px = FPosition == 1 || FPosition == 2 ? x : w - 1 - x;
    int py = FPosition == 2 || FPosition == 3 ? y : h - 1 - y;
    c.FillSolidRect(Rect(px, py, px + 1, py + 1), color);
  };
  int n = std::min(w, h);
  for (int k = 3; k < n; k += 4) {
    for (int i = 0; i <= k && i < n; ++i) {
      int x = n - 1 - i;
      int y = n - 1 - k + i;
      if (y < 0) continue;
      put(x + (w - n), y + (h - n), clBtnShadow);
      if (k + 1 < n && y + 1 < n) put(x + (w - n), y + 1 + (h - n), clBtnHighlight);
    }
  }
}

void TSizeGripEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !InTriangle(x, y) || Parent() == nullptr) return;
  FDragging = true;
  FStartPos = ClientToScreen({x, y});
  FStartBounds = Parent()->BoundsRect();
  FStartClient = {Parent()->ClientWidth(), Parent()->ClientHeight()};
}

void TSizeGripEh::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  if (!FDragging || FUpdating || !shift.Contains(ssLeft) || Parent() == nullptr) return;
  TPoint p = ClientToScreen({x, y});
  TPoint delta{p.X - FStartPos.X, p.Y - FStartPos.Y};
  TWinControl* parent = Parent();
  TSize oldClient{parent->ClientWidth(), parent->ClientHeight()};
  // A top-level drop-down's bounds are in screen coordinates.
  TRect r =
      SizeGripDragBoundsEh(FPosition, FStartBounds, FStartClient, delta, Screen->WorkAreaRect());
  parent->SetBoundsRect(r);
  TSize newClient{parent->ClientWidth(), parent->ClientHeight()};
  if ((newClient.cx != oldClient.cx || newClient.cy != oldClient.cy) && OnParentResized) {
    OnParentResized(this);
  }
  UpdatePosition();
}

void TSizeGripEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (button == mbLeft) FDragging = false;
}

// ------------------------------------------------------------ popup plumbing

void PopupCreateParamsEh(TCreateParams& params, HWND ownerWindow) {
  params.Style = WS_POPUP | WS_CLIPCHILDREN | (params.Style & (WS_DISABLED | WS_VSCROLL));
  params.ExStyle &= ~WS_EX_CLIENTEDGE;
  params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.WindowClassStyle |= CS_SAVEBITS;
  params.WndParent = ownerWindow;
}

bool PopupWndProcEh(TWinControl& popup, TMessage& message,
                    const std::function<void(bool accept)>& closeUp) {
  switch (message.Msg) {
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return true;
    case CM_SHOWINGCHANGED:
      if (popup.HandleAllocated()) {
        ShowWindow(popup.Handle(), popup.Showing() ? SW_SHOWNOACTIVATE : SW_HIDE);
      }
      return true;
    case CM_CANCELMODE: {
      TControl* sender = TCMCancelMode{message}.Sender();
      if ((sender == nullptr || !popup.ContainsControl(sender)) && popup.Visible()) closeUp(false);
      return true;
    }
    default:
      return false;
  }
}

void PopupShowAtEh(TWinControl& popup, TWinControl* owner, const TRect& screenBounds) {
  HWND ownerTop = nullptr;
  if (owner != nullptr && owner->HandleAllocated()) ownerTop = GetTopLevel(owner->Handle());
  if (popup.HandleAllocated() && GetWindowOwner(popup.Handle()) != ownerTop) {
    popup.Hide();
    popup.RecreateWnd();
  }
  popup.SetParentWindow(ownerTop);
  popup.SetBoundsRect(screenBounds);
  popup.HandleNeeded();
  BringWindowToTop(popup.Handle());
  popup.SetVisible(true);
}

void PopupBorderAfterEh(TWinControl& popup, TMessage& message, int width) {
  (void)popup;
  if (width <= 0) return;
  if (message.Msg == WM_NCCALCSIZE) {
    auto* params = LParamAs<TNCCalcSizeParams>(message.LParam);
    if (params == nullptr) return;
    TRect& r = params->rgrc[0];
    r.Left += width;
    r.Top += width;
    r.Right = std::max(r.Left, r.Right - width);
    r.Bottom = std::max(r.Top, r.Bottom - width);
  } else if (message.Msg == WM_NCPAINT) {
    auto* canvas = reinterpret_cast<TCanvas*>(message.WParam);
    if (canvas == nullptr || !popup.HandleAllocated()) return;
    TRect w = GetWindowRect(popup.Handle());
    TRect r = Rect(0, 0, w.Width(), w.Height());
    DrawEdge(*canvas, r, BDR_RAISEDOUTER, BF_RECT | BF_ADJUST);
    if (width > 1) DrawEdge(*canvas, r, BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  }
}
