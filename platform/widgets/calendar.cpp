#include "platform/widgets/calendar.h"

#include <cmath>

#include "platform/base/clock.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"

namespace {

const char* const kMonthNames[12] = {"Январь",   "Февраль", "Март",   "Апрель",
                                     "Май",      "Июнь",    "Июль",   "Август",
                                     "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
const char* const kDayNames[7] = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};

constexpr int kMargin = 4;
constexpr int kWeeks = 6;

int DayNumber(TDateTime d) { return static_cast<int>(std::floor(d + 0.5)); }

}  // namespace

TCommonCalendar::TCommonCalendar(TComponent* owner) : TCustomControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
  FDate = ::Date();
  AdjustSize();
}

void TCommonCalendar::SetDate(TDateTime value) {
  value = DateOf(value);
  if (value == FDate) return;
  FDate = value;
  Invalidate();
  Change();
}

void TCommonCalendar::Change() {
  if (OnChange) OnChange(this);
}

void TCommonCalendar::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  AdjustSize();
}

void TCommonCalendar::AdjustSize() {
  if (!FAutoSize) return;
  TSize s = MinimumSize();
  SetBounds(Left(), Top(), s.cx, s.cy);
}

TCommonCalendar::TLayout TCommonCalendar::Layout() {
  TCanvas& c = MeasureCanvas();
  TCanvasStateSaver saver(c);
  c.SetFont(Font());
  TLayout l;
  int digits = c.TextWidth("00");
  int names = 0;
  for (const char* n : kDayNames) names = std::max(names, c.TextWidth(n));
  l.CellWidth = std::max(digits, names) + 10;
  l.CellHeight = c.TextHeight("0") + 4;
  const int width = 7 * l.CellWidth;
  const int titleHeight = l.CellHeight + 6;
  l.Title = {kMargin, kMargin, kMargin + width, kMargin + titleHeight};
  l.PrevArrow = {l.Title.Left, l.Title.Top, l.Title.Left + titleHeight, l.Title.Bottom};
  l.NextArrow = {l.Title.Right - titleHeight, l.Title.Top, l.Title.Right, l.Title.Bottom};
  l.DayNames = {kMargin, l.Title.Bottom, kMargin + width, l.Title.Bottom + l.CellHeight + 2};
  l.Days = {kMargin, l.DayNames.Bottom, kMargin + width, l.DayNames.Bottom + kWeeks * l.CellHeight};
  return l;
}

TSize TCommonCalendar::MinimumSize() {
  TLayout l = Layout();
  return {l.Days.Right + kMargin, l.Days.Bottom + kMargin};
}

TDateTime TCommonCalendar::FirstShown() const {
  TDateTime first = StartOfTheMonth(FDate);
  return first - (DayOfTheWeek(first) - 1);
}

TCalendarHitTest TCommonCalendar::HitTest(TPoint p) {
  TLayout l = Layout();
  TCalendarHitTest hit;
  if (PtInRect(l.PrevArrow, p)) {
    hit.Part = chPrevArrow;
  } else if (PtInRect(l.NextArrow, p)) {
    hit.Part = chNextArrow;
  } else if (PtInRect(l.Title, p)) {
    hit.Part = chTitle;
  } else if (PtInRect(l.DayNames, p)) {
    hit.Part = chDayNames;
  } else if (PtInRect(l.Days, p)) {
    int col = (p.X - l.Days.Left) / l.CellWidth;
    int row = (p.Y - l.Days.Top) / l.CellHeight;
    hit.Date = FirstShown() + row * 7 + col;
    int month = MonthOf(hit.Date);
    int shown = MonthOf(FDate);
    if (month == shown)
      hit.Part = chDay;
    else
      hit.Part = hit.Date < FDate ? chPrevMonthDay : chNextMonthDay;
  }
  return hit;
}

