// Column filters over a lookup column and a list dataset, and the grid's
// filter row: its cells, editor, drop-down items, applying and drawing;
// the grid's edit actions and its saved position.
#include "grid/column_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/db_grid.h"
#include "grid/grid_style.h"
#include "grid/inplace_filter_edit.h"
#include "grid_test_support.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/data/data_source.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/tests/gui_test_support.h"
#include "storage/dbf_table.h"

namespace {

// A list of cities (ID, TITLE) and a register whose CITY shows the title
// of its CODE.
struct TLookupTables {
  TLookupTables() {
    FormatSettings.DecimalSeparator = '.';
    list = CreateUnique<TTestMemDs>();
    id = AddTestField<TIntegerField>(list.get(), "ID");
    title = AddTestField<TStringField>(list.get(), "TITLE", 20);
    list->Open();
    for (auto [i, t] : std::vector<std::pair<int, std::string>>{{1, "Минск"}, {2, "Гомель"}}) {
      list->Append();
      id->SetAsInteger(i);
      title->SetAsString(t);
      list->Post();
    }
    main = CreateUnique<TTestMemDs>();
    name = AddTestField<TStringField>(main.get(), "NAME", 10);
    code = AddTestField<TIntegerField>(main.get(), "CODE");
    amount = AddTestField<TFloatField>(main.get(), "AMOUNT");
    city = AddTestField<TStringField>(main.get(), "CITY", 20);
    city->SetFieldKind(fkLookup);
    city->SetKeyFields("CODE");
    city->SetLookupDataSet(list.get());
    city->SetLookupKeyFields("ID");
    city->SetLookupResultField("TITLE");
    main->Open();
    for (int i = 1; i <= 4; ++i) {
      main->Append();
      name->SetAsString("n" + std::to_string(i));
      code->SetAsInteger(i % 2 + 1);
      amount->SetAsFloat(i * 1.5);
      main->Post();
    }
    main->First();
    listSource = CreateUnique<TDataSource>();
    listSource->SetDataSet(list.get());
    source = CreateUnique<TDataSource>();
    source->SetDataSet(main.get());
  }
  TObjectPtr<TTestMemDs> list;
  TIntegerField* id;
  TStringField* title;
  TObjectPtr<TTestMemDs> main;
  TStringField* name;
  TIntegerField* code;
  TFloatField* amount;
  TStringField* city;
  TObjectPtr<TDataSource> listSource;
  TObjectPtr<TDataSource> source;
};

class ColumnFilterTest : public GuiTest {
 protected:
  ColumnFilterTest() {
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 400);
    Grid = Create<TDBGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(bsNone);
    Grid->SetScrollBars(ssNone);
    Grid->SetBounds(0, 0, 600, 300);
    for (const char* f : {"NAME", "CODE", "AMOUNT", "CITY"}) {
      TColumnEh* c = Grid->Columns()->Add();
      c->SetFieldName(f);
      c->SetWidth(100);
    }
    Grid->SetDataSource(D.source.get());
    Form->Show();
    Grid->SetFocus();
  }
  ~ColumnFilterTest() override { Form->Free(); }
  TSTColumnFilterEh* Filter(int col) { return Grid->Columns()->Items(col)->STFilter(); }
  void AltDown() {
    Grid->FilterEdit()->Perform(WM_KEYDOWN, VK_DOWN, kKeyDataAltDown);
    Application->ProcessMessages();
  }
  std::vector<TCanvasRecord> Paint() {
    TRecordingCanvas canvas;
    PaintTopLevel(Form->Handle(), canvas, {});
    return canvas.TakeRecords();
  }

  TLookupTables D;
  TForm* Form = nullptr;
  TDBGridEh* Grid = nullptr;
};

std::string Operand(const Variant& v) {
  if (VarIsEmpty(v)) return "unassigned";
  if (VarIsNull(v)) return "null";
  if (!VarIsArray(v)) return VarToStr(v);
  std::string out;
  for (int i = VarArrayLowBound(v); i <= VarArrayHighBound(v); ++i)
    out += (out.empty() ? "" : "|") + VarToStr(VarArrayGet(v, i));
  return out;
}

