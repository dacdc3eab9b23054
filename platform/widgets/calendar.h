// The month calendar: TCommonCalendar and TMonthCalendar.
//
// One month as a title (month and year between two arrows), a row of day
// names (Russian, the week starting on Monday) and six weeks of days; days
// of the neighbouring months fill the first and last weeks, greyed. The
// selected date is highlighted, today is framed. Its size follows from the
// font (MinimumSize); with AutoSize the control keeps that size.
//
// Keys: arrows move by a day or a week, PgUp/PgDn by a month, Ctrl+PgUp/
// PgDn by a year, Home/End to the month's first or last day. A click on a
// day selects it (a greyed day moves to its month), on an arrow turns the
// month. Every change of Date fires OnChange; clicks fire OnClick.
// GUI thread only.
#pragma once

#include "platform/base/date_time.h"
#include "platform/gui/controls.h"

// What lies under a point of the calendar.
enum TCalendarHitPart {
  chNothing,       // the border, the space below the weeks
  chTitle,         // the month and year
  chPrevArrow,     // the arrow to the previous month
  chNextArrow,     // the arrow to the next month
  chDayNames,      // the row of day names
  chDay,           // a day of the month shown
  chPrevMonthDay,  // a greyed day of the previous month
  chNextMonthDay   // a greyed day of the next month
};

struct TCalendarHitTest {
  TCalendarHitPart Part = chNothing;
  TDateTime Date = 0;  // the day, for the three day parts
};

class TCommonCalendar : public TCustomControl {
  MEBRATH_CLASS(TCommonCalendar, TCustomControl)
 public:
  // The selected day (no time part).
  TDateTime Date() const { return FDate; }
  // Drops the time part; repaints and fires OnChange when it changed.
  void SetDate(TDateTime value);
  // The size that shows the whole month in the current font.
  TSize MinimumSize() override;
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  // What lies under a client point.
  TCalendarHitTest HitTest(TPoint p);

  TNotifyEvent OnChange;

 protected:
  explicit TCommonCalendar(TComponent* owner);
  virtual void Change();
  // TWinControl
  void WndProc(TMessage& message) override;
  void Paint() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  struct TLayout {
    int CellWidth = 0;
    int CellHeight = 0;
    TRect Title;
    TRect PrevArrow;
    TRect NextArrow;
    TRect DayNames;
    TRect Days;  // six weeks
  };
  TLayout Layout();
  // The Monday on or before the first of the shown month.
  TDateTime FirstShown() const;
  void AdjustSize();

  TDateTime FDate = 0;
  bool FAutoSize = true;
};

class TMonthCalendar : public TCommonCalendar {
  MEBRATH_CLASS(TMonthCalendar, TCommonCalendar)
 protected:
  explicit TMonthCalendar(TComponent* owner) : TCommonCalendar(owner) {}
};