void TCommonCalendar::KeyDown(unsigned& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  const bool ctrl = shift.Contains(ssCtrl);
  TDateTime d = FDate;
  switch (key) {
    case VK_LEFT:
      d -= 1;
      break;
    case VK_RIGHT:
      d += 1;
      break;
    case VK_UP:
      d -= 7;
      break;
    case VK_DOWN:
      d += 7;
      break;
    case VK_PRIOR:
      d = IncMonth(d, ctrl ? -12 : -1);
      break;
    case VK_NEXT:
      d = IncMonth(d, ctrl ? 12 : 1);
      break;
    case VK_HOME:
      d = StartOfTheMonth(d);
      break;
    case VK_END:
      d = DateOf(EndOfTheMonth(d));
      break;
    default:
      return;
  }
  key = 0;
  SetDate(d);
}

void TCommonCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    TCalendarHitTest hit = HitTest({x, y});
    switch (hit.Part) {
      case chPrevArrow:
        SetDate(IncMonth(FDate, -1));
        break;
      case chNextArrow:
        SetDate(IncMonth(FDate, 1));
        break;
      case chDay:
      case chPrevMonthDay:
      case chNextMonthDay:
        SetDate(hit.Date);
        break;
      default:
        break;
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCommonCalendar::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE:
      message.Result = DLGC_WANTARROWS;
      return;
    case CM_FONTCHANGED:
      TCustomControl::WndProc(message);
      AdjustSize();
      Invalidate();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}

void TCommonCalendar::Paint() {
  TCanvas& c = *Canvas();
  TLayout l = Layout();
  c.Brush()->SetColor(Color());
  c.FillRect(ClientRect());

  // Title: arrows and "Месяц год".
  c.FillSolidRect(l.Title, clBtnFace);
  TRect arrow = l.PrevArrow;
  InflateRect(arrow, -2, -2);
  DrawFrameControl(c, arrow, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_FLAT);
  arrow = l.NextArrow;
  InflateRect(arrow, -2, -2);
  DrawFrameControl(c, arrow, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_FLAT);
  c.SetBkMode(TRANSPARENT);
  {
    TCanvasStateSaver saver(c);
    TFontStyles style = c.Font()->Style();
    style.Include(fsBold);
    c.Font()->SetStyle(style);
    c.Font()->SetColor(clBtnText);
    TRect title{l.PrevArrow.Right, l.Title.Top, l.NextArrow.Left, l.Title.Bottom};
    std::string text =
        std::string(kMonthNames[MonthOf(FDate) - 1]) + " " + std::to_string(YearOf(FDate));
    DrawText(c, text, title, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  // Day names, the weekend in red, and a line under them.
  for (int i = 0; i < 7; ++i) {
    TRect r{l.DayNames.Left + i * l.CellWidth, l.DayNames.Top,
            l.DayNames.Left + (i + 1) * l.CellWidth, l.DayNames.Bottom - 2};
    c.Font()->SetColor(i >= 5 ? clMaroon : clWindowText);
    DrawText(c, kDayNames[i], r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  c.FillSolidRect({l.DayNames.Left, l.DayNames.Bottom - 2, l.DayNames.Right, l.DayNames.Bottom - 1},
                  clBtnShadow);

  // Six weeks.
  const TDateTime first = FirstShown();
  const int month = MonthOf(FDate);
  const int today = DayNumber(::Date());
  const bool focused = Focused();
  for (int i = 0; i < kWeeks * 7; ++i) {
    TDateTime d = first + i;
    TRect r{l.Days.Left + (i % 7) * l.CellWidth, l.Days.Top + (i / 7) * l.CellHeight,
            l.Days.Left + (i % 7 + 1) * l.CellWidth, l.Days.Top + (i / 7 + 1) * l.CellHeight};
    bool selected = DayNumber(d) == DayNumber(FDate);
    // Unfocused, the chosen day keeps a light tint of the highlight: plain
    // to see, yet unlike the focused look.
    if (selected)
      c.FillSolidRect(r, focused ? TColor(clHighlight) : BlendColors(clHighlight, Color(), 25));
    c.Font()->SetColor(selected && focused   ? clHighlightText
                       : MonthOf(d) != month ? clGrayText
                                             : clWindowText);
    TRect text = r;
    DrawText(c, std::to_string(DayOf(d)), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (DayNumber(d) == today) {
      TCanvasStateSaver saver(c);
      c.Brush()->SetColor(clRed);
      c.FrameRect(r);
    }
    if (selected && focused) DrawFocusRect(c, r);
  }
}
