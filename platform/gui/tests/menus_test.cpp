#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/menus.h"
#include "platform/gui/recording_canvas.h"

namespace {

// An edit stand-in: takes the focus, answers EM_GETSEL with its selection
// and records the keys it sees.
class TFakeEdit : public TCustomControl {
  MEBRATH_CLASS(TFakeEdit, TCustomControl)
 public:
  std::uint32_t SelStart = 0;
  std::uint32_t SelEnd = 0;
  std::vector<unsigned> Keys;
  int Presses = 0;

 protected:
  explicit TFakeEdit(TComponent* owner) : TCustomControl(owner) {
    SetTabStop(true);
    SetBounds(10, 100, 100, 20);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == EM_GETSEL) {
      if (m.WParam != 0) *reinterpret_cast<std::uint32_t*>(m.WParam) = SelStart;
      if (m.LParam != 0) *reinterpret_cast<std::uint32_t*>(m.LParam) = SelEnd;
      m.Result = MakeLong(static_cast<int>(SelStart), static_cast<int>(SelEnd));
      return;
    }
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DLGC_WANTCHARS | DLGC_WANTARROWS;
      return;
    }
    TCustomControl::WndProc(m);
  }
  void KeyDown(unsigned& key, TShiftState shift) override {
    Keys.push_back(key);
    TCustomControl::KeyDown(key, shift);
  }
  void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
    ++Presses;
    TCustomControl::MouseDown(b, s, x, y);
  }
};

class TMenuForm : public TForm {
  MEBRATH_CLASS(TMenuForm, TForm)
 public:
  TFakeEdit* Edit = nullptr;

 protected:
  explicit TMenuForm(TComponent* owner) : TForm(owner) {
    SetBounds(100, 100, 400, 300);
    Edit = Create<TFakeEdit>(this);
    Edit->SetParent(this);
  }
};

class MenusTest : public GuiTest {
 protected:
  MenusTest() {
    Form = Create<TMenuForm>(nullptr);
    Popup = Create<TPopupMenu>(Form);
  }
  ~MenusTest() override { Form->Free(); }

