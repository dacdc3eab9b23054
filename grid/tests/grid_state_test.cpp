// The grid keeps its state right when a program changes it (the current
// column, the selection, the editor's permission, tab stops), draws its
// footers and filler row, shows its tool tips, and gives programs the
// events they hook; and row-per-record mode keeps its own position.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/db_grid.h"
#include "grid/inplace_edit.h"
#include "grid/inplace_filter_edit.h"
#include "grid/popup_data_grid.h"
#include "grid/selected_rows.h"
#include "grid_test_support.h"
#include "platform/base/number_format.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/hint_window.h"
#include "platform/gui/tests/gui_test_support.h"
#include "tree_data_set.h"

namespace {

// A grid whose columns a test can move as the user's drag does.
class MovableGrid : public TDBGridEh {
  MEBRATH_CLASS(MovableGrid, TDBGridEh)
 public:
  using TCustomGrid::MoveColumn;

 protected:
  explicit MovableGrid(TComponent* owner) : TDBGridEh(owner) {}
};

// Five records r1..r5 numbered 1..5 and columns NAME, NUM, AMT and WHO (a
// name looked up by NUM).
class GridStateTest : public GuiTest {
 protected:
  GridStateTest() {
    Names = CreateUnique<TmemDs>();
    AddTestField<TIntegerField>(Names.get(), "CODE");
    AddTestField<TStringField>(Names.get(), "TITLE", 20);
    Names->Open();
    for (const auto& [code, title] : std::vector<std::pair<int, std::string>>{
             {1, "Иванова"}, {2, "Петрова"}, {3, "Сидорова"}}) {
      Names->Append();
      Names->FieldByName("CODE")->SetAsInteger(code);
      Names->FieldByName("TITLE")->SetAsString(title);
      Names->Post();
    }
    Who = Create<TStringField>(T.ds.get());
    Who->SetFieldName("WHO");
    Who->SetSize(20);
    Who->SetFieldKind(fkLookup);
    Who->SetLookupDataSet(Names.get());
    Who->SetKeyFields("NUM");
    Who->SetLookupKeyFields("CODE");
    Who->SetLookupResultField("TITLE");
    Who->SetDataSet(T.ds.get());
    T.ds->Open();
    for (int i = 1; i <= 5; ++i) T.Add("r" + std::to_string(i), i, i * 1.5);
    T.ds->First();
    Source = CreateUnique<TDataSource>();
    Source->SetDataSet(T.ds.get());
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<MovableGrid>(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetBounds(0, 0, 600, 300);
    for (const char* name : {"NAME", "NUM", "AMT", "WHO"})
      Grid->Columns()->Add()->SetFieldName(name);
    Grid->SetDataSource(Source.get());
    Form->Show();
    Form->SetActiveControl(Grid);
    Grid->SetFocus();
  }
  ~GridStateTest() override {
    Form->Free();
    Source.reset();
  }
  TColumnEh* Col(int i) { return Grid->Columns()->Items(i); }
  int Raw(int dataCol) { return Grid->DataToRawColumn(dataCol); }
  std::vector<TCanvasRecord> Paint() {
    Grid->Invalidate();
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    return canvas.TakeRecords();
  }
  static TColor FillAt(const std::vector<TCanvasRecord>& records, const TRect& r) {
    TColor found = clNone;
    for (const TCanvasRecord& rec : records)
      if (rec.Kind == TRecordKind::FillRect && rec.Rect == r) found = rec.Color;
    return found;
  }
  static std::vector<TCanvasRecord> TextsIn(const std::vector<TCanvasRecord>& records,
                                            const TRect& r) {
    std::vector<TCanvasRecord> out;
    for (const TCanvasRecord& rec : records)
      if (rec.Kind == TRecordKind::Text && rec.Rect.Left >= r.Left && rec.Rect.Left < r.Right &&
          rec.Rect.Top >= r.Top && rec.Rect.Top < r.Bottom)
        out.push_back(rec);
    return out;
  }
  void Click(TPoint p) {
    Advance(1000);
    const TPoint at = Form->ScreenToClient(Grid->ClientToScreen(p));
    HostMouseEvent(Form->Handle(), WM_LBUTTONDOWN, at, MK_LBUTTON);
    HostMouseEvent(Form->Handle(), WM_LBUTTONUP, at, 0);
    Application->ProcessMessages();
  }
  TPoint Center(int col, int row) {
    const TRect r = Grid->CellRect(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(Grid->InplaceEditor()); }
  bool EditorShows() { return Editor() != nullptr && Editor()->Visible(); }
  TDBGridOptions Without(TDBGridOption option) {
    TDBGridOptions options = Grid->Options();
    options -= TDBGridOptions{option};
    return options;
  }

  TObjectPtr<TmemDs> Names;
  TTestTable T;
  TStringField* Who = nullptr;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  MovableGrid* Grid = nullptr;
};

// ---- state kept right

TEST_F(GridStateTest, AHiddenCurrentColumnHandsTheCellToTheFirstVisibleOne) {
  struct Case {
    int Current, Hidden, Expected;
  } cases[] = {{2, 2, 0}, {0, 0, 1}, {3, 1, 3}};
  for (const Case& c : cases) {
    for (int i = 0; i < Grid->Columns()->Count(); ++i) Col(i)->SetVisible(true);
    Grid->SetSelectedIndex(c.Current);
    Col(c.Hidden)->SetVisible(false);
    EXPECT_EQ(Grid->SelectedIndex(), c.Expected) << c.Current << " " << c.Hidden;
  }
}

TEST_F(GridStateTest, AChangedColumnWritesItsTabStop) {
  ASSERT_TRUE(Grid->TabStops(Raw(1)));
  Col(1)->SetReadOnly(true);
  EXPECT_FALSE(Grid->TabStops(Raw(1)));
  Col(1)->SetReadOnly(false);
  EXPECT_TRUE(Grid->TabStops(Raw(1)));
}

TEST_F(GridStateTest, ALookupIsReachedByTabOnlyThroughWritableKeys) {
  EXPECT_TRUE(Grid->TabStops(Raw(3)));
  T.num->SetReadOnly(true);
  Grid->RequestLayout();
  EXPECT_FALSE(Grid->TabStops(Raw(3))) << "its only key is read-only";
  T.num->SetReadOnly(false);
  Grid->RequestLayout();
  EXPECT_TRUE(Grid->TabStops(Raw(3)));
}

TEST_F(GridStateTest, DroppingMultiSelectDropsTheSelection) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  ASSERT_EQ(Grid->SelectionType(), gstRecordBookmarks);
  Grid->SetOptions(Without(dgMultiSelect));
  EXPECT_EQ(Grid->SelectedRows()->Count(), 0);
  EXPECT_EQ(Grid->SelectionType(), gstNon);
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  Grid->Selection()->SelectAll();
  Grid->SetOptions(Without(dgMultiSelect));
  EXPECT_EQ(Grid->SelectionType(), gstNon);
}

TEST_F(GridStateTest, ASelectionThatAKeyWouldClearKeepsTheEditorAway) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  Grid->SetSelectedIndex(0);
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  Grid->SetEditorMode(true);
  EXPECT_FALSE(EditorShows()) << "a selection of records";
  Grid->SelectedRows()->Clear();
  Grid->SetEditorMode(true);
  EXPECT_TRUE(EditorShows());
  Grid->SetEditorMode(false);
  // Without rectangles to select a selection does not stand in the way.
  Grid->SelectedRows()->SetCurrentRowSelected(true);
  Grid->SetAllowedSelections({gstRecordBookmarks, gstAll});
  Grid->SetEditorMode(true);
  EXPECT_TRUE(EditorShows());
}

// ---- drawing

TEST_F(GridStateTest, FootersFollowTheColumnsLayoutAndWrapOnlyOnTallRows) {
  Grid->SetFooterRowCount(1);
  Col(0)->Footer()->SetValueType(fvtStaticText);
  Col(0)->Footer()->SetValue("всего записей");
  Col(0)->Footer()->SetWordWrap(true);
  Col(0)->SetWidth(50);
  Col(1)->Footer()->SetValueType(fvtSum);
  Grid->SumList()->SetActive(true);
  auto footer = [&](int dataCol) {
    return TextsIn(Paint(), Grid->CellRect(Raw(dataCol), Grid->RowCount() - 1));
  };
  EXPECT_EQ(footer(0).size(), 1u) << "one line in a single-line row";
  Grid->SetRowLines(3);
  EXPECT_EQ(footer(0).size(), 2u) << "wrapped in a tall row";
  const TRect cell = Grid->CellRect(Raw(1), Grid->RowCount() - 1);
  std::vector<TCanvasRecord> sum = footer(1);
  ASSERT_EQ(sum.size(), 1u);
  EXPECT_EQ(sum[0].Text, "15");
  EXPECT_EQ(sum[0].Rect.Top, cell.Top + 2);
  Col(1)->SetLayout(tlBottom);
  sum = footer(1);
  ASSERT_EQ(sum.size(), 1u);
  EXPECT_GT(sum[0].Rect.Top, cell.Top + cell.Height() / 2) << "at the bottom";
}

TEST_F(GridStateTest, ASelectedColumnAndASelectAllLightTheRowsWithoutData) {
  Grid->SetFooterRowCount(1);
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  Col(1)->Footer()->SetValueType(fvtSum);
  Grid->SumList()->SetActive(true);
  const int filler = Grid->RowCount() - 2;
  const int footer = Grid->RowCount() - 1;
  ASSERT_GT(Grid->RowHeights(filler), 0);
  Grid->Selection()->Columns().Select(Col(1), false);
  std::vector<TCanvasRecord> records = Paint();
  const TColor lit = FillAt(records, Grid->CellRect(Raw(1), filler));
  EXPECT_NE(lit, Grid->Color());
  EXPECT_EQ(FillAt(records, Grid->CellRect(Raw(1), 0)), RGB(64, 64, 64)) << "title";
  EXPECT_EQ(FillAt(records, Grid->CellRect(Raw(1), footer)), lit);
  EXPECT_EQ(FillAt(records, Grid->CellRect(Raw(0), filler)), Grid->Color());
  EXPECT_EQ(FillAt(records, Grid->CellRect(0, filler)), Grid->Color());
  Grid->Selection()->SelectAll();
  records = Paint();
  EXPECT_EQ(FillAt(records, Grid->CellRect(Raw(0), filler)), lit);
  EXPECT_EQ(FillAt(records, Grid->CellRect(0, filler)), lit) << "indicator";
  EXPECT_EQ(FillAt(records, Grid->CellRect(Raw(1), 0)), Col(1)->Title()->Color())
      << "titles show a column selection only";
}

TEST_F(GridStateTest, ABcdFooterFollowsTheFieldsCurrencyFlag) {
  auto ds = CreateUnique<TmemDs>();
  TBCDField* money = AddTestField<TBCDField>(ds.get(), "MONEY");
  ds->Open();
  for (double v : {1.25, 2.5}) {
    ds->Append();
    money->SetAsFloat(v);
    ds->Post();
  }
  Source->SetDataSet(ds.get());
  Grid->Columns()->Clear();
  TColumnEh* column = Grid->Columns()->Add();
  column->SetFieldName("MONEY");
  Grid->SetFooterRowCount(1);
  column->Footer()->SetValueType(fvtSum);
  Grid->SumList()->SetActive(true);
  EXPECT_EQ(Grid->GetFooterValue(0, column), "3.75");
  money->SetCurrency(true);
  const std::string money375 =
      CurrToStrF(Currency(3.75), ffCurrency, FormatSettings.CurrencyDecimals);
  ASSERT_NE(money375, "3.75");
  EXPECT_EQ(Grid->GetFooterValue(0, column), money375);
  column->Footer()->SetDisplayFormat("0.0");
  EXPECT_EQ(Grid->GetFooterValue(0, column), "3.8");
  Source->SetDataSet(T.ds.get());
}

TEST_F(GridStateTest, TipsShowInTheToolTipWindowInTheWindowTextColour) {
  Col(0)->SetToolTips(true);
  Col(0)->SetWidth(8);
  Col(0)->Font()->SetColor(clRed);
  const TRect r = Grid->CellRect(Raw(0), Grid->TitleOffset());
  THintInfo info;
  info.CursorPos = {r.Left + 2, r.Top + 2};
  Grid->Perform(CM_HINTSHOW, 0, AsParam(&info));
  ASSERT_EQ(info.HintStr, "r1");
  ASSERT_TRUE(info.HintWindowClass);
  THintWindow* window = info.HintWindowClass(Form);
  EXPECT_NE(dynamic_cast<TToolTipsWindow*>(window), nullptr);
  window->CalcHintRect(300, info.HintStr, info.HintData);
  EXPECT_EQ(window->Font()->Color(), clWindowText);
  EXPECT_EQ(window->Font()->Name(), Col(0)->Font()->Name());
  window->Free();
}

// ---- events for programs

TEST_F(GridStateTest, AProgramDecidesWhichTitlesActAsButtons) {
  Col(1)->Title()->SetTitleButton(true);
  Grid->OnSortMarkingChanged = [](TObject*) {};
  std::vector<int> asked;
  Grid->OnCheckButton = [&](TObject* sender, int dataCol, TColumnEh* column, bool& enabled) {
    EXPECT_EQ(sender, Grid);
    EXPECT_EQ(column, Col(dataCol));
    asked.push_back(dataCol);
    enabled = dataCol == 2;
  };
  std::vector<std::string> pressed;
  Grid->OnTitleBtnClick = [&](TObject*, TColumnEh* column) {
    pressed.push_back(column->FieldName());
  };
  Click(Center(Raw(1), 0));
  Click(Center(Raw(2), 0));
  EXPECT_EQ(asked, (std::vector<int>{1, 2}));
  EXPECT_EQ(pressed, std::vector<std::string>{"AMT"});
  for (int outside : {-1, Grid->Columns()->Count()}) {
    bool enabled = true;
    Grid->CheckTitleButton(outside, enabled);
    EXPECT_FALSE(enabled) << outside;
  }
}

TEST_F(GridStateTest, TheEllipsisReachesTheGridUnlessTheColumnHandlesIt) {
  Col(0)->SetButtonStyle(cbsEllipsis);
  int gridClicks = 0;
  Grid->OnEditButtonClick = [&](TObject* sender) {
    EXPECT_EQ(sender, Grid);
    ++gridClicks;
  };
  Grid->SetSelectedIndex(0);
  Grid->SetEditorMode(true);
  ASSERT_TRUE(EditorShows());
  TEditButtonControlEh* button = Editor()->ButtonControl(0);
  button->OnClick(button);
  EXPECT_EQ(gridClicks, 1);
  Col(0)->OnEditButtonClick = [](TObject*, bool& handled) { handled = true; };
  button->OnClick(button);
  EXPECT_EQ(gridClicks, 1);
}

TEST_F(GridStateTest, TheDropDownGridGetsTheEventsOfItsColumn) {
  int cells = 0;
  Col(3)->OnDropDownBoxGetCellParams = [&](TObject* sender, TColumnEh*, TFont*, TColor&,
                                           TGridDrawState) {
    EXPECT_EQ(sender, Editor()->DataList());
    ++cells;
  };
  Col(3)->OnDropDownBoxCheckButton = [](TObject*, int, TColumnEh*, bool& enabled) {
    enabled = false;
  };
  Grid->SetSelectedIndex(3);
  Grid->SetEditorMode(true);
  ASSERT_TRUE(EditorShows());
  Editor()->DropDown();
  TPopupDataGridEh* list = Editor()->DataList();
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(list->Visible());
  TRecordingCanvas canvas;
  PaintTopLevel(list->Handle(), canvas, {});
  EXPECT_GT(cells, 0);
  bool enabled = true;
  list->CheckTitleButton(0, enabled);
  EXPECT_FALSE(enabled);
  Editor()->CloseUp(false);
  // Another column's list has none of them.
  Col(3)->OnDropDownBoxGetCellParams = nullptr;
  Editor()->DropDown();
  EXPECT_FALSE(Editor()->DataList()->OnGetCellParams);
  Editor()->CloseUp(false);
}

TEST_F(GridStateTest, AMovedColumnIsReportedByItsDataIndexAndTakesItsFilterAlong) {
  std::vector<std::pair<int, int>> moves;
  Grid->OnColumnMoved = [&](TObject*, int from, int to) { moves.push_back({from, to}); };
  Grid->STFilter()->SetVisible(true);
  Grid->StartEditFilter(0);
  ASSERT_TRUE(Grid->FilterEdit()->Visible());
  Grid->MoveColumn(Raw(0), Raw(2));
  EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{0, 2}}));
  EXPECT_EQ(Col(2)->FieldName(), "NAME");
  EXPECT_EQ(Grid->FilterCol(), 2);
  const TRect cell = Grid->CellRect(Raw(2), 1);
  EXPECT_EQ(Grid->FilterEdit()->Left(), cell.Left);
}

