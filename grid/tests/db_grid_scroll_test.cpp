#include <gtest/gtest.h>

#include <string>

#include "controls/edit_buttons.h"
#include "grid/db_grid.h"
#include "grid/inplace_edit.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_lists.h"

namespace {

TEST(VertScrollBarParamsTest, ThreeModels) {
  struct Case {
    TVertScrollStateEh State;
    TVertScrollParamsEh Params;
  } cases[] = {
      {{}, {0, 1, 2, 0}},  // inactive
      {{true, true, 100, 40, 10, false, false, false, 0}, {1, 109, 10, 40}},
      {{true, true, 100, 40, 10, false, false, true, 7}, {1, 109, 10, 7}},  // inserting
      {{true, true, 0, 0, 10, true, true, false, 0}, {1, 9, 10, 0}},        // empty
      {{true, false, 0, 0, 10, true, false, false, 0}, {0, 4, 0, 0}},
      {{true, false, 0, 0, 10, false, false, false, 0}, {0, 4, 0, 2}},
      {{true, false, 0, 0, 10, false, true, false, 0}, {0, 4, 0, 4}},
  };
  for (const Case& c : cases) EXPECT_EQ(VertScrollBarParams(c.State), c.Params);
}

TEST(AutoScrollTest, StepsAndIntervals) {
  struct Case {
    int Distance, Step, Interval, ColumnInterval;
  } cases[] = {{0, 0, 200, 200}, {5, 0, 125, 150}, {6, 1, 110, 140},
               {13, 2, 5, 70},   {14, 2, 10, 60},  {20, 3, 10, 10},
               {48, 8, 10, 10},  {60, 8, 10, 10},  {200, 8, 10, 10}};
  for (const Case& c : cases) {
    EXPECT_EQ(AutoScrollStep(c.Distance), c.Step) << c.Distance;
    EXPECT_EQ(AutoScrollInterval(c.Distance, false), c.Interval) << c.Distance;
    EXPECT_EQ(AutoScrollInterval(c.Distance, true), c.ColumnInterval) << c.Distance;
  }
}

TEST(CellTextIsCutTest, WidthLessTwoOrWrappedHeight) {
  struct Case {
    int TextWidth, TextHeight, CellWidth, CellHeight;
    bool Wrap, Cut;
  } cases[] = {
      {78, 16, 80, 18, false, false}, {79, 16, 80, 18, false, true},
      {60, 40, 80, 18, false, false},  // a single line is never too tall
      {60, 40, 80, 18, true, true},   {60, 18, 80, 18, true, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CellTextIsCut(c.TextWidth, c.TextHeight, c.CellWidth, c.CellHeight, c.Wrap), c.Cut)
        << c.TextWidth << "x" << c.TextHeight;
}

class GridScrollTest : public GuiTest {
 protected:
  GridScrollTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    const char* names[] = {"Яблоко", "ёлка", "Ель", "груша", "Ёрш", "ель2"};
    for (int i = 0; i < 60; ++i) T.Add(names[i % 6] + std::to_string(i), i + 1);
    T.ds->First();
    Source->SetDataSet(T.ds.get());
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  ~GridScrollTest() override {
    Form->Free();
    Source.reset();
  }
  void VScroll(int code, int pos = 0) { Grid->Perform(WM_VSCROLL, MakeWParam(code, pos), 0); }

  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

TEST_F(GridScrollTest, ScrollCodesMoveTheDataset) {
  const int page = Grid->VisibleDataRowCount();
  const int shown = Grid->DataLink()->RecordCount();
  struct Case {
    int Code, Pos, RecNo;
  } cases[] = {
      {SB_LINEDOWN, 0, shown + 1}, {SB_LINEUP, 0, 1},         {SB_PAGEDOWN, 0, 1 + page},
      {SB_BOTTOM, 0, 60},          {SB_PAGEUP, 0, 60 - page}, {SB_TOP, 0, 1},
      {SB_THUMBPOSITION, 40, 40},  {SB_THUMBPOSITION, 0, 1},  {SB_THUMBPOSITION, 99, 60},
      {SB_THUMBTRACK, 20, 60},  // no tracking: nothing until release
  };
  for (const Case& c : cases) {
    VScroll(c.Code, c.Pos);
    EXPECT_EQ(T.ds->RecNo(), c.RecNo) << c.Code << " " << c.Pos;
  }
  TScrollInfo info;
  info.fMask = SIF_ALL;
  T.ds->First();
  GetScrollInfo(Grid->Handle(), SB_VERT, info);
  EXPECT_EQ(info.nPos, 1) << "the table numbers its records";
  EXPECT_EQ(info.nMax, 60 + page - 1);
  T.ds->MoveBy(5);
  GetScrollInfo(Grid->Handle(), SB_VERT, info);
  EXPECT_EQ(info.nPos, 6);
  Grid->VertScrollBar()->SetTracking(true);
  VScroll(SB_THUMBTRACK, 30);
  EXPECT_EQ(T.ds->RecNo(), 30);
  VScroll(SB_THUMBPOSITION, 30);
  EXPECT_EQ(T.ds->RecNo(), 30) << "the closing message after tracking is ignored";
}

TEST_F(GridScrollTest, IncrementalSearchFoldsCaseAndEndsOnTheTimer) {
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
  Grid->SetReadOnly(true);  // the column cannot be edited: typing searches
  TypeText("ЕЛ");
  EXPECT_EQ(T.name->AsString(), "Ель2");
  EXPECT_TRUE(Grid->InIncSearch());
  EXPECT_EQ(Grid->IncSearchText(), "ЕЛ");
  TypeText("Ь2");
  EXPECT_EQ(T.name->AsString(), "Ель2");
  TypeText("x");
  EXPECT_EQ(T.name->AsString(), "Ель2") << "no match: the record stays";
  EXPECT_EQ(Grid->IncSearchText(), "ЕЛЬ2");
  PressKey(VK_RETURN, {ssCtrl});
  EXPECT_EQ(T.name->AsString(), "ель25") << "Ctrl+Enter: the next match";
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kIncSearchTimerId, 0);
  EXPECT_FALSE(Grid->InIncSearch());
  // A new search starts from the first record again; Ё folds as Е does not.
  TypeText("ё");
  EXPECT_EQ(T.name->AsString(), "ёлка1");
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(Grid->InIncSearch());
}

TEST_F(GridScrollTest, LeavingCancelsAnUntouchedInsertOnlyWithCancelOnExit) {
  TEdit* other = Create<TEdit>(Form);
  other->SetParent(Form);
  other->SetBounds(610, 0, 80, 20);
  T.ds->Insert();
  other->SetFocus();
  EXPECT_EQ(T.ds->State(), dsBrowse);
  EXPECT_EQ(T.ds->RecordCount(), 60);
  Grid->SetFocus();
  T.ds->Insert();
  T.name->SetAsString("new");
  other->SetFocus();
  EXPECT_EQ(T.ds->State(), dsInsert) << "a touched record stays for the user to post";
  T.ds->Cancel();
  Grid->SetOptions(Grid->Options() - TDBGridOptions{dgCancelOnExit});
  Grid->SetFocus();
  T.ds->Insert();
  other->SetFocus();
  EXPECT_EQ(T.ds->State(), dsInsert) << "without the option the new record stays";
}

}  // namespace

namespace {

// A host that keeps its pixels when asked to scroll them, and records how.
class TScrollingHost final : public TNullHost {
 public:
  std::vector<int> Dy;
  bool ScrollTopLevel(HWND, const TRect&, int, int dy) override {
    Dy.push_back(dy);
    return true;
  }
};

class GridWindowTest : public GuiTest {
 protected:
  GridWindowTest() {
    SetGuiHost(&Host);
    Form = Create<TForm>(nullptr);
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetBounds(0, 0, 600, 300);
    Source = CreateUnique<TDataSource>();
    T.ds->Open();
    for (int i = 1; i <= 100; ++i) T.Add("record number " + std::to_string(i), i, i);
    T.ds->First();
    Source->SetDataSet(T.ds.get());
    for (const char* f : {"NAME", "NUM", "AMT"}) {
      TColumnEh* c = Grid->Columns()->Add();
      c->SetFieldName(f);
      c->SetWidth(80);
    }
    Grid->SetFooterRowCount(1);
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
    Paint();
  }
  ~GridWindowTest() override {
    Form->Free();
    Source.reset();
    SetGuiHost(nullptr);
  }
  // The grid's invalid client area, then paints it.
  TRect Paint() {
    TRect invalid;
    if (!GetUpdateRect(Grid->Handle(), invalid)) invalid = {};
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    return invalid;
  }
  int RowStep() { return Grid->DefaultRowHeight() + Grid->GridLineWidth(); }
  TPoint CellCenter(int col, int row) {
    const TRect r = Grid->CellRect(col, row);
    return Grid->ClientToScreen({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  }
  void Mouse(unsigned msg, TPoint clientPoint, unsigned keys) {
    const TPoint p = Grid->ClientToScreen(clientPoint);
    HostMouseEvent(Form->Handle(), msg, p, keys);
    Application->ProcessMessages();
  }

  TScrollingHost Host;
  TTestTable T;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

TEST_F(GridWindowTest, ScrollingMovesTheRowsAndRepaintsOnlyWhatChanged) {
  const int rows = Grid->VisibleDataRowCount();
  const int top = Grid->TitleOffset();
  const TRect data = Grid->DataRect();
  // Within the shown rows nothing scrolls: the two rows repaint.
  PressKey(VK_DOWN);
  EXPECT_TRUE(Host.Dy.empty());
  TRect painted = Paint();
  EXPECT_EQ(painted.Top, Grid->CellRect(1, top).Top);
  EXPECT_LE(painted.Bottom, Grid->CellRect(1, top + 2).Top + Grid->GridLineWidth());
  // Down on the last row shown: the rows move up one and the new last row,
  // the row the old current record went to and the footer repaint.
  T.ds->MoveBy(rows - 2);
  Paint();
  ASSERT_EQ(Grid->Row(), top + rows - 1);
  PressKey(VK_DOWN);
  ASSERT_EQ(Host.Dy.size(), 1u);
  EXPECT_EQ(Host.Dy[0], -RowStep());
  painted = Paint();
  EXPECT_EQ(painted.Top, Grid->CellRect(1, top + rows - 2).Top);
  EXPECT_GE(painted.Top, data.Top + (rows - 3) * RowStep());
  // A page or more: everything repaints, nothing is moved.
  Host.Dy.clear();
  PressKey(VK_NEXT);
  EXPECT_TRUE(Host.Dy.empty());
  painted = Paint();
  EXPECT_LE(painted.Top, data.Top);
  EXPECT_GE(painted.Bottom, data.Bottom);
}

TEST_F(GridWindowTest, DraggingBelowTheDataScrollsByTheTimer) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  const TRect data = Grid->DataRect();
  const TPoint start{data.Left + 10, data.Top + 5};
  Mouse(WM_LBUTTONDOWN, start, MK_LBUTTON);
  ASSERT_EQ(T.ds->RecNo(), 1);
  // 60 pixels below: 8 rows a tick, at once again (0 ms runs at 10).
  Mouse(WM_MOUSEMOVE, {start.X, data.Bottom + 59}, MK_LBUTTON);
  EXPECT_TRUE(Grid->AutoScrollTimerActive());
  EXPECT_EQ(Grid->AutoScrollTimerInterval(), 10);
  const int afterMove = T.ds->RecNo();
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId, 0);
  EXPECT_EQ(T.ds->RecNo(), afterMove + 8);
  EXPECT_EQ(Grid->SelectionType(), gstRectangle);
  EXPECT_EQ(Grid->Selection()->Rect().ShiftBookmark(), T.ds->Bookmark());
  // 10 pixels above: one row back a tick, every 50 ms.
  Mouse(WM_MOUSEMOVE, {start.X, data.Top - 10}, MK_LBUTTON);
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId, 0);
  EXPECT_EQ(Grid->AutoScrollTimerInterval(), 50);
  // Back inside, the timer stops; releasing ends the drag.
  Mouse(WM_MOUSEMOVE, start, MK_LBUTTON);
  EXPECT_FALSE(Grid->AutoScrollTimerActive());
  Mouse(WM_LBUTTONUP, start, 0);
  const int at = T.ds->RecNo();
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId, 0);
  EXPECT_EQ(T.ds->RecNo(), at);
}

TEST_F(GridWindowTest, AnExternalBarStandsInAndIsGivenBackWhenTheGridGoes) {
  TScrollBar* bar = Create<TScrollBar>(Form);
  bar->SetName("sbExt");
  bar->SetKind(sbVertical);
  bar->SetParent(Form);
  bar->SetBounds(620, 0, 17, 300);
  Grid->VertScrollBar()->SetExtScrollBar(bar);
  EXPECT_TRUE(Grid->VertScrollBar()->IsScrollBarShowing());
  EXPECT_FALSE(GetWindowStyle(Grid->Handle()) & WS_VSCROLL) << "the grid's own bar hides";
  EXPECT_EQ(bar->Min(), 1);
  EXPECT_EQ(bar->Position(), 1);
  EXPECT_EQ(bar->PageSize(), Grid->VisibleDataRowCount());
  // The bar's requests move the dataset, and the bar follows it.
  bar->SetFocus();
  PressKey(VK_NEXT);
  EXPECT_EQ(T.ds->RecNo(), 1 + Grid->VisibleDataRowCount());
  EXPECT_EQ(bar->Position(), T.ds->RecNo());
  T.ds->Last();
  EXPECT_EQ(bar->Position(), 100);
  // One bar, one grid.
  TDBGridEh* other = Create<TDBGridEh>(Form);
  try {
    other->VertScrollBar()->SetExtScrollBar(bar);
    ADD_FAILURE() << "attached twice";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Possible sbExt already attached to the other control.");
  }
  EXPECT_THROW(Grid->HorzScrollBar()->SetExtScrollBar(bar), Exception);
  // Hiding the setting hides the bar.
  Grid->VertScrollBar()->SetVisible(false);
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(Grid->VertScrollBar()->VisibleMode(), sbNeverShowEh);
  Grid->VertScrollBar()->SetVisible(true);
  // Once the grid is gone the bar scrolls on its own.
  Grid->Free();
  Grid = nullptr;
  bar->SetPosition(50);
  bar->SetFocus();
  PressKey(VK_DOWN);
  EXPECT_EQ(bar->Position(), 51);
  other->VertScrollBar()->SetExtScrollBar(bar);  // free again
  EXPECT_EQ(other->VertScrollBar()->ExtScrollBar(), bar);
  // A bar freed first leaves the setting empty.
  bar->Free();
  EXPECT_EQ(other->VertScrollBar()->ExtScrollBar(), nullptr);
  EXPECT_FALSE(other->VertScrollBar()->IsScrollBarShowing());
}

TEST_F(GridWindowTest, TheHorizontalBarFollowsTheColumnsAndItsOwnBarHides) {
  for (TColumnEh* c : {Grid->Columns()->Items(0), Grid->Columns()->Items(1)}) c->SetWidth(300);
  TScrollBar* bar = Create<TScrollBar>(Form);
  bar->SetParent(Form);
  bar->SetBounds(0, 310, 600, 17);
  Grid->HorzScrollBar()->SetExtScrollBar(bar);
  EXPECT_FALSE(GetWindowStyle(Grid->Handle()) & WS_HSCROLL);
  EXPECT_EQ(bar->Max(), Grid->ColCount() - Grid->FixedCols() - 1);
  EXPECT_EQ(bar->Position(), 0);
  Grid->SetLeftCol(Grid->FixedCols() + 1);
  EXPECT_EQ(bar->Position(), 1);
  // The bar's own requests scroll the columns.
  bar->SetFocus();
  PressKey(VK_LEFT);
  EXPECT_EQ(Grid->LeftCol(), Grid->FixedCols());
  Grid->HorzScrollBar()->SetExtScrollBar(nullptr);
  EXPECT_TRUE(GetWindowStyle(Grid->Handle()) & WS_HSCROLL) << "the grid's own bar is back";
  Grid->HorzScrollBar()->SetVisible(false);
  EXPECT_FALSE(GetWindowStyle(Grid->Handle()) & WS_HSCROLL);
}

TEST_F(GridWindowTest, TipsShowOnlyTextsThatAreCut) {
  TColumnEh* name = Grid->Columns()->Items(0);
  TColumnEh* num = Grid->Columns()->Items(1);
  name->SetToolTips(true);
  name->SetWidth(40);
  num->SetToolTips(true);
  num->Title()->SetHint("Номер записи");
  Grid->Columns()->Items(2)->Footer()->SetValueType(fvtSum);
  Grid->Columns()->Items(2)->Footer()->SetToolTips(true);
  const int top = Grid->TitleOffset();
  auto tip = [&](int col, int row) {
    const TRect r = Grid->CellRect(col, row);
    THintInfo info;
    info.CursorPos = {r.Left + 3, r.Top + 3};
    info.HintStr = "grid hint";
    Grid->Perform(CM_HINTSHOW, 0, AsParam(&info));
    return info.HintStr;
  };
  EXPECT_EQ(tip(1, top + 1), "record num") << "cut: the whole text";
  EXPECT_EQ(tip(2, top + 1), "") << "fits: no tip";
  EXPECT_EQ(tip(2, 0), "Номер записи") << "a title's own hint";
  const int footerRow = Grid->RowCount() - 1;
  EXPECT_EQ(tip(3, footerRow), "");
  Grid->Columns()->Items(2)->SetWidth(20);
  EXPECT_EQ(tip(3, footerRow), Grid->GetFooterValue(0, Grid->Columns()->Items(2)));
  name->SetWidth(400);
  EXPECT_EQ(tip(1, top + 1), "");
  // Not while Ctrl is held.
  name->SetWidth(40);
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  Application->ProcessMessages();
  EXPECT_EQ(tip(1, top + 1), "");
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  Application->ProcessMessages();
}

TEST_F(GridWindowTest, TheGridsFontReachesColumnsWithoutOneAndTheRowHeight) {
  TColumnEh* own = Grid->Columns()->Items(1);
  own->Font()->SetSize(20);
  const int height = Grid->DefaultRowHeight();
  Grid->Font()->SetSize(16);
  EXPECT_EQ(Grid->Columns()->Items(0)->Font()->Size(), 16);
  EXPECT_EQ(own->Font()->Size(), 20);
  EXPECT_GT(Grid->DefaultRowHeight(), height);
}

TEST_F(GridWindowTest, FrozenColumnsAreSizedByTheirTitleEdge) {
  Grid->SetFrozenCols(1);
  ASSERT_EQ(Grid->FixedCols(), 2);
  const TRect title = Grid->CellRect(1, 0);
  const int y = title.Top + 3;
  Mouse(WM_LBUTTONDOWN, {title.Right + 2, y}, MK_LBUTTON);
  ASSERT_TRUE(Grid->FrozenSizing());
  EXPECT_TRUE(Grid->SizingLineShown());
  EXPECT_EQ(Grid->SizingLinePos(), title.Right);
  Mouse(WM_MOUSEMOVE, {title.Right + 32, y}, MK_LBUTTON);
  EXPECT_EQ(Grid->SizingLinePos(), title.Right + 30);
  Mouse(WM_LBUTTONUP, {title.Right + 32, y}, 0);
  EXPECT_FALSE(Grid->FrozenSizing());
  EXPECT_FALSE(Grid->SizingLineShown()) << "the line is drawn again to erase it";
  EXPECT_EQ(Grid->Columns()->Items(0)->Width(), 110);
  // Escape drops a sizing under way.
  Mouse(WM_LBUTTONDOWN, {Grid->CellRect(1, 0).Right, y}, MK_LBUTTON);
  ASSERT_TRUE(Grid->FrozenSizing());
  Grid->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_FALSE(Grid->FrozenSizing());
  EXPECT_FALSE(Grid->SizingLineShown());
  EXPECT_EQ(Grid->Columns()->Items(0)->Width(), 110);
}

TEST_F(GridWindowTest, TitleClicksSelectColumns) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  auto title = [&](int col) {
    const TRect r = Grid->CellRect(col, 0);
    return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  };
  auto click = [&](int col, unsigned keys) {
    Mouse(WM_LBUTTONDOWN, title(col), MK_LBUTTON | keys);
    Mouse(WM_LBUTTONUP, title(col), keys);
  };
  auto selected = [&] {
    std::string s;
    const TDBGridEhSelectionCols& cols = Grid->Selection()->Columns();
    for (int i = 0; i < cols.Count(); ++i) s += cols.Items(i)->FieldName() + " ";
    return s;
  };
  click(1, 0);
  EXPECT_EQ(Grid->SelectionType(), gstColumns);
  EXPECT_EQ(selected(), "NAME ");
  click(3, MK_SHIFT);
  EXPECT_EQ(selected(), "NAME NUM AMT ");
  click(2, MK_CONTROL);
  EXPECT_EQ(selected(), "NAME AMT ");
  // Dragging over the titles extends from the clicked column.
  Mouse(WM_LBUTTONDOWN, title(3), MK_LBUTTON);
  Mouse(WM_MOUSEMOVE, title(2), MK_LBUTTON);
  Mouse(WM_LBUTTONUP, title(2), 0);
  EXPECT_EQ(selected(), "NUM AMT ");
  // Without the kind allowed a title click selects nothing.
  Grid->SetAllowedSelections({gstRecordBookmarks});
  click(1, 0);
  EXPECT_EQ(Grid->SelectionType(), gstNon);
}

