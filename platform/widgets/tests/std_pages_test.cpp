#include <gtest/gtest.h>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/std_pages.h"

namespace {

// A page control as a program derives one: its own frame width and top
// indent on the display rectangle, and owner-drawn tabs.
class TFramedPages : public TPageControl {
  MEBRATH_CLASS(TFramedPages, TPageControl)
 public:
  int BorderWidth = 4;
  int TopIndent = 2;
  std::vector<std::string> Drawn;

 protected:
  explicit TFramedPages(TComponent* owner) : TPageControl(owner) {}
  void AdjustClientRect(TRect& rect) override {
    TPageControl::AdjustClientRect(rect);
    int widen = 4 - BorderWidth;
    rect.Left -= widen;
    rect.Right += widen;
    rect.Bottom += widen;
    rect.Top += TopIndent + BorderWidth - 4;
  }
  void DrawTab(int tabIndex, const TRect& rect, bool active) override {
    Drawn.push_back(std::to_string(tabIndex) + (active ? "*" : "") + " " +
                    std::to_string(rect.Left));
  }
};

class TFocusable : public TCustomControl {
  MEBRATH_CLASS(TFocusable, TCustomControl)
 protected:
  explicit TFocusable(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(5, 5, 50, 20);
  }
};

class PagesTest : public GuiTest {
 protected:
  PagesTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(50, 50, 400, 300);
    Pages = Create<TFramedPages>(Form);
    Pages->SetParent(Form);
    Pages->SetBounds(0, 0, 300, 200);
    for (const char* caption : {"One", "Two", "Three"}) {
      TTabSheet* sheet = Create<TTabSheet>(Form);
      sheet->SetCaption(caption);
      sheet->SetPageControl(Pages);
      Sheets.push_back(sheet);
    }
    Inside = Create<TFocusable>(Form);
    Inside->SetParent(Sheets[0]);
    Pages->OnChanging = [this](TObject*, bool& allow) {
      Log.push_back("changing");
      allow = Allow;
    };
    Pages->OnChange = [this](TObject*) { Log.push_back("change"); };
  }
  ~PagesTest() override { Form->Free(); }

  void ClickTab(int tab) {
    TRect r = Pages->TabRect(tab);
    TPoint screen = Pages->ClientToScreen({r.Left + 3, r.Top + 3});
    TRect content = ContentRect(Form->Handle());
    TPoint p{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, p, MK_LBUTTON);
    HostMouseEvent(Form->Handle(), WM_LBUTTONUP, p, 0);
    Application->ProcessMessages();
  }
  void CtrlTab(bool shift) { PressKey(VK_TAB, TShiftState{ssCtrl}.Set(ssShift, shift)); }

  TForm* Form = nullptr;
  TFramedPages* Pages = nullptr;
  std::vector<TTabSheet*> Sheets;
  TFocusable* Inside = nullptr;
  std::vector<std::string> Log;
  bool Allow = true;
};

TEST_F(PagesTest, PagesAndTabsAreCountedApart) {
  EXPECT_EQ(Pages->PageCount(), 3);
  EXPECT_EQ(Pages->ActivePage(), Sheets[0]) << "the first page becomes active";
  Sheets[1]->SetTabVisible(false);
  EXPECT_EQ(Pages->TabCount(), 2);
  EXPECT_EQ(Sheets[2]->TabIndex(), 1);
  EXPECT_EQ(Sheets[2]->PageIndex(), 2);
  EXPECT_EQ(Pages->TabPage(1), Sheets[2]);
  EXPECT_EQ(Sheets[1]->TabIndex(), -1);
  Pages->SetActivePage(Sheets[1]);
  EXPECT_EQ(Pages->ActivePageIndex(), 1) << "a hidden tab's page can still show";
  EXPECT_EQ(Pages->TabIndex(), -1);
  EXPECT_TRUE(Sheets[1]->Visible());
  EXPECT_FALSE(Sheets[0]->Visible());
  EXPECT_TRUE(Log.empty()) << "code changes ask nobody";
  Sheets[2]->SetPageIndex(0);
  EXPECT_EQ(Pages->Pages(0), Sheets[2]);
  EXPECT_THROW(Pages->Pages(3), EListError);
  Sheets[1]->Free();
  EXPECT_EQ(Pages->PageCount(), 2);
  EXPECT_NE(Pages->ActivePage(), nullptr) << "another page takes over";
}

