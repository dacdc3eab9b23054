#include "platform/widgets/std_panels.h"

#include <gtest/gtest.h>

#include "platform/widgets/std_labels.h"
#include "std_controls_test_support.h"

namespace {

class StdPanelsTest : public StdControlsTest {};

// A panel that paints something of its own.
class TPagePanel : public TCustomPanel {
  MEBRATH_CLASS(TPagePanel, TCustomPanel)
 public:
  int Paints = 0;

 protected:
  explicit TPagePanel(TComponent* owner) : TCustomPanel(owner) {}
  void Paint() override {
    ++Paints;
    Canvas()->FillSolidRect(Rect(5, 5, 15, 15), clGray);
  }
};

TEST_F(StdPanelsTest, PanelFrameShrinksTheAlignedAreaAndCaptionIsCentred) {
  TPanel* panel = Make<TPanel>(Form, 10, 10);
  panel->SetBounds(10, 10, 200, 100);
  TPanel* child = Make<TPanel>(panel, 0, 0);
  child->SetAlign(alClient);
  EXPECT_EQ(child->BoundsRect(), Rect(1, 1, 199, 99)) << "the raised outer bevel";
  struct Case {
    TBevelCut inner, outer;
    int bevelWidth, borderWidth;
    int frame;
  };
  const Case cases[] = {
      {bvNone, bvNone, 1, 0, 0}, {bvLowered, bvRaised, 2, 3, 7}, {bvSpace, bvNone, 3, 1, 4}};
  for (const Case& c : cases) {
    panel->SetBevelInner(c.inner);
    panel->SetBevelOuter(c.outer);
    panel->SetBevelWidth(c.bevelWidth);
    panel->SetBorderWidth(c.borderWidth);
    EXPECT_EQ(child->BoundsRect(), Rect(c.frame, c.frame, 200 - c.frame, 100 - c.frame));
  }
  child->Free();
  panel->SetCaption("Итого");  // 30 x 13
  Form->Show();
  auto records = PaintForm();
  const TCanvasRecord* text = FindText(records, "Итого");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Rect.TopLeft(), Device(panel, 85, 43));
  panel->SetAlignment(taLeftJustify);
  records = PaintForm();
  EXPECT_EQ(FindText(records, "Итого")->Rect.TopLeft(), Device(panel, 4, 43));
  // A descendant's Paint replaces the default look.
  TPagePanel* page = Make<TPagePanel>(Form, 250, 10);
  bool gray = false;
  for (const TCanvasRecord& r : PaintForm())
    gray = gray || (r.Kind == TRecordKind::FillRect && r.Color == clGray &&
                    r.Rect.TopLeft() == Device(page, 5, 5));
  EXPECT_EQ(page->Paints, 1);
  EXPECT_TRUE(gray);
}

TEST_F(StdPanelsTest, GroupBoxPutsChildrenBelowItsCaptionAndFocusesThemByAccelerator) {
  TGroupBox* group = Make<TGroupBox>(Form, 10, 10);
  group->SetCaption("&Период");
  TPanel* filler = Make<TPanel>(group, 0, 0);
  filler->SetAlign(alClient);
  EXPECT_EQ(filler->BoundsRect(), Rect(2, 15, 183, 103));
  filler->Free();
  TKeyTaker* first = Make<TKeyTaker>(group, 10, 20);
  TKeyTaker* outside = Make<TKeyTaker>(Form, 300, 10);
  Form->Show();
  outside->SetFocus();
  Char(U'п', true);
  EXPECT_TRUE(first->Focused());
  auto records = PaintForm();
  const TCanvasRecord* caption = FindText(records, "Период");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->Rect.TopLeft(), Device(group, 8, 0));
}

class StdScrollBoxTest : public StdPanelsTest {
 protected:
  StdScrollBoxTest() {
    Box = Make<TScrollBox>(Form, 0, 0);
    Box->SetBorderStyle(bsNone);
    Box->SetBounds(0, 0, 200, 100);
    Near = Make<TKeyTaker>(Box, 10, 10);
    Far = Make<TKeyTaker>(Box, 10, 300);  // 40 x 20: content 320 high
    Form->Show();
  }
  TScrollBox* Box = nullptr;
  TKeyTaker* Near = nullptr;
  TKeyTaker* Far = nullptr;
};

TEST_F(StdScrollBoxTest, RangeFollowsTheChildrenAndScrollingMovesThem) {
  TControlScrollBar* v = Box->VertScrollBar();
  TControlScrollBar* h = Box->HorzScrollBar();
  EXPECT_EQ(v->Range(), 320);
  EXPECT_TRUE(v->IsScrollBarVisible());
  EXPECT_FALSE(h->IsScrollBarVisible());
  EXPECT_NE(GetWindowStyle(Box->Handle()) & WS_VSCROLL, 0u);
  EXPECT_EQ(Box->ClientWidth(), 200 - GetSystemMetrics(SM_CXVSCROLL));
  v->SetPosition(50);
  EXPECT_EQ(Near->Top(), -40);
  EXPECT_EQ(Far->Top(), 250);
  v->SetPosition(1000);
  EXPECT_EQ(v->Position(), 220) << "clamped to the range less the client height";
  EXPECT_EQ(Far->Top(), 80);
  // The bar's own messages.
  struct Case {
    int code;
    int expected;
  };
  const Case cases[] = {{SB_TOP, 0},      {SB_LINEDOWN, 8}, {SB_PAGEDOWN, 108},
                        {SB_LINEUP, 100}, {SB_BOTTOM, 220}, {SB_PAGEUP, 120}};
  for (const Case& c : cases) {
    Box->Perform(WM_VSCROLL, MakeWParam(c.code, 0));
    EXPECT_EQ(v->Position(), c.expected) << c.code;
    EXPECT_EQ(Far->Top(), 300 - c.expected);
  }
  // A thumb position passed on from elsewhere is taken as it comes.
  Box->Perform(WM_VSCROLL, MakeWParam(SB_THUMBPOSITION, 60));
  EXPECT_EQ(v->Position(), 60);
  // A child that moves closer shrinks the range and unscrolls what is left.
  Far->SetTop(Far->Top() - 200);
  EXPECT_EQ(v->Range(), 120);
  Far->Free();
  EXPECT_EQ(v->Range(), 30) << "content coordinates of Near";
  EXPECT_EQ(v->Position(), 0);
  EXPECT_EQ(Near->Top(), 10);
  EXPECT_EQ(GetWindowStyle(Box->Handle()) & WS_VSCROLL, 0u);
}

TEST_F(StdScrollBoxTest, ScrollInViewBringsAChildInAndFocusChangesDoItToo) {
  TControlScrollBar* v = Box->VertScrollBar();
  Box->ScrollInView(Far);
  EXPECT_EQ(v->Position(), 220);
  EXPECT_EQ(Far->Top(), 80) << "its bottom at the client's bottom";
  Box->ScrollInView(Near);
  EXPECT_EQ(v->Position(), 10);
  EXPECT_EQ(Near->Top(), 0);
  // The form tells every control where the focus went.
  Far->SetFocus();
  EXPECT_EQ(v->Position(), 220);
  // Deeper children are found through their parents.
  TPanel* inner = Make<TPanel>(Box, 100, 150);
  TKeyTaker* deep = Make<TKeyTaker>(inner, 0, 0);
  Box->ScrollInView(deep);
  EXPECT_TRUE(Box->HorzScrollBar()->IsScrollBarVisible());
  EXPECT_EQ(inner->Top() + deep->Height(), Box->ClientHeight()) << "above the horizontal bar";
}

}  // namespace
