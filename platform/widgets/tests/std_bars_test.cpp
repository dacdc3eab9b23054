#include <gtest/gtest.h>

#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/menus.h"
#include "platform/widgets/std_bars.h"

namespace {

class BarsTest : public GuiTest {
 protected:
  BarsTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(50, 50, 400, 300);
    Status = Create<TStatusBar>(Form);
    Status->SetParent(Form);
    Tools = Create<TToolBar>(Form);
    Tools->SetParent(Form);
  }
  ~BarsTest() override { Form->Free(); }

  TToolButton* Button(TToolButtonStyle style, bool grouped = false) {
    TToolButton* b = Create<TToolButton>(Form);
    b->SetStyle(style);
    b->SetGrouped(grouped);
    b->SetParent(Tools);
    return b;
  }
  void ClickAt(TControl* control, TPoint p) {
    TPoint screen = control->ClientToScreen(p);
    TRect content = ContentRect(Form->Handle());
    TPoint c{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, c, MK_LBUTTON);
    HostMouseEvent(Form->Handle(), WM_LBUTTONUP, c, 0);
    Advance(1000);  // no double clicks
  }
  std::string PaintedTexts() {
    TRecordingCanvas canvas;
    Form->Invalidate();
    PaintTopLevel(Form->Handle(), canvas, {});
    std::string out;
    for (const auto& r : canvas.Records()) {
      if (r.Kind == TRecordKind::Text) out += "[" + r.Text + "]";
    }
    return out;
  }

  TForm* Form = nullptr;
  TStatusBar* Status = nullptr;
  TToolBar* Tools = nullptr;
};

TEST_F(BarsTest, StatusPanelsShareTheBar) {
  Form->Show();
  EXPECT_EQ(Status->Top() + Status->Height(), Form->ClientHeight()) << "at the bottom";
  TStatusPanel* p0 = Status->Panels()->Add();
  TStatusPanel* p1 = Status->Panels()->Add();
  p0->SetWidth(80);
  p0->SetText("12:340");
  p1->SetText("Реестр талонов №1");
  EXPECT_EQ(Status->Panels()->Items(1)->Text(), "Реестр талонов №1");
  EXPECT_EQ(Status->PanelRect(0).Width(), 80);
  EXPECT_EQ(Status->PanelRect(1).Right, Status->ClientWidth() - 14) << "the last takes the rest";
  EXPECT_EQ(PaintedTexts(), "[12:340][Реестр талонов №1]");
  int drawn = -1;
  Status->OnDrawPanel = [&](TStatusBar*, TStatusPanel* p, const TRect&) { drawn = p->Index(); };
  p1->SetStyle(psOwnerDraw);
  EXPECT_EQ(PaintedTexts(), "[12:340]");
  EXPECT_EQ(drawn, 1);
  Status->SetSimplePanel(true);
  Status->SetSimpleText("Обработано записей 3 из 9");
  EXPECT_EQ(PaintedTexts(), "[Обработано записей 3 из 9]");
  EXPECT_THROW(Status->Panels()->Items(2), EListError);
  TPoint grip = Status->ClientToScreen({Status->ClientWidth() - 2, Status->ClientHeight() - 2});
  EXPECT_EQ(Status->Perform(WM_NCHITTEST, 0, PointToLParam(grip)), HTBOTTOMRIGHT);
}

TEST_F(BarsTest, ButtonsLineUpAndCheckButtonsToggle) {
  TToolButton* plain = Button(tbsButton);
  TToolButton* sep = Button(tbsSeparator);
  TToolButton* a = Button(tbsCheck, true);
  TToolButton* b = Button(tbsCheck, true);
  TToolButton* single = Button(tbsCheck);
  Form->Show();
  EXPECT_EQ(sep->Left(), plain->Width());
  EXPECT_EQ(a->Left(), sep->Left() + sep->Width());
  EXPECT_EQ(Tools->ButtonCount(), 5);
  int clicks = 0;
  plain->OnClick = [&](TObject*) { ++clicks; };
  ClickAt(plain, {3, 3});
  ClickAt(a, {3, 3});
  Application->ProcessMessages();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(a->Down());
  ClickAt(b, {3, 3});
  Application->ProcessMessages();
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down()) << "grouped buttons exclude each other";
  ClickAt(b, {3, 3});
  ClickAt(single, {3, 3});
  Application->ProcessMessages();
  EXPECT_TRUE(b->Down()) << "the group keeps one down";
  EXPECT_TRUE(single->Down());
  ClickAt(single, {3, 3});
  Application->ProcessMessages();
  EXPECT_FALSE(single->Down());
}

