// The grid driven through the host's key and mouse entry points, as a user
// drives it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "grid/db_grid.h"
#include "grid/find_dialog.h"
#include "grid_on_form_test.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/message_dialog.h"

namespace {

class GridKeysTest : public GridOnFormTest {
 protected:
  GridKeysTest() {
    SetMessageDlgHandler([this](const std::string& text, TMsgDlgType, TMsgDlgButtons) {
      Questions.push_back(text);
      return Answer;
    });
  }
  ~GridKeysTest() override { SetMessageDlgHandler(nullptr); }
  // "recNo/col/state" with state b(rowse), e(dit) or i(nsert); a new
  // record has no number yet (0).
  std::string Where() {
    const TDataSetState s = T.ds->State();
    return std::to_string(T.ds->RecNo()) + "/" + std::to_string(Grid->SelectedIndex()) + "/" +
           (s == dsInsert ? "i"
            : s == dsEdit ? "e"
                          : "b");
  }
  // Keys as one string: words separated by spaces, "^" Ctrl, "+" Shift.
  void Keys(const std::string& script) {
    std::size_t i = 0;
    while (i < script.size()) {
      std::size_t end = script.find(' ', i);
      if (end == std::string::npos) end = script.size();
      std::string word = script.substr(i, end - i);
      i = end + 1;
      TShiftState shift;
      while (!word.empty() && (word[0] == '^' || word[0] == '+')) {
        shift += TShiftState{word[0] == '^' ? ssCtrl : ssShift};
        word.erase(0, 1);
      }
      static const std::vector<std::pair<std::string, unsigned>> names = {
          {"Up", VK_UP},        {"Down", VK_DOWN},  {"PgUp", VK_PRIOR}, {"PgDn", VK_NEXT},
          {"Home", VK_HOME},    {"End", VK_END},    {"Left", VK_LEFT},  {"Right", VK_RIGHT},
          {"Tab", VK_TAB},      {"Esc", VK_ESCAPE}, {"Ins", VK_INSERT}, {"Del", VK_DELETE},
          {"Enter", VK_RETURN}, {"F2", VK_F2},      {"A", 'A'}};
      for (const auto& [name, vk] : names)
        if (name == word) PressKey(vk, shift);
    }
  }
  TPoint CellCenter(int rawCol, int row) {
    const TRect r = Grid->CellRect(rawCol, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void Click(TPoint p, unsigned keys = 0) {
    if (keys & MK_SHIFT) HostKeyEvent(WM_KEYDOWN, VK_SHIFT);
    if (keys & MK_CONTROL) HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
    HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, p, MK_LBUTTON | keys);
    HostMouseEvent(Form->Handle(), WM_LBUTTONUP, p, keys);
    if (keys & MK_CONTROL) HostKeyEvent(WM_KEYUP, VK_CONTROL);
    if (keys & MK_SHIFT) HostKeyEvent(WM_KEYUP, VK_SHIFT);
    Application->ProcessMessages();
  }
  std::string SelectedNames() {
    std::string out;
    const std::string here = T.ds->Bookmark();
    for (int i = 0; i < Grid->SelectedRows()->Count(); ++i) {
      T.ds->GotoBookmark(Grid->SelectedRows()->Items(i));
      out += (i ? "," : "") + T.name->AsString();
    }
    T.ds->GotoBookmark(here);
    return out;
  }

  std::vector<std::string> Questions;
  int Answer = mrOk;
};

TEST_F(GridKeysTest, NavigationAndEditingSequences) {
  struct Case {
    const char* Script;
    const char* Where;
  } cases[] = {
      {"Down Down", "3/0/b"},
      {"Down Up Up", "1/0/b"},
      {"PgDn", ""},  // checked below: one page of shown rows
      {"^End", "30/0/b"},
      {"^End ^Home", "1/0/b"},
      {"End", "30/0/b"},  // in the first column End goes to the last record
      {"Right End", "1/2/b"},
      {"Right Right Right", "1/2/b"},
      {"Right ^Left", "1/0/b"},
      {"^Right", "1/2/b"},
      {"Tab Tab", "1/2/b"},
      {"Tab Tab Tab", "2/0/b"},
      {"+Tab", "1/0/b"},  // nothing before the first cell of the first record
      {"Down +Tab", "1/2/b"},
      {"^End Down", "0/0/i"},       // appends at the end
      {"^End Down Up", "30/0/b"},   // the untouched new record goes again
      {"^End Down Down", "0/0/i"},  // the record at the end stays
      {"Down Ins", "0/0/i"},
      {"Down Ins Down", "2/0/b"},  // an untouched insert in the middle is cancelled
      {"Ins Esc", "1/0/b"},
      {"F2 Esc", "1/0/b"},
  };
  for (const Case& c : cases) {
    T.ds->Cancel();
    T.ds->First();
    Grid->SetSelectedIndex(0);
    Keys(c.Script);
    if (*c.Where != 0) {
      EXPECT_EQ(Where(), c.Where) << c.Script;
    }
  }
  T.ds->First();
  Keys("PgDn");
  EXPECT_EQ(T.ds->RecNo(), 1 + Grid->VisibleDataRowCount());
}

TEST_F(GridKeysTest, AppendNeedsEditingAndTheAppendOperation) {
  struct Case {
    bool Editing, AppendAllowed, ReadOnly;
    const char* Where;
  } cases[] = {{true, true, false, "0/0/i"},
               {false, true, false, "30/0/b"},
               {true, false, false, "30/0/b"},
               {true, true, true, "30/0/b"}};
  for (const Case& c : cases) {
    T.ds->Cancel();
    Grid->SetOptions(c.Editing ? Grid->Options() + TDBGridOptions{dgEditing}
                               : Grid->Options() - TDBGridOptions{dgEditing});
    Grid->SetAllowedOperations(c.AppendAllowed
                                   ? TDBGridEhAllowedOperations{alopAppendEh, alopUpdateEh}
                                   : TDBGridEhAllowedOperations{alopUpdateEh});
    Grid->SetReadOnly(c.ReadOnly);
    T.ds->Last();
    Keys("Down");
    EXPECT_EQ(Where(), c.Where);
  }
}

TEST_F(GridKeysTest, CtrlDeleteAsksOnlyWithConfirmDelete) {
  // With the option: the question, and Cancel keeps the record.
  T.ds->SetRecNo(3);
  Answer = mrCancel;
  Keys("^Del");
  ASSERT_EQ(Questions, std::vector<std::string>{"Delete record?"});
  EXPECT_EQ(T.ds->RecordCount(), 30);
  Answer = mrOk;
  Keys("^Del");
  EXPECT_EQ(T.ds->RecordCount(), 29);
  EXPECT_EQ(T.name->AsString(), "r4");

  // Two selected records: the other question, both go.
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect, dgRowSelect});
  Questions.clear();
  T.ds->First();
  Keys("+Down +Down");
  EXPECT_EQ(SelectedNames(), "r1,r2,r4");
  Keys("^Del");
  EXPECT_EQ(Questions, std::vector<std::string>{"Delete all selected records?"});
  EXPECT_EQ(T.ds->RecordCount(), 26);
  EXPECT_EQ(Grid->SelectionType(), gstNon);

