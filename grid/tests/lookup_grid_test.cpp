#include "grid/lookup_grid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/find_dialog.h"
#include "grid/inplace_edit.h"
#include "grid/popup_data_grid.h"
#include "grid_test_support.h"
#include "platform/data/data_source.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"

namespace {

TEST(LookupRulesTest, KeyValuesCompareByTheRuntimesRule) {
  struct Case {
    const char* what;
    Variant a, b;
    bool equal;
  };
  const Case cases[] = {
      {"null, null", Variant::Null(), Variant::Null(), true},
      {"unassigned, null", Variant(), Variant::Null(), false},
      {"unassigned, unassigned", Variant(), Variant(), true},
      {"null, 0", Variant::Null(), Variant(0), false},
      {"numbers", Variant(2), Variant(2.0), true},
      {"text and number", Variant("2"), Variant(2), true},
      {"texts", Variant("a"), Variant("A"), false},
      {"arrays", VarArrayOf({Variant(1), Variant("x")}), VarArrayOf({Variant(1), Variant("x")}),
       true},
      {"arrays differ", VarArrayOf({Variant(1), Variant("x")}),
       VarArrayOf({Variant(1), Variant("y")}), false},
      {"array lengths", VarArrayOf({Variant(1)}), VarArrayOf({Variant(1), Variant(2)}), false},
      {"array and plain", VarArrayOf({Variant(1)}), Variant(1), false},
      {"null inside arrays", VarArrayOf({Variant::Null()}), VarArrayOf({Variant::Null()}), true},
  };
  for (const Case& c : cases) EXPECT_EQ(LookupValuesEqualEh(c.a, c.b), c.equal) << c.what;
}

TEST(LookupRulesTest, TimerHeightAndScrollRules) {
  EXPECT_EQ(LookupGridTimerIntervalEh(1), 185u);
  EXPECT_EQ(LookupGridTimerIntervalEh(10), 50u);
  EXPECT_EQ(LookupGridTimerIntervalEh(13), 5u);
  EXPECT_EQ(LookupGridTimerIntervalEh(14), 10u) << "0 or less runs at 10 ms";
  EXPECT_EQ(LookupGridTimerIntervalEh(100), 10u);
  EXPECT_EQ(LookupGridTimerIntervalEh(12), 20u);

  TLookupGridMetricsEh m;
  m.TitleHeight = 20;
  m.LineWidth = 1;
  m.FrameHeight = 2;
  m.DataRowHeight = 17;
  m.SpecRowHeight = 17;
  EXPECT_EQ(LookupGridHeightForRows(m, 7), 20 + 2 + 7 * 17 + 17 + 1);
  EXPECT_EQ(LookupGridRowsForHeight(m, LookupGridHeightForRows(m, 7)), 7);
  EXPECT_EQ(LookupGridRowsForHeight(m, LookupGridHeightForRows(m, 7) + 15), 7) << "snaps down";
  EXPECT_EQ(LookupGridRowsForHeight(m, 10), 1) << "at least one row";

  struct ScrollCase {
    const char* what;
    TLookupScrollStateEh state;
    TVertScrollParamsEh expected;
  };
  auto state = [](bool active, bool sequenced, int count, int recNo, int active_, int visible,
                  int linkCount, bool bof, bool eof) {
    TLookupScrollStateEh s;
    s.LinkActive = active;
    s.Sequenced = sequenced;
    s.RecordCount = count;
    s.RecNo = recNo;
    s.ActiveRecord = active_;
    s.VisibleRows = visible;
    s.LinkRecordCount = linkCount;
    s.Bof = bof;
    s.Eof = eof;
    return s;
  };
  const ScrollCase cases[] = {
      {"inactive", state(false, false, 0, 0, 0, 0, 0, false, false), {0, 2, 0, 0}},
      {"sequenced", state(true, true, 100, 12, 3, 7, 7, false, false), {0, 99, 7, 8}},
      {"unnumbered full page, top", state(true, false, 0, 0, 0, 7, 7, true, false), {0, 4, 0, 0}},
      {"unnumbered full page, middle",
       state(true, false, 0, 0, 2, 7, 7, false, false),
       {0, 4, 0, 2}},
      {"unnumbered full page, end", state(true, false, 0, 0, 6, 7, 7, false, true), {0, 4, 0, 4}},
      {"unnumbered short list", state(true, false, 0, 0, 0, 7, 3, false, false), {0, 0, 0, 0}},
  };
  for (const ScrollCase& c : cases)
    EXPECT_EQ(LookupGridScrollParamsEh(c.state), c.expected) << c.what;
}

// A list of names by code, and a child table whose NAME is looked up by
// its ID.
class LookupGridTest : public GuiTest {
 protected:
  LookupGridTest() {
    List = CreateUnique<TmemDs>();
    AddTestField<TIntegerField>(List.get(), "CODE");
    AddTestField<TStringField>(List.get(), "TITLE", 40);
    List->Open();
    for (const auto& [code, title] : std::vector<std::pair<int, std::string>>{
             {1, "Иванова"}, {2, "Петрова"}, {3, "Петрухина"}, {4, "Сидорова"}, {5, "Яковлева"}}) {
      List->Append();
      List->FieldByName("CODE")->SetAsInteger(code);
      List->FieldByName("TITLE")->SetAsString(title);
      List->Post();
    }
    ListSource = CreateUnique<TDataSource>();
    ListSource->SetDataSet(List.get());
    Ds = CreateUnique<TmemDs>();
    Id = AddTestField<TIntegerField>(Ds.get(), "ID");
    Name = Create<TStringField>(Ds.get());
    Name->SetFieldName("NAME");
    Name->SetSize(20);
    Name->SetFieldKind(fkLookup);
    Name->SetLookupDataSet(List.get());
    Name->SetKeyFields("ID");
    Name->SetLookupKeyFields("CODE");
    Name->SetLookupResultField("TITLE");
    Name->SetDataSet(Ds.get());
    Ds->Open();
    for (int id : {2, 4}) {
      Ds->Append();
      Id->SetAsInteger(id);
      Ds->Post();
    }
    Ds->First();
    Source = CreateUnique<TDataSource>();
    Source->SetDataSet(Ds.get());
    Form = Create<TForm>(nullptr);
    Form->SetBounds(0, 0, 700, 500);
    Grid = Create<TDBLookupGridEh>(Form);
    Grid->SetParent(Form);
    Grid->SetBounds(10, 10, 230, 150);
    Grid->SetListSource(ListSource.get());
    Grid->SetKeyField("CODE");
    Grid->SetListFieldNames("TITLE;CODE");
    Form->Show();
  }
  ~LookupGridTest() override {
    Form->Free();
    Source.reset();
    ListSource.reset();
  }
  std::string ListTitle() { return List->FieldByName("TITLE")->AsString(); }
  void Mouse(TWinControl* control, unsigned msg, int x, int y, unsigned keys) {
    const TPoint screen = control->ClientToScreen({x, y});
    HWND top = GetTopLevel(control->Handle());
    const TRect content = ContentRect(top);
    HostMouseEvent(top, msg, {screen.X - content.Left, screen.Y - content.Top}, keys);
    Application->ProcessMessages();
  }
  int RowY(TDBLookupGridEh* grid, int dataRow) {
    return grid->Metrics().TitleHeight + grid->Metrics().LineWidth + grid->Metrics().SpecRowHeight +
           dataRow * grid->DataRowHeight() + 3;
  }