TEST_F(GridStateTest, SteppingALookupSetsItsOwnText) {
  std::vector<std::string> seen;
  Who->OnChange = [&](TField* field) { seen.push_back(field->AsString()); };
  T.ds->First();
  ASSERT_EQ(Who->AsString(), "Иванова");
  Col(3)->SetNextValue(1);
  EXPECT_EQ(T.num->AsInteger(), 2);
  EXPECT_EQ(seen, std::vector<std::string>{"Петрова"});
  Col(3)->SetNextValue(-1);
  EXPECT_EQ(Who->AsString(), "Иванова");
  T.ds->Cancel();
}

// ---- row-per-record mode

class RowPerRecordTest : public GuiTest {
 protected:
  RowPerRecordTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(0, 0, 600, 300);
    Ds = CreateUnique<TTreeTestDataSet>();
    Source = CreateUnique<TDataSource>();
  }
  ~RowPerRecordTest() override {
    Form->Free();
    Source.reset();
    Ds.reset();
  }
  void Open(const std::vector<std::pair<std::string, int>>& outline, bool tree) {
    Ds->ShowTree = tree;
    Ds->SetOutline(outline, true);
    Ds->Open();
    Source->SetDataSet(Ds.get());
    Grid->SetDataSource(Source.get());
    Form->Show();
    Grid->SetFocus();
  }
  void Wheel(bool down, unsigned keys = 0) {
    const TPoint at = Grid->ClientToScreen({50, 50});
    Grid->Perform(WM_MOUSEWHEEL, MakeWParam(keys, static_cast<unsigned>(down ? -120 : 120)),
                  MakeLParam(at.X, at.Y));
  }

  TObjectPtr<TTreeTestDataSet> Ds;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

