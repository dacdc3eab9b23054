#include "controls/popup_calendar.h"

TPopupMonthCalendarEh::TPopupMonthCalendarEh(TComponent* owner) : TPopupOwnedEh(owner) {
  SetVisible(false);
  SetTabStop(false);
  SetAutoSize(false);
}

void TPopupMonthCalendarEh::SetCtl3D(bool value) {
  if (FCtl3D == value) return;
  FCtl3D = value;
  if (HandleAllocated()) RecreateWnd();
}

void TPopupMonthCalendarEh::CreateParams(TCreateParams& params) {
  TMonthCalendar::CreateParams(params);
  PopupCreateParamsEh(params, ParentWindow());
  if (!FCtl3D) params.Style |= WS_BORDER;
}

TSize TPopupMonthCalendarEh::PopupSize() {
  TSize s = MinimumSize();
  int frame = FCtl3D ? 2 * BorderWidth() : 2;
  return {s.cx + frame, s.cy + frame};
}

void TPopupMonthCalendarEh::ShowAt(const TRect& screenBounds) {
  FPressedInside = false;
  PopupShowAtEh(*this, OwnerControl(), screenBounds);
}

void TPopupMonthCalendarEh::CloseUp(bool accept) { CloseUpToOwner(accept, OnCloseUp); }

void TPopupMonthCalendarEh::KeyDown(unsigned& key, TShiftState shift) {
  if (key == VK_RETURN || key == VK_ESCAPE) {
    bool accept = key == VK_RETURN;
    key = 0;
    CloseUp(accept);
    return;
  }
  TMonthCalendar::KeyDown(key, shift);
}

void TPopupMonthCalendarEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  bool inside = x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight();
  if (!inside) {
    CloseUp(false);
    return;
  }
  FPressedInside = button == mbLeft;
  TMonthCalendar::MouseDown(button, shift, x, y);
}

void TPopupMonthCalendarEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TMonthCalendar::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  bool pressed = FPressedInside;
  FPressedInside = false;
  bool inside = x >= 0 && y >= 0 && x < ClientWidth() && y < ClientHeight();
  if (!inside) {
    CloseUp(false);
    return;
  }
  if (!pressed) return;
  TCalendarHitTest hit = HitTest({x, y});
  if (hit.Part == chDay || hit.Part == chPrevMonthDay || hit.Part == chNextMonthDay) {
    CloseUp(true);
  }
}

bool TPopupMonthCalendarEh::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  if (TMonthCalendar::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  SetDate(Date() + (wheelDelta < 0 ? 1 : -1));
  return true;
}

void TPopupMonthCalendarEh::WndProc(TMessage& message) {
  if (PopupWndProcEh(*this, message, [this](bool accept) { CloseUp(accept); })) return;
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTTAB;
      return;
    case CM_WANTSPECIALKEY: {
      unsigned key = static_cast<unsigned>(message.WParam);
      if (key == VK_RETURN || key == VK_ESCAPE) {
        message.Result = 1;
        return;
      }
      break;
    }
    case CM_CALENDARCLOSEUPEH:
      CloseUp(false);
      return;
    case CM_DROPDOWNGRIPDIRECTIONEH:
      return;
    default:
      break;
  }
  TMonthCalendar::WndProc(message);
  PopupBorderAfterEh(*this, message, BorderWidth());
}