  // Without the option nothing is asked; without the delete operation or
  // read-only nothing is deleted.
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgConfirmDelete});
  Questions.clear();
  Keys("^Del");
  EXPECT_TRUE(Questions.empty());
  EXPECT_EQ(T.ds->RecordCount(), 25);
  Grid->SetAllowedOperations({alopUpdateEh});
  Keys("^Del");
  Grid->SetAllowedOperations({alopUpdateEh, alopDeleteEh});
  Grid->SetReadOnly(true);
  Keys("^Del");
  EXPECT_EQ(T.ds->RecordCount(), 25);
}

TEST_F(GridKeysTest, TheOwnerSeesCtrlDeleteFirst) {
  // The register window deletes through its own confirmation.
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgConfirmDelete});
  int asked = 0;
  Grid->OnKeyDown = [&](TObject*, unsigned& key, TShiftState shift) {
    if (key == VK_DELETE && shift.Contains(ssCtrl)) {
      ++asked;
      key = 0;
    }
  };
  Keys("^Del");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(T.ds->RecordCount(), 30);
  Keys("Down");
  EXPECT_EQ(T.ds->RecNo(), 2) << "other keys still reach the grid";
}

TEST_F(GridKeysTest, ShiftWalkSelectsAndUnselectsOnTheWayBack) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect, dgRowSelect});
  T.ds->SetRecNo(2);
  Keys("+Down +Down +Down");
  EXPECT_EQ(SelectedNames(), "r2,r3,r4,r5");
  Keys("+Up +Up");
  EXPECT_EQ(SelectedNames(), "r2,r3");
  Keys("+Up +Up");
  EXPECT_EQ(SelectedNames(), "r1,r2") << "past the anchor the walk selects again";
  Keys("Down");
  EXPECT_EQ(SelectedNames(), "") << "a plain move clears (dghClearSelection)";
}

