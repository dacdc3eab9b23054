// The register's page control: its frame width and top indent on the page
// area, the button style and owner-drawn coloured tabs, hidden tabs (while
// loading and after), and forms docked as pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/ex_page_control.h"

namespace {

class ExPageControlTest : public GuiTest {
 protected:
  ExPageControlTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(50, 50, 400, 300);
    Pages = Create<TExPageControl>(Form);
    Pages->SetParent(Form);
    Pages->SetBounds(0, 0, 300, 200);
    for (const char* caption : {"Таблица", "Карточка"}) {
      TExTabSheet* sheet = Create<TExTabSheet>(Form);
      sheet->SetCaption(caption);
      sheet->SetPageControl(Pages);
      Sheets.push_back(sheet);
    }
  }
  ~ExPageControlTest() override { Form->Free(); }

  // The area the platform's page control gives before our adjustment
  // (a frame of 4 and no indent leave it as it is).
  TRect PlatformRect() {
    const int border = Pages->BorderWidth();
    const int indent = Pages->TopIndent();
    Pages->SetBorderWidth(4);
    Pages->SetTopIndent(0);
    const TRect r = Pages->DisplayRect();
    Pages->SetBorderWidth(border);
    Pages->SetTopIndent(indent);
    return r;
  }

  std::vector<TCanvasRecord> Paint() {
    Form->Show();
    Pages->Invalidate();
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    return canvas.TakeRecords();
  }

  TForm* Form = nullptr;
  TExPageControl* Pages = nullptr;
  std::vector<TExTabSheet*> Sheets;
};

TEST(ExPageControlRect, AdjustDisplayRect) {
  const TRect platform{2, 24, 298, 198};
  struct {
    int border, indent;
    TRect expected;
  } cases[] = {
      {4, 2, {2, 26, 298, 198}},   // the defaults: only the indent
      {0, 0, {-2, 20, 302, 202}},  // no frame: widened by 4
      {8, 0, {6, 28, 294, 194}},   // a wider frame narrows the area
      {0, 10, {-2, 30, 302, 202}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.border) + "/" + std::to_string(c.indent));
    const TRect r = TExPageControl::AdjustDisplayRect(platform, c.border, c.indent);
    EXPECT_EQ(r, c.expected);
  }
}

TEST_F(ExPageControlTest, DefaultsFrameAndIndent) {
  EXPECT_FALSE(Pages->Buttons());
  EXPECT_TRUE(Pages->DefaultDraw());
  EXPECT_EQ(Pages->BorderWidth(), 4);
  EXPECT_EQ(Pages->TopIndent(), 2);
  EXPECT_EQ(Pages->Style(), tsTabs);
  EXPECT_FALSE(Pages->OwnerDraw());
  EXPECT_EQ(Sheets[0]->TabColor(), clBtnFace);
  ASSERT_EQ(Pages->ActivePage(), Sheets[0]);

  struct {
    int border, indent;  // set
    int storedBorder, storedIndent;
  } cases[] = {{-3, 2, 0, 2}, {6, -1, 6, 0}, {0, 0, 0, 0}, {4, 2, 4, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.border) + "/" + std::to_string(c.indent));
    Pages->SetBorderWidth(c.border);
    Pages->SetTopIndent(c.indent);
    EXPECT_EQ(Pages->BorderWidth(), c.storedBorder);
    EXPECT_EQ(Pages->TopIndent(), c.storedIndent);
    const TRect expected =
        TExPageControl::AdjustDisplayRect(PlatformRect(), c.storedBorder, c.storedIndent);
    EXPECT_EQ(Pages->DisplayRect(), expected);
    // The pages follow at once, the hidden one as well.
    for (TExTabSheet* sheet : Sheets) EXPECT_EQ(sheet->BoundsRect(), expected);
  }
}

TEST_F(ExPageControlTest, ButtonsAndDefaultDrawRecreateTheWindow) {
  Form->Show();
  Pages->SetActivePage(Sheets[1]);
  Pages->SetButtons(true);
  EXPECT_EQ(Pages->Style(), tsButtons);
  Pages->SetDefaultDraw(false);
  EXPECT_TRUE(Pages->OwnerDraw());
  // The window is made anew with its pages and its active page kept.
  EXPECT_EQ(Pages->PageCount(), 2);
  EXPECT_EQ(Pages->ActivePage(), Sheets[1]);
  EXPECT_TRUE(Sheets[1]->Visible());
  EXPECT_FALSE(Sheets[0]->Visible());
  Pages->SetButtons(false);
  Pages->SetDefaultDraw(true);
  EXPECT_EQ(Pages->Style(), tsTabs);
  EXPECT_FALSE(Pages->OwnerDraw());
}

