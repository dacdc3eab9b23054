#include "menus_test_support.h"

namespace {

using namespace menus_test;

TEST_F(MenusTest, ItemsKeepTheirCaptionsAndFormATree) {
  TMenuItem* root = Popup->Items();
  TMenuItem* a = Item(root, "Файл");
  TMenuItem* b = Item(root, "&Open && close");
  Item(root, "-");
  EXPECT_EQ(a->Caption(), "Файл") << "no accelerator is inserted";
  EXPECT_EQ(b->Accelerator(), "o");
  EXPECT_EQ(a->Accelerator(), "");
  EXPECT_TRUE(root->Items(2)->IsLine());
  EXPECT_EQ(root->Find("open & close"), nullptr);
  EXPECT_EQ(root->Find("OPEN && CLOSE"), b);
  EXPECT_EQ(root->IndexOf(b), 1);
  EXPECT_THROW(root->Add(a), EMenuError);
  EXPECT_THROW(root->Insert(9, Create<TMenuItem>(Form)), EMenuError);
  root->Delete(0);
  EXPECT_EQ(root->Count(), 2);
  EXPECT_EQ(a->Parent(), nullptr) << "Delete only takes the item out";
  root->Insert(0, a);
  EXPECT_EQ(a->MenuIndex(), 0);
  TMenuItem* child = Item(a, "child");
  root->Clear();
  EXPECT_EQ(root->Count(), 0);
  (void)child;  // freed with its parent; the form forgot both
  EXPECT_EQ(Form->FindComponent(""), nullptr);
}

TEST_F(MenusTest, RadioItemsOfAGroupExcludeEachOther) {
  TMenuItem* r1 = Item(Popup->Items(), "1");
  TMenuItem* r2 = Item(Popup->Items(), "2");
  TMenuItem* other = Item(Popup->Items(), "3");
  for (TMenuItem* i : {r1, r2}) i->SetRadioItem(true);
  other->SetRadioItem(true);
  other->SetGroupIndex(1);
  other->SetChecked(true);
  r1->SetChecked(true);
  r2->SetChecked(true);
  EXPECT_FALSE(r1->Checked());
  EXPECT_TRUE(r2->Checked());
  EXPECT_TRUE(other->Checked()) << "another group";
}

TEST_F(MenusTest, PopupRunsByKeyboard) {
  Form->Show();
  Item(Popup->Items(), "first");
  Item(Popup->Items(), "-");
  Item(Popup->Items(), "hidden")->SetVisible(false);
  Item(Popup->Items(), "disabled")->SetEnabled(false);
  TMenuItem* sub = Item(Popup->Items(), "&sub");
  Item(sub, "inner");
  Item(Popup->Items(), "&last");
  struct Case {
    std::vector<unsigned> keys;
    std::vector<std::string> clicks;
  } cases[] = {
      {{VK_DOWN, VK_RETURN}, {"first"}},
      {{VK_DOWN, VK_DOWN, VK_RETURN}, {}},  // the disabled item does nothing...
      {{VK_ESCAPE}, {}},
      {{VK_UP, VK_RETURN}, {"&last"}},
      {{VK_END, VK_UP, VK_RIGHT, VK_RETURN}, {"inner"}},
      {{VK_END, VK_UP, VK_RIGHT, VK_LEFT, VK_ESCAPE}, {}},
      {{'L'}, {"&last"}},
      {{'S', VK_RETURN}, {"inner"}},
  };
  for (const Case& c : cases) {
    Clicks.clear();
    for (unsigned k : c.keys) Key(k);
    if (c.keys.size() == 3 && c.keys[2] == VK_RETURN && c.clicks.empty()) Key(VK_ESCAPE);
    Popup->Popup(200, 200);
    EXPECT_EQ(Clicks, c.clicks) << c.keys.size();
    EXPECT_FALSE(MenuLoopActive());
    Application->ProcessMessages();
    EXPECT_TRUE(Form->Edit->Keys.empty()) << "the menu took every key";
    Form->Edit->Keys.clear();
  }
}

TEST_F(MenusTest, AHighlightedDisabledItemStaysReadable) {
  Form->Show();
  Item(Popup->Items(), "first");
  Item(Popup->Items(), "disabled")->SetEnabled(false);
  TRecordingCanvas canvas;
  bool painted = false;
  Application->OnIdle = [&](TObject*, bool&) {
    if (painted) return;
    painted = true;
    HWND menu = GetTopLevel(WindowFromPoint({205, 205}));
    ASSERT_NE(menu, Form->Handle());
    PaintTopLevel(menu, canvas, Rect(0, 0, 1000, 1000));
    HostKeyEvent(WM_KEYDOWN, VK_ESCAPE);
  };
  Key(VK_DOWN);
  Key(VK_DOWN);
  Popup->Popup(200, 200);
  Application->OnIdle = nullptr;
  ASSERT_TRUE(painted);
  TRect textRect;
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind == TRecordKind::Text && r.Text == "disabled") {
      textRect = r.Rect;
      EXPECT_EQ(r.Color, clGrayText);
    }
  }
  ASSERT_FALSE(IsRectEmpty(textRect));
  // No highlight fill under the grey text: it stays on the menu colour.
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind == TRecordKind::FillRect && r.Color == clHighlight) {
      TRect both;
      EXPECT_FALSE(IntersectRect(both, r.Rect, textRect)) << "filled under the text";
    }
  }
}

