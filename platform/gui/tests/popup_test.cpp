#include "platform/gui/popup.h"

#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/gui/gui_host.h"

namespace {

TEST(PopupPlacement, FollowsTheDropDownRule) {
  const TRect work = Rect(0, 0, 1000, 700);
  struct Case {
    const char* name;
    TRect control;
    TSize size;
    TPopupAlignment align;
    TRect bounds;
    bool above;
    bool gripLeft;
  };
  const Case cases[] = {
      {"below, left-aligned",
       Rect(100, 100, 200, 120),
       {150, 200},
       paLeft,
       Rect(100, 120, 250, 320),
       false,
       false},
      {"exactly fits below",
       Rect(100, 480, 200, 500),
       {150, 200},
       paLeft,
       Rect(100, 500, 250, 700),
       false,
       false},
      {"no room below: above",
       Rect(100, 600, 200, 620),
       {150, 200},
       paLeft,
       Rect(100, 400, 250, 600),
       true,
       false},
      {"room nowhere, more above: shortened above",
       Rect(100, 400, 200, 420),
       {150, 500},
       paLeft,
       Rect(100, 0, 250, 400),
       true,
       false},
      {"room nowhere, more below: shortened below",
       Rect(100, 200, 200, 220),
       {150, 600},
       paLeft,
       Rect(100, 220, 250, 700),
       false,
       false},
      {"past the right edge: shifted left",
       Rect(900, 100, 980, 120),
       {150, 100},
       paLeft,
       Rect(850, 120, 1000, 220),
       false,
       true},
      {"right-aligned",
       Rect(300, 100, 400, 120),
       {150, 100},
       paRight,
       Rect(250, 120, 400, 220),
       false,
       true},
      {"right-aligned past the left edge",
       Rect(10, 100, 60, 120),
       {150, 100},
       paRight,
       Rect(0, 120, 150, 220),
       false,
       false},
      {"centred",
       Rect(300, 100, 400, 120),
       {200, 100},
       paCenter,
       Rect(250, 120, 450, 220),
       false,
       false},
      {"wider than the work area",
       Rect(300, 100, 400, 120),
       {1200, 100},
       paLeft,
       Rect(0, 120, 1000, 220),
       false,
       true},
  };
  for (const Case& c : cases) {
    TPopupPlacement p = PlacePopup(c.control, c.size, c.align, work);
    EXPECT_EQ(p.Bounds, c.bounds) << c.name;
    EXPECT_EQ(p.Above, c.above) << c.name;
    EXPECT_EQ(p.GripLeft, c.gripLeft) << c.name;
  }
}

class TPopupEdit : public TCustomControl, public IPopupHost {
  MEBRATH_CLASS(TPopupEdit, TCustomControl)
 public:
  std::vector<bool> Closes;
  void CloseUp(bool accept) override { Closes.push_back(accept); }

 protected:
  explicit TPopupEdit(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(10, 20, 100, 20);
  }
};

class TTestPopup : public TCustomPopupWindow {
  MEBRATH_CLASS(TTestPopup, TCustomPopupWindow)
 public:
  std::vector<unsigned> Keys;
  int Presses = 0;

 protected:
  explicit TTestPopup(TComponent* owner) : TCustomPopupWindow(owner) { SetBounds(0, 0, 120, 80); }
  void KeyDown(unsigned& key, TShiftState) override { Keys.push_back(key); }
  void MouseDown(TMouseButton, TShiftState, int, int) override { ++Presses; }
};

class PopupTest : public GuiTest {
 protected:
  PopupTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Edit = Create<TPopupEdit>(Form);
    Edit->SetParent(Form);
    Popup = Create<TTestPopup>(Edit);
    Popup->SetOwnerControl(Edit);
    Form->Show();
  }
  ~PopupTest() override { Form->Free(); }
  void Press(HWND top, TPoint contentPos) {
    HostMouseEvent(top, WM_LBUTTONDOWN, contentPos, MK_LBUTTON);
    HostMouseEvent(top, WM_LBUTTONUP, contentPos, 0);
    Application->ProcessMessages();
  }

  TForm* Form = nullptr;
  TPopupEdit* Edit = nullptr;
  TTestPopup* Popup = nullptr;
};

