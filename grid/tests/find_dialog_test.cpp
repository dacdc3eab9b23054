#include "grid/find_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/db_check_box.h"
#include "controls/db_combo_box.h"
#include "grid/db_grid.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/std_buttons.h"

namespace {

class FindTest : public GuiTest {
 protected:
  FindTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    T.Add("Анна", 1, 1.5);
    T.Add("Мария", 12, 2);
    T.Add("анна", 3, 3);
    T.Add("Ольга", 21, 4);
    Source->SetDataSet(T.ds.get());
    for (const char* name : {"NAME", "NUM", "AMT"}) Grid->Columns()->Add()->SetFieldName(name);
    Grid->Columns()->Items(2)->SetDisplayFormat("0.00");
    Grid->SetDataSource(Source.get());
    Engine.SetGrid(Grid);
    Form->Show();
  }
  ~FindTest() override {
    Form->Free();
    Source.reset();
  }
  std::vector<TColumnEh*> Cols(std::initializer_list<int> indexes) {
    std::vector<TColumnEh*> out;
    for (int i : indexes) out.push_back(Grid->Columns()->Items(i));
    return out;
  }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
  TDBGridFindEngineEh Engine;
};

TEST(FindMatchTest, MatchKindsAndCase) {
  struct Case {
    const char* text;
    const char* pattern;  // upper-cased already when ignoring case
    TFindMatchEh match;
    bool caseSensitive;
    bool expected;
  };
  const Case cases[] = {
      {"ABC", "ABC", fmWholeEh, false, true},
      {"abc", "ABC", fmWholeEh, false, true},
      {"abc", "ABC", fmWholeEh, true, false},
      {"abcd", "ABC", fmWholeEh, false, false},
      {"xabcx", "ABC", fmAnywhereEh, false, true},
      {"xabcx", "ABC", fmBeginningEh, false, false},
      {"Анна", "АН", fmBeginningEh, false, true},
      {"Ан", "АННА", fmBeginningEh, false, false},
      {"", "", fmWholeEh, false, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FindTextMatchesEh(c.text, c.pattern, c.match, c.caseSensitive), c.expected)
        << c.text << " / " << c.pattern << " kind " << c.match;
}

TEST_F(FindTest, StepsThroughMatchesByDirection) {
  struct Press {
    int recNo;   // where the grid is afterwards
    int column;  // the engine's column (index in the list); -1: not found
  };
  // The options as plain values: a table of std::string members trips
  // GCC's maybe-uninitialized warning at -O3.
  struct Options {
    const char* Pattern;
    TFindMatchEh Match;
    TFindDirectionEh Direction;
    bool CaseSensitive = false;
    bool UseFormat = true;
    bool Reverse = false;
    TDBGridFindOptionsEh Make() const {
      return {Pattern, Match, Direction, CaseSensitive, UseFormat, Reverse};
    }
  };
  struct Case {
    const char* what;
    int start;
    Options options;
    std::vector<Press> presses;
  };
  const Case cases[] = {
      {"all: the first press starts at the first record, the next one after the match",
       3,
       {"анна", fmAnywhereEh, fdAllEh},
       {{1, 0}, {3, 0}, {3, -1}}},
      {"down starts at the current record", 2, {"1", fmAnywhereEh, fdDownEh}, {{2, 1}, {4, 1}}},
      {"up starts with the last column and walks back",
       4,
       {"1", fmAnywhereEh, fdUpEh},
       {{4, 1}, {2, 1}, {1, 2}, {1, 1}, {1, -1}}},
      {"Ctrl turns down into up", 4, {"1", fmAnywhereEh, fdDownEh, false, true, true}, {{4, 1}}},
      {"whole text ignoring case", 4, {"АННА", fmWholeEh, fdAllEh}, {{1, 0}, {3, 0}}},
      {"whole text with case", 4, {"анна", fmWholeEh, fdAllEh, true}, {{3, 0}, {3, -1}}},
      {"beginning", 1, {"Ма", fmBeginningEh, fdDownEh}, {{2, 0}}},
      {"the displayed text", 1, {"1.50", fmWholeEh, fdDownEh}, {{1, 2}}},
      {"the plain text", 1, {"1.50", fmWholeEh, fdDownEh, false, false}, {{1, -1}}},
      {"up on the first record tests nothing before it", 1, {"Анна", fmWholeEh, fdUpEh}, {{1, -1}}},
  };
  for (const Case& c : cases) {
    T.ds->SetRecNo(c.start);
    if (c.start == 1) T.ds->First();  // Bof, as after a jump to the top
    Engine.SetColumns(Cols({0, 1, 2}), c.options.Direction);
    if (c.options.Reverse) Engine.Restart(fdUpEh);
    int n = 0;
    const TDBGridFindOptionsEh options = c.options.Make();
    for (const Press& p : c.presses) {
      const bool found = Engine.FindNext(options);
      EXPECT_EQ(found, p.column >= 0) << c.what << ", press " << n;
      EXPECT_EQ(T.ds->RecNo(), p.recNo) << c.what << ", press " << n;
      if (found) {
        EXPECT_EQ(Engine.ColumnIndex(), p.column) << c.what << ", press " << n;
      }
      ++n;
    }
  }
}

TEST_F(FindTest, CaseInsensitiveMatchesSelectTheColumn) {
  Grid->SetSelectedIndex(0);
  T.ds->First();
  Engine.SetColumns(Cols({0, 1}), fdDownEh);
  ASSERT_TRUE(Engine.FindNext({"12", fmWholeEh, fdDownEh, true}));
  EXPECT_EQ(Grid->SelectedIndex(), 0) << "a case-sensitive match keeps the column";
  T.ds->First();
  Engine.Restart(fdDownEh);
  ASSERT_TRUE(Engine.FindNext({"12", fmWholeEh, fdDownEh}));
  EXPECT_EQ(Grid->SelectedIndex(), 1);
}

TEST_F(FindTest, DialogSearchesAndReportsAMissingText) {
  T.ds->SetRecNo(2);
  Grid->SetSelectedIndex(1);
  ExecuteDBGridEhFindDialogProc(Grid, "Ольга", {}, false);
  TDBGridEhFindDlg* dlg = TDBGridEhFindDlg::Instance();
  EXPECT_EQ(dlg->Caption(), "Поиск");
  EXPECT_EQ(dlg->cbFindIn->Text(), "NUM") << "the grid's column is chosen";
  EXPECT_EQ(dlg->cbFindIn->Items()->Strings(3), "<All>");
  dlg->cbFindIn->SetText("<All>");
  dlg->bFind->Click();
  EXPECT_EQ(T.ds->RecNo(), 4);
  EXPECT_TRUE(Boxes.empty());
  dlg->cbText->SetText("Ирина");
  dlg->bFind->Click();
  EXPECT_EQ(T.ds->RecNo(), 4) << "the position is restored";
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find("Строка \"Ирина\" не найдена."), std::string::npos);
  EXPECT_GE(dlg->cbText->Items()->IndexOf("Ольга"), 0) << "patterns are kept";
  dlg->Close();
}

