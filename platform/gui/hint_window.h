// Hint windows: the small tip shown when the pointer rests on a control.
//
// THintWindow is a popup window (popup.h) with a thin border in the
// tool-tip colours that shows a word-wrapped text. The application's hint
// machinery (TApplication in forms.h) decides when: the pointer resting
// HintPause ms on a control with ShowHint and a Hint shows it, CM_HINTSHOW
// lets the control adjust the THintInfo (text, position, colour, the window
// class, the area where the hint stays), and it goes on a click, a key,
// the pointer leaving the control or after the hide pause. Subclasses
// change the measuring (CalcHintRect) and drawing (Paint) and are chosen
// per hint through THintInfo::HintWindowClass. GUI thread only.
#pragma once

#include <string>

#include "platform/gui/popup.h"

class THintWindow : public TCustomPopupWindow {
  MEBRATH_CLASS(THintWindow, TCustomPopupWindow)
 public:
  // The window rectangle (origin 0, 0) that shows `hint` wrapped at
  // `maxWidth` pixels of text in the window's Font: the DrawText
  // (DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX) extent plus border and
  // margins. `data` is the THintInfo's HintData, for subclasses.
  virtual TRect CalcHintRect(int maxWidth, const std::string& hint, void* data);
  // Shows `hint` in `rect` (screen coordinates), moved to stay on the
  // screen, without activating. The rectangle is usually CalcHintRect
  // offset to the hint position.
  virtual void ActivateHint(TRect rect, const std::string& hint);
  // ActivateHint, with the THintInfo's HintData for subclasses.
  virtual void ActivateHintData(const TRect& rect, const std::string& hint, void* data);
  // Hides the hint and frees its window.
  void ReleaseHandle();
  // Whether `msg`, taken from the queue while the hint shows, dismisses it
  // (IsHintDismissMsg by default).
  virtual bool IsHintMsg(const TMsg& msg) const;

 protected:
  explicit THintWindow(TComponent* owner);
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
};

// The window class the application uses when a hint does not name one.
// Replaceable at start-up.
extern THintWindowClass HintWindowClass;

// Messages that dismiss a hint, shown or pending: keys and mouse buttons
// going down, the wheel, activation.
bool IsHintDismissMsg(const TMsg& msg);

// The part of a hint before the first "|" (shown in the hint window), and
// the part after it (for a status bar; the whole hint when there is no "|").
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);
