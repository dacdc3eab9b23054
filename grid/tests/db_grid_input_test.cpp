// The grid's mouse and search feedback as the user meets it: title buttons
// under group titles, moving columns with either button, the incremental
// search's look and pasting into it, presses on the filter row, sizing
// columns and rows, and the wrapped cell editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "grid/db_grid.h"
#include "grid/inplace_edit.h"
#include "grid/inplace_filter_edit.h"
#include "grid_on_form_test.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/clipboard.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"

namespace {

class GridInputTest : public GridOnFormTest {
 protected:
  TPoint CellCenter(int rawCol, int row) {
    const TRect r = Grid->CellRect(rawCol, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void Mouse(unsigned msg, TPoint p, unsigned keys = 0) {
    HostMouseEvent(Form->Handle(), msg, p, keys);
    Application->ProcessMessages();
  }
  void Click(TPoint p) {
    Mouse(WM_LBUTTONDOWN, p, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, p);
  }
  std::string FieldOrder() {
    std::string out;
    for (int i = 0; i < Grid->Columns()->Count(); ++i)
      out += (i ? " " : "") + Grid->Columns()->Items(i)->FieldName();
    return out;
  }
  // As the desktop delivers keys: each handled before the next arrives
  // (the editor's window may be made again in between).
  void StepKey(unsigned vk, bool shift = false) {
    std::vector<std::pair<unsigned, unsigned>> events;
    if (shift) events.push_back({WM_KEYDOWN, VK_SHIFT});
    events.push_back({WM_KEYDOWN, vk});
    events.push_back({WM_KEYUP, vk});
    if (shift) events.push_back({WM_KEYUP, VK_SHIFT});
    for (const auto& [msg, key] : events) {
      HostKeyEvent(msg, key);
      Application->ProcessMessages();
    }
  }
  std::vector<TCanvasRecord> Paint() {
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    return canvas.TakeRecords();
  }
};

TEST_F(GridInputTest, AGroupTitleIsNoTitleButtonOfTheLeafUnderIt) {
  Grid->SetUseMultiTitle(true);
  const char* captions[] = {"Сертификат|Серия", "Сертификат|Номер", "Сумма"};
  for (int i = 0; i < 3; ++i) {
    Grid->Columns()->Items(i)->Title()->SetCaption(captions[i]);
    Grid->Columns()->Items(i)->Title()->SetTitleButton(true);
  }
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  std::vector<std::string> clicks;
  Grid->OnTitleBtnClick = [&](TObject*, TColumnEh* c) { clicks.push_back(c->FieldName()); };
  const TRect title = Grid->CellRect(Grid->DataToRawColumn(1), 0);
  const int x = (title.Left + title.Right) / 2;
  const TPoint group{x, title.Top + 2};
  const TPoint leaf{x, title.Bottom - 3};
  Click(group);
  Advance(1000);
  Click(leaf);
  Advance(1000);
  // Pressed on the leaf, released over the group: no click either.
  Mouse(WM_LBUTTONDOWN, leaf, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, group, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, group);
  EXPECT_EQ(clicks, std::vector<std::string>{"NUM"});
  EXPECT_EQ(Grid->Columns()->Items(1)->Title()->SortMarker(), smUpEh);
  EXPECT_EQ(Grid->Columns()->Items(0)->Title()->SortMarker(), smNoneEh);
  // A title of one level is a button all over.
  const TRect single = Grid->CellRect(Grid->DataToRawColumn(2), 0);
  Advance(1000);
  Click({(single.Left + single.Right) / 2, single.Top + 2});
  EXPECT_EQ(clicks.back(), "AMT");
}

TEST_F(GridInputTest, ARightPressOnATitleMovesColumnsWithColumnResize) {
  auto drag = [&](int fromRaw, int toRaw) {
    Mouse(WM_RBUTTONDOWN, CellCenter(fromRaw, 0), MK_RBUTTON);
    Mouse(WM_MOUSEMOVE, CellCenter(toRaw, 0), MK_RBUTTON);
    Mouse(WM_RBUTTONUP, CellCenter(toRaw, 0));
  };
  ASSERT_TRUE(Grid->Options().Contains(dgColumnResize));
  drag(1, 3);
  EXPECT_EQ(FieldOrder(), "NUM AMT NAME");
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgColumnResize});
  Advance(1000);
  drag(1, 3);
  EXPECT_EQ(FieldOrder(), "NUM AMT NAME") << "without column sizing the columns stay";
}

TEST_F(GridInputTest, AnIncrementalSearchShowsItsGlyphAndPaintsTheTypedBeginning) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
  EXPECT_EQ(Grid->IndicatorImageOf(Grid->Row()), kIndicatorArrow);
  PressKey('F', {ssCtrl});
  TypeText("R1");
  TypeText("5");
  ASSERT_EQ(T.name->AsString(), "r15");
  EXPECT_EQ(Grid->IndicatorImageOf(Grid->Row()), kIndicatorSearchArrow);
  // The matched "r15" of the current cell: yellow under black text, as
  // wide as its three characters.
  const TRect cell = Grid->CellRect(Grid->Col(), Grid->Row());
  auto yellow = [&](const std::vector<TCanvasRecord>& records) {
    int width = 0;
    for (const TCanvasRecord& r : records)
      if (r.Kind == TRecordKind::FillRect && r.Color == kGridSearchHighlightColor &&
          r.Rect.Top >= cell.Top && r.Rect.Bottom <= cell.Bottom)
        width = r.Rect.Width();
    return width;
  };
  std::vector<TCanvasRecord> records = Paint();
  EXPECT_EQ(yellow(records), 3 * 6);
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const TCanvasRecord& r) {
    return r.Kind == TRecordKind::Text && r.Text == "r15" && r.Color == kGridSearchFontColor;
  }));
  PressKey(VK_ESCAPE);
  EXPECT_EQ(Grid->IndicatorImageOf(Grid->Row()), kIndicatorArrow);
  EXPECT_EQ(yellow(Paint()), 0);
}

