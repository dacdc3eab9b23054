// The register grids through synthetic keys in the main window: the child
// rows of coupons No. 2 and No. 3 typed through the grid's cell editor
// (pick list, masks, calendar), the keyboard layout on the newborn's code
// column, the keys that delete child rows and records, and the marks of
// the first column.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/db_edit.h"
#include "grid/find_dialog.h"
#include "grid/inplace_edit.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/services.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/core/tests/register_fields.h"
#include "register/data_module.h"
#include "register/frames.h"
#include "register/main_window.h"

namespace {

class RegisterGridsTest : public GuiTest {
 protected:
  RegisterGridsTest() : clock(EncodeDate(2008, 6, 1)) {
    ApplyStartupFormatSettings();
    SetIniFileName(dir.File("mebrath.ini"));
    main = Create<TfmMain>(nullptr);
    main->Show();
    SetKeyboardLayoutHandler([this](int id) {
      layouts.push_back(id);
      return true;
    });
  }
  ~RegisterGridsTest() override {
    SetKeyboardLayoutHandler(nullptr);
    main->Free();
    SetIniFileName("");
  }

  void AltKey(unsigned vk) {
    HostKeyEvent(WM_KEYDOWN, VK_MENU);
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
    HostKeyEvent(WM_KEYUP, VK_MENU);
    Application->ProcessMessages();
  }

  // A new register of `file` with a record being inserted on the card and
  // the focus in its child grid.
  TChildFrame& StartChildRows(const char* file) {
    main->NewFile(dir.File(file));
    auto* f = dynamic_cast<TChildFrame*>(main->CurrentFrame());
    EXPECT_NE(f, nullptr);
    PressKey(VK_INSERT, {ssCtrl});
    EXPECT_TRUE(f->CardShown());
    f->grdChild->SetFocus();
    return *f;
  }

  TDBGridInplaceEdit* Editor(TChildFrame& f) {
    return dynamic_cast<TDBGridInplaceEdit*>(f.grdChild->InplaceEditor());
  }
  std::string Column(TChildFrame& f) { return f.grdChild->SelectedField()->FieldName(); }

  TScopedClock clock;
  TFileTestDir dir;
  TfmMain* main = nullptr;
  std::vector<int> layouts;
};

TEST_F(RegisterGridsTest, LeavingACodeFieldGivesBackTheUsersOwnLayout) {
  // The desktop's locked group: 0 Russian, 1 English, 2 a layout of the
  // user's own that the program never sets.
  int group = 0;
  SetKeyboardLayoutHandler([&](int id) {
    layouts.push_back(id);
    group = id == 1049 ? 0 : 1;
    return true;
  });
  SetKeyboardLayoutStateHandler({[&] { return group; },
                                 [&](int g) {
                                   group = g;
                                   return true;
                                 }});
  TChildFrame& f = StartChildRows("u.002");
  SwitchKeyboardLayout(1049);
  PressKey(VK_INSERT);
  for (int userGroup : {2, 1, 0}) {
    SCOPED_TRACE(userGroup);
    group = userGroup;  // the user switched on the desktop
    while (Column(f) != "GROWTH") PressKey(VK_TAB);
    PressKey(VK_TAB);
    ASSERT_EQ(Column(f), "DIAG");
    EXPECT_EQ(group, 1);
    PressKey(VK_TAB, {ssShift});
    EXPECT_EQ(group, userGroup);
  }
  // The mother's code field on the card as well.
  group = 2;
  TCustomDBEditEh* diag = nullptr;
  for (int i = 0; i < f.ComponentCount() && diag == nullptr; ++i) {
    diag = dynamic_cast<TCustomDBEditEh*>(f.Components(i));
    if (diag != nullptr && diag->DataField() != "DIAG") diag = nullptr;
  }
  ASSERT_NE(diag, nullptr);
  diag->SetFocus();
  EXPECT_EQ(group, 1);
  f.grdChild->SetFocus();
  EXPECT_EQ(group, 2);
  SetKeyboardLayoutStateHandler({});
}

TEST_F(RegisterGridsTest, AltDownOpensTheCellsDropDown) {
  struct {
    const char* file;
    const char* field;
    TDBGridEditStyleEh style;
  } cases[] = {{"d.002", "SEX", kEditStylePickList}, {"d.031", "BDATE", kEditStyleDate}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TChildFrame& f = StartChildRows(c.file);
    PressKey(VK_INSERT);
    ASSERT_EQ(f.mtChild->State(), dsInsert);
    int column = 0;
    while (f.grdChild->Columns()->Items(column)->FieldName() != c.field) ++column;
    f.grdChild->SetSelectedIndex(column);
    f.grdChild->SetEditorMode(false);
    AltKey(VK_DOWN);
    TDBGridInplaceEdit* e = Editor(f);
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(f.grdChild->EditorMode());
    EXPECT_EQ(e->EditStyle(), c.style);
    EXPECT_TRUE(e->ListVisible());
    // The row stays: no move, no appended row.
    EXPECT_EQ(f.mtChild->State(), dsInsert);
    EXPECT_EQ(Column(f), c.field);
    AltKey(VK_DOWN);
    EXPECT_FALSE(e->ListVisible());
    PressKey(VK_ESCAPE);
    PressKey(VK_ESCAPE);
    f.CancelRecord();
    PressKey(VK_RETURN, {ssCtrl});
  }
}

TEST_F(RegisterGridsTest, NewbornsTypedThroughTheCellEditor) {
  TChildFrame& f = StartChildRows("b.002");
  EXPECT_EQ(f.grdChild->Name(), "DBGridEh1");
  PressKey(VK_INSERT);
  ASSERT_EQ(f.mtChild->State(), dsInsert);
  EXPECT_EQ(f.mtChild->FieldByName("SEX")->AsString(), "М");
  EXPECT_TRUE(f.IsEditing());

  PressKey(VK_F2);
  TDBGridInplaceEdit* e = Editor(f);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->EditStyle(), kEditStylePickList);
  AltKey(VK_DOWN);
  ASSERT_TRUE(e->ListVisible());
  PressKey(VK_DOWN);
  AltKey(VK_DOWN);
  EXPECT_EQ(e->Text(), "Ж");

