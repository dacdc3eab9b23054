#include "controls/popup_owner.h"

#include <gtest/gtest.h>

#include <vector>

#include "controls/calculator.h"
#include "controls/popup_calendar.h"
#include "controls/popup_lists.h"
#include "platform/base/exceptions.h"
#include "platform/widgets/tests/std_controls_test_support.h"

namespace {

// The control a drop-down belongs to, hearing close-ups without OnCloseUp.
class THostControl : public TKeyTaker, public IPopupHost {
  MEBRATH_CLASS(THostControl, TKeyTaker)
 public:
  std::vector<bool> Heard;
  void CloseUp(bool accept) override { Heard.push_back(accept); }

 protected:
  explicit THostControl(TComponent* owner) : TKeyTaker(owner) {}
};

class PopupOwnerTest : public StdControlsTest {
 protected:
  PopupOwnerTest() { Form->Show(); }

  // Every drop-down closes up alike: not when hidden, once however often a
  // handler asks again, hidden even when the handler fails, and then
  // through the owner when no handler is set.
  template <class TDropDown>
  void CheckCloseUp() {
    auto* owner = Make<THostControl>(Form, 10, 10);
    owner->SetFocus();
    auto* dropDown = Create<TDropDown>(Form);
    dropDown->SetOwnerControl(owner);
    const auto show = [&] {
      TPoint p = owner->ClientToScreen({0, owner->Height()});
      dropDown->ShowAt(Bounds(p.X, p.Y, 150, 150));
    };
    std::vector<bool> heard;
    dropDown->OnCloseUp = [&](TObject*, bool accept) {
      heard.push_back(accept);
      dropDown->CloseUp(!accept);  // ignored: the close-up runs already
    };
    dropDown->CloseUp(true);
    EXPECT_TRUE(heard.empty());

    show();
    dropDown->CloseUp(true);
    EXPECT_EQ(heard, std::vector<bool>{true});
    EXPECT_FALSE(dropDown->Visible());

    show();
    dropDown->OnCloseUp = [](TObject*, bool) { throw Exception("the owner failed"); };
    EXPECT_THROW(dropDown->CloseUp(true), Exception);
    EXPECT_FALSE(dropDown->Visible());

    show();
    dropDown->OnCloseUp = nullptr;
    dropDown->CloseUp(false);
    EXPECT_EQ(owner->Heard, std::vector<bool>{false});
    EXPECT_FALSE(dropDown->Visible());
  }
};

TEST_F(PopupOwnerTest, TheDropDownsCloseUpAlike) {
  {
    SCOPED_TRACE("list");
    CheckCloseUp<TPopupListboxEh>();
  }
  {
    SCOPED_TRACE("calendar");
    CheckCloseUp<TPopupMonthCalendarEh>();
  }
  {
    SCOPED_TRACE("calculator");
    CheckCloseUp<TPopupCalculatorEh>();
  }
}

}  // namespace