TEST_F(ColumnFilterTest, TextsBecomeExpressionsAndKeys) {
  struct Case {
    int col;
    const char* text;
    int op;
    const char* operand1;  // GetOperand1
    const char* asText;
  } cases[] = {
      // The lookup column: display texts become keys of the list.
      {3, "=Null", fokIsNullEh, "unassigned", "=Null"},  // no lookup made
      {3, "<>Null", fokIsNotNullEh, "unassigned", "<>Null"},
      {3, "Гомель", fokInEh, "2", "In ('Гомель')"},
      {3, "Брест", fokIsNullEh, "null", "=Null"},  // not in the list
      {3, "", fokNoneEh, "unassigned", ""},
      // Strings are quoted, numbers are not.
      {0, "1,2", fokInEh, "1|2", "In ('1','2')"},
      {0, "n1", fokLikeEh, "n1", "~ 'n1'"},
      {2, "1.5,2", fokInEh, "1.5|2", "In (1.5,2)"},
      {2, ">= 1.5 AND < 3", fokGreaterOrEqualEh, "1.5", ">= 1.5 AND < 3"},
      {1, "2", fokEqualEh, "2", "= 2"},
  };
  for (const Case& c : cases) {
    TSTColumnFilterEh* f = Filter(c.col);
    f->SetExpressionStr(c.text);
    EXPECT_EQ(f->Expression().Operator1, c.op) << c.text;
    EXPECT_EQ(Operand(f->GetOperand1()), c.operand1) << c.text;
    EXPECT_EQ(f->GetExpressionAsText(), c.asText) << c.text;
    EXPECT_EQ(f->ExpressionStr(), c.text);
    EXPECT_EQ(Grid->GetFilterValue(c.col), c.text);
  }
  EXPECT_EQ(Filter(3)->GetDataField(), "CODE") << "a lookup filters on its key";
  EXPECT_EQ(Filter(0)->GetDataField(), "NAME");
}

TEST_F(ColumnFilterTest, AListSourceGivesKeysValuesAndAValueList) {
  TSTColumnFilterEh* f = Filter(1);
  f->SetKeyField("ID");
  f->SetListField("TITLE");
  EXPECT_FALSE(f->CanShowValueList());
  f->SetListSource(D.listSource.get());
  EXPECT_TRUE(f->CanShowValueList());
  EXPECT_EQ(f->ListValues()->CommaText(), "Минск,Гомель");
  EXPECT_EQ(f->KeyValues()->CommaText(), "1,2");
  f->SetExpressionStr("Минск");
  EXPECT_EQ(Operand(f->KeyValue()), "1");
  EXPECT_EQ(f->GetExpressionAsText(), "Минск") << "the operand itself";
  ASSERT_NE(f->GetValueList(), nullptr);
  EXPECT_EQ(f->GetValueList()->Values()->CommaText(), "Гомель,Минск");
  // Appending to the list reloads it; closing it empties the lists.
  D.list->Append();
  D.id->SetAsInteger(3);
  D.title->SetAsString("Брест");
  D.list->Post();
  EXPECT_EQ(f->ListValues()->Count(), 3);
  D.list->Close();
  EXPECT_EQ(f->ListValues()->Count(), 0);
  EXPECT_EQ(f->GetValueList(), nullptr);
  D.listSource.reset();
  EXPECT_EQ(f->ListSource(), nullptr);
}

TEST_F(ColumnFilterTest, OperandTexts) {
  EXPECT_EQ(FilterOperatorWithOperandText(fokNotInEh, VarArrayOf({1.0, "a"})), "!In (1,'a')");
  EXPECT_EQ(FilterOperatorWithOperandText(fokInEh, Variant("x")), "In ('x')");
  EXPECT_EQ(FilterOperatorWithOperandText(fokLessThanEh, Variant(0.25)), "< 0.25");
  EXPECT_EQ(FilterValueText(Variant::FromDateTime(EncodeDate(2024, 3, 1))), "01.03.2024");
  EXPECT_EQ(FilterValueText(Variant(7)), "'7'");
}

// ---- the filter row

TEST_F(ColumnFilterTest, TheFilterRowIsASubTitleRow) {
  struct Case {
    bool titles;
    int row;
    TCellRowPartEh part;
    int index;
  } cases[] = {
      {true, 0, crpTitleEh, 0},     {true, 1, crpSubTitleEh, 0}, {true, 2, crpDataEh, 0},
      {false, 0, crpSubTitleEh, 0}, {false, 1, crpDataEh, 0},
  };
  Grid->STFilter()->SetVisible(true);
  for (const Case& c : cases) {
    Grid->SetOptions(c.titles ? Grid->Options() + TDBGridOptions{dgTitles}
                              : Grid->Options() - TDBGridOptions{dgTitles});
    TCellColPartEh cp;
    TCellRowPartEh rp;
    int ci, ri;
    Grid->GetCellType(1, c.row, cp, rp, ci, ri);
    EXPECT_EQ(rp, c.part) << c.titles << " " << c.row;
    EXPECT_EQ(ri, c.index) << c.titles << " " << c.row;
  }
}