  // Weight and length take the masks' digits.
  PressKey(VK_TAB);
  EXPECT_EQ(Column(f), "WEIGHT");
  PressKey(VK_F2);
  EXPECT_EQ(e->EditMask(), "9.999");
  e->SelectAll();
  TypeText("3450");
  EXPECT_EQ(e->Text(), "3.450");
  PressKey(VK_TAB);
  EXPECT_EQ(Column(f), "GROWTH");
  PressKey(VK_F2);
  EXPECT_EQ(e->EditMask(), "99");
  e->SelectAll();
  TypeText("52x");
  EXPECT_EQ(e->Text(), "52");

  // English in the newborn's code column, the layout before it after.
  SwitchKeyboardLayout(1049);
  layouts.clear();
  PressKey(VK_TAB);
  EXPECT_EQ(Column(f), "DIAG");
  EXPECT_EQ(layouts, std::vector<int>{1033});
  TypeText("P07");
  PressKey(VK_TAB, {ssShift});
  EXPECT_EQ(Column(f), "GROWTH");
  EXPECT_EQ(layouts, (std::vector<int>{1033, 1049}));
  EXPECT_EQ(f.mtChild->FieldByName("DIAG")->AsString(), "P07");

  // The mother's data, then Ctrl+S stores the pending row with the record;
  // the code typed before Shift+Tab stays in its own column.
  TDataSet& t = *f.Document()->Table();
  register_fields::FillMother(t, 7, EncodeDate(2007, 1, 10));
  Boxes.clear();
  PressKey('S', {ssCtrl});
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  EXPECT_EQ(t.State(), dsBrowse);
  EXPECT_EQ(t.FieldByName("Childs")->AsString(), "Ж,3.450,52,P07;");
}

TEST_F(RegisterGridsTest, ChildDatesUseTheMaskAndTheCalendar) {
  TChildFrame& f = StartChildRows("c.031");
  EXPECT_EQ(f.grdChild->Name(), "grdChild");
  PressKey(VK_INSERT);
  PressKey(VK_F2);
  TDBGridInplaceEdit* e = Editor(f);
  ASSERT_NE(e, nullptr);
  TypeText("сидоров");
  PressKey(VK_TAB);
  TypeText("иван");
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  ASSERT_EQ(Column(f), "BDATE");
  PressKey(VK_F2);
  EXPECT_EQ(e->EditStyle(), kEditStyleDate);
  EXPECT_EQ(e->EditMask(), "!99/99/9999;1; ");
  e->SelectAll();
  TypeText("15032007");
  PressKey(VK_TAB);
  ASSERT_EQ(Column(f), "DATEBOBS");
  PressKey(VK_F2);
  EXPECT_EQ(e->EditStyle(), kEditStyleDate);
  // The calendar opens on the day typed in the row, or today.
  AltKey(VK_DOWN);
  ASSERT_TRUE(e->ListVisible());
  EXPECT_EQ(e->Calendar()->Date(), EncodeDate(2008, 6, 1));
  PressKey(VK_ESCAPE);
  EXPECT_FALSE(e->ListVisible());
  // An untouched mask leaves the date empty: the row check fills it in.
  // Down stores the row and starts another, which Esc drops.
  Boxes.clear();
  PressKey(VK_DOWN);
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  PressKey(VK_ESCAPE);
  EXPECT_EQ(f.mtChild->State(), dsBrowse);
  ASSERT_EQ(f.mtChild->RecordCount(), 1);
  EXPECT_EQ(f.mtChild->FieldByName("LNAME")->AsString(), "Сидоров");
  EXPECT_EQ(f.mtChild->FieldByName("BDATE")->AsDateTime(), EncodeDate(2007, 3, 15));
  EXPECT_EQ(f.mtChild->FieldByName("DATEBOBS")->AsDateTime(), EncodeDate(2007, 3, 15));
  EXPECT_EQ(f.mtChild->FieldByName("DATEEOBS")->AsDateTime(), EncodeDate(2007, 9, 15));
}