TEST_F(GridWindowTest, TheWheelGoesToAnOpenListOrTheFilterEditor) {
  std::string items;
  for (int i = 0; i < 30; ++i) items += "item " + std::to_string(i) + "\n";
  Grid->Columns()->Items(0)->PickList()->SetText(items);
  const TPoint at = CellCenter(1, Grid->TitleOffset() + 1);
  auto wheelDown = [&] {
    return Grid->Perform(WM_MOUSEWHEEL, MakeWParam(0, static_cast<unsigned>(-120)),
                         MakeLParam(at.X, at.Y));
  };
  enum Open { Nothing, PickList, FilterEditor };
  struct Case {
    Open Opened;
    int RecNoMove;
  } cases[] = {{Nothing, 1}, {PickList, 0}, {FilterEditor, 0}, {Nothing, 1}};
  for (const Case& c : cases) {
    T.ds->First();
    Grid->SetSelectedIndex(0);
    TDBGridInplaceEdit* editor = nullptr;
    if (c.Opened == PickList) {
      Grid->SetEditorMode(true);
      editor = dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor());
      ASSERT_NE(editor, nullptr);
      editor->DropDown();
      ASSERT_TRUE(editor->ListVisible());
      editor->PickList()->SetItemIndex(2);
    } else if (c.Opened == FilterEditor) {
      Grid->STFilter()->SetVisible(true);
      Grid->StartEditFilter(Grid->DataToRawColumn(1));
      ASSERT_TRUE(Grid->FilterEditMode());
    }
    EXPECT_NE(wheelDown(), 0) << c.Opened;
    EXPECT_EQ(T.ds->RecNo(), 1 + c.RecNoMove) << c.Opened;
    if (c.Opened == PickList) {
      EXPECT_TRUE(editor->ListVisible()) << "the list stays open";
      EXPECT_EQ(editor->PickList()->ItemIndex(), 3) << "and stepped down by the notch";
      editor->CloseUp(false);
      Grid->SetEditorMode(false);
    } else if (c.Opened == FilterEditor) {
      Grid->StopEditFilter();
      Grid->STFilter()->SetVisible(false);
    }
  }
}