TEST_F(GridInputTest, ARecordMovedOtherwiseEndsTheSearch) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghIncSearch, dghPreferIncSearch});
  const std::pair<const char*, std::function<void()>> moves[] = {
      {"key", [&] { PressKey(VK_DOWN); }},
      {"mouse", [&] { Click(CellCenter(Grid->Col(), Grid->Row() + 1)); }},
      {"program", [&] { T.ds->Next(); }},
  };
  for (const auto& [how, move] : moves) {
    SCOPED_TRACE(how);
    T.ds->First();
    TypeText("R2");
    ASSERT_EQ(T.name->AsString(), "r2");
    ASSERT_EQ(Grid->IndicatorImageOf(Grid->Row()), kIndicatorSearchArrow);
    move();
    EXPECT_EQ(T.name->AsString(), "r3");
    EXPECT_FALSE(Grid->InIncSearch());
    EXPECT_EQ(Grid->IndicatorImageOf(Grid->Row()), kIndicatorArrow);
    TypeText("5");
    EXPECT_EQ(T.name->AsString(), "r3") << "a new search for \"5\" finds nothing";
    PressKey(VK_ESCAPE);
  }
  // The search's own moves keep it going.
  T.ds->First();
  TypeText("R2");
  TypeText("5");
  EXPECT_EQ(T.name->AsString(), "r25");
  EXPECT_TRUE(Grid->InIncSearch());
}

TEST_F(GridInputTest, AColumnChangeEndsTheSearch) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghIncSearch, dghPreferIncSearch});
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"Right", [&] { PressKey(VK_RIGHT); }},
      {"Tab", [&] { PressKey(VK_TAB); }},
      {"program", [&] { Grid->SetSelectedIndex(1); }},
  };
  for (const auto& [how, change] : changes) {
    SCOPED_TRACE(how);
    T.ds->First();
    Grid->SetSelectedIndex(0);
    TypeText("R2");
    ASSERT_EQ(T.name->AsString(), "r2");
    change();
    ASSERT_EQ(Grid->SelectedIndex(), 1);
    EXPECT_FALSE(Grid->InIncSearch());
    TypeText("5");
    EXPECT_EQ(T.name->AsString(), "r5") << "a new search for \"5\" in NUM";
    PressKey(VK_ESCAPE);
  }
}

TEST_F(GridInputTest, PastingGoesOnWithARunningSearch) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
  PressKey('F', {ssCtrl});
  Clipboard().SetAsText("r2");
  PressKey('V', {ssCtrl});
  EXPECT_EQ(T.name->AsString(), "r2");
  Clipboard().SetAsText("7");
  PressKey(VK_INSERT, {ssShift});
  EXPECT_EQ(T.name->AsString(), "r27");
  EXPECT_EQ(Grid->IncSearchText(), "r27");
  EXPECT_TRUE(Grid->InIncSearch());
}