  TMenuItem* Item(TMenuItem* parent, const std::string& caption) {
    TMenuItem* item = Create<TMenuItem>(Form);
    item->SetCaption(caption);
    item->OnClick = [this, caption](TObject*) { Clicks.push_back(caption); };
    parent->Add(item);
    return item;
  }
  void Key(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
  }
  void CtrlKey(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
    Key(vk);
    HostKeyEvent(WM_KEYUP, VK_CONTROL);
  }
  // Queues a left click at a screen point (over the form).
  void Click(TPoint screen, unsigned msg = WM_LBUTTONDOWN) {
    TRect content = ContentRect(Form->Handle());
    TPoint p{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(Form->Handle(), msg, p, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0);
  }
  TPoint Center(const TRect& r, TPoint origin) {
    return {origin.X + (r.Left + r.Right) / 2, origin.Y + (r.Top + r.Bottom) / 2};
  }

  TMenuForm* Form = nullptr;
  TPopupMenu* Popup = nullptr;
  std::vector<std::string> Clicks;
};

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

TEST_F(MenusTest, PopupAlignmentPlacesTheMenu) {
  Form->Show();
  Item(Popup->Items(), "an item");
  TRect first = Popup->Items()->PopupItemRect(0);
  int width = first.Right + 3;  // the frame
  for (auto [alignment, left] : {std::pair{paLeft, 300}, {paRight, 300 - width},
                                 {paCenter, 300 - width / 2}}) {
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
    EXPECT_EQ(Clicks, c.click.empty() ? std::vector<std::string>{}
                                      : std::vector<std::string>{c.click});
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
  EXPECT_TRUE(Form->Edit->Keys.empty());
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

// ----------------------------------------------------------------- actions

class ActionsTest : public MenusTest {
 protected:
  ActionsTest() {
    List = Create<TActionList>(Form);
    Copy = MakeAction("Копировать", ShortCut('C', {ssCtrl}));
    Delete = MakeAction("Удалить", ShortCut('D', {ssCtrl}));
    Copy->SetSecondaryShortCuts({ShortCut(VK_INSERT, {ssCtrl})});
  }
  TAction* MakeAction(const std::string& caption, TShortCut sc) {
    TAction* a = Create<TAction>(Form);
    a->SetCaption(caption);
    a->SetShortCut(sc);
    a->SetActionList(List);
    a->OnExecute = [this, caption](TObject*) { Runs.push_back(caption); };
    return a;
  }
  TActionList* List = nullptr;
  TAction* Copy = nullptr;
  TAction* Delete = nullptr;
  std::vector<std::string> Runs;
};

TEST_F(ActionsTest, LinkedItemsFollowTheAction) {
  TMenuItem* item = Item(Popup->Items(), "x");
  item->SetAction(Copy);
  EXPECT_EQ(item->Caption(), "Копировать");
  EXPECT_EQ(item->ShortCut(), Copy->ShortCut());
  Copy->SetEnabled(false);
  Copy->SetChecked(true);
  Copy->SetCaption("&Copy");
  Copy->SetHint("hint");
  EXPECT_FALSE(item->Enabled());
  EXPECT_TRUE(item->Checked());
  EXPECT_EQ(item->Caption(), "&Copy");
  EXPECT_EQ(item->Hint(), "hint");
  item->Click();
  EXPECT_TRUE(Runs.empty());
  Copy->SetEnabled(true);
  item->Click();
  EXPECT_EQ(Runs, std::vector<std::string>{"Копировать"}) << "the action runs, not OnClick";
  EXPECT_TRUE(Clicks.empty());
  Copy->Free();
  EXPECT_EQ(item->Action(), nullptr);
}

TEST_F(ActionsTest, ListHandlersComeFirstAndGroupsExclude) {
  bool handle = true;
  List->OnExecute = [&](TBasicAction* a, bool& handled) {
    Runs.push_back("list " + static_cast<TAction*>(a)->Caption());
    handled = handle;
  };
  Delete->Execute();
  handle = false;
  Delete->Execute();
  EXPECT_EQ(Runs, (std::vector<std::string>{"list Удалить", "list Удалить", "Удалить"}));
  Copy->SetGroupIndex(3);
  Delete->SetGroupIndex(3);
  Copy->SetChecked(true);
  Delete->SetChecked(true);
  EXPECT_FALSE(Copy->Checked());
}

TEST_F(ActionsTest, ShortCutsComeBeforeTheFocusedControlExceptCopyingASelection) {
  HookFormShortCuts(Form);
  Form->Show();
  ASSERT_TRUE(Form->Edit->Focused());
  struct Case {
    unsigned selEnd;
    unsigned key;
    std::vector<std::string> runs;
    bool editSawKey;
  } cases[] = {
      {0, 'C', {"Копировать"}, false},
      {3, 'C', {}, true},
      {3, VK_INSERT, {}, true},
      {0, VK_INSERT, {"Копировать"}, false},
      {3, 'D', {"Удалить"}, false},
  };
  for (const Case& c : cases) {
    Runs.clear();
    Form->Edit->Keys.clear();
    Form->Edit->SelEnd = c.selEnd;
    CtrlKey(c.key);
    Application->ProcessMessages();
    EXPECT_EQ(Runs, c.runs) << c.key << " " << c.selEnd;
    bool saw = std::find(Form->Edit->Keys.begin(), Form->Edit->Keys.end(), c.key) !=
               Form->Edit->Keys.end();
    EXPECT_EQ(saw, c.editSawKey) << c.key << " " << c.selEnd;
  }
  // A disabled action leaves the key to the control.
  Delete->OnUpdate = [](TObject* a) { static_cast<TAction*>(a)->SetEnabled(false); };
  Form->Edit->Keys.clear();
  EXPECT_FALSE(DispatchShortCut(Form, 'D', {ssCtrl}));
}

TEST_F(ActionsTest, TheMainMenuComesBeforeActionLists) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Item(menu->Items(), "File");
  Item(file, "menu delete")->SetShortCut(ShortCut('D', {ssCtrl}));
  Form->Show();
  EXPECT_TRUE(DispatchShortCut(Form, 'D', {ssCtrl}));
  EXPECT_EQ(Clicks, std::vector<std::string>{"menu delete"});
  EXPECT_TRUE(Runs.empty());
}

TEST_F(ActionsTest, ActionsWithAVisibleClientUpdateAtIdle) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Item(menu->Items(), "File");
  Item(file, "")->SetAction(Copy);
  int userIdles = 0;
  Application->OnIdle = [&](TObject*, bool&) {
    ++userIdles;
    PostMessage(nullptr, WM_NULL);  // keeps the idle from waiting
  };
  InstallActionIdleHook();
  std::vector<std::string> updates;
  for (TAction* a : {Copy, Delete}) {
    a->OnUpdate = [&updates](TObject* s) {
      updates.push_back(static_cast<TAction*>(s)->Caption());
      static_cast<TAction*>(s)->SetVisible(false);
    };
  }
  Application->HandleMessage();
  EXPECT_TRUE(updates.empty()) << "the form is hidden";
  Form->Show();
  Application->ProcessMessages();
  Application->HandleMessage();
  EXPECT_EQ(updates, std::vector<std::string>{"Копировать"}) << "Delete has no client";
  EXPECT_FALSE(file->Items(0)->Visible());
  Application->ProcessMessages();
  Application->HandleMessage();
  EXPECT_EQ(updates.size(), 2u) << "a client hidden by its action still updates";
  EXPECT_EQ(userIdles, 3);
}

}  // namespace