TEST_F(GridWindowTest, ParentFontAndColourReachTitlesAndFooters) {
  struct Case {
    bool ParentFont, ParentColor;
  } cases[] = {{true, true}, {false, false}, {true, false}};
  int size = 10;
  for (const Case& c : cases) {
    Grid->SetParentFont(c.ParentFont);
    Grid->SetParentColor(c.ParentColor);
    const int titleBefore = Grid->TitleFont()->Size();
    const TColor footerBefore = Grid->FooterColor();
    Form->Font()->SetSize(++size);
    Form->SetColor(size % 2 == 0 ? clYellow : clAqua);
    EXPECT_EQ(Grid->TitleFont()->Size(), c.ParentFont ? size : titleBefore) << size;
    EXPECT_EQ(Grid->FooterFont()->Size(), c.ParentFont ? size : Grid->FooterFont()->Size());
    EXPECT_EQ(Grid->FooterColor(), c.ParentColor ? Form->Color() : footerBefore) << size;
    EXPECT_EQ(Grid->ParentFont(), c.ParentFont) << "titles follow without breaking the link";
  }
}

TEST_F(GridWindowTest, ASystemColourChangeDropsTheDrawnButtons) {
  Grid->Columns()->Items(0)->PickList()->SetText("a\nb");
  Grid->SetSelectedIndex(0);
  Grid->SetEditorMode(true);
  Paint();
  ASSERT_GT(ButtonsBitmapCacheCount(), 0);
  Form->Perform(CM_SYSCOLORCHANGE);
  EXPECT_EQ(ButtonsBitmapCacheCount(), 0);
}