TEST_F(ColumnFilterTest, ShowingTheRowKeepsTheRecordsInPlace) {
  D.main->MoveBy(1);
  EXPECT_EQ(Grid->Row(), 2);
  Grid->STFilter()->SetVisible(true);
  EXPECT_EQ(Grid->Row(), 3);
  EXPECT_EQ(D.main->RecNo(), 2);
  Grid->STFilter()->SetVisible(false);
  EXPECT_EQ(Grid->Row(), 2);
  TSTDBGridEhFilter copy(nullptr);
  copy.SetLocal(true);
  copy.SetVisible(true);
  Grid->STFilter()->Assign(&copy);
  EXPECT_TRUE(Grid->STFilter()->Visible());
  EXPECT_TRUE(Grid->STFilter()->Local());
}

TEST_F(ColumnFilterTest, TypedTextIsParsedOnceWhenApplied) {
  int applied = 0;
  Grid->OnApplyFilter = [&](TObject*) { ++applied; };
  Grid->STFilter()->SetVisible(true);
  Grid->StartEditFilter(2);
  ASSERT_NE(Grid->FilterEdit(), nullptr);
  EXPECT_TRUE(Grid->FilterEdit()->Visible());
  // Every keystroke of a condition is stored, none is an error.
  TypeText("in (1.");
  EXPECT_EQ(Filter(2)->ExpressionStr(), "in (1.");
  EXPECT_TRUE(Filter(2)->TextPending());
  EXPECT_EQ(Filter(2)->Expression().Operator1, fokNoneEh);
  PressKey(VK_RETURN);
  EXPECT_EQ(Boxes, std::vector<std::string>{"Test: ')' expected: in (1."}) << "shown once";
  EXPECT_EQ(applied, 0);
  EXPECT_EQ(Filter(2)->ExpressionStr(), "in (1.") << "the text is kept";
  EXPECT_EQ(Grid->FilterEdit()->Text(), "in (1.");
  TypeText("5)");
  PressKey(VK_RETURN);
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(Filter(2)->Expression().Operator1, fokInEh);
  EXPECT_EQ(Operand(Filter(2)->Expression().Operand1), "1.5");
  // A text typed in another cell and left unapplied is applied with the
  // rest.
  Grid->StartEditFilter(1);
  TypeText("> 1");
  Grid->StartEditFilter(0);
  Grid->ApplyFilter();
  EXPECT_EQ(Filter(1)->Expression().Operator1, fokGreaterThanEh);
  EXPECT_EQ(applied, 2);
}

TEST_F(ColumnFilterTest, KeysMoveBetweenFilterCells) {
  Grid->STFilter()->SetVisible(true);
  Filter(2)->SetVisible(false);
  Grid->StartEditFilter(0);
  struct Step {
    unsigned key;
    TShiftState shift;
    int col;
  } steps[] = {
      {VK_TAB, {}, 1},        {VK_TAB, {}, 3},    // the hidden filter is skipped
      {VK_TAB, {}, 0},                            // once round from the first
      {VK_TAB, {ssShift}, 3}, {VK_RIGHT, {}, 0},  // empty text: caret at the end
      {VK_LEFT, {}, 3},
  };
  for (const Step& s : steps) {
    PressKey(s.key, s.shift);
    EXPECT_EQ(Grid->FilterCol(), s.col);
  }
  TypeText("ab");
  PressKey(VK_RIGHT);
  EXPECT_EQ(Grid->FilterCol(), 0);
  PressKey(VK_LEFT);
  EXPECT_EQ(Grid->FilterCol(), 3) << "the caret was at the end";
  PressKey(VK_RIGHT, {ssCtrl});
  EXPECT_EQ(Grid->FilterCol(), 0);
  PressKey(VK_DOWN);
  EXPECT_FALSE(Grid->FilterEditMode());
  EXPECT_FALSE(Grid->FilterEdit()->Visible());
  // Up from the first record comes back, to the current column.
  Grid->SetSelectedIndex(1);
  PressKey(VK_UP);
  EXPECT_TRUE(Grid->FilterEditMode());
  EXPECT_EQ(Grid->FilterCol(), 1);
}