TEST_F(RegisterGridsTest, DeleteKeysGoThroughTheWindow) {
  TChildFrame& f = StartChildRows("b.002");
  for (int i = 0; i < 3; ++i) {
    f.mtChild->Append();
    f.mtChild->FieldByName("WEIGHT")->SetAsFloat(3);
    f.mtChild->FieldByName("GROWTH")->SetAsInteger(50);
    f.mtChild->Post();
  }
  f.Document()->Table()->FieldByName("BQNT")->SetAsInteger(3);
  f.grdChild->SetFocus();
  // Delete and Ctrl+Delete both drop a row and count it off BQNT; the
  // grid's own delete would leave the record unaware.
  PressKey(VK_DELETE);
  EXPECT_EQ(f.mtChild->RecordCount(), 2);
  PressKey(VK_DELETE, {ssCtrl});
  EXPECT_EQ(f.mtChild->RecordCount(), 1);
  EXPECT_EQ(f.Document()->Table()->FieldByName("BQNT")->AsInteger(), 1);
  EXPECT_TRUE(f.ChildrenModified());
  // A seventh row is refused without a word.
  for (int i = 0; i < 5; ++i) {
    f.mtChild->Append();
    f.mtChild->FieldByName("WEIGHT")->SetAsFloat(3);
    f.mtChild->FieldByName("GROWTH")->SetAsInteger(50);
    f.mtChild->Post();
  }
  Boxes.clear();
  PressKey(VK_INSERT);
  EXPECT_EQ(f.mtChild->RecordCount(), 6);
  EXPECT_EQ(f.mtChild->State(), dsBrowse);
  EXPECT_TRUE(Boxes.empty());
  f.CancelRecord();

  // In the register's grid Ctrl+Delete asks first (No keeps the record);
  // Ctrl+F still reaches the grid's find dialog.
  PressKey(VK_RETURN, {ssCtrl});
  ASSERT_FALSE(f.CardShown());
  f.Document()->Table()->Append();
  f.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(1);
  f.Document()->Table()->SetEventsOff(true);
  f.Document()->Table()->Post();
  f.Document()->Table()->SetEventsOff(false);
  f.grdMain->SetFocus();
  Boxes.clear();
  PressKey(VK_DELETE, {ssCtrl});
  EXPECT_EQ(Boxes, std::vector<std::string>{"Test: Удалить запись?"});
  EXPECT_EQ(f.Document()->Table()->RecordCount(), 1);
  static int finds = 0;
  auto saved = ExecuteDBGridEhFindDialogProc;
  ExecuteDBGridEhFindDialogProc = [](TCustomDBGridEh*, const std::string&,
                                     const std::vector<std::pair<std::string, TColumnEh*>>&,
                                     bool) { ++finds; };
  PressKey('F', {ssCtrl});
  ExecuteDBGridEhFindDialogProc = saved;
  EXPECT_EQ(finds, 1);
}

TEST_F(RegisterGridsTest, FirstColumnShowsTheRecordAndPayableMarks) {
  DM = Create<TDM>(nullptr);
  ASSERT_GT(DM->imgTools->Count(), TDM::kRecordImage);
  ASSERT_GT(DM->OvlTree->Count(), TDM::kPayableOverlay);
  main->NewFile(dir.File("m.001"));
  TCustFrame& f = *main->CurrentFrame();
  f.Document()->Table()->SetEventsOff(true);
  for (int chk : {1, 0}) {
    f.Document()->Table()->Append();
    f.Document()->Table()->FieldByName("NCERTIF")->SetAsInteger(chk + 1);
    f.Document()->Table()->FieldByName("CHK")->SetAsInteger(chk);
    f.Document()->Table()->Post();
  }
  f.Document()->Table()->SetEventsOff(false);
  f.Document()->Table()->First();
  TRecordingCanvas canvas;
  const TRect bounds = main->BoundsRect();
  PaintTopLevel(main->Handle(), canvas, TRect{0, 0, bounds.Width(), bounds.Height()});
  // A sign on each record, a tick on the payable one.
  int signs = 0, ticks = 0;
  for (const TCanvasRecord& r : canvas.Records()) {
    if (r.Kind != TRecordKind::Image) continue;
    if (r.Image == DM->imgTools->Image(TDM::kRecordImage)) ++signs;
    if (r.Image == DM->OvlTree->Image(TDM::kPayableOverlay)) ++ticks;
  }
  EXPECT_EQ(signs, 2);
  EXPECT_EQ(ticks, 1);
  DM->Free();
  DM = nullptr;
}

}  // namespace