  TObjectPtr<TmemDs> List;
  TObjectPtr<TDataSource> ListSource;
  TObjectPtr<TmemDs> Ds;
  TIntegerField* Id;
  TStringField* Name;
  TObjectPtr<TDataSource> Source;
  TForm* Form = nullptr;
  TDBLookupGridEh* Grid = nullptr;
};

TEST_F(LookupGridTest, KeyValueFollowsTheListAndTheSpecialRow) {
  ASSERT_TRUE(Grid->ListActive());
  EXPECT_EQ(Grid->ListField()->FieldName(), "TITLE");
  EXPECT_EQ(Grid->ListFields().size(), 2u);
  Grid->SetKeyValue(Variant(3));
  EXPECT_EQ(ListTitle(), "Петрухина");
  EXPECT_EQ(Grid->Text(), "Петрухина");
  Grid->SetKeyValue(Variant(42));
  EXPECT_EQ(ListTitle(), "Иванова") << "a key not in the list leaves the list on its first record";
  EXPECT_EQ(Grid->Text(), "Иванова");

  Grid->SpecRow()->SetCellsText("(нет);-");
  Grid->SpecRow()->SetVisible(true);
  EXPECT_TRUE(Grid->SpecRowSelected()) << "42 is not in the list";
  EXPECT_EQ(Grid->Text(), "(нет)");
  Grid->SetKeyValue(Variant(5));
  EXPECT_FALSE(Grid->SpecRowSelected());
  EXPECT_EQ(Grid->Text(), "Яковлева");
  Grid->SpecRow()->SetShowIfNotInKeyList(false);
  Grid->SetKeyValue(Variant::Null());
  EXPECT_TRUE(Grid->SpecRowSelected()) << "the row's own value (Null)";
  Grid->SetKeyValue(Variant(42));
  EXPECT_FALSE(Grid->SpecRowSelected()) << "only its value selects it now";

  // One key field takes a plain value; an array does not fit it.
  Grid->SetKeyValue(VarArrayOf({Variant(2), Variant(3)}));
  EXPECT_FALSE(Grid->LocateKey());
  Grid->SetKeyValue(Variant(2));
  EXPECT_TRUE(Grid->LocateKey());
}

TEST_F(LookupGridTest, IncrementalSearchByTypingWithItsPause) {
  Grid->SetKeyValue(Variant(1));
  Grid->ProcessSearchKey(U'п');
  Advance(100);
  Grid->ProcessSearchKey(U'Е');
  EXPECT_EQ(Grid->SearchText(), "пЕ");
  EXPECT_EQ(Grid->KeyValue(), Variant(2)) << "first name starting with \"пе\", any case";
  Advance(100);
  Grid->ProcessSearchKey(U'т');
  Grid->ProcessSearchKey(U'р');
  EXPECT_EQ(Grid->KeyValue(), Variant(2));
  Grid->ProcessSearchKey(U'у');
  EXPECT_EQ(Grid->KeyValue(), Variant(3));
  Grid->ProcessSearchKey(U'ж');
  EXPECT_EQ(Grid->SearchText(), "пЕтру") << "a miss keeps the text";
  EXPECT_EQ(Grid->KeyValue(), Variant(3));
  EXPECT_EQ(ListTitle(), "Петрухина") << "and the list stays on the key";
  Advance(2001);
  Grid->ProcessSearchKey(U'С');
  EXPECT_EQ(Grid->SearchText(), "С") << "after the pause the search starts again";
  EXPECT_EQ(Grid->KeyValue(), Variant(4));
  Grid->ProcessSearchKey(8);
  EXPECT_EQ(Grid->SearchText(), "");

  // 32 characters accept no more.
  List->Append();
  List->FieldByName("CODE")->SetAsInteger(9);
  List->FieldByName("TITLE")->SetAsString(std::string(40, 'a'));
  List->Post();
  Advance(3000);
  for (int i = 0; i < 40; ++i) Grid->ProcessSearchKey(U'a');
  EXPECT_EQ(Grid->SearchText(), std::string(32, 'a'));
  EXPECT_EQ(Grid->KeyValue(), Variant(9));

  // A number list field has no incremental search.
  Grid->SetListFieldNames("CODE");
  Advance(3000);
  Grid->ProcessSearchKey(U'4');
  EXPECT_EQ(Grid->KeyValue(), Variant(9));
}

TEST_F(LookupGridTest, BoundFieldTakesTheChosenKey) {
  Grid->SetDataSource(Source.get());
  Grid->SetDataField("ID");
  EXPECT_FALSE(Grid->LookupMode());
  EXPECT_EQ(Grid->KeyValue(), Variant(2)) << "the bound record's value";
  EXPECT_EQ(Grid->Text(), "Петрова");
  Grid->SelectKeyValue(Variant(5));
  EXPECT_EQ(Ds->State(), dsEdit);
  EXPECT_EQ(Id->AsInteger(), 5);
  EXPECT_EQ(Grid->KeyValue(), Variant(5)) << "taken back from the field";
  Ds->Post();
  Ds->Next();
  EXPECT_EQ(Grid->KeyValue(), Variant(4)) << "the key follows the bound record";
  Id->SetReadOnly(true);
  EXPECT_FALSE(Grid->CanModify());
  Id->SetReadOnly(false);

  // A lookup field brings its key fields, list and result field.
  Grid->SetDataField("NAME");
  EXPECT_TRUE(Grid->LookupMode());
  EXPECT_EQ(Grid->ListSource()->DataSet(), List.get());
  EXPECT_EQ(Grid->KeyField(), "CODE");
  EXPECT_EQ(Grid->ListField()->FieldName(), "TITLE");
  EXPECT_THROW(Grid->SetKeyField("TITLE"), EDatabaseError);
  EXPECT_THROW(Grid->SetListSource(nullptr), EDatabaseError);
  Grid->SelectKeyValue(Variant(1));
  EXPECT_EQ(Id->AsInteger(), 1);
  EXPECT_EQ(Name->AsString(), "Иванова");
  Ds->Cancel();

  Grid->SetDataField("ID;NAME");
  EXPECT_FALSE(Grid->LookupMode());
  EXPECT_EQ(Grid->DataFields().size(), 2u);
  EXPECT_THROW(Grid->SetDataField("NOPE"), EDatabaseError);
  EXPECT_EQ(Grid->DataField(), "ID;NAME") << "the binding stays";
}

TEST_F(LookupGridTest, KeysMoveTheKeyAndReachTheSpecialRow) {
  Grid->SpecRow()->SetCellsText("(нет)");
  Grid->SpecRow()->SetValue(Variant(0));
  Grid->SpecRow()->SetVisible(true);
  Grid->SetKeyValue(Variant(2));
  Grid->SetFocus();
  PressKey(VK_DOWN);
  EXPECT_EQ(Grid->KeyValue(), Variant(3));
  PressKey(VK_END);
  EXPECT_EQ(Grid->KeyValue(), Variant(5));
  PressKey(VK_HOME);
  EXPECT_EQ(Grid->KeyValue(), Variant(1));
  PressKey(VK_UP);
  EXPECT_TRUE(Grid->SpecRowSelected()) << "up from the first record";
  EXPECT_EQ(Grid->KeyValue(), Variant(0));
  EXPECT_EQ(Grid->Text(), "(нет)");
  PressKey(VK_DOWN);
  EXPECT_FALSE(Grid->SpecRowSelected());
  EXPECT_EQ(Grid->KeyValue(), Variant(1)) << "down from the special row starts at the first";
  TypeText("с");
  EXPECT_EQ(Grid->KeyValue(), Variant(4));
  PressKey(VK_DOWN);
  EXPECT_EQ(Grid->SearchText(), "") << "moving clears the search";
}

TEST_F(LookupGridTest, HeightSnapsToRowsAndColumnsCarrySpecCells) {
  Grid->SetAutoFitColWidths(true);
  Grid->SetRowCount(4);
  const int h4 = Grid->Height();
  Grid->SetRowCount(5);
  EXPECT_EQ(Grid->Height() - h4, Grid->DataRowHeight());
  Grid->SetHeight(Grid->Height() + Grid->DataRowHeight() - 1);
  EXPECT_EQ(Grid->RowCount(), 5) << "snapped down";
  EXPECT_EQ(Grid->Height() - h4, Grid->DataRowHeight());
  Grid->SetRowCount(500);
  EXPECT_EQ(Grid->RowCount(), kLookupMaxRowCount);
  Grid->SetRowCount(0);
  EXPECT_EQ(Grid->RowCount(), 1);

  Grid->Columns()->Add()->SetFieldName("TITLE");
  Grid->Columns()->Add()->SetFieldName("CODE");
  Grid->SpecRow()->SetCellsText("нет;\"0;0\"");
  auto* title = static_cast<TDBLookupGridColumnEh*>(Grid->Columns()->Items(0));
  auto* code = static_cast<TDBLookupGridColumnEh*>(Grid->Columns()->Items(1));
  EXPECT_EQ(title->SpecCell()->Text(), "нет");
  EXPECT_EQ(code->SpecCell()->Text(), "0;0");
  code->SetIndex(0);
  EXPECT_EQ(Grid->SpecRow()->CellText(0), "0;0") << "the cell text moved with its column";
  EXPECT_EQ(Grid->SpecRow()->CellText(1), "нет");
  EXPECT_EQ(code->SpecCell()->Text(), "0;0");
  EXPECT_EQ(Grid->ListFieldNames(), "CODE;TITLE");
  EXPECT_EQ(title->SpecCell()->Color(), Grid->SpecRow()->Color());
  title->SpecCell()->SetColor(clYellow);
  EXPECT_TRUE(title->SpecCell()->ColorAssigned());
  title->SpecCell()->Font()->SetSize(title->SpecCell()->Font()->Size() + 2);
  EXPECT_TRUE(title->SpecCell()->FontAssigned());
}

TEST_F(LookupGridTest, PressAndDragChooseRows) {
  Grid->SetKeyValue(Variant(1));
  Grid->SetFocus();
  Mouse(Grid, WM_LBUTTONDOWN, 20, RowY(Grid, 2), MK_LBUTTON);
  EXPECT_EQ(Grid->KeyValue(), Variant(3));
  Mouse(Grid, WM_MOUSEMOVE, 20, RowY(Grid, 1), MK_LBUTTON);
  EXPECT_EQ(Grid->KeyValue(), Variant(2)) << "tracking follows the pointer";
  Mouse(Grid, WM_LBUTTONUP, 20, RowY(Grid, 3), 0);
  EXPECT_EQ(Grid->KeyValue(), Variant(4));
  EXPECT_FALSE(Grid->MouseCapture());
}

TEST_F(LookupGridTest, DraggingPastTheEdgeScrollsByTimer) {
  Grid->SetRowCount(2);
  Grid->SetKeyValue(Variant(1));
  Grid->SetFocus();
  Mouse(Grid, WM_LBUTTONDOWN, 20, RowY(Grid, 1), MK_LBUTTON);
  EXPECT_EQ(Grid->KeyValue(), Variant(2));
  Mouse(Grid, WM_MOUSEMOVE, 20, Grid->ClientHeight() + 4, MK_LBUTTON);
  const int left = Grid->KeyValue().AsInteger();
  EXPECT_GE(left, 3) << "the last row shown, one step on";
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId);
  EXPECT_EQ(Grid->KeyValue(), Variant(left + 1)) << "and one more per tick";
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId);
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId);
  EXPECT_EQ(Grid->KeyValue(), Variant(5)) << "stops at the end";
  Mouse(Grid, WM_LBUTTONUP, 20, RowY(Grid, 0), 0);
  EXPECT_FALSE(Grid->MouseCapture());
  const Variant released = Grid->KeyValue();
  Grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimerId);
  EXPECT_EQ(Grid->KeyValue(), released) << "no tracking, no step";

  // The bar scrolls the list, not the key.
  Grid->SetKeyValue(Variant(1));
  Grid->Perform(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(ListTitle(), "Яковлева");
  EXPECT_EQ(Grid->KeyValue(), Variant(1));

  // The bar shows the window's place in the numbered list.
  Grid->SetKeyValue(Variant(5));
  TScrollInfo info;
  info.fMask = SIF_ALL;
  GetScrollInfo(Grid->Handle(), SB_VERT, info);
  EXPECT_EQ(info.nMax, 4);
  EXPECT_EQ(static_cast<int>(info.nPage), Grid->VisibleDataRowCount());
  EXPECT_EQ(info.nPos, 5 - Grid->DataLink()->ActiveRecord() - 1);
}

