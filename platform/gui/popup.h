// Popup windows: the drop-down lists, calendars, calculators and grids that
// float under an edit control, and the rule that places them.
//
// A popup is a top-level, caption-less window (WS_POPUP, tool window, top
// most, WS_EX_NOACTIVATE) that never takes the activation or the keyboard
// focus: it is shown with SW_SHOWNOACTIVATE, answers WM_MOUSEACTIVATE with
// MA_NOACTIVATE and cannot be focused. Its owner control keeps the focus
// and forwards the keys the popup should see (Perform(WM_KEYDOWN, ...)).
//
// A popup closes by CloseUp(accept): it hides and then tells its owner,
// through OnCloseUp when assigned, else through the owner's IPopupHost. A
// mouse press outside the popup (the window system sends WM_CANCELMODE to
// open popups then) and CM_CANCELMODE close it with accept = false. The
// owner is expected to close its popup too when it loses the focus.
// GUI thread only.
#pragma once

#include <functional>

#include "platform/gui/controls.h"

// What a control that opens popups offers them: the one call back, made
// when the popup closes. `accept` is true when the user chose something
// (a click on an item, Enter), false when the popup was dismissed (Esc, a
// click elsewhere, cancel mode).
class IPopupHost {
 public:
  virtual void CloseUp(bool accept) = 0;

 protected:
  ~IPopupHost() = default;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

// Where a popup goes, in screen coordinates.
struct TPopupPlacement {
  // May be lower or narrower than asked when the work area is too small.
  TRect Bounds;
  // Placed above the control (no room below): a size grip belongs at the top.
  bool Above = false;
  // The popup's left side is its free side (a size grip belongs at the left):
  // it was pushed left by the work area's right edge, or is right-aligned.
  bool GripLeft = false;
};

// The placement rule of drop-downs, for a control at `controlRect` (screen)
// and a popup of `size`, within `workArea`:
// - vertically below the control when it fits; else above when that fits;
//   else on the side with more room, shortened to the work area;
// - horizontally left-aligned with the control (right-aligned: right edges
//   together; centred), narrowed to the work area's width, then moved left
//   to end at the work area's right edge, or right to start at its left.
TPopupPlacement PlacePopup(const TRect& controlRect, TSize size, TPopupAlignment alignment,
                           const TRect& workArea);
// PlacePopup for `control`'s screen rectangle within Screen's work area.
TPopupPlacement PlacePopupUnder(const TControl& control, TSize size,
                                TPopupAlignment alignment = paLeft);

using TCloseUpEvent = std::function<void(TObject* sender, bool accept)>;

class TCustomPopupWindow : public TCustomControl {
  MEBRATH_CLASS(TCustomPopupWindow, TCustomControl)
 public:
  // The control the popup belongs to; its top-level window owns the
  // popup's window. Cleared when the control is destroyed.
  TWinControl* OwnerControl() const { return FOwnerControl; }
  void SetOwnerControl(TWinControl* control);
  // Moves to `screenBounds` and shows without activating (the focus stays
  // where it is).
  void ShowAt(const TRect& screenBounds);
  // Places the popup under its owner control by the placement rule with
  // its current size and shows it. Raises EInvalidOperation "Popup window
  // has no owner control" without an owner control.
  TPopupPlacement DropDown(TPopupAlignment alignment = paLeft);
  // Closes: hides, then tells OnCloseUp or the owner's IPopupHost. Does
  // nothing when not shown. Exceptions from the owner propagate (the popup
  // is hidden already).
  virtual void CloseUp(bool accept);
  // Popups never take the focus.
  bool CanFocus() const override { return false; }
  void WndProc(TMessage& message) override;

  TCloseUpEvent OnCloseUp;

 protected:
  explicit TCustomPopupWindow(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;
  void CreateParams(TCreateParams& params) override;
  bool FocusOnClick() const override { return false; }

 private:
  TWinControl* FOwnerControl = nullptr;
  bool FClosing = false;
};