TEST_F(MenusTest, PopupByMouseAndAClickOutsideIsSwallowed) {
  Form->Show();
  Item(Popup->Items(), "one");
  Item(Popup->Items(), "two");
  TPoint at{250, 150};
  Click(Center(Popup->Items()->PopupItemRect(1), at));
  Click(Center(Popup->Items()->PopupItemRect(1), at), WM_LBUTTONUP);
  Popup->Popup(at.X, at.Y);
  EXPECT_EQ(Clicks, std::vector<std::string>{"two"});

  // A press outside, over the edit, closes the menu and never reaches it.
  Clicks.clear();
  TPoint edit = Form->Edit->ClientToScreen({5, 5});
  Click(edit);
  Click(edit, WM_LBUTTONUP);
  Popup->Popup(at.X, at.Y);
  Application->ProcessMessages();
  EXPECT_TRUE(Clicks.empty());
  EXPECT_EQ(Form->Edit->Presses, 0);
}

TEST_F(MenusTest, ContextMenusOpenOnRightClickAndFromTheKeyboard) {
  Form->Show();
  Item(Popup->Items(), "form item");
  TPopupMenu* editMenu = Create<TPopupMenu>(Form);
  Item(editMenu->Items(), "edit item");
  Form->SetPopupMenu(Popup);
  Form->Edit->SetPopupMenu(editMenu);
  TPoint at = Form->Edit->ClientToScreen({5, 5});
  // Each way of asking, followed by the keys that choose the first item.
  auto rightClick = [&] {
    Click(at, WM_RBUTTONDOWN);
    Click(at, WM_RBUTTONUP);
  };
  auto menuKey = [&] { Key(VK_APPS); };
  auto shiftF10 = [&] {
    HostKeyEvent(WM_KEYDOWN, VK_SHIFT);
    Key(VK_F10);
    HostKeyEvent(WM_KEYUP, VK_SHIFT);
  };
  for (const auto& ask : {std::function<void()>(rightClick), std::function<void()>(menuKey),
                          std::function<void()>(shiftF10)}) {
    for (bool autoPopup : {true, false}) {
      // A menu that does not pop up by itself leaves it to the parent's.
      editMenu->SetAutoPopup(autoPopup);
      Clicks.clear();
      ask();
      Key(VK_DOWN);
      Key(VK_RETURN);
      Application->ProcessMessages();
      EXPECT_EQ(Clicks, std::vector<std::string>{autoPopup ? "edit item" : "form item"});
      EXPECT_EQ((autoPopup ? editMenu : Popup)->PopupComponent(),
                autoPopup ? static_cast<TControl*>(Form->Edit) : Form);
    }
  }
  Key(VK_ESCAPE);
  EXPECT_TRUE(ShowContextMenu(Form->Edit, at)) << "the form's menu took it";
  EXPECT_FALSE(MenuLoopActive());
}