std::vector<std::pair<std::string, int>> FlatOutline(int count) {
  std::vector<std::pair<std::string, int>> outline;
  for (int i = 1; i <= count; ++i) outline.push_back({"R" + std::to_string(i), 1});
  return outline;
}

TEST_F(RowPerRecordTest, TheWheelAsksTheProgramFirst) {
  Open(FlatOutline(100), false);
  ASSERT_TRUE(Grid->RowPerRecordMode());
  const int top = Grid->TopRow();
  std::vector<std::string> heard;
  bool handle = true;
  auto listen = [&](const char* name) {
    return [&, name](TObject* sender, TShiftState shift, TPoint, bool& handled) {
      EXPECT_EQ(sender, Grid);
      heard.push_back(std::string(name) + (shift.Contains(ssCtrl) ? "+ctrl" : ""));
      handled = handle;
    };
  };
  Grid->OnMouseWheelDown = listen("down");
  Grid->OnMouseWheelUp = listen("up");
  Wheel(true);
  Wheel(false, MK_CONTROL);
  EXPECT_EQ(heard, (std::vector<std::string>{"down", "up+ctrl"}));
  EXPECT_EQ(Grid->TopRow(), top) << "handled: nothing scrolls";
  handle = false;
  Wheel(true);
  EXPECT_EQ(Grid->TopRow(), top + 1);
  // Outside the mode the wheel moves the record without asking.
  Grid->SetFooterRowCount(1);
  ASSERT_FALSE(Grid->RowPerRecordMode());
  heard.clear();
  Wheel(true);
  EXPECT_TRUE(heard.empty());
}