TEST_F(GridInputTest, APressOnAFilterCellPutsTheCaretWhereItWas) {
  Grid->STFilter()->SetVisible(true);
  const int raw = Grid->DataToRawColumn(0);
  const int filterRow = Grid->TitleOffset() - 1;
  Click(CellCenter(raw, filterRow));
  ASSERT_TRUE(Grid->FilterEditMode());
  TypeText("abcdefgh");
  Advance(1000);
  Click(CellCenter(raw, filterRow + 3));
  ASSERT_FALSE(Grid->FilterEditMode());
  // A press near the left end of the cell: the caret lands inside the text.
  Advance(1000);
  const TRect cell = Grid->CellRect(raw, filterRow);
  const TPoint p{cell.Left + 20, (cell.Top + cell.Bottom) / 2};
  Click(p);
  TInplaceFilterEditEh* editor = Grid->FilterEdit();
  ASSERT_TRUE(Grid->FilterEditMode());
  EXPECT_EQ(editor->SelLength(), 0);
  EXPECT_GT(editor->SelStart(), 0);
  EXPECT_LT(editor->SelStart(), 8);
  // The next press, on the editor now, is the second click of a double
  // click: it takes the word.
  Advance(50);
  Mouse(WM_LBUTTONDOWN, p, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, p);
  EXPECT_EQ(editor->SelLength(), 8);
  // A later press is a single one again.
  Advance(1000);
  Click(p);
  EXPECT_EQ(editor->SelLength(), 0);
}

TEST_F(GridInputTest, ScrollingAwayFromTheLeftRepaintsTheTitles) {
  for (int i = 0; i < 3; ++i) Grid->Columns()->Items(i)->SetWidth(300);
  Paint();
  TRect invalid;
  ASSERT_FALSE(GetUpdateRect(Grid->Handle(), invalid));
  Grid->SetLeftCol(Grid->FixedCols() + 1);
  ASSERT_TRUE(GetUpdateRect(Grid->Handle(), invalid));
  // The indicator's title cell as well, though it does not scroll.
  EXPECT_TRUE(PtInRect(invalid, {1, 1}));
  Paint();
  Grid->SetLeftCol(Grid->FixedCols() + 2);
  if (GetUpdateRect(Grid->Handle(), invalid)) {
    EXPECT_FALSE(PtInRect(invalid, {1, 1})) << "still scrolled: no reason to";
  }
}

TEST_F(GridInputTest, SizedFittingColumnsShareOnlyWithFittingColumnsShown) {
  // NAME and VAL fit, NUM is hidden between them, AMT keeps its width.
  TColumnEh* val = Grid->Columns()->Add();
  val->SetFieldName("VAL");
  val->SetWidth(80);
  Grid->SetAutoFitColWidths(true);
  TDBGridColumnsEh* cols = Grid->Columns();
  cols->Items(2)->SetAutoFitColWidth(false);
  cols->Items(1)->SetVisible(false);
  ASSERT_EQ(FieldOrder(), "NAME NUM AMT VAL");
  auto shares = [&] {
    std::vector<int> out;
    for (int i = 0; i < cols->Count(); ++i) out.push_back(cols->Items(i)->AutoFitWidth());
    return out;
  };
  std::vector<int> before = shares();
  // The user widens NAME: VAL gives what NAME takes.
  const int raw = Grid->DataToRawColumn(0);
  const int oldWidth = Grid->ColWidths(raw);
  Grid->SetColWidths(raw, oldWidth + 40);
  std::vector<int> after = shares();
  EXPECT_GT(after[0], before[0]);
  EXPECT_EQ(after[1], before[1]) << "hidden";
  EXPECT_EQ(after[2], before[2]) << "does not fit";
  EXPECT_EQ(after[0] + after[3], before[0] + before[3]);
  // A column that does not fit takes the width and leaves the shares.
  before = after;
  Grid->SetColWidths(Grid->DataToRawColumn(2), 50);
  EXPECT_EQ(cols->Items(2)->Width(), 50);
  EXPECT_EQ(shares(), before);
}

TEST_F(GridInputTest, ResizeWholeRightPartSpreadsOverTheColumnsToTheRight) {
  TColumnEh* val = Grid->Columns()->Add();
  val->SetFieldName("VAL");
  TDBGridColumnsEh* cols = Grid->Columns();
  const int widths[] = {100, 100, 50, 150};
  for (int i = 0; i < 4; ++i) cols->Items(i)->SetWidth(widths[i]);
  Grid->SetAutoFitColWidths(true);
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghResizeWholeRightPart});
  std::vector<int> before, after;
  for (int i = 0; i < 4; ++i) before.push_back(cols->Items(i)->AutoFitWidth());
  const int raw = Grid->DataToRawColumn(1);
  Grid->SetColWidths(raw, Grid->ColWidths(raw) * 3 / 2);
  for (int i = 0; i < 4; ++i) after.push_back(cols->Items(i)->AutoFitWidth());
  EXPECT_EQ(after[0], before[0]) << "left of the sized column";
  const int taken = after[1] - before[1];
  EXPECT_GT(taken, 0);
  EXPECT_EQ((before[2] - after[2]) + (before[3] - after[3]), taken);
  // In proportion to their widths: the wider gives about three times more.
  EXPECT_NEAR(before[3] - after[3], 3 * (before[2] - after[2]), 2);
}