TEST_F(MenusTest, PopupAlignmentPlacesTheMenu) {
  Form->Show();
  Item(Popup->Items(), "an item");
  TRect first = Popup->Items()->PopupItemRect(0);
  int width = first.Right + 3;  // the frame
  for (auto [alignment, left] :
       {std::pair{paLeft, 300}, {paRight, 300 - width}, {paCenter, 300 - width / 2}}) {
    Popup->SetAlignment(alignment);
    Clicks.clear();
    // A click just inside the expected left edge chooses the item.
    Click({left + 4, 200 + first.Top + 2});
    Click({left + 4, 200 + first.Top + 2}, WM_LBUTTONUP);
    Popup->Popup(300, 200);
    EXPECT_EQ(Clicks.size(), 1u) << alignment;
  }
}

TEST_F(MenusTest, MainMenuWorksFromTheKeyboard) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Item(menu->Items(), "&Файл");
  Item(file, "&Новый");
  Item(file, "Открыть");
  TMenuItem* help = Item(menu->Items(), "&Помощь");
  Item(help, "О &программе");
  Form->Show();
  ASSERT_EQ(menu->Form(), Form);
  ASSERT_TRUE(menu->Bar()->IsVisibleInTree());
  EXPECT_EQ(Form->Edit->Top(), 100) << "the bar does not move other controls";
  struct Case {
    std::vector<unsigned> keys;
    std::string click;
  } cases[] = {
      {{VK_F10, VK_DOWN, VK_RETURN}, "&Новый"},
      {{VK_F10, VK_RIGHT, VK_RETURN, VK_RETURN}, "О &программе"},
      {{VK_F10, VK_RETURN, VK_DOWN, VK_RIGHT, VK_RETURN}, "О &программе"},
      {{VK_F10, VK_ESCAPE}, ""},
      {{VK_F10, 'G', 'G'}, "О &программе"},  // Г is on the G key
  };
  for (const Case& c : cases) {
    Clicks.clear();
    for (unsigned k : c.keys) Key(k);
    Application->ProcessMessages();
    EXPECT_EQ(Clicks,
              c.click.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.click});
    EXPECT_EQ(menu->Bar()->Selected(), -1);
  }
  // Alt pressed and released enters the bar; Alt+letter drops a menu.
  Clicks.clear();
  Key(VK_MENU);
  Key(VK_DOWN);
  Key(VK_RETURN);
  Application->ProcessMessages();
  EXPECT_EQ(Clicks, std::vector<std::string>{"&Новый"});
  Clicks.clear();
  HostKeyEvent(WM_KEYDOWN, VK_MENU);
  Key('A');  // Ф
  HostKeyEvent(WM_KEYUP, VK_MENU);
  Key(VK_DOWN);
  Key(VK_RETURN);
  Application->ProcessMessages();
  EXPECT_EQ(Clicks, std::vector<std::string>{"Открыть"});
  // The control hears Alt itself go down (as it always did), nothing else.
  for (unsigned k : Form->Edit->Keys) EXPECT_EQ(k, VK_MENU);
  EXPECT_EQ(Form->Menu(), menu);

  // Alt enters the bar only when released with nothing between; Alt in the
  // menu closes it, and its release does not open it again.
  TPoint edit = Form->Edit->ClientToScreen({5, 5});
  struct AltCase {
    std::function<void()> keys;
    bool entered;
  } altCases[] = {
      {[&] { Key(VK_MENU); }, true},
      {[&] {
         HostKeyEvent(WM_KEYDOWN, VK_MENU);
         Key(VK_DELETE);
         HostKeyEvent(WM_KEYUP, VK_MENU);
       },
       false},
      {[&] {
         HostKeyEvent(WM_KEYDOWN, VK_MENU);
         Click(edit);
         Click(edit, WM_LBUTTONUP);
         HostKeyEvent(WM_KEYUP, VK_MENU);
       },
       false},
      {[&] {
         Key(VK_F10);
         Key(VK_MENU);  // closes the bar
       },
       false},
  };
  for (const AltCase& c : altCases) {
    Clicks.clear();
    c.keys();
    Key(VK_DOWN);
    Key(VK_RETURN);
    Application->ProcessMessages();
    EXPECT_EQ(Clicks, c.entered ? std::vector<std::string>{"&Новый"} : std::vector<std::string>{});
    EXPECT_FALSE(MenuLoopActive());
  }
  // Without the menu the form takes no menu keys.
  menu->Free();
  EXPECT_EQ(Form->Menu(), nullptr);
  EXPECT_FALSE(Form->IsShortCut(VK_F10, {}));
}

