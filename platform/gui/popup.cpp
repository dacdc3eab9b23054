#include "platform/gui/popup.h"

#include <algorithm>

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/gui/forms.h"

TPopupPlacement PlacePopup(const TRect& controlRect, TSize size, TPopupAlignment alignment,
                           const TRect& workArea) {
  const TRect& c = controlRect;
  const TRect& wa = workArea;
  TPopupPlacement p;
  int h = std::max(size.cy, 0);
  bool fitsBelow = c.Bottom + h <= wa.Bottom;
  bool fitsAbove = c.Top - h >= wa.Top;
  p.Above = !fitsBelow && (fitsAbove || c.Top - wa.Top > wa.Bottom - c.Bottom);
  if (p.Above) {
    p.Bounds.Bottom = c.Top;
    p.Bounds.Top = std::max(c.Top - h, wa.Top);
  } else {
    p.Bounds.Top = c.Bottom;
    p.Bounds.Bottom = std::min(c.Bottom + h, wa.Bottom);
  }
  int w = std::max(size.cx, 0);
  int left = alignment == paLeft    ? c.Left
             : alignment == paRight ? c.Right - w
                                    : c.Left + (c.Width() - w) / 2;
  w = std::min(w, wa.Width());
  if (left + w > wa.Right) {
    left = wa.Right - w;
    p.GripLeft = true;
  } else if (left < wa.Left) {
    left = wa.Left;
    p.GripLeft = false;
  } else {
    p.GripLeft = alignment == paRight;
  }
  p.Bounds.Left = left;
  p.Bounds.Right = left + w;
  return p;
}

TPopupPlacement PlacePopupUnder(const TControl& control, TSize size, TPopupAlignment alignment) {
  TPoint origin = control.Parent() != nullptr
                      ? control.Parent()->ClientToScreen({control.Left(), control.Top()})
                      : TPoint{control.Left(), control.Top()};
  return PlacePopup(Bounds(origin.X, origin.Y, control.Width(), control.Height()), size, alignment,
                    Screen->WorkAreaRect());
}

// ------------------------------------------------------ TCustomPopupWindow

TCustomPopupWindow::TCustomPopupWindow(TComponent* owner) : TCustomControl(owner) {
  SetVisible(false);
}

void TCustomPopupWindow::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == opRemove && component == FOwnerControl) {
    FOwnerControl = nullptr;
    // Its window owned ours.
    if (HandleAllocated()) {
      Hide();
      DestroyHandle();
    }
    SetParentWindow(nullptr);
  }
}

void TCustomPopupWindow::SetOwnerControl(TWinControl* control) {
  if (control == FOwnerControl) return;
  if (FOwnerControl != nullptr) RemoveFreeNotification(FOwnerControl);
  FOwnerControl = control;
  if (control != nullptr) control->FreeNotification(this);
}

void TCustomPopupWindow::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style = WS_POPUP | WS_CLIPCHILDREN | (params.Style & WS_DISABLED);
  params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  params.WindowClassStyle |= CS_SAVEBITS;
  params.WndParent = ParentWindow();
}

void TCustomPopupWindow::ShowAt(const TRect& screenBounds) {
  HWND ownerTop = nullptr;
  if (FOwnerControl != nullptr && FOwnerControl->HandleAllocated())
    ownerTop = GetTopLevel(FOwnerControl->Handle());
  if (HandleAllocated() && GetWindowOwner(Handle()) != ownerTop) {
    Hide();
    DestroyHandle();
  }
  SetParentWindow(ownerTop);
  SetBoundsRect(screenBounds);
  HandleNeeded();
  BringWindowToTop(Handle());
  SetVisible(true);  // CM_SHOWINGCHANGED shows it without activating
}

TPopupPlacement TCustomPopupWindow::DropDown(TPopupAlignment alignment) {
  if (FOwnerControl == nullptr) throw EInvalidOperation("Popup window has no owner control");
  TPopupPlacement p = PlacePopupUnder(*FOwnerControl, {Width(), Height()}, alignment);
  ShowAt(p.Bounds);
  return p;
}

void TCustomPopupWindow::CloseUp(bool accept) {
  if (FClosing || !Visible()) return;
  TFlagGuard closing(FClosing);
  Hide();
  if (OnCloseUp) {
    OnCloseUp(this, accept);
  } else if (auto* host = dynamic_cast<IPopupHost*>(FOwnerControl)) {
    host->CloseUp(accept);
  }
}

void TCustomPopupWindow::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_MOUSEACTIVATE:
      message.Result = MA_NOACTIVATE;
      return;
    case CM_SHOWINGCHANGED:
      if (HandleAllocated()) ShowWindow(Handle(), Showing() ? SW_SHOWNOACTIVATE : SW_HIDE);
      return;
    case CM_CANCELMODE: {
      // Cancel mode caused by a control inside the popup leaves it open.
      TControl* sender = TCMCancelMode{message}.Sender();
      if (sender == nullptr || !ContainsControl(sender)) CloseUp(false);
      return;
    }
    default:
      break;
  }
  TCustomControl::WndProc(message);
}