// ---- the drop-down grid

TEST(PopupGridRulesTest, ReleaseDecision) {
  struct Case {
    bool pressedInside, inside, onChoice;
    TPopupGridReleaseEh expected;
  };
  for (const Case& c : std::vector<Case>{{true, true, true, prAcceptEh},
                                         {true, true, false, prNothingEh},
                                         {true, false, false, prCancelEh},
                                         {false, true, true, prNothingEh},
                                         {false, false, false, prNothingEh}})
    EXPECT_EQ(PopupGridReleaseEh(c.pressedInside, c.inside, c.onChoice), c.expected)
        << c.pressedInside << c.inside << c.onChoice;
}

class PopupGridTest : public LookupGridTest {
 protected:
  PopupGridTest() {
    Popup = CreateUnique<TPopupDataGridEh>();
    Popup->SetOwnerControl(Form);
    Popup->SetListSource(ListSource.get());
    Popup->SetKeyField("CODE");
    Popup->SetListFieldNames("TITLE");
    Popup->OnCloseUp = [this](TObject*, bool accept) { Closes.push_back(accept); };
    Popup->SetKeyValue(Variant(1));
  }
  ~PopupGridTest() override { Popup.reset(); }
  void Show() {
    const TPoint p = Form->ClientToScreen({20, 20});
    Popup->ShowAt(Bounds(p.X, p.Y, 150, 100));
    Popup->SetRowCount(5);
  }
  TObjectPtr<TPopupDataGridEh> Popup;
  std::vector<bool> Closes;
};

