// Context menus, accelerators and the screen's cursor table.
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/gui/gui_host.h"

namespace {

class TBox : public TCustomControl {
  MEBRATH_CLASS(TBox, TCustomControl)
 public:
  unsigned DlgCode = 0;
  std::u32string Typed;

 protected:
  explicit TBox(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DlgCode;
      return;
    }
    TCustomControl::WndProc(m);
  }
  void KeyPress(char32_t& key) override { Typed += key; }
};

// A label-like control: its accelerator focuses another control.
class TAccelLabel : public TGraphicControl {
  MEBRATH_CLASS(TAccelLabel, TGraphicControl)
 public:
  TWinControl* FocusTarget = nullptr;

 protected:
  explicit TAccelLabel(TComponent* owner) : TGraphicControl(owner) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_DIALOGCHAR && IsAccel(static_cast<unsigned>(m.WParam), Caption()) &&
        FocusTarget != nullptr && FocusTarget->CanFocus()) {
      FocusTarget->SetFocus();
      m.Result = 1;
      return;
    }
    TGraphicControl::WndProc(m);
  }
};

struct TShownMenu {
  TComponent* Menu;
  TControl* Control;
  TPoint Pos;
  bool operator==(const TShownMenu&) const = default;
};

class ContextMenuTest : public GuiTest {
 protected:
  ContextMenuTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(100, 100, 400, 300);
    Panel = Create<TBox>(Form);
    Panel->SetBounds(0, 0, 300, 200);
    Panel->SetParent(Form);
    Edit = Create<TBox>(Form);
    Edit->SetBounds(10, 10, 100, 20);
    Edit->SetParent(Panel);
    Label = Create<TAccelLabel>(Form);
    Label->SetBounds(10, 50, 100, 20);
    Label->SetParent(Panel);
    Second = Create<TBox>(Form);
    Second->SetBounds(10, 80, 100, 20);
    Second->SetParent(Panel);
    PanelMenu = Create<TComponent>(Form);
    EditMenu = Create<TComponent>(Form);
    LabelMenu = Create<TComponent>(Form);
    Panel->SetPopupMenu(PanelMenu);
    Saved = SetPopupMenuHandler([this](TComponent* menu, TControl* control, TPoint pos) {
      Shown.push_back({menu, control, pos});
      return menu != Declining;
    });
    Form->Show();
    Edit->SetFocus();
  }
  ~ContextMenuTest() override {
    SetPopupMenuHandler(std::move(Saved));
    Form->Free();
  }
  // Right click at (x, y) of the panel's client area.
  TPoint RightClick(int x, int y) {
    TPoint screen = Panel->ClientToScreen({x, y});
    TRect content = ContentRect(Form->Handle());
    TPoint at{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(Form->Handle(), WM_RBUTTONDOWN, at, MK_RBUTTON);
    HostMouseEvent(Form->Handle(), WM_RBUTTONUP, at, 0);
    Application->ProcessMessages();
    return screen;
  }

  TForm* Form = nullptr;
  TBox* Panel = nullptr;
  TBox* Edit = nullptr;
  TAccelLabel* Label = nullptr;
  TBox* Second = nullptr;
  TComponent* PanelMenu = nullptr;
  TComponent* EditMenu = nullptr;
  TComponent* LabelMenu = nullptr;
  TComponent* Declining = nullptr;
  std::vector<TShownMenu> Shown;
  TPopupMenuHandler Saved;
};