TEST_F(GridWindowTest, FocusComingAndGoingRepaintsTheSelection) {
  TEdit* other = Create<TEdit>(Form);
  other->SetParent(Form);
  other->SetBounds(610, 10, 80, 20);
  const TRect client = Grid->ClientRect();
  const int row = Grid->Row();
  struct Case {
    bool All;
    TDBGridOptions Options;
  } cases[] = {{false, {}}, {true, {}}, {false, TDBGridOptions{dgRowSelect}}};
  for (const Case& c : cases) {
    Grid->SetOptions(Grid->Options() + c.Options);
    if (c.All) Grid->Selection()->SelectAll();
    for (bool toGrid : {false, true}) {
      Paint();
      if (toGrid) {
        Grid->SetFocus();
      } else {
        other->SetFocus();
      }
      const TRect invalid = Paint();
      const TRect current = Grid->CellRect(Grid->Col(), row);
      EXPECT_LE(invalid.Top, current.Top) << c.All << toGrid;
      EXPECT_GE(invalid.Bottom, current.Bottom) << c.All << toGrid;
      if (c.All) {
        EXPECT_EQ(invalid, client) << "the whole selection";
      } else {
        EXPECT_LT(invalid.Bottom - invalid.Top, client.Bottom / 2) << "only the row";
      }
    }
    Grid->ClearSelection();
    Grid->SetOptions(Grid->Options() - c.Options);
  }
}

