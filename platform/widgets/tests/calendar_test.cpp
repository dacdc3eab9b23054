#include "platform/widgets/calendar.h"

#include <gtest/gtest.h>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

class CalendarTest : public GuiTest {
 protected:
  CalendarTest() : FClock(EncodeDate(2025, 5, 14) + 0.5) {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 400, 300);
    Calendar = Create<TMonthCalendar>(Form);
    Calendar->SetParent(Form);
    Calendar->OnChange = [this](TObject*) { ++Changes; };
    Form->Show();
    Calendar->SetFocus();
  }
  ~CalendarTest() override { Form->Free(); }
  void Key(unsigned vk, bool ctrl = false) {
    if (ctrl) HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
    if (ctrl) HostKeyEvent(WM_KEYUP, VK_CONTROL);
    Application->ProcessMessages();
  }
  std::string Shown() const { return FormatDateTime("dd.mm.yyyy", Calendar->Date()); }

  TScopedClock FClock;
  TForm* Form = nullptr;
  TMonthCalendar* Calendar = nullptr;
  int Changes = 0;
};

TEST_F(CalendarTest, StartsOnTodayAndSizesFromTheFont) {
  EXPECT_EQ(Shown(), "14.05.2025");
  // The default font: digits 6 wide, cells (12 + 10) x (13 + 4).
  TSize s = Calendar->MinimumSize();
  EXPECT_EQ(s.cx, 4 + 7 * 22 + 4);
  EXPECT_EQ(s.cy, 4 + 23 + 19 + 6 * 17 + 4);
  EXPECT_EQ(Calendar->Width(), s.cx) << "AutoSize";
  TFont big;
  big.SetHeight(-20);
  Calendar->SetFont(&big);
  EXPECT_GT(Calendar->Width(), s.cx);
  EXPECT_EQ(Calendar->Width(), Calendar->MinimumSize().cx);
}

TEST_F(CalendarTest, KeysMoveByDayWeekMonthAndYear) {
  struct {
    unsigned Key;
    bool Ctrl;
    const char* After;
  } steps[] = {
      {VK_RIGHT, false, "15.05.2025"}, {VK_LEFT, false, "14.05.2025"},
      {VK_DOWN, false, "21.05.2025"},  {VK_UP, false, "14.05.2025"},
      {VK_NEXT, false, "14.06.2025"},  {VK_PRIOR, false, "14.05.2025"},
      {VK_NEXT, true, "14.05.2026"},   {VK_PRIOR, true, "14.05.2025"},
      {VK_END, false, "31.05.2025"},   {VK_HOME, false, "01.05.2025"},
      {VK_LEFT, false, "30.04.2025"},
  };
  for (auto& s : steps) {
    Key(s.Key, s.Ctrl);
    EXPECT_EQ(Shown(), s.After) << "key " << s.Key;
  }
  EXPECT_EQ(Changes, 11);
  // A month end stays within the shorter month.
  Calendar->SetDate(EncodeDate(2025, 1, 31));
  Key(VK_NEXT);
  EXPECT_EQ(Shown(), "28.02.2025");
}