TEST_F(ContextMenuTest, RightClickShowsTheNearestPopupMenu) {
  // The edit has none: its parent's shows.
  TPoint at = RightClick(15, 15);
  EXPECT_EQ(Shown, (std::vector<TShownMenu>{{PanelMenu, Panel, at}}));
  Shown.clear();
  Edit->SetPopupMenu(EditMenu);
  at = RightClick(15, 15);
  EXPECT_EQ(Shown, (std::vector<TShownMenu>{{EditMenu, Edit, at}}));
  Shown.clear();
  // A graphic control's own menu, through its parent window.
  Label->SetPopupMenu(LabelMenu);
  at = RightClick(20, 55);
  EXPECT_EQ(Shown, (std::vector<TShownMenu>{{LabelMenu, Label, at}}));
  Shown.clear();
  // A menu that declines passes it on to the parent.
  Declining = EditMenu;
  at = RightClick(15, 15);
  EXPECT_EQ(Shown, (std::vector<TShownMenu>{{EditMenu, Edit, at}, {PanelMenu, Panel, at}}));
  Shown.clear();
  // OnContextPopup may handle it, and gets client coordinates.
  TPoint seen;
  Edit->OnContextPopup = [&](TObject*, TPoint pos, bool& handled) {
    seen = pos;
    handled = true;
  };
  RightClick(15, 15);
  EXPECT_TRUE(Shown.empty());
  EXPECT_EQ(seen, (TPoint{5, 5}));
  Edit->OnContextPopup = nullptr;
  Declining = nullptr;

  // From the keyboard: the menu key shows the focused control's menu at
  // its top-left corner.
  HostKeyEvent(WM_KEYDOWN, VK_APPS);
  HostKeyEvent(WM_KEYUP, VK_APPS);
  Application->ProcessMessages();
  EXPECT_EQ(Shown, (std::vector<TShownMenu>{{EditMenu, Edit, Edit->ClientToScreen({0, 0})}}));
  // A freed menu is forgotten.
  EditMenu->Free();
  EXPECT_EQ(Edit->PopupMenu(), nullptr);
}

TEST_F(ContextMenuTest, AcceleratorsReachControlsThroughDialogChar) {
  Label->SetCaption("&Name");
  Label->FocusTarget = Second;
  // The edit does not take characters: "n" is the label's accelerator.
  HostCharEvent(U'n');
  Application->ProcessMessages();
  EXPECT_TRUE(Second->Focused());
  // A control that takes characters gets them, but Alt+N still jumps.
  Edit->DlgCode = DLGC_WANTCHARS;
  Edit->SetFocus();
  HostCharEvent(U'n');
  Application->ProcessMessages();
  EXPECT_EQ(Edit->Typed, U"n");
  EXPECT_TRUE(Edit->Focused());
  HostKeyEvent(WM_KEYDOWN, VK_MENU);
  HostCharEvent(U'N');
  HostKeyEvent(WM_KEYUP, VK_MENU);
  Application->ProcessMessages();
  EXPECT_TRUE(Second->Focused());
  EXPECT_EQ(Edit->Typed, U"n");
  // Cyrillic accelerators fold case too.
  Label->SetCaption("&Имя");
  Edit->DlgCode = 0;
  Edit->SetFocus();
  HostCharEvent(U'и');
  Application->ProcessMessages();
  EXPECT_TRUE(Second->Focused());
}

TEST(Accelerators, HotkeyOfACaption) {
  struct Case {
    const char* caption;
    char32_t hotkey;
  } cases[] = {{"&File", U'F'}, {"Save &as", U'a'}, {"A&&B", 0}, {"A&&&B", U'B'},
               {"&Файл", U'Ф'}, {"trailing&", 0},   {"", 0},     {"&&&&", 0}};
  for (const Case& c : cases) EXPECT_EQ(GetHotkey(c.caption), c.hotkey) << c.caption;
  EXPECT_TRUE(IsAccel('f', "&File"));
  EXPECT_TRUE(IsAccel(U'ф', "&Файл"));
  EXPECT_FALSE(IsAccel('i', "&File"));
  EXPECT_FALSE(IsAccel('&', "A&&B"));
}

TEST(ScreenCursors, BuiltInSharedAndProgramCursors) {
  HCURSOR def = Screen->DefaultCursor();
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(Screen->Cursors(crArrow), def);
  EXPECT_EQ(Screen->Cursors(crHourGlass)->Shape, crHourGlass);
  EXPECT_EQ(Screen->Cursors(crHourGlass), Screen->Cursors(crHourGlass));
  EXPECT_NE(Screen->Cursors(crHourGlass), def);
  // Free indexes give the default; the program registers its own.
  int free = 1;
  while (Screen->Cursors(free) != def) ++free;
  auto mine = std::make_shared<TCursorData>();
  mine->Image = std::make_shared<TBitmap>();
  mine->Image->SetSize(16, 16);
  mine->HotSpot = {3, 4};
  Screen->SetCursors(free, mine);
  EXPECT_EQ(Screen->Cursors(free), mine);
  Screen->SetCursors(free, nullptr);
  EXPECT_EQ(Screen->Cursors(free), def);
}

}  // namespace