// Alt+Down, which drops the pattern's list down.
void PressAltDown() {
  HostKeyEvent(WM_KEYDOWN, VK_MENU);
  HostKeyEvent(WM_KEYDOWN, VK_DOWN);
  HostKeyEvent(WM_KEYUP, VK_DOWN);
  HostKeyEvent(WM_KEYUP, VK_MENU);
  Application->ProcessMessages();
}

TEST_F(FindTest, EscAfterTypingClosesTheDialogUnlessTheListIsOpen) {
  TDBGridEhFindDlg* dlg = TDBGridEhFindDlg::Instance();
  dlg->cbText->Items()->SetText("Мария\nМарина");
  ExecuteDBGridEhFindDialogProc(Grid, "", {}, false);
  ASSERT_EQ(Screen->ActiveControl(), dlg->cbText);
  TypeText("Анн");
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(dlg->Visible()) << "the first Esc closes it";

  ExecuteDBGridEhFindDialogProc(Grid, "", {}, false);
  TypeText("Анн");
  PressAltDown();
  ASSERT_TRUE(dlg->cbText->ListVisible());
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(dlg->cbText->ListVisible());
  EXPECT_TRUE(dlg->Visible()) << "Esc closes the open list only";
  EXPECT_EQ(dlg->cbText->Text(), "Анн");
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(dlg->Visible());

  // Modal, as the register's grid shows it: Esc is "Закрыть".
  bool stillOpen = false;
  RunModalSteps({[&] { TypeText("Анн"); }, [&] { PressKey(VK_ESCAPE); },
                 [&] {
                   stillOpen = true;
                   dlg->SetModalResult(mrCancel);
                 }},
                [&] {
                  ExecuteDBGridEhFindDialogProc(Grid, "", {}, true);
                  return 0;
                });
  EXPECT_FALSE(stillOpen) << "the first Esc closes the modal dialog";
}

}  // namespace
