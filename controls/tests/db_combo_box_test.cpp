#include "controls/db_combo_box.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "controls_test_support.h"
#include "platform/widgets/std_buttons.h"

namespace {

void SetLines(TStrings* s, std::initializer_list<const char*> lines) {
  s->BeginUpdate();
  s->Clear();
  for (const char* l : lines) s->Add(l);
  s->EndUpdate();
}

class DBComboBoxTest : public ControlsTest {
 protected:
  DBComboBoxTest() {
    Form->Show();
    Combo = Make<TDBComboBoxEh>(Form, 10, 10);
    Combo->SetWidth(120);
    Other = Make<TKeyTaker>(Form, 10, 200);
    AddRow("Иванова", "Ж", 1);
  }
  void KeyMode() {
    SetLines(Combo->Items(), {"Мужской", "Женский"});
    SetLines(Combo->KeyItems(), {"М", "Ж"});
    Combo->SetDataSource(Source);
    Combo->SetDataField("SEX");
  }
  TDBComboBoxEh* Combo = nullptr;
  TKeyTaker* Other = nullptr;
};

TEST_F(DBComboBoxTest, KeyModeShowsTheTextOfTheFieldsKey) {
  SetLines(Combo->Items(), {"М", "Ж"});
  SetLines(Combo->KeyItems(), {"М", "Ж", ""});
  Combo->SetDataSource(Source);
  Combo->SetDataField("SEX");
  EXPECT_TRUE(Combo->KeyMode());
  EXPECT_EQ(Combo->UsableCount(), 2);
  EXPECT_EQ(Combo->EditText(), "Ж");
  EXPECT_EQ(Combo->ItemIndex(), 1);
  struct Case {
    const char* field;
    const char* text;
    int index;
  };
  for (Case c : {Case{"М", "М", 0}, Case{"X", "", -1}, Case{"", "", -1}, Case{"ж", "Ж", 1}}) {
    Table->Edit();
    Sex->SetAsString(c.field);
    Table->Post();
    EXPECT_EQ(Combo->EditText(), c.text) << c.field;
    EXPECT_EQ(Combo->ItemIndex(), c.index) << c.field;
  }
}

TEST_F(DBComboBoxTest, TheFieldGetsTheKeyNeverTheText) {
  KeyMode();
  EXPECT_EQ(Combo->EditText(), "Женский");
  Combo->SetItemIndexAndUpdate(0);
  EXPECT_EQ(Sex->AsString(), "М");
  EXPECT_EQ(Combo->EditText(), "Мужской");
  Combo->SetItemIndexAndUpdate(5);
  EXPECT_EQ(Combo->ItemIndex(), -1);
  EXPECT_EQ(Sex->AsString(), "");
  // A half-bound combo ignores it.
  TDBComboBoxEh* half = Make<TDBComboBoxEh>(Form, 10, 60);
  SetLines(half->Items(), {"a"});
  half->SetDataField("SEX");
  EXPECT_NO_THROW(half->SetItemIndexAndUpdate(0));
}

TEST_F(DBComboBoxTest, TypingInKeyModeSearchesIncrementally) {
  KeyMode();
  Combo->SetFocus();
  struct Step {
    const char* typed;
    const char* text;
    int selStart;
    int index;
  };
  const Step steps[] = {
      {"м", "Мужской", 1, 0},  // ignoring case, the remainder selected
      {"у", "Мужской", 2, 0},
      {"q", "Мужской", 2, 0},  // nothing matches: nothing changes
  };
  Combo->SelectAll();
  Key(VK_HOME);
  for (const Step& s : steps) {
    TypeText(s.typed);
    EXPECT_EQ(Combo->EditText(), s.text) << s.typed;
    EXPECT_EQ(Combo->SelStart(), s.selStart) << s.typed;
    EXPECT_EQ(Combo->SelStart() + Combo->SelLength(), Length(s.text));
    EXPECT_EQ(Combo->ItemIndex(), s.index);
  }
  Key(VK_HOME);
  TypeText("ж");
  EXPECT_EQ(Combo->EditText(), "Женский");
  EXPECT_EQ(Combo->ItemIndex(), 1);
  // Backspace widens the selection to the left.
  Char(8);
  EXPECT_EQ(Combo->SelStart(), 0);
  Other->SetFocus();
  EXPECT_EQ(Sex->AsString(), "Ж");
}

TEST_F(DBComboBoxTest, FreeTextCompletesAndKeepsUnknownText) {
  SetLines(Combo->Items(), {"ул. Ленина", "ул. Мира", "пр. Победы"});
  Combo->SetDataSource(Source);
  Combo->SetDataField("NAME");
  Combo->SetFocus();
  Combo->SelectAll();
  TypeText("ул.");
  EXPECT_EQ(Combo->EditText(), "ул. Ленина") << "'.' completes like any character";
  EXPECT_EQ(Combo->SelStart(), 3);
  EXPECT_EQ(Combo->ItemIndex(), 0);
  TypeText(" М");
  EXPECT_EQ(Combo->EditText(), "ул. Мира");
  EXPECT_EQ(Combo->ItemIndex(), 1);
  Combo->SelectAll();
  TypeText("Садовая");
  EXPECT_EQ(Combo->EditText(), "Садовая");
  EXPECT_EQ(Combo->ItemIndex(), -1);
  Other->SetFocus();
  EXPECT_EQ(Name->AsString(), "Садовая");
}

TEST_F(DBComboBoxTest, EscAfterTypingRestoresTheFieldAndIsNotTheCancelButtons) {
  SetLines(Combo->Items(), {"a", "b"});
  Combo->SetDataSource(Source);
  Combo->SetDataField("NAME");
  TButton* cancel = Make<TButton>(Form, 200, 10);
  cancel->SetCancel(true);
  int cancels = 0;
  cancel->OnClick = [&](TObject*) { ++cancels; };
  Combo->SetFocus();
  Combo->SelectAll();
  TypeText("Сидорова");
  EXPECT_EQ(Combo->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1) << "the list is closed";
  Key(VK_ESCAPE);
  EXPECT_EQ(Combo->EditText(), "Иванова");
  EXPECT_EQ(cancels, 0) << "Esc gave the typing up only";
  Combo->EditButton()->SetShortCut(ShortCut(VK_F4, {}));
  Key(VK_F4);
  ASSERT_TRUE(Combo->ListVisible());
  EXPECT_EQ(Combo->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Combo->ListVisible());
  EXPECT_EQ(cancels, 0) << "Esc closed the list only";
  // Nothing left to give up: the form's.
  EXPECT_EQ(Combo->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 0);
  Key(VK_ESCAPE);
  EXPECT_EQ(cancels, 1);
}

TEST_F(DBComboBoxTest, UpAndDownStayAtTheEnds) {
  KeyMode();
  Table->Edit();
  Sex->SetAsString("X");
  Table->Post();
  Combo->SetFocus();
  ASSERT_EQ(Combo->ItemIndex(), -1);
  struct Step {
    unsigned key;
    int index;
  };
  for (Step s :
       {Step{VK_UP, 1}, Step{VK_DOWN, 1}, Step{VK_UP, 0}, Step{VK_UP, 0}, Step{VK_DOWN, 1}}) {
    Key(s.key);
    EXPECT_EQ(Combo->ItemIndex(), s.index);
  }
  Combo->SetItemIndex(-1);
  Key(VK_DOWN);
  EXPECT_EQ(Combo->ItemIndex(), 0);
  Combo->Perform(WM_MOUSEWHEEL, MakeWParam(0, -120), 0);
  EXPECT_EQ(Combo->ItemIndex(), 1);
}

TEST_F(DBComboBoxTest, DeleteClearsTheKeyUnlessRequired) {
  KeyMode();
  Combo->SetFocus();
  Sex->SetRequired(true);
  Key(VK_DELETE);
  EXPECT_EQ(Combo->ItemIndex(), 1);
  Sex->SetRequired(false);
  Key(VK_DELETE);
  EXPECT_EQ(Combo->ItemIndex(), -1);
  EXPECT_EQ(Combo->EditText(), "");
  Other->SetFocus();
  EXPECT_EQ(Sex->AsString(), "");
}

TEST_F(DBComboBoxTest, DuplicateTextsKeepTheChosenItem) {
  SetLines(Combo->Items(), {"a", "A", "b"});
  Combo->SetItemIndex(1);
  EXPECT_EQ(Combo->ItemIndex(), 1);
  EXPECT_EQ(Combo->EditText(), "A");
  // Key mode with two items of the same text stores the chosen key.
  SetLines(Combo->Items(), {"Иванова", "Иванова"});
  SetLines(Combo->KeyItems(), {"1", "2"});
  Combo->SetDataSource(Source);
  Combo->SetDataField("CNT");
  Combo->SetItemIndexAndUpdate(1);
  EXPECT_EQ(Count->AsInteger(), 2);
  EXPECT_EQ(Combo->ItemIndex(), 1);
}

TEST_F(DBComboBoxTest, NotInListMayAddTheTextAndAskForARecheck) {
  SetLines(Combo->Items(), {"один"});
  Combo->SetDataSource(Source);
  Combo->SetDataField("NAME");
  std::vector<std::string> asked;
  Combo->OnNotInList = [&](TObject*, const std::string& text, bool& recheck) {
    asked.push_back(text);
    Combo->Items()->Add(text);
    recheck = true;
  };
  Combo->SetText("два");
  EXPECT_EQ(asked, std::vector<std::string>{"два"});
  EXPECT_EQ(Combo->ItemIndex(), 1);
  EXPECT_EQ(Name->AsString(), "два");
}

TEST_F(DBComboBoxTest, DropsDownAndAcceptsARow) {
  KeyMode();
  std::vector<bool> closes;
  Combo->OnCloseUp = [&](TObject*, bool accept) { closes.push_back(accept); };
  int drops = 0;
  Combo->OnDropDown = [&](TObject*) { ++drops; };
  TEditButtonControlEh* button = Combo->ButtonControl(0);
  ClickAt(button, 3, 3);
  EXPECT_EQ(drops, 1);
  ASSERT_TRUE(Combo->ListVisible());
  TPopupListboxEh* list = Combo->PopupList();
  EXPECT_TRUE(IsWindowVisible(list->Handle()));
  EXPECT_TRUE(Combo->Focused());
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_GE(list->Width(), Combo->Width());
  Key(VK_UP);
  EXPECT_EQ(list->ItemIndex(), 0);
  Key(VK_RETURN);
  EXPECT_FALSE(Combo->ListVisible());
  EXPECT_EQ(closes, std::vector<bool>{true});
  EXPECT_EQ(Combo->ItemIndex(), 0);
  EXPECT_FALSE(button->Down());
  // A second press on the button closes the list it opened.
  ClickAt(button, 3, 3);
  EXPECT_TRUE(Combo->ListVisible());
  ClickAt(button, 3, 3);
  EXPECT_FALSE(Combo->ListVisible());
  EXPECT_EQ(closes, (std::vector<bool>{true, false}));
  // Esc closes without accepting; a click outside does too.
  Key(VK_F4);  // no such shortcut
  Combo->EditButton()->SetShortCut(ShortCut(VK_F4, {}));
  Key(VK_F4);
  EXPECT_TRUE(Combo->ListVisible());
  Key(VK_ESCAPE);
  EXPECT_FALSE(Combo->ListVisible());
  ClickAt(Combo, 5, 5);  // key mode: a click in the text drops down
  EXPECT_TRUE(Combo->ListVisible());
  ClickAt(Form, 300, 300);
  EXPECT_FALSE(Combo->ListVisible());
  Other->SetFocus();
  EXPECT_EQ(Sex->AsString(), "М");
}

TEST_F(DBComboBoxTest, ListWidthFollowsTheWidestItemButNotNarrowerThanTheEditor) {
  SetLines(Combo->Items(), {"a", "очень длинный текст пункта списка"});
  Combo->DropDownBox()->SetWidth(-1);
  Combo->SetFocus();
  Combo->ButtonControl(0);
  Key(VK_F4);
  Combo->EditButton()->SetShortCut(ShortCut(VK_F4, {}));
  Key(VK_F4);
  ASSERT_TRUE(Combo->ListVisible());
  TCanvas& m = MeasureCanvas();
  m.SetFont(Combo->Font());
  int widest = m.TextWidth("очень длинный текст пункта списка") + 5;
  EXPECT_GE(Combo->PopupList()->ClientWidth(), widest);
  Key(VK_ESCAPE);
  SetLines(Combo->Items(), {"a", "b"});
  Key(VK_F4);
  EXPECT_EQ(Combo->PopupList()->Width(), Combo->Width());
  EXPECT_EQ(Combo->PopupList()->RowCount(), 2) << "fewer rows for fewer items";
  Key(VK_ESCAPE);
}

TEST_F(DBComboBoxTest, AnOpenListClosesWhenItsComboIsDisabledOrHidden) {
  SetLines(Combo->Items(), {"a", "b"});
  Combo->SetFocus();
  Combo->EditButton()->SetShortCut(ShortCut(VK_F4, {}));
  Key(VK_F4);
  ASSERT_TRUE(Combo->ListVisible());
  Combo->SetEnabled(false);
  EXPECT_FALSE(Combo->ListVisible());
  EXPECT_FALSE(IsWindowVisible(Combo->PopupList()->Handle()));
  EXPECT_FALSE(Combo->ButtonControl(0)->Down());
  Combo->SetEnabled(true);
  Combo->SetFocus();
  Key(VK_F4);
  ASSERT_TRUE(Combo->ListVisible());
  Combo->Hide();
  EXPECT_FALSE(Combo->ListVisible());
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

TEST_F(DBComboBoxTest, AnOpenListClosesWhenItsComboGoes) {
  SetLines(Combo->Items(), {"a", "b"});
  Combo->SetFocus();
  Combo->EditButton()->SetShortCut(ShortCut(VK_F4, {}));
  Key(VK_F4);
  TPopupListboxEh* list = Combo->PopupList();
  HWND h = list->Handle();
  ASSERT_TRUE(IsWindowVisible(h));
  Other->SetFocus();
  EXPECT_FALSE(Combo->ListVisible()) << "focus loss closes it";
  Key(VK_F4);  // not focused: nothing
  Combo->SetFocus();
  Key(VK_F4);
  EXPECT_TRUE(Combo->ListVisible());
  Combo->Free();
  Combo = nullptr;
  EXPECT_EQ(GetCaptureControl(), nullptr);
  Application->ProcessMessages();
}

}  // namespace

namespace {

// The search index against a plain scan with the framework's comparison.
TEST(ItemsSearchIndex, AgreesWithAPlainScan) {
  TStringList items;
  const char* const words[] = {"ж", "Ж",  "жук", "Жаба",     "ёж",       "Ёлка", "ель", "a",
                               "A", "ab", "",    "ул. Мира", "УЛ. мира", "b",    "Ба",  "ба"};
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) items.Add(words[rng() % std::size(words)]);
  TItemsSearchIndexEh index;
  const char* const queries[] = {"",  "ж",  "Ж",   "жу",    "ЖУК", "ё", "Ё", "е",
                                 "a", "AB", "ул.", "ул. м", "ба",  "Б", "x", "ЖАБА"};
  for (int limit : {0, 5, 50, 300}) {
    for (const char* q : queries) {
      int prefix = -1;
      int equal = -1;
      for (int i = 0; i < limit; ++i) {
        if (prefix < 0 && AnsiCompareText(Copy(items[i], 1, Length(q)), q) == 0) prefix = i;
        if (equal < 0 && AnsiCompareText(items[i], q) == 0) equal = i;
      }
      EXPECT_EQ(index.FirstWithPrefix(items, q, limit), prefix) << q << " " << limit;
      EXPECT_EQ(index.FirstEqual(items, q, limit), equal) << q << " " << limit;
    }
  }
}

}  // namespace

