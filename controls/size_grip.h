// TSizeGripEh: the triangular handle in a corner of a drop-down window
// with which the user resizes it, and the popup-window plumbing the
// drop-downs of this folder share.
//
// The grip lives inside its drop-down (a top-level popup): dragging it
// changes the drop-down's bounds within the work area, the drop-down's
// corner opposite the grip staying where it is. The placement rule tells a
// drop-down where its grip belongs (CM_DROPDOWNGRIPDIRECTIONEH), which it
// passes to Flip. Only the triangle is painted and takes presses. GUI
// thread only.
#pragma once

#include <functional>

#include "controls/edit_buttons.h"
#include "platform/gui/controls.h"

// The new screen bounds of a drop-down whose grip at `corner` (0 top-left,
// 1 top-right, 2 bottom-right, 3 bottom-left) moved by `delta` since the
// drag began at `startBounds` with client size `startClient`: right grips
// change the client width, left grips the width keeping the right edge;
// bottom grips the client height, top grips the height keeping the
// bottom edge. The drop-down stays inside `workArea` and never gets a
// negative size.
TRect SizeGripDragBoundsEh(int corner, const TRect& startBounds, TSize startClient, TPoint delta,
                           const TRect& workArea);
// The corner a grip at `corner` moves to for a placement direction (0 grip
// left, 1 grip right, 2 grip top, 3 grip bottom).
int SizeGripFlipEh(int corner, int direction);

class TSizeGripEh : public TCustomControl {
  MEBRATH_CLASS(TSizeGripEh, TCustomControl)
 public:
  // 0 top-left, 1 top-right, 2 bottom-right (the default), 3 bottom-left.
  int Position() const { return FPosition; }
  void SetPosition(int value);
  // Off: the grip is a full square (a scroll bar runs beside it).
  bool TriangleWindow() const { return FTriangleWindow; }
  void SetTriangleWindow(bool value);
  void Flip(int direction);
  // Moves the grip into its corner of the parent's client area.
  void UpdatePosition();
  void SetGripVisible(bool value);
  // After the drag changed the parent's client size.
  TNotifyEvent OnParentResized;

 protected:
  explicit TSizeGripEh(TComponent* owner);
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool FocusOnClick() const override { return false; }

 private:
  bool InTriangle(int x, int y) const;

  TPoint FStartPos;
  TRect FStartBounds;
  TSize FStartClient;
  bool FDragging = false;
  bool FUpdating = false;
  int FPosition = 2;
  bool FTriangleWindow = true;
};

// --- popup windows made of other controls (a list box, a calendar)

// The window parameters of a drop-down popup: no activation, tool window,
// top most, save bits, owned by `ownerWindow`.
void PopupCreateParamsEh(TCreateParams& params, HWND ownerWindow);
// The messages every drop-down answers alike: no activation on a click,
// showing without activation, closing (through `closeUp(false)`) on
// cancel mode caused outside it. True when handled.
bool PopupWndProcEh(TWinControl& popup, TMessage& message,
                    const std::function<void(bool accept)>& closeUp);
// Shows `popup` at `screenBounds` above `owner`'s top-level window without
// taking the focus.
void PopupShowAtEh(TWinControl& popup, TWinControl* owner, const TRect& screenBounds);
// The non-client border of a drop-down, applied after the inherited
// handling of WM_NCCALCSIZE (the client shrinks by `width` on each side)
// and WM_NCPAINT (a raised double edge there); other messages pass.
void PopupBorderAfterEh(TWinControl& popup, TMessage& message, int width);
