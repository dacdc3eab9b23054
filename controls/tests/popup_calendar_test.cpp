#include "controls/popup_calendar.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/widgets/tests/std_controls_test_support.h"

namespace {

class PopupCalendarTest : public StdControlsTest {
 protected:
  PopupCalendarTest() {
    Form->Show();
    Owner = Make<TKeyTaker>(Form, 10, 10);
    Owner->SetFocus();
    Calendar = Create<TPopupMonthCalendarEh>(Form);
    Calendar->SetOwnerControl(Owner);
    Calendar->OnCloseUp = [this](TObject*, bool accept) { Closes.push_back(accept); };
    Calendar->SetDate(EncodeDate(2008, 2, 14));
  }
  void Show() {
    TSize s = Calendar->PopupSize();
    TPoint p = Owner->ClientToScreen({0, Owner->Height()});
    Calendar->ShowAt(Bounds(p.X, p.Y, s.cx, s.cy));
  }
  // A press and release at a client point of the calendar.
  void Click(TPoint p) {
    TPoint screen = Calendar->ClientToScreen(p);
    HWND top = Calendar->Handle();
    TRect content = ContentRect(top);
    TPoint at{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(top, WM_LBUTTONDOWN, at, MK_LBUTTON);
    HostMouseEvent(top, WM_LBUTTONUP, at, 0);
    Application->ProcessMessages();
  }
  // The client point of the first place where the hit test gives `part`.
  TPoint Find(TCalendarHitPart part) {
    for (int y = 0; y < Calendar->ClientHeight(); y += 2) {
      for (int x = 0; x < Calendar->ClientWidth(); x += 2) {
        if (Calendar->HitTest({x, y}).Part == part) return {x, y};
      }
    }
    ADD_FAILURE() << "no such part";
    return {0, 0};
  }
  TKeyTaker* Owner = nullptr;
  TPopupMonthCalendarEh* Calendar = nullptr;
  std::vector<bool> Closes;
};

TEST_F(PopupCalendarTest, ArrowsTurnTheMonthAndADayAccepts) {
  Show();
  EXPECT_EQ(Calendar->ClientWidth(), Calendar->MinimumSize().cx);
  EXPECT_TRUE(Owner->Focused());
  Click(Find(chNextArrow));
  EXPECT_TRUE(Closes.empty());
  EXPECT_EQ(Calendar->Date(), EncodeDate(2008, 3, 14));
  Click(Find(chDayNames));
  EXPECT_TRUE(Closes.empty());
  TPoint day = Find(chDay);
  TDateTime date = Calendar->HitTest(day).Date;
  Click(day);
  EXPECT_EQ(Closes, std::vector<bool>{true});
  EXPECT_EQ(Calendar->Date(), date);
  EXPECT_FALSE(Calendar->Visible());
  // A greyed day of the neighbouring month accepts too.
  Show();
  Click(Find(chPrevMonthDay));
  EXPECT_EQ(Closes, (std::vector<bool>{true, true}));
}

TEST_F(PopupCalendarTest, KeysWheelAndOutsideClicks) {
  struct Case {
    unsigned key;
    bool accept;
  };
  for (Case c : {Case{VK_RETURN, true}, Case{VK_ESCAPE, false}}) {
    Closes.clear();
    Show();
    EXPECT_EQ(Calendar->Perform(CM_WANTSPECIALKEY, c.key), 1);
    Calendar->Perform(WM_KEYDOWN, c.key);
    EXPECT_EQ(Closes, std::vector<bool>{c.accept});
  }
  Show();
  TDateTime d = Calendar->Date();
  Calendar->Perform(WM_MOUSEWHEEL, MakeWParam(0, -120), 0);
  EXPECT_EQ(Calendar->Date(), d + 1);
  Calendar->Perform(WM_MOUSEWHEEL, MakeWParam(0, 120), 0);
  Calendar->Perform(WM_MOUSEWHEEL, MakeWParam(0, 120), 0);
  EXPECT_EQ(Calendar->Date(), d - 1);
  Closes.clear();
  ClickAt(Form, 400, 300);
  EXPECT_EQ(Closes, std::vector<bool>{false});
  Show();
  PostMessage(Calendar->Handle(), CM_CALENDARCLOSEUPEH);
  Application->ProcessMessages();
  EXPECT_EQ(Closes, (std::vector<bool>{false, false}));
}

}  // namespace