namespace {

class DBComboBoxDragTest : public DBComboBoxTest {};

TEST_F(DBComboBoxDragTest, PressOnTheButtonDragIntoTheListAndReleaseOnAnItem) {
  KeyMode();
  Combo->SetFocus();
  TEditButtonControlEh* button = Combo->ButtonControl(0);
  TRect content = ContentRect(Form->Handle());
  auto at = [&](TControl* c, int x, int y) {
    TPoint s = c->ClientToScreen({x, y});
    return TPoint{s.X - content.Left, s.Y - content.Top};
  };
  HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, at(button, 3, 3), MK_LBUTTON);
  Application->ProcessMessages();
  ASSERT_TRUE(Combo->ListVisible());
  TPopupListboxEh* list = Combo->PopupList();
  int row = list->ItemHeight() / 2;  // the first item
  HostMouseEvent(Form->Handle(), WM_MOUSEMOVE, at(list, 5, row), MK_LBUTTON);
  Application->ProcessMessages();
  EXPECT_EQ(list->ItemIndex(), 0);
  HostMouseEvent(Form->Handle(), WM_LBUTTONUP, at(list, 5, row), 0);
  Application->ProcessMessages();
  EXPECT_FALSE(Combo->ListVisible());
  EXPECT_EQ(Combo->ItemIndex(), 0);
  EXPECT_EQ(Combo->EditText(), "Мужской");
  EXPECT_EQ(GetCaptureControl(), nullptr);
}

}  // namespace