TEST_F(PopupGridTest, HotTrackingAndReleaseCloseUp) {
  Show();
  ASSERT_TRUE(Popup->Visible());
  EXPECT_FALSE(Popup->CanFocus());
  Mouse(Popup.get(), WM_MOUSEMOVE, 30, RowY(Popup.get(), 2), 0);
  EXPECT_EQ(Popup->KeyValue(), Variant(3)) << "hot tracking without a click";
  EXPECT_TRUE(Closes.empty());
  Mouse(Popup.get(), WM_LBUTTONDOWN, 30, RowY(Popup.get(), 1), MK_LBUTTON);
  Mouse(Popup.get(), WM_LBUTTONUP, 30, RowY(Popup.get(), 1), 0);
  ASSERT_EQ(Closes, std::vector<bool>{true});
  EXPECT_EQ(Popup->KeyValue(), Variant(2));
  EXPECT_FALSE(Popup->Visible());

  Show();
  Mouse(Popup.get(), WM_LBUTTONDOWN, 30, RowY(Popup.get(), 1), MK_LBUTTON);
  Mouse(Popup.get(), WM_LBUTTONUP, 30, Popup->Height() + 40, 0);
  EXPECT_EQ(Closes, (std::vector<bool>{true, false})) << "released outside: cancel";

  Show();
  Popup->SetBounds(Popup->Left(), Popup->Top(), 1, 1);
  EXPECT_GE(Popup->Width(), GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_GE(Popup->Height(), GetSystemMetrics(SM_CYHSCROLL));
}

// ---- the cell editor's drop-down grid and MRU list

class EditorListTest : public LookupGridTest {
 protected:
  EditorListTest() {
    DataGrid = Create<TDBGridEh>(Form);
    DataGrid->SetParent(Form);
    DataGrid->SetBounds(250, 10, 400, 300);
    DataGrid->Columns()->Add()->SetFieldName("ID");
    DataGrid->Columns()->Add()->SetFieldName("NAME");
    DataGrid->SetDataSource(Source.get());
    Form->SetActiveControl(DataGrid);
    DataGrid->SetFocus();
  }
  TDBGridInplaceEdit* Edit(int column) {
    DataGrid->SetSelectedIndex(column);
    DataGrid->SetEditorMode(true);
    return dynamic_cast<TDBGridInplaceEdit*>(DataGrid->InplaceEditor());
  }
  void AltDown() {
    HostKeyEvent(WM_KEYDOWN, VK_MENU);
    HostKeyEvent(WM_KEYDOWN, VK_DOWN);
    HostKeyEvent(WM_KEYUP, VK_DOWN);
    HostKeyEvent(WM_KEYUP, VK_MENU);
    Application->ProcessMessages();
  }
  TColumnEh* NameCol() { return DataGrid->Columns()->Items(1); }
  TDBGridEh* DataGrid = nullptr;
};

TEST_F(EditorListTest, DataListDropsDownAndWritesTheKey) {
  TDBGridInplaceEdit* e = Edit(1);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->EditStyle(), kEditStyleDataList);
  AltDown();
  for (auto& b : Boxes) ADD_FAILURE() << b;
  ASSERT_TRUE(e->Focused());
  ASSERT_FALSE(e->ReadOnly());
  ASSERT_TRUE(e->ListVisible());
  TPopupDataGridEh* list = e->DataList();
  ASSERT_EQ(list, NameCol()->DataList());
  EXPECT_TRUE(list->Visible());
  EXPECT_EQ(list->KeyValue(), Variant(2)) << "the record's key is selected";
  EXPECT_GE(list->Width(), e->Width());
  EXPECT_EQ(list->RowCount(), 5) << "fewer records than DropDownRows";
  PressKey(VK_DOWN);
  EXPECT_EQ(list->KeyValue(), Variant(3));
  EXPECT_EQ(e->Text(), "Петрухина") << "the text follows the list";
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(e->Text(), "Петрова") << "Esc restores the text";
  EXPECT_EQ(Id->AsInteger(), 2);

  AltDown();
  PressKey(VK_DOWN);
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_TRUE(e->Focused()) << "the editor stays";
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(Id->AsInteger(), 4);
  EXPECT_EQ(e->Text(), "Сидорова");
  EXPECT_TRUE(DataGrid->EditorMode());

  // A click outside the drop-down changes nothing.
  AltDown();
  ASSERT_TRUE(e->ListVisible());
  Mouse(list, WM_LBUTTONDOWN, 20, RowY(list, 0), MK_LBUTTON);
  Mouse(list, WM_LBUTTONUP, 20, list->Height() + 50, 0);
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(Id->AsInteger(), 4);

  // A click on a row accepts it.
  Advance(1000);
  AltDown();
  Mouse(list, WM_LBUTTONDOWN, 20, RowY(list, 0), MK_LBUTTON);
  Mouse(list, WM_LBUTTONUP, 20, RowY(list, 0), 0);
  EXPECT_FALSE(e->ListVisible());
  EXPECT_EQ(Id->AsInteger(), 1);
  EXPECT_EQ(e->Text(), "Иванова");
}