TEST_F(GridWindowTest, APendingSortIsAppliedWhenTheFocusLeaves) {
  TEdit* other = Create<TEdit>(Form);
  other->SetParent(Form);
  other->SetBounds(610, 10, 80, 20);
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  Grid->Columns()->Items(1)->Title()->SetTitleButton(true);
  int sorts = 0;
  Grid->OnSortMarkingChanged = [&](TObject*) { ++sorts; };
  const TPoint title = CellCenter(Grid->DataToRawColumn(1), 0);
  HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
  HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, title, MK_LBUTTON | MK_CONTROL);
  HostMouseEvent(Form->Handle(), WM_LBUTTONUP, title, MK_CONTROL);
  Application->ProcessMessages();
  ASSERT_TRUE(Grid->SortPending());
  // To the cell editor it stays pending; elsewhere it is applied once.
  Grid->SetEditorMode(true);
  ASSERT_NE(Grid->InplaceEditor(), nullptr);
  Grid->InplaceEditor()->SetFocus();
  EXPECT_TRUE(Grid->SortPending());
  EXPECT_EQ(sorts, 0);
  Grid->SetFocus();
  other->SetFocus();
  EXPECT_FALSE(Grid->SortPending());
  EXPECT_EQ(sorts, 1);
  HostKeyEvent(WM_KEYUP, VK_CONTROL);
  Application->ProcessMessages();
  EXPECT_EQ(sorts, 1);
}

}  // namespace