TEST_F(RowPerRecordTest, APositionIsTheCurrentRecordAlone) {
  Open(FlatOutline(100), false);
  // Footers shown once leave the link a buffer of many records.
  Grid->SetFooterRowCount(1);
  Grid->SetFooterRowCount(0);
  ASSERT_TRUE(Grid->RowPerRecordMode());
  Ds->MoveBy(40);
  ASSERT_GT(Grid->DataLink()->RecordCount(), 1);
  const std::string saved = Ds->FieldByName("NAME")->AsString();
  Grid->SaveGridPosition();
  Ds->First();
  std::vector<std::string> visited;
  Ds->AfterScroll = [&](TDataSet* ds) { visited.push_back(ds->FieldByName("NAME")->AsString()); };
  Grid->RestoreGridPosition();
  EXPECT_EQ(visited, std::vector<std::string>{saved});
}

TEST_F(RowPerRecordTest, ACutTipLeavesTheTreeIndentOut) {
  Open({{"A", 1}, {"A1", 2}, {"A11", 3}}, true);
  TColumnEh* name = Grid->Columns()->Items(0);
  name->SetToolTips(true);
  // "A11" fits the cell, not the cell less three levels of indent.
  name->SetWidth(60);
  const TRect r = Grid->CellRect(Grid->IndicatorOffset(), Grid->TitleOffset() + 2);
  THintInfo info;
  info.CursorPos = {r.Left + 2, r.Top + 2};
  Grid->Perform(CM_HINTSHOW, 0, AsParam(&info));
  EXPECT_EQ(info.HintStr, "A11");
}

}  // namespace