TEST_F(EditorListTest, TypingAndTheSpecialRowShortcutInALookupCell) {
  NameCol()->DropDownSpecRow()->SetCellsText("(нет)");
  NameCol()->DropDownSpecRow()->SetVisible(true);
  TDBGridInplaceEdit* e = Edit(1);
  AltDown();
  ASSERT_TRUE(e->ListVisible());
  TypeText("Я");
  EXPECT_EQ(e->Text(), "Яковлева") << "completed";
  EXPECT_EQ(e->DataList()->KeyValue(), Variant(5)) << "the open list follows";
  PressKey(VK_RETURN);
  EXPECT_EQ(Id->AsInteger(), 5);
  ASSERT_TRUE(e->Focused());
  ASSERT_FALSE(e->ReadOnly());
  ASSERT_EQ(e->EditStyle(), kEditStyleDataList);
  HostKeyEvent(WM_KEYDOWN, VK_MENU);
  HostKeyEvent(WM_KEYDOWN, VK_DELETE);
  HostKeyEvent(WM_KEYUP, VK_DELETE);
  HostKeyEvent(WM_KEYUP, VK_MENU);
  Application->ProcessMessages();
  // The in-memory table keeps a null number as 0.
  EXPECT_EQ(Id->AsInteger(), 0) << "Alt+Del takes the special row's value (Null)";
  EXPECT_EQ(Name->AsString(), "");
  EXPECT_EQ(e->Text(), "");
}