TEST_F(ColumnFilterTest, DropDownItemsAndTheirCodes) {
  int applied = 0;
  Grid->OnApplyFilter = [&](TObject*) { ++applied; };
  Grid->STFilter()->SetVisible(true);
  TSTColumnFilterEh* f = Filter(3);
  f->SetListSource(D.listSource.get());
  f->SetListField("TITLE");
  Grid->StartEditFilter(3);
  TInplaceFilterEditEh* editor = Grid->FilterEdit();
  EXPECT_TRUE(editor->EditButton()->Visible());
  EXPECT_EQ(editor->DropDownBox()->Rows(), 17);
  EXPECT_EQ(editor->DropDownBox()->Width(), 100);
  AltDown();
  ASSERT_TRUE(editor->ListVisible());
  EXPECT_EQ(editor->Items()->CommaText(),
            "Гомель,Минск,(Пустые),\"(Не пустые)\",(Все),\"(Очистить фильтр)\"");
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(editor->ListVisible());
  // Sort items only for title buttons with automatic sort marking.
  Grid->Columns()->Items(3)->Title()->SetTitleButton(true);
  Grid->SetOptionsEh(Grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  AltDown();
  EXPECT_EQ(editor->Items()->Count(), 2 + 7);
  EXPECT_EQ(editor->Items()->Strings(8), "(Сортировка по возрастанию)");
  // Choosing "(Пустые)" closes the list with "=Null", applied at once
  // with the style's apply-on-pick.
  editor->PopupList()->SetItemIndex(2);
  PressKey(VK_RETURN);
  EXPECT_EQ(editor->Text(), "=Null");
  EXPECT_EQ(f->Expression().Operator1, fokIsNullEh);
  EXPECT_EQ(applied, 1);

  struct Case {
    int code;
    bool applyOnPick;
    const char* text;  // the editor's
    int applied;       // more applications
  } cases[] = {
      {2, false, "<>Null", 0}, {3, false, "", 0}, {1, true, "=Null", 1},
      {3, true, "", 1},        {5, true, "", 0},  {99, true, "", 0},
  };
  for (const Case& c : cases) {
    Grid->Style()->SetApplyOnPick(c.applyOnPick);
    applied = 0;
    Grid->FilterEditItemChosen(c.code);
    EXPECT_EQ(editor->Text(), c.text) << c.code;
    EXPECT_EQ(applied, c.applied) << c.code;
  }
  Grid->Style()->SetApplyOnPick(true);
  // The sort items mark this column alone.
  int sorts = 0;
  Grid->OnSortMarkingChanged = [&](TObject*) { ++sorts; };
  Grid->Columns()->Items(0)->Title()->SetSortMarker(smUpEh);
  Grid->FilterEditItemChosen(6);
  EXPECT_EQ(Grid->Columns()->Items(0)->Title()->SortMarker(), smNoneEh);
  EXPECT_EQ(Grid->Columns()->Items(3)->Title()->SortMarker(), smDownEh);
  EXPECT_EQ(sorts, 1);
  // "(Очистить фильтр)" clears every filter, ends editing and applies.
  Filter(0)->SetExpressionStr("abc");
  Grid->StartEditFilter(3);
  applied = 0;
  Grid->FilterEditItemChosen(4);
  EXPECT_EQ(Filter(0)->ExpressionStr(), "");
  EXPECT_EQ(Filter(0)->Expression().Operator1, fokNoneEh);
  EXPECT_FALSE(Grid->FilterEditMode());
  EXPECT_EQ(applied, 1);
}

TEST_F(ColumnFilterTest, FilterCellsAreTintedAndBlue) {
  EXPECT_EQ(FilterRowTint(RGB(200, 100, 8)), RGB(225, 113, 9));
  EXPECT_EQ(FilterRowTint(RGB(240, 0, 255)), RGB(255, 0, 255));
  Grid->SetFixedColor(RGB(160, 160, 160));
  Grid->STFilter()->SetVisible(true);
  Filter(1)->SetExpressionStr("> 2");
  const TRect cell = Grid->CellRect(2, 1);
  bool text = false, fill = false;
  for (const TCanvasRecord& r : Paint()) {
    if (r.Kind == TRecordKind::Text && r.Text == "> 2") {
      text = true;
      EXPECT_EQ(r.Font.Color, clBlue);
    }
    if (r.Kind == TRecordKind::FillRect && r.Rect.Left == cell.Left && r.Rect.Top == cell.Top)
      fill = fill || r.Color == RGB(180, 180, 180);
  }
  EXPECT_TRUE(text);
  EXPECT_TRUE(fill);
}

TEST_F(ColumnFilterTest, AFilterEditorShowsItsOwnText) {
  Grid->STFilter()->SetVisible(true);
  Grid->StartEditFilter(0);
  TInplaceFilterEditEh* editor = Grid->FilterEdit();
  SetFilterEditValueAndText(editor, Variant(5), "> 4");
  EXPECT_EQ(editor->Text(), "> 4") << "not the value's text";
}

// ---- edit actions

TEST_F(ColumnFilterTest, EditActionsRunWhatIsAllowed) {
  Grid->SetOptions(Grid->Options() + TDBGridOptions{dgMultiSelect});
  auto* copy = Create<TDBGridEhEditActionEh>(Form);
  copy->SetEditAction(geaCopyEh);
  auto* all = Create<TDBGridEhEditActionEh>(Form);
  all->SetEditAction(geaSelectAllEh);
  auto* plain = Create<TAction>(Form);
  EXPECT_FALSE(Grid->UpdateAction(all)) << "not one of the grid's edit actions";
  Grid->SetEditActions({geaCopyEh, geaSelectAllEh});
  EXPECT_FALSE(Grid->UpdateAction(plain));
  EXPECT_TRUE(Grid->UpdateAction(copy));
  EXPECT_FALSE(copy->Enabled()) << "nothing selected";
  EXPECT_FALSE(Grid->ExecuteAction(copy));
  EXPECT_TRUE(Grid->UpdateAction(all));
  EXPECT_TRUE(all->Enabled());
  EXPECT_TRUE(Grid->ExecuteAction(all));
  EXPECT_EQ(Grid->SelectionType(), gstAll);
  Grid->UpdateAction(copy);
  EXPECT_TRUE(copy->Enabled());
  // Only for the focused grid.
  auto* other = Create<TEdit>(Form);
  other->SetParent(Form);
  other->SetFocus();
  EXPECT_FALSE(Grid->UpdateAction(copy));
}

// ---- position

class GridPositionTest : public GuiTest {};

TEST_F(GridPositionTest, TheCurrentRecordStaysAroundAnOrderChange) {
  FormatSettings.DecimalSeparator = '.';
  TFileTestDir dir;
  auto table = CreateUnique<TmDbfTable>();
  table->SetTableName(dir.File("pos.dbf"));
  auto* n = Create<TIntegerField>(table.get());
  n->SetFieldName("N");
  n->SetOrigin("7.0");
  n->SetDataSet(table.get());
  table->CreateTable();
  table->Open();
  for (int i = 1; i <= 60; ++i) {
    table->Append();
    n->SetAsInteger(i);
    table->Post();
  }
  auto source = CreateUnique<TDataSource>();
  source->SetDataSet(table.get());
  TForm* form = Create<TForm>(nullptr);
  form->SetBounds(0, 0, 400, 300);
  TDBGridEh* grid = Create<TDBGridEh>(form);
  grid->SetParent(form);
  grid->SetBounds(0, 0, 300, 200);
  grid->SetDataSource(source.get());
  form->Show();
  table->SetRecNo(30);
  table->MoveBy(-3);
  const int row = grid->Row();
  grid->SaveGridPosition();
  table->First();
  grid->RestoreGridPosition();
  EXPECT_EQ(n->AsInteger(), 27);
  EXPECT_EQ(grid->Row(), row) << "on the same row";
  // A sort through the grid, as a title click makes it.
  grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
  grid->OnSortMarkingChanged = [&](TObject*) { table->SetOrder(n, true); };
  grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  grid->SaveGridPosition();
  grid->SortMarkingChanged();
  grid->RestoreGridPosition();
  EXPECT_EQ(n->AsInteger(), 27) << "the same record after a new order";
  EXPECT_EQ(grid->SelectedRows()->Count(), 0) << "positions in the old order are dropped";
  form->Free();
}

}  // namespace