TEST_F(PagesTest, AllTabsHiddenStillSwitchThroughTheActivePage) {
  for (TTabSheet* s : Sheets) s->SetTabVisible(false);
  Pages->SetActivePage(Sheets[2]);
  EXPECT_EQ(Pages->ActivePage(), Sheets[2]);
  EXPECT_EQ(Pages->TabCount(), 0);
  Pages->SetActivePageIndex(0);
  EXPECT_EQ(Pages->ActivePage(), Sheets[0]);
  // With no tab row the display rectangle starts at the top margin.
  EXPECT_EQ(Sheets[0]->BoundsRect(), Rect(4, 6, 296, 196));
}

TEST_F(PagesTest, DisplayRectangleComesFromTheHook) {
  int tabs = Pages->TabRect(0).Bottom;
  struct Case {
    int border, indent;
    TRect expected;
  } cases[] = {
      {4, 2, Rect(4, tabs + 6, 296, 196)},
      {0, 0, Rect(0, tabs, 300, 200)},
      {2, 5, Rect(2, tabs + 7, 298, 198)},
  };
  for (const Case& c : cases) {
    Pages->BorderWidth = c.border;
    Pages->TopIndent = c.indent;
    Pages->Realign();
    EXPECT_EQ(Pages->DisplayRect(), c.expected) << c.border << " " << c.indent;
    EXPECT_EQ(Pages->ActivePage()->BoundsRect(), c.expected);
  }
  TRect r = Pages->ClientRect();
  Pages->Perform(TCM_ADJUSTRECT, 0, AsParam(&r));
  Pages->Perform(TCM_ADJUSTRECT, 1, AsParam(&r));
  EXPECT_EQ(r, Pages->ClientRect()) << "the message works both ways";
}

TEST_F(PagesTest, UserSwitchesAskOnChanging) {
  Form->Show();
  ClickTab(2);
  EXPECT_EQ(Pages->ActivePage(), Sheets[2]);
  EXPECT_EQ(Log, (std::vector<std::string>{"changing", "change"}));
  Log.clear();
  Allow = false;
  ClickTab(0);
  EXPECT_EQ(Pages->ActivePage(), Sheets[2]) << "refused";
  EXPECT_EQ(Log, std::vector<std::string>{"changing"});
  Allow = true;
  ClickTab(0);
  EXPECT_EQ(Pages->ActivePage(), Sheets[0]);
  Inside->SetFocus();
  CtrlTab(false);
  EXPECT_EQ(Pages->ActivePage(), Sheets[1]);
  EXPECT_TRUE(Pages->Focused()) << "the focus leaves the hidden page";
  CtrlTab(true);
  CtrlTab(true);
  EXPECT_EQ(Pages->ActivePage(), Sheets[2]) << "wraps";
  Sheets[0]->SetTabVisible(false);
  HostKeyEvent(WM_KEYDOWN, VK_RIGHT);
  Application->ProcessMessages();
  EXPECT_EQ(Pages->ActivePage(), Sheets[1]) << "arrows skip hidden tabs";
}

TEST_F(PagesTest, StylesAndOwnerDrawing) {
  Form->Show();
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, {});
  bool captionDrawn = false;
  for (const auto& r : canvas.Records()) captionDrawn |= r.Text == "Two";
  EXPECT_TRUE(captionDrawn);
  EXPECT_TRUE(Pages->Drawn.empty());
  Pages->SetOwnerDraw(true);
  Pages->Invalidate();
  PaintTopLevel(Form->Handle(), canvas, {});
  ASSERT_EQ(Pages->Drawn.size(), 3u);
  EXPECT_EQ(Pages->Drawn[0].substr(0, 2), "0*");
  EXPECT_EQ(Pages->Drawn[1].substr(0, 2), "1 ");
  int gapless = Pages->TabRect(1).Left - Pages->TabRect(0).Right;
  Pages->SetStyle(tsButtons);
  EXPECT_GT(Pages->TabRect(1).Left - Pages->TabRect(0).Right, gapless);
  Pages->SetTabWidth(40);
  EXPECT_EQ(Pages->TabRect(2).Width(), 40);
  EXPECT_EQ(Pages->IndexOfTabAt(Pages->TabRect(2).Left + 1, Pages->TabRect(2).Top + 1), 2);
  EXPECT_EQ(Pages->IndexOfTabAt(299, 199), -1);
}

}  // namespace