TEST_F(EditorListTest, DataListWidthAndSizeGoBackToTheColumn) {
  TDBGridInplaceEdit* e = Edit(1);
  struct Case {
    int dropDownWidth;
    int minimum, maximum;
  };
  e->DropDown();
  const int fitted = e->DataList()->FittedListWidth();
  e->CloseUp(false);
  for (const Case& c :
       std::vector<Case>{{0, e->Width(), e->Width()},
                         {150, std::max(150, e->Width()), std::max(150, e->Width())},
                         {-1, std::max(e->Width(), fitted), 10000}}) {
    NameCol()->SetDropDownWidth(c.dropDownWidth);
    e->DropDown();
    EXPECT_GE(e->DataList()->Width(), c.minimum) << c.dropDownWidth;
    EXPECT_LE(e->DataList()->Width(), c.maximum) << c.dropDownWidth;
    e->CloseUp(false);
  }
  NameCol()->SetDropDownWidth(0);
  NameCol()->SetDropDownRows(3);
  e->DropDown();
  TPopupDataGridEh* list = e->DataList();
  EXPECT_EQ(list->RowCount(), 3);
  list->SetBounds(list->Left(), list->Top(), 260,
                  list->HeightForRowCount() + list->DataRowHeight());
  list->SetSized(true);
  e->CloseUp(false);
  EXPECT_EQ(NameCol()->DropDownRows(), 4);
  EXPECT_EQ(NameCol()->DropDownWidth(), 260);
}