TEST_F(GridKeysTest, ShiftWithCellsStretchesARectangle) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  Keys("+Down +Right");
  ASSERT_EQ(Grid->SelectionType(), gstRectangle);
  TDBGridEhSelectionRect& rect = Grid->Selection()->Rect();
  EXPECT_EQ(rect.LeftCol(), 0);
  EXPECT_EQ(rect.RightCol(), 1);
  T.ds->SetRecNo(2);
  EXPECT_EQ(rect.BottomBookmark(), T.ds->Bookmark());
  Keys("^A");
  EXPECT_EQ(Grid->SelectionType(), gstRectangle) << "select all needs the edit action";
  Grid->SetEditActions({geaSelectAllEh});
  Keys("^A");
  EXPECT_EQ(Grid->SelectionType(), gstAll);
  Keys("Esc");
  EXPECT_EQ(Grid->SelectionType(), gstNon);
}

TEST_F(GridKeysTest, ColumnChangeFiresExitThenEnterOnce) {
  std::string log;
  Grid->OnColExit = [&](TObject*) { log += "x" + std::to_string(Grid->SelectedIndex()); };
  Grid->OnColEnter = [&](TObject*) { log += "n" + std::to_string(Grid->SelectedIndex()); };
  Keys("Right Left Left");
  EXPECT_EQ(log, "x0n1x1n0") << "no change at the first column";
  // A handler that moves the column itself ends the change.
  log.clear();
  Grid->OnColExit = [&](TObject*) {
    log += "x";
    Grid->SelectColumn(Grid->DataToRawColumn(2), 0, false);
  };
  Keys("Right");
  EXPECT_EQ(Grid->SelectedIndex(), 2);
  EXPECT_EQ(log, "xn2") << "the nested change is not re-entered";
}

// A frozen column that may be current is reached by the program as by a
// click; one that may not stays out of reach either way.
TEST_F(GridKeysTest, AFrozenColumnIsSelectedByTheProgramAsByAClick) {
  Grid->SetFrozenCols(1);
  for (const bool allowed : {false, true}) {
    SCOPED_TRACE(allowed);
    if (allowed) Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dgSelectedFrozenCols});
    const int expected = allowed ? 0 : 2;
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"click", [&] { Click(CellCenter(Grid->DataToRawColumn(0), Grid->Row())); }},
        {"index", [&] { Grid->SetSelectedIndex(0); }},
        {"field", [&] { Grid->SetSelectedField(T.name); }},
        {"focus", [&] { T.name->FocusControl(); }},
    };
    for (const auto& [how, select] : ways) {
      Grid->SetSelectedIndex(2);
      Advance(1000);
      select();
      EXPECT_EQ(Grid->SelectedIndex(), expected) << how;
    }
  }
  // It stays current through a rebuild, and what is typed goes to it.
  Grid->RequestLayout();
  EXPECT_EQ(Grid->SelectedIndex(), 0);
  TypeText("x");
  PressKey(VK_RETURN);
  EXPECT_EQ(T.name->AsString(), "x");
}

TEST_F(GridKeysTest, CheckBoxCellsToggleBySpaceClickAndDoubleClick) {
  TColumnEh* check = Grid->Columns()->Items(0);
  check->KeyList()->SetText("r1\nr2");
  check->SetCheckboxes(true);
  T.ds->First();
  TypeText(" ");
  EXPECT_EQ(T.name->AsString(), "r2");
  Keys("Esc");
  EXPECT_EQ(T.name->AsString(), "r1");
  const TPoint p = CellCenter(Grid->DataToRawColumn(0), Grid->TitleOffset());
  Click(p);
  EXPECT_EQ(T.name->AsString(), "r2") << "one click toggles";
  Keys("Esc");
  // With DblClickNextVal a click does nothing, a double click steps.
  check->SetDblClickNextVal(true);
  Advance(1000);
  Click(p);
  EXPECT_EQ(T.name->AsString(), "r1");
  Click(p);
  EXPECT_EQ(T.name->AsString(), "r2");
  Keys("Esc");
  // Delete clears a check cell.
  Keys("Del");
  EXPECT_EQ(T.name->AsString(), "");
}

