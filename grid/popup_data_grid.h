// TPopupDataGridEh: the lookup grid dropped down under a cell editor for
// lookup columns and columns with a drop-down box. Each column makes one
// on first use (TColumnEh::DataList). It is a borderless popup that never
// takes the activation, carries a size grip, follows the mouse (hot
// tracking) and tells its owner the user's choice through OnCloseUp.
//
// A release after a press inside it accepts on a data row or the special
// row, cancels outside the window, and does nothing elsewhere inside.
// GUI thread only.
#pragma once

#include "controls/popup_owner.h"
#include "controls/size_grip.h"
#include "grid/lookup_grid.h"
#include "platform/gui/popup.h"

// The mouse-up decision of a drop-down grid.
enum TPopupGridReleaseEh { prNothingEh, prAcceptEh, prCancelEh };
// `inside`: the point lies in the window; `onChoice`: on a data cell or
// the special row.
TPopupGridReleaseEh PopupGridReleaseEh(bool pressedInside, bool inside, bool onChoice);

class TPopupDataGridEh : public TPopupOwnedEh<TDBLookupGridEh> {
  MEBRATH_CLASS(TPopupDataGridEh, TDBLookupGridEh)
 public:
  TSizeGripEh* SizeGrip() const { return FSizeGrip; }
  // True once the user resized the window with the grip.
  bool Sized() const { return FSized; }
  void SetSized(bool value) { FSized = value; }
  bool InUserAction() const { return FInUserAction; }
  bool MouseDownInside() const { return FMouseDownInside; }
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);
  // Shows the grid at `screenBounds` without taking the focus.
  void ShowAt(const TRect& screenBounds);
  // Hides it and tells OnCloseUp. Nothing when hidden.
  void CloseUp(bool accept);
  bool CanFocus() const override { return false; }

  // Grid, Accept.
  TCloseUpEvent OnCloseUp;
  // A key change made by the user.
  TNotifyEvent OnKeyValueChanged;

  void KeyValueChanged() override;
  // TControl: at least a scroll bar wide and high.
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

 protected:
  explicit TPopupDataGridEh(TComponent* owner);
  void AfterConstruction() override;
  void CreateParams(TCreateParams& params) override;
  bool TakesFocusOnPress() const override { return false; }
  bool FocusOnClick() const override { return false; }
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Resize() override;

 private:
  bool PointOnChoice(int x, int y);

  TSizeGripEh* FSizeGrip = nullptr;
  bool FSized = false;
  bool FInUserAction = false;
  bool FMouseDownInside = false;
  bool FCtl3D = true;
  bool FClosing = false;
  TPoint FLastMousePos{-1, -1};
};