TEST_F(EditorListTest, MRUListOpensOnTypingAndGivesItsItem) {
  DataGrid->Columns()->Add()->SetFieldName("ID");
  TColumnEh* column = DataGrid->Columns()->Items(0);
  column->MRUList()->SetActive(true);
  column->MRUList()->Add("12");
  column->MRUList()->Add("17");
  column->MRUList()->Add("25");
  TDBGridInplaceEdit* e = Edit(0);
  e->SelectAll();
  TypeText("1");
  ASSERT_TRUE(e->MRUListVisible());
  EXPECT_EQ(e->MRUList()->Count(), 2) << "filtered by the text";
  PressKey(VK_DOWN);
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_FALSE(e->MRUListVisible());
  EXPECT_EQ(e->Text(), "17");
  TypeText("9");
  EXPECT_FALSE(e->MRUListVisible()) << "nothing starts with 179";
  e->SelectAll();
  TypeText("2");
  ASSERT_TRUE(e->MRUListVisible());
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(e->MRUListVisible());
  EXPECT_EQ(e->Text(), "2");
}

// ---- Ctrl+F

std::vector<bool> gFindModes;
void RecordFindMode(TCustomDBGridEh*, const std::string&, const TFindColumnChoicesEh&, bool modal) {
  gFindModes.push_back(modal);
}

