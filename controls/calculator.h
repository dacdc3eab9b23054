// TCalculatorEh: a desk calculator of four functions with a display and
// 23 buttons; TPopupCalculatorEh is its drop-down under a numeric edit box
// or grid cell, closed with OK or Cancel through its owner.
//
// Keys (ProcessKey, upper-cased first; typed characters and the buttons
// arrive there): digits and the decimal separator enter a number (at most
// 15 digits), Backspace removes one, C or Esc clear, I negates, R is 1/x,
// S the square root, + - * / % = and Enter apply the pending operation.
// x / 0, 1 / 0, the root of a negative number and a result too large to
// show put the calculator in error: it shows "Error", its value is 0 and
// only C leaves it. Ctrl+C copies the display, Ctrl+V pastes a number (a
// paste that is not one is ignored). GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "controls/edit_buttons.h"
#include "controls/popup_owner.h"
#include "platform/gui/popup.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_panels.h"

// The display's form of a value: general format with 15 significant
// digits ("3", "0.5", "1E20", "1.5E-7"); -0 shows as "0". REQUIRES: a
// finite value.
std::string FormatCalculatorValueEh(double value);

enum TCalculatorStatusEh { csReadyEh, csEnteringEh, csErrorEh };

class TCalculatorEh : public TCustomControl {
  MEBRATH_CLASS(TCalculatorEh, TCustomControl)
 public:
  // Handles one key (see the top of the file).
  virtual void ProcessKey(char32_t key);
  // The display as a number; 0 in error.
  double Value() const;
  // Clears, then shows `value`.
  void SetValue(double value);
  const std::string& DisplayText() const { return FDisplay; }
  TCalculatorStatusEh Status() const { return FStatus; }
  char32_t PendingOperator() const { return FOperator; }
  double Operand() const { return FOperand; }
  // "=" while a number is entered after a pending * + - /, else "Ok".
  const std::string& EqualCaption() const { return FEqualCaption; }

  // The face: the display and the buttons, by the key they send.
  TLabel* TextBox() const { return FTextBox; }
  TSpeedButtonEh* spEqual() const { return FEqual; }
  TSpeedButtonEh* ButtonOfKey(char32_t key) const;
  const std::vector<TSpeedButtonEh*>& Buttons() const { return FButtons; }
  // Sends the key of the button's Tag (its position in the face, 1..23).
  void SpeedButtonClick(TObject* sender);
  // The size of the face (the stored client size, scaled to the font).
  TSize FaceSize() const { return FFaceSize; }

  void WndProc(TMessage& message) override;

 protected:
  explicit TCalculatorEh(TComponent* owner);
  void AfterConstruction() override;
  // The height the window's border adds.
  virtual int GetNonClientHeight();
  virtual void DrawBorder(TCanvas& canvas);
  void KeyPress(char32_t& key) override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void Paint() override;

  void Clear();
  void Error();

 private:
  void CreateFace();
  void StartEntering();
  void ShowValue(double value);
  double DisplayValue() const;
  void SetDisplay(const std::string& text);
  void UpdateEqualCaption();

  TPanel* FPanel = nullptr;
  TLabel* FTextBox = nullptr;
  TSpeedButtonEh* FEqual = nullptr;
  std::vector<TSpeedButtonEh*> FButtons;  // by Tag - 1
  std::string FDisplay = "0";
  double FOperand = 0;
  char32_t FOperator = '=';
  TCalculatorStatusEh FStatus = csReadyEh;
  std::string FEqualCaption = "Ok";
  TSize FFaceSize{184, 127};
};

class TPopupCalculatorEh : public TPopupOwnedEh<TCalculatorEh> {
  MEBRATH_CLASS(TPopupCalculatorEh, TCalculatorEh)
 public:
  void ShowAt(const TRect& screenBounds);
  // Hides, then tells OnCloseUp or the owner's IPopupHost; nothing when
  // hidden.
  void CloseUp(bool accept);
  // The window's size: the face plus the border.
  TSize PopupSize() const;
  int BorderWidth() const { return FCtl3D ? 2 : 0; }
  bool Flat() const { return FFlat; }
  // Sets every button's flat look.
  void SetFlat(bool value);
  bool CanFocus() const override { return false; }

  // Enter or '=' at "Ok" accepts (never in error); Esc and Cancel close
  // without accepting.
  void ProcessKey(char32_t key) override;
  void WndProc(TMessage& message) override;

  TCloseUpEvent OnCloseUp;

 protected:
  explicit TPopupCalculatorEh(TComponent* owner);
  void CreateParams(TCreateParams& params) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
  bool FocusOnClick() const override { return false; }

 private:
  bool FCtl3D = true;
  bool FFlat = true;
};
