#include "menus_test_support.h"
#include "platform/gui/services.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_memo.h"

namespace {

using namespace menus_test;

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
  Form->Show();
  ASSERT_TRUE(Form->Edit->Focused());
  struct Case {
    unsigned selEnd;
    unsigned key;
    std::vector<std::string> runs;
    bool editSawKey;
  } cases[] = {
      {0, 'C', {"Копировать"}, false},       {3, 'C', {}, true},
      {3, VK_INSERT, {"Копировать"}, false}, {0, VK_INSERT, {"Копировать"}, false},
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
  EXPECT_FALSE(Form->IsShortCut('D', {ssCtrl}));
}

TEST_F(ActionsTest, RealTextControlsCopyTheirSelectionInsteadOfRunningTheAction) {
  TEdit* edit = Create<TEdit>(Form);
  edit->SetParent(Form);
  TMemo* memo = Create<TMemo>(Form);
  memo->SetParent(Form);
  memo->SetTop(150);
  Form->Show();
  for (TCustomEdit* control : {static_cast<TCustomEdit*>(edit), static_cast<TCustomEdit*>(memo)}) {
    control->SetText("Иванова");
    control->SetFocus();
    ASSERT_TRUE(control->Focused());
    // Only Ctrl+C yields to a selection; Ctrl+Ins stays the action's.
    for (unsigned key : {unsigned{'C'}, unsigned{VK_INSERT}}) {
      Runs.clear();
      SetClipboardText("");
      control->SetSel(0, 4);
      CtrlKey(key);
      Application->ProcessMessages();
      bool copies = key == 'C';
      EXPECT_EQ(Runs.empty(), copies) << key;
      EXPECT_EQ(GetClipboardText(), copies ? "Иван" : "") << key;
      if (!copies) continue;
      control->SetSel(2, 2);
      CtrlKey(key);
      Application->ProcessMessages();
      EXPECT_EQ(Runs, std::vector<std::string>{"Копировать"}) << "no selection: the action";
      EXPECT_EQ(GetClipboardText(), "Иван");
    }
  }
}

TEST_F(ActionsTest, TheMainMenuComesBeforeActionLists) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Item(menu->Items(), "File");
  Item(file, "menu delete")->SetShortCut(ShortCut('D', {ssCtrl}));
  Form->Show();
  EXPECT_TRUE(Form->IsShortCut('D', {ssCtrl}));
  EXPECT_EQ(Clicks, std::vector<std::string>{"menu delete"});
  EXPECT_TRUE(Runs.empty());
}

TEST_F(ActionsTest, EmbeddedFormsOfferShortCutsFirstAndFreedListsTakeNoMore) {
  TForm* inner = Create<TForm>(Form);
  inner->SetBorderStyle(bsNone);
  inner->SetBounds(0, 0, 300, 200);
  inner->SetParent(Form);
  inner->Show();
  TFakeEdit* edit = Create<TFakeEdit>(inner);
  edit->SetParent(inner);
  TActionList* innerList = Create<TActionList>(inner);
  TAction* innerDelete = Create<TAction>(inner);
  innerDelete->SetShortCut(ShortCut('D', {ssCtrl}));
  innerDelete->SetActionList(innerList);
  innerDelete->OnExecute = [this](TObject*) { Runs.push_back("inner"); };
  Form->Show();
  edit->SetFocus();
  ASSERT_TRUE(edit->Focused());
  struct Step {
    std::function<void()> before;
    unsigned key;
    std::vector<std::string> runs;
    bool editSawKey;
  } steps[] = {
      {[] {}, 'D', {"inner"}, false},       // the inner form's list first
      {[] {}, 'C', {"Копировать"}, false},  // then the outer form's
      {[&] { innerList->Free(); }, 'D', {"Удалить"}, false},
      {[&] { List->Free(); }, 'D', {}, true},  // nobody left: the edit's key
  };
  for (const Step& step : steps) {
    step.before();
    Runs.clear();
    edit->Keys.clear();
    CtrlKey(step.key);
    Application->ProcessMessages();
    EXPECT_EQ(Runs, step.runs) << step.key;
    bool saw = std::find(edit->Keys.begin(), edit->Keys.end(), step.key) != edit->Keys.end();
    EXPECT_EQ(saw, step.editSawKey) << step.key;
  }
}

TEST_F(ActionsTest, ActionsWithAVisibleClientUpdateAtIdle) {
  TMainMenu* menu = Create<TMainMenu>(Form);
  TMenuItem* file = Item(menu->Items(), "File");
  Item(file, "")->SetAction(Copy);
  int userIdles = 0;
  // Replacing OnIdle keeps the actions' idle handler.
  Application->OnIdle = [&](TObject*, bool&) {
    ++userIdles;
    PostMessage(nullptr, WM_NULL);  // keeps the idle from waiting
  };
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