TEST_F(PopupTest, DropsDownUnderItsOwnerWithoutTakingTheFocus) {
  ASSERT_TRUE(Edit->Focused());
  TPopupPlacement p = Popup->DropDown();
  HWND h = Popup->Handle();
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_EQ(GetParent(h), nullptr);
  EXPECT_EQ(GetWindowOwner(h), Form->Handle());
  EXPECT_EQ(GetWindowStyle(h) & (WS_POPUP | WS_CHILD | WS_CAPTION), WS_POPUP);
  const std::uint32_t ex = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  EXPECT_EQ(GetWindowExStyle(h) & ex, ex);
  TPoint under = Edit->ClientToScreen({0, Edit->Height()});
  EXPECT_EQ(p.Bounds, Bounds(under.X, under.Y, 120, 80));
  EXPECT_EQ(GetWindowRect(h), p.Bounds);
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(GetActiveWindow(), Form->Handle());

  // A click inside reaches the popup but neither activates nor focuses it.
  Press(h, {5, 5});
  EXPECT_EQ(Popup->Presses, 1);
  EXPECT_TRUE(Popup->Visible());
  EXPECT_TRUE(Edit->Focused());
  EXPECT_EQ(GetActiveWindow(), Form->Handle());
  EXPECT_FALSE(Popup->CanFocus());
  EXPECT_TRUE(Edit->Closes.empty());

  // The owner forwards keys.
  Popup->Perform(WM_KEYDOWN, VK_DOWN);
  EXPECT_EQ(Popup->Keys, std::vector<unsigned>{VK_DOWN});
}

TEST_F(PopupTest, ClosesOnAClickOutsideAndOnCancelMode) {
  Popup->DropDown();
  TPoint formPos = Form->ClientToScreen({200, 200});
  TRect content = ContentRect(Form->Handle());
  Press(Form->Handle(), {formPos.X - content.Left, formPos.Y - content.Top});
  EXPECT_FALSE(Popup->Visible());
  EXPECT_FALSE(IsWindowVisible(Popup->Handle()));
  EXPECT_EQ(Edit->Closes, std::vector<bool>{false});

  Popup->DropDown();
  SendMessage(Popup->Handle(), WM_CANCELMODE);
  EXPECT_EQ(Edit->Closes, (std::vector<bool>{false, false}));
  // Closing a hidden popup tells nobody.
  Popup->CloseUp(true);
  Popup->Perform(CM_CANCELMODE);
  EXPECT_EQ(Edit->Closes.size(), 2u);

  // Accepting goes to the event when one is set, instead of the owner.
  std::vector<bool> events;
  Popup->OnCloseUp = [&](TObject* sender, bool accept) {
    EXPECT_EQ(sender, Popup);
    EXPECT_FALSE(Popup->Visible()) << "hidden before the owner hears of it";
    events.push_back(accept);
  };
  Popup->DropDown();
  Popup->CloseUp(true);
  EXPECT_EQ(events, std::vector<bool>{true});
  EXPECT_EQ(Edit->Closes.size(), 2u);
  EXPECT_TRUE(Edit->Focused());
}

TEST_F(PopupTest, APopupOpenedFromAPopupKeepsItsOpener) {
  TTestPopup* inner = Create<TTestPopup>(Popup);
  inner->SetOwnerControl(Popup);
  Popup->DropDown();
  inner->ShowAt(Bounds(600, 600, 50, 50));
  EXPECT_EQ(GetWindowOwner(inner->Handle()), Popup->Handle());
  Press(inner->Handle(), {5, 5});
  EXPECT_TRUE(Popup->Visible());
  EXPECT_TRUE(inner->Visible());
  Press(Popup->Handle(), {5, 5});
  EXPECT_TRUE(Popup->Visible());
  EXPECT_FALSE(inner->Visible());
}

TEST_F(PopupTest, DroppingDownWithoutOwnerIsRefused) {
  TTestPopup* lone = Create<TTestPopup>(Form);
  EXPECT_THROW(lone->DropDown(), EInvalidOperation);
  // Destroying the owner forgets it.
  TTestPopup* p = Create<TTestPopup>(Form);
  TPopupEdit* e = Create<TPopupEdit>(nullptr);
  e->SetParent(Form);
  p->SetOwnerControl(e);
  p->DropDown();
  e->Free();
  EXPECT_EQ(p->OwnerControl(), nullptr);
  EXPECT_FALSE(p->Visible());
}

}  // namespace