TEST_F(CalendarTest, HitTestTellsThePartsApart) {
  // May 2025 starts on a Thursday: the first week shows 28-30 April.
  const int cw = 22, ch = 17;
  const int daysTop = 4 + 23 + 19;
  auto day = [&](int col, int row) { return TPoint{4 + col * cw + 5, daysTop + row * ch + 5}; };
  struct {
    TPoint P;
    TCalendarHitPart Part;
    const char* Date;
  } cases[] = {
      {{8, 8}, chPrevArrow, nullptr},
      {{4 + 7 * cw - 5, 8}, chNextArrow, nullptr},
      {{80, 10}, chTitle, nullptr},
      {{50, 4 + 23 + 5}, chDayNames, nullptr},
      {day(0, 0), chPrevMonthDay, "28.04.2025"},
      {day(3, 0), chDay, "01.05.2025"},
      {day(2, 2), chDay, "14.05.2025"},
      {day(5, 4), chDay, "31.05.2025"},
      {day(6, 4), chNextMonthDay, "01.06.2025"},
      {day(6, 5), chNextMonthDay, "08.06.2025"},
      {{1, 1}, chNothing, nullptr},
  };
  for (auto& c : cases) {
    TCalendarHitTest hit = Calendar->HitTest(c.P);
    EXPECT_EQ(hit.Part, c.Part) << c.P.X << "," << c.P.Y;
    if (c.Date) {
      EXPECT_EQ(FormatDateTime("dd.mm.yyyy", hit.Date), c.Date);
    }
  }
  // Clicks: an arrow turns the month, a greyed day moves to its month.
  int clicks = 0;
  Calendar->OnClick = [&](TObject*) { ++clicks; };
  auto click = [&](TPoint p) {
    Calendar->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeLParam(p.X, p.Y));
    Calendar->Perform(WM_LBUTTONUP, 0, MakeLParam(p.X, p.Y));
  };
  click({8, 8});
  EXPECT_EQ(Shown(), "14.04.2025");
  click(day(6, 5));  // 11 May in April's view (April 2025 starts on a Tuesday)
  EXPECT_EQ(Shown(), "11.05.2025");
  EXPECT_EQ(clicks, 2);
}

TEST_F(CalendarTest, PaintsRussianNamesGreyedNeighboursAndToday) {
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, {});
  std::vector<std::string> names;
  int greyed = 0;
  bool title = false, today = false;
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind == TRecordKind::Text) {
      if (r.Text == "Май 2025") title = true;
      if (r.Text.size() == 4 && r.Text[0] != '0' && !isdigit(static_cast<unsigned char>(r.Text[0])))
        names.push_back(r.Text);
      if (r.Color == clGrayText) ++greyed;
    }
    if (r.Kind == TRecordKind::FillRect && r.Color == clRed) today = true;
  }
  EXPECT_TRUE(title);
  EXPECT_EQ(names, (std::vector<std::string>{"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"}));
  EXPECT_EQ(greyed, 3 + 8);  // 28-30 April, 1-8 June
  EXPECT_TRUE(today);
}

// Without the focus the chosen day is still plain to see (not a barely
// grey cell on white) and unlike the focused look.
TEST_F(CalendarTest, TheChosenDayShowsPlainlyWithoutTheFocus) {
  auto* other = Create<TMonthCalendar>(Form);
  other->SetParent(Form);
  other->SetLeft(Calendar->Width() + 10);
  for (TMonthCalendar* focus : {Calendar, other}) {
    focus->SetFocus();
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    // The last fill under the "14" of the first calendar is the day's cell.
    const TCanvasRecord* text = nullptr;
    for (const TCanvasRecord& r : canvas.Records())
      if (r.Kind == TRecordKind::Text && r.Text == "14" && r.Rect.Left < Calendar->Width())
        text = &r;
    ASSERT_NE(text, nullptr);
    TColor cell = clNone;
    for (const TCanvasRecord& r : canvas.Records()) {
      if (&r == text) break;
      TRect common;
      if (r.Kind == TRecordKind::FillRect && IntersectRect(common, r.Rect, text->Rect) &&
          common == text->Rect)
        cell = r.Color;
    }
    TColor c = ColorToRGB(cell), back = ColorToRGB(Calendar->Color());
    int contrast = std::abs(GetRValue(c) - GetRValue(back)) +
                   std::abs(GetGValue(c) - GetGValue(back)) +
                   std::abs(GetBValue(c) - GetBValue(back));
    EXPECT_GE(contrast, 60) << (focus == Calendar);
    EXPECT_EQ(cell == clHighlight, focus == Calendar);
    EXPECT_EQ(text->Color == clHighlightText, focus == Calendar);
  }
}

}  // namespace
