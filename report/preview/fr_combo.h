// TfrCustomComboBox / TfrComboBox: a combo box that looks flat until the
// pointer is over it or it has the focus, then shows a sunken frame and a
// raised button. It draws its frame, its narrow (11-pixel) button and its
// items itself; the editing and the drop-down list are the platform combo
// box's.
//
// DropDownOnly makes it a drop-down list (nothing can be typed); ReadOnly
// keeps the text from being edited. The list is as wide as the box less a
// pixel and drops upward when it would leave the screen. GUI thread only.
#pragma once

#include "platform/widgets/std_combo.h"

// Where the edit part lies in a box of `size` with `indent`.
TRect frComboEditRect(TSize size, int indent, int buttonWidth);
// The button of a box of `size`.
TRect frComboButtonRect(TSize size, int buttonWidth);

struct TfrComboListPlace {
  TRect Bounds;  // screen coordinates
  bool Upward = false;
};
// The list of `listHeight` for a box at `control` (screen coordinates):
// under it, or (when the box's bottom plus the font height, the list and 6
// pixels pass the screen's height) above it, 2 pixels up.
TfrComboListPlace frComboListPlacement(const TRect& control, int fontHeight, int listHeight,
                                       int screenHeight);

class TfrCustomComboBox : public TCustomComboBox {
  MEBRATH_CLASS(TfrCustomComboBox, TCustomComboBox)
 public:
  bool SolidBorder() const { return FSolidBorder; }
  void SetSolidBorder(bool value);
  bool DropDownOnly() const { return FDropDownOnly; }
  void SetDropDownOnly(bool value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  // The list dropped upward the last time it opened.
  bool ListDroppedUpward() const { return FListUpward; }
  // The pointer is over the box ("hot").
  bool MouseInControl() const { return FMouseInControl; }

  // TWinControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TfrCustomComboBox(TComponent* owner);
  // TCustomComboBox
  void Paint() override;
  TRect DefaultFormatRect() const override;
  TRect ButtonRect() const override;
  TPopupPlacement PlaceDropDown(TSize size) override;
  void DrawItem(int index, TRect rect, TOwnerDrawState state) override;

 private:
  void UpdateEditReadOnly();
  void PaintFrame(TCanvas& canvas);
  void PaintButton(TCanvas& canvas);

  int FButtonWidth = 11;
  bool FListUpward = false;
  bool FSolidBorder = false;
  bool FDropDownOnly = false;
  bool FReadOnly = false;
  int FEditIndent = 0;
  bool FMouseInControl = false;
};

class TfrComboBox : public TfrCustomComboBox {
  MEBRATH_CLASS(TfrComboBox, TfrCustomComboBox)
 protected:
  explicit TfrComboBox(TComponent* owner) : TfrCustomComboBox(owner) {}
};