class ModelessFindGrid : public TDBGridEh {
  MEBRATH_CLASS(ModelessFindGrid, TDBGridEh)
 public:
  bool IsFindDialogModal() override { return false; }

 protected:
  explicit ModelessFindGrid(TComponent* owner) : TDBGridEh(owner) {}
};

TEST_F(EditorListTest, CtrlFOpensTheFindDialogInTheGridsMode) {
  const auto saved = ExecuteDBGridEhFindDialogProc;
  ExecuteDBGridEhFindDialogProc = &RecordFindMode;
  gFindModes.clear();
  DataGrid->SetOptionsEh(DataGrid->OptionsEh() + TDBGridEhOptions{dghDialogFind});
  PressKey('F', TShiftState{ssCtrl});
  auto* modeless = Create<ModelessFindGrid>(Form);
  modeless->SetParent(Form);
  modeless->SetBounds(0, 320, 300, 150);
  modeless->SetDataSource(Source.get());
  modeless->SetOptionsEh(modeless->OptionsEh() + TDBGridEhOptions{dghDialogFind});
  modeless->SetFocus();
  PressKey('F', TShiftState{ssCtrl});
  // From the cell editor too.
  DataGrid->SetFocus();
  Edit(0);
  ASSERT_TRUE(DataGrid->InplaceEditor()->Focused());
  PressKey('F', TShiftState{ssCtrl});
  ExecuteDBGridEhFindDialogProc = saved;
  EXPECT_EQ(gFindModes, (std::vector<bool>{true, false, true}));
}

}  // namespace