TEST_F(ExPageControlTest, OwnerDrawnTabs) {
  // A sheet of the platform's class among ours gets the button face.
  TTabSheet* plain = Create<TTabSheet>(Form);
  plain->SetCaption("Простая");
  plain->SetPageControl(Pages);
  Sheets[0]->SetTabColor(clYellow);
  Sheets[1]->SetTabColor(clAqua);
  Pages->SetDefaultDraw(false);
  const std::vector<TCanvasRecord> records = Paint();

  struct {
    int tab;
    const char* caption;
    TColor color;
    int textIndent;  // the selected tab's text sits further right
  } tabs[] = {
      {0, "Таблица", clYellow, 8}, {1, "Карточка", clAqua, 4}, {2, "Простая", clBtnFace, 4}};
  for (const auto& t : tabs) {
    SCOPED_TRACE(t.caption);
    const TRect tab = Pages->TabRect(t.tab);
    // The tab's fill, found by its colour and size; the caption relative to it.
    const TCanvasRecord* fill = nullptr;
    const TCanvasRecord* text = nullptr;
    for (const TCanvasRecord& r : records) {
      // The first fill of the colour (the caption's background follows);
      // the button face fills much else: that tab is told by its size.
      if (fill == nullptr && r.Kind == TRecordKind::FillRect && r.Color == t.color &&
          (t.color != clBtnFace ||
           (r.Rect.Width() == tab.Width() && r.Rect.Height() == tab.Height())))
        fill = &r;
      if (r.Kind == TRecordKind::Text && r.Text == t.caption) text = &r;
    }
    ASSERT_NE(fill, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Rect.Left - fill->Rect.Left, t.textIndent);
    EXPECT_EQ(text->Rect.Top - fill->Rect.Top, 3);
  }

  // A handler of the program's own takes the drawing over.
  std::vector<int> drawn;
  Pages->OnDrawTab = [&](TObject*, int tabIndex, const TRect&, bool) { drawn.push_back(tabIndex); };
  for (const TCanvasRecord& r : Paint()) EXPECT_NE(r.Text, "Таблица");
  EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
}

TEST_F(ExPageControlTest, HiddenTabs) {
  // The register window's way: both tabs hidden, pages switched in code.
  Pages->SetButtons(true);
  for (TExTabSheet* sheet : Sheets) sheet->SetTabVisible(false);
  EXPECT_EQ(Pages->TabCount(), 0);
  EXPECT_EQ(Pages->ActivePage(), Sheets[0]);
  Pages->SetActivePage(Sheets[1]);
  EXPECT_EQ(Pages->ActivePage(), Sheets[1]);
  EXPECT_TRUE(Sheets[1]->Visible());
  EXPECT_FALSE(Sheets[0]->Visible());
  Pages->SetActivePage(Sheets[0]);
  EXPECT_TRUE(Sheets[0]->Visible());
  EXPECT_EQ(Pages->TabIndex(), -1);
  // With no tab showing the pages fill the control from its top.
  EXPECT_EQ(Pages->DisplayRect().Top, PlatformRect().Top + 2);

  // Hiding a tab while none is selected makes the first page active.
  for (TExTabSheet* sheet : Sheets) sheet->SetTabVisible(true);
  Pages->SetActivePage(nullptr);
  Sheets[1]->SetTabVisible(false);
  EXPECT_EQ(Pages->ActivePage(), Sheets[0]);
  // With a tab selected the active page stays.
  Sheets[1]->SetTabVisible(true);
  Pages->SetActivePage(Sheets[1]);
  Sheets[0]->SetTabVisible(false);
  EXPECT_EQ(Pages->ActivePage(), Sheets[1]);
}

TEST_F(ExPageControlTest, TabVisibleWhileLoading) {
  TExTabSheet* sheet = Sheets[1];
  sheet->BeginLoading();
  sheet->SetTabVisible(false);
  EXPECT_FALSE(sheet->StoredTabVisible());
  EXPECT_TRUE(sheet->TabVisible()) << "only remembered while loading";
  EXPECT_EQ(Pages->TabCount(), 2);
  sheet->EndLoading();
  EXPECT_FALSE(sheet->TabVisible());
  EXPECT_EQ(Pages->TabCount(), 1);
  // A sheet loaded visible stays so.
  sheet->SetTabVisible(true);
  sheet->BeginLoading();
  sheet->EndLoading();
  EXPECT_TRUE(sheet->TabVisible());
}

TEST_F(ExPageControlTest, DockForm) {
  struct {
    bool controlVisible, formVisible, activates;
  } cases[] = {{true, true, true}, {true, false, true}, {false, true, false}};
  // Show() makes the form visible in every case; the control decides.
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.controlVisible) + std::to_string(c.formVisible));
    Pages->SetActivePage(Sheets[0]);
    Pages->SetVisible(c.controlVisible);
    TForm* docked = Create<TForm>(Form);
    docked->SetCaption("Справочник");
    docked->SetVisible(c.formVisible);
    const int before = Pages->PageCount();
    TExTabSheet* sheet = Pages->DockForm(docked);
    EXPECT_EQ(Pages->PageCount(), before + 1);
    EXPECT_EQ(Pages->Pages(before), sheet);
    EXPECT_EQ(sheet->Caption(), "Справочник");
    EXPECT_EQ(docked->Parent(), sheet);
    EXPECT_EQ(docked->Align(), alClient);
    EXPECT_TRUE(docked->Visible());
    EXPECT_EQ(Pages->ActivePage() == sheet, c.activates);
    if (c.activates) {
      EXPECT_EQ(docked->BoundsRect(), sheet->ClientRect());
    }
  }
}

}  // namespace