TEST_F(MenusTest, MainMenuBarIsDrawnAndClicked) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Item(menu->Items(), "&Файл");
  Item(file, "Выход");
  Form->Show();
  TRecordingCanvas canvas;
  PaintTopLevel(Form->Handle(), canvas, {});
  bool drawn = false;
  for (const auto& r : canvas.Records()) drawn |= r.Kind == TRecordKind::Text && r.Text == "Файл";
  EXPECT_TRUE(drawn);
  TPoint origin = menu->Bar()->ClientToScreen({0, 0});
  TPoint top = Center(menu->Bar()->ItemRect(0), origin);
  TPoint inner = Center(file->PopupItemRect(0), {menu->Bar()->ItemRect(0).Left + origin.X,
                                                 menu->Bar()->ItemRect(0).Bottom + origin.Y});
  Click(top);
  Click(top, WM_LBUTTONUP);
  Click(inner);
  Click(inner, WM_LBUTTONUP);
  Application->ProcessMessages();
  EXPECT_EQ(Clicks, std::vector<std::string>{"Выход"});
}

TEST_F(MenusTest, TheFirstClickAfterTheBarsMenuClosesReachesItsControl) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Item(menu->Items(), "&Файл");
  Item(file, "Выход");
  Form->Show();
  TPoint origin = menu->Bar()->ClientToScreen({0, 0});
  TPoint top = Center(menu->Bar()->ItemRect(0), origin);
  TPoint inner = Center(file->PopupItemRect(0), {menu->Bar()->ItemRect(0).Left + origin.X,
                                                 menu->Bar()->ItemRect(0).Bottom + origin.Y});
  TPoint edit = Form->Edit->ClientToScreen({5, 5});
  // Opened with a click on the bar; the drop-down closed with Escape (the
  // bar stays highlighted until the click), or the menus closed with
  // Escape twice, or by an item chosen with the mouse.
  enum { kEscape, kEscapeTwice, kChosen };
  for (int closing : {kEscape, kEscapeTwice, kChosen}) {
    SCOPED_TRACE(closing);
    Form->Edit->Presses = 0;
    Click(top);
    Click(top, WM_LBUTTONUP);
    if (closing == kChosen) {
      Click(inner);
      Click(inner, WM_LBUTTONUP);
    } else {
      Key(VK_ESCAPE);
      if (closing == kEscapeTwice) Key(VK_ESCAPE);
    }
    if (closing != kEscape) {
      Application->ProcessMessages();
      ASSERT_FALSE(MenuLoopActive());
    }
    Click(edit);
    Click(edit, WM_LBUTTONUP);
    Application->ProcessMessages();
    EXPECT_FALSE(MenuLoopActive());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Form->Edit->Presses, 1);
  }
}

}  // namespace
