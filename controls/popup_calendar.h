// TPopupMonthCalendarEh: the drop-down calendar of date edit boxes and of
// the grid's date cells. A click on a day (greyed days of the neighbouring
// months too) or Enter closes it accepting; Esc, a press outside it or
// cancel mode close it without; the arrows and the day names only turn or
// do nothing. The wheel moves by a day. The owner hears the close through
// OnCloseUp, else through its IPopupHost. GUI thread only.
#pragma once

#include "controls/popup_owner.h"
#include "controls/size_grip.h"
#include "platform/gui/popup.h"
#include "platform/widgets/calendar.h"

// Posted to the calendar when the focus goes elsewhere: it closes without
// accepting when the message arrives.
inline constexpr unsigned CM_CALENDARCLOSEUPEH = WM_USER + 101;

class TPopupMonthCalendarEh : public TPopupOwnedEh<TMonthCalendar> {
  MEBRATH_CLASS(TPopupMonthCalendarEh, TMonthCalendar)
 public:
  // Sized to show the whole month plus the border; shown without taking
  // the focus.
  void ShowAt(const TRect& screenBounds);
  // Hides, then tells OnCloseUp or the owner's IPopupHost; nothing when
  // hidden.
  void CloseUp(bool accept);
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);
  int BorderWidth() const { return FCtl3D ? 2 : 0; }
  // The window's size for the month: the calendar's plus the border.
  TSize PopupSize();
  bool CanFocus() const override { return false; }

  TCloseUpEvent OnCloseUp;

  void WndProc(TMessage& message) override;

 protected:
  explicit TPopupMonthCalendarEh(TComponent* owner);
  void CreateParams(TCreateParams& params) override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
  bool FocusOnClick() const override { return false; }

 private:
  bool FCtl3D = true;
  bool FPressedInside = false;
};