// The tool bar and the menu bar each end in a line across their width; a
// separator shows a line in a flat bar (a divider in any bar).
TEST_F(BarsTest, BarsAndSeparatorsDrawTheirLines) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Create<TMenuItem>(Form);
  file->SetCaption("&Файл");
  menu->Items()->Add(file);
  Button(tbsButton);
  TToolButton* sep = Button(tbsSeparator);
  TToolButton* divider = Button(tbsDivider);
  Form->Show();
  TRect content = ContentRect(Form->Handle());
  auto device = [&](TControl* c) {
    TPoint p = c->ClientToScreen({0, 0});
    return Bounds(p.X - content.Left, p.Y - content.Top, c->Width(), c->Height());
  };
  // Shadow-coloured fills as wide as `area` at its bottom, or upright
  // inside it.
  auto lines = [](const std::vector<TCanvasRecord>& records, TRect area, bool across) {
    int n = 0;
    for (const TCanvasRecord& r : records) {
      if (r.Kind != TRecordKind::FillRect || r.Color != clBtnShadow) continue;
      TRect inside;
      if (!IntersectRect(inside, r.Rect, area) || inside != r.Rect) continue;
      if (across ? r.Rect.Width() == area.Width() && r.Rect.Bottom >= area.Bottom - 2
                 : r.Rect.Width() == 1 && r.Rect.Height() > area.Height() / 2)
        ++n;
    }
    return n;
  };
  for (bool flat : {true, false}) {
    Tools->SetFlat(flat);
    TRecordingCanvas canvas;
    Form->Invalidate();
    PaintTopLevel(Form->Handle(), canvas, {});
    const auto& records = canvas.Records();
    EXPECT_EQ(lines(records, device(Tools), true), 1) << flat;
    EXPECT_EQ(lines(records, device(menu->Bar()), true), 1) << flat;
    EXPECT_EQ(lines(records, device(sep), false), flat ? 1 : 0) << flat;
    EXPECT_EQ(lines(records, device(divider), false), 1) << flat;
  }
}

TEST_F(BarsTest, ActionLinkedButtonFollowsItsAction) {
  TAction* card = Create<TAction>(Form);
  card->SetHint("Карточка/Таблица (Ctrl+Enter)");
  bool onCard = false;
  card->OnExecute = [&](TObject*) { card->SetChecked(onCard = !onCard); };
  TToolButton* b = Button(tbsCheck);
  b->SetAction(card);
  b->SetShowHint(true);
  EXPECT_EQ(b->Hint(), "Карточка/Таблица (Ctrl+Enter)");
  Form->Show();
  ClickAt(b, {3, 3});
  Application->ProcessMessages();
  EXPECT_TRUE(onCard);
  EXPECT_TRUE(b->Down()) << "shown pressed while the card page shows";
  card->SetChecked(false);
  EXPECT_FALSE(b->Down());
  card->SetEnabled(false);
  EXPECT_FALSE(b->Enabled());
  card->SetVisible(false);
  EXPECT_FALSE(b->Visible());
}

TEST_F(BarsTest, DropDownButtonOpensItsMenu) {
  TPopupMenu* menu = Create<TPopupMenu>(Form);
  std::vector<std::string> chosen;
  for (const char* caption : {"Печать реестра", "Печать приложения №2"}) {
    TMenuItem* item = Create<TMenuItem>(Form);
    item->SetCaption(caption);
    item->OnClick = [&chosen, caption](TObject*) { chosen.push_back(caption); };
    menu->Items()->Add(item);
  }
  TToolButton* print = Button(tbsDropDown);
  print->SetDropdownMenu(menu);
  int clicks = 0;
  print->OnClick = [&](TObject*) { ++clicks; };
  Form->Show();
  EXPECT_EQ(print->Width(), Tools->ButtonWidth() + TToolButton::kDropDownWidth);
  ClickAt(print, {print->Width() - 3, 5});  // the arrow
  HostKeyEvent(WM_KEYDOWN, VK_UP);
  HostKeyEvent(WM_KEYDOWN, VK_RETURN);
  Application->ProcessMessages();
  EXPECT_EQ(chosen, std::vector<std::string>{"Печать приложения №2"});
  EXPECT_EQ(clicks, 0) << "the arrow only drops the menu";
  ClickAt(print, {3, 5});
  Application->ProcessMessages();
  EXPECT_EQ(clicks, 1);
  menu->Free();
  EXPECT_EQ(print->DropdownMenu(), nullptr);
}

}  // namespace