TEST_F(GridKeysTest, TitleButtonsSortNowOrWhenCtrlGoesUp) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
  for (int i = 0; i < 3; ++i) Grid->Columns()->Items(i)->Title()->SetTitleButton(true);
  int sorts = 0, titleClicks = 0;
  Grid->OnSortMarkingChanged = [&](TObject*) { ++sorts; };
  Grid->OnTitleClick = [&](TObject*, TColumnEh*) { ++titleClicks; };
  auto title = [&](int i) { return CellCenter(Grid->DataToRawColumn(i), 0); };
  for (int i = 0; i < 3; ++i) {
    Advance(1000);  // three clicks, no double click
    Click(title(0));
  }
  EXPECT_EQ(Grid->Columns()->Items(0)->Title()->SortMarker(), smUpEh) << "up, down, up";
  EXPECT_EQ(sorts, 3);
  EXPECT_EQ(titleClicks, 3);
  // Ctrl: markers change, one sort when Ctrl is released.
  sorts = 0;
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  for (int i : {1, 2}) {
    Advance(1000);
    HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, title(i), MK_LBUTTON | MK_CONTROL);
    HostMouseEvent(Form->Handle(), WM_LBUTTONUP, title(i), MK_CONTROL);
    Application->ProcessMessages();
  }
  EXPECT_EQ(sorts, 0);
  EXPECT_TRUE(Grid->SortPending());
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  Application->ProcessMessages();
  EXPECT_EQ(sorts, 1);
  EXPECT_EQ(Grid->SortMarkedColumns().size(), 3u);
  // Ctrl on a descending title removes its marker and keeps the others.
  Grid->Columns()->Items(0)->Title()->SetSortMarker(smDownEh);
  Advance(1000);
  Click(title(0), MK_CONTROL);
  EXPECT_EQ(Grid->Columns()->Items(0)->Title()->SortMarker(), smNoneEh);
  EXPECT_EQ(Grid->SortMarkedColumns().size(), 2u);
}

TEST_F(GridKeysTest, ClicksSelectRecordsOnTheIndicator) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  const int top = Grid->TitleOffset();
  Click(CellCenter(0, top + 1));
  EXPECT_EQ(SelectedNames(), "r2");
  Advance(1000);
  Click(CellCenter(0, top + 3), MK_CONTROL);
  EXPECT_EQ(SelectedNames(), "r2,r4");
  Advance(1000);
  Click(CellCenter(0, top + 3), MK_CONTROL);
  EXPECT_EQ(SelectedNames(), "r2") << "Ctrl toggles";
  Advance(1000);
  Click(CellCenter(0, top + 4), MK_SHIFT);
  EXPECT_EQ(SelectedNames(), "r2,r4,r5") << "from the last clicked record";
  // The corner clears a selection, selects all, and clears again.
  Advance(1000);
  Click(CellCenter(0, 0));
  EXPECT_EQ(Grid->SelectionType(), gstNon);
  Advance(1000);
  Click(CellCenter(0, 0));
  EXPECT_EQ(Grid->SelectionType(), gstAll);
  Advance(1000);
  Click(CellCenter(0, 0));
  EXPECT_EQ(Grid->SelectionType(), gstNon);
}

TEST_F(GridKeysTest, EscapeIsTheDialogsUnlessTheGridHasAnEditToGiveUp) {
  Form->Hide();
  const struct {
    const char* State;
    std::function<void()> Make;
    TModalResult Result;
  } cases[] = {
      {"browsing", [] {}, mrCancel},
      {"a changed row", [this] { TypeText("x"); }, mrIgnore},
      {"a row being edited", [this] { T.ds->Edit(); }, mrIgnore},
      {"the editor shown", [this] { PressKey(VK_F2); }, mrIgnore},
  };
  for (const auto& c : cases) {
    const TModalResult result = RunModalSteps({[&] {
                                                 c.Make();
                                                 PressKey(VK_ESCAPE);
                                               },
                                               [&] { Form->SetModalResult(mrIgnore); }},
                                              [&] { return Form->ShowModal(); });
    EXPECT_EQ(result, c.Result) << c.State;
    T.ds->Cancel();
  }
}

}  // namespace

namespace {

std::vector<std::string> gFindCalls;

void RecordFind(TCustomDBGridEh*, const std::string& text, const TFindColumnChoicesEh&,
                bool modal) {
  gFindCalls.push_back(text + (modal ? "/modal" : ""));
}

TEST_F(GridKeysTest, CtrlFOpensTheFindDialogOrStartsASearch) {
  auto saved = ExecuteDBGridEhFindDialogProc;
  ExecuteDBGridEhFindDialogProc = &RecordFind;
  gFindCalls.clear();
  PressKey('F', {ssCtrl});  // the register's options: dghDialogFind
  EXPECT_EQ(gFindCalls, std::vector<std::string>{"/modal"});
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
  PressKey('F', {ssCtrl});
  EXPECT_TRUE(Grid->InIncSearch()) << "with dghIncSearch Ctrl+F starts a search";
  TypeText("r2");
  PressKey('F', {ssCtrl});
  EXPECT_FALSE(Grid->InIncSearch());
  EXPECT_EQ(gFindCalls.back(), "r2/modal") << "the typed text goes to the dialog";
  ExecuteDBGridEhFindDialogProc = saved;
}

}  // namespace