TEST_F(GridInputTest, ARowSizedByTheUserKeepsItsHeight) {
  Grid->SetRowSizingAllowed(true);
  const int row = Grid->TitleOffset();
  const TRect r = Grid->CellRect(0, row);
  const int old = Grid->DefaultRowHeight();
  Mouse(WM_LBUTTONDOWN, {5, r.Bottom}, MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, {5, r.Bottom + 12}, MK_LBUTTON);
  Mouse(WM_LBUTTONUP, {5, r.Bottom + 12});
  EXPECT_EQ(Grid->RowLines(), 0);
  EXPECT_EQ(Grid->RowHeight(), old + 12);
  // Every data row takes it and keeps it through a rebuild.
  Grid->RequestLayout();
  EXPECT_GE(Grid->RowHeights(row), old + 12);
  EXPECT_EQ(Grid->RowHeights(row + 1), Grid->RowHeights(row));
}

TEST_F(GridInputTest, AWrappedColumnEditsOnSeveralLines) {
  Grid->SetRowLines(3);
  Grid->Columns()->Items(0)->SetWidth(45);
  T.ds->Edit();
  T.name->SetAsString("ab cd efgh");
  T.ds->Post();
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgEditing, dgAlwaysShowEditor});
  Grid->SetEditorMode(true);
  auto* editor = static_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor());
  ASSERT_TRUE(editor != nullptr);
  ASSERT_TRUE(editor != nullptr && editor->Focused());
  EXPECT_TRUE(editor->WordWrapMode());
  std::set<int> lines;
  const TRect box = editor->BoundsRect();
  for (const TCanvasRecord& r : Paint())
    if (r.Kind == TRecordKind::Text && PtInRect(box, r.Rect.TopLeft())) lines.insert(r.Rect.Top);
  EXPECT_GE(lines.size(), 2u) << "wrapped in the editor";
  // Down walks the lines, then leaves for the next record.
  editor->SetSelStart(0);
  PressKey(VK_DOWN);
  EXPECT_EQ(T.ds->RecNo(), 1);
  EXPECT_GT(editor->SelStart(), 0);
  for (int i = 0; i < 4 && T.ds->RecNo() == 1; ++i) PressKey(VK_DOWN);
  EXPECT_EQ(T.ds->RecNo(), 2);
  // A number does not wrap; moving between the columns keeps the focus
  // in the editor.
  StepKey(VK_TAB);
  EXPECT_EQ(Grid->SelectedIndex(), 1);
  EXPECT_FALSE(editor->WordWrapMode());
  EXPECT_TRUE(editor->Focused());
  StepKey(VK_TAB, true);
  EXPECT_EQ(Grid->SelectedIndex(), 0);
  EXPECT_TRUE(editor->WordWrapMode());
  EXPECT_TRUE(editor->Focused());
  // In a single-line row the same column edits on one line.
  Grid->SetRowLines(0);
  Grid->SetEditorMode(true);
  EXPECT_FALSE(static_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor())->WordWrapMode());
}

TEST_F(GridInputTest, AnEditorHiddenByAResizeWritesNothingUntyped) {
  PressKey(VK_F2);
  ASSERT_TRUE(Grid->EditorMode());
  Grid->SetBounds(0, 0, 590, 290);
  Application->ProcessMessages();
  PressKey(VK_RIGHT, {ssCtrl});
  EXPECT_TRUE(Boxes.empty()) << (Boxes.empty() ? "" : Boxes.front());
  EXPECT_EQ(Grid->SelectedIndex(), 2);
  EXPECT_EQ(T.ds->State(), dsBrowse);
  // What was typed is written as before.
  Grid->SetSelectedIndex(0);
  PressKey(VK_F2);
  TypeText("x");
  Grid->SetBounds(0, 0, 580, 280);
  Application->ProcessMessages();
  PressKey(VK_RIGHT, {ssCtrl});
  EXPECT_EQ(T.name->AsString(), "x");
}

}  // namespace
