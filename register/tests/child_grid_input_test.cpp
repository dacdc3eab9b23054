// The child grids of coupons No. 2 and No. 3 as a clerk meets them in the
// started program: a click on a cell of the still empty grid of a new
// record picks the column that takes what is typed next, and a new
// record's rows start in the first column whatever column the last work
// was in; a damaged register's newborn weighing 1e300 draws and lets its
// record go; and a text a damaged file holds with a NUL byte in it comes
// into the rows and goes back to the file whole.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/services.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/file_dialogs.h"
#include "platform/widgets/grid_inplace_edit.h"
#include "register/certificate_directory.h"
#include "register/core/tests/register_fields.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/frames.h"
#include "register/main_window.h"
#include "register/startup.h"
#include "started_program_fixture.h"
#include "storage/dbf_format.h"

namespace {

using namespace std::string_literals;

class ChildGridInputTest : public StartedProgramFixture {
 protected:
  ~ChildGridInputTest() override { SetFileDialogBackend(nullptr); }

  // A click on the child grid's cell of `field` in its data row `row`.
  static void ClickCell(TChildFrame& f, const std::string& field, int row = 0) {
    TDBGridEh* grid = f.grdChild;
    int raw = -1;
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      if (grid->Columns()->Items(i)->FieldName() == field) raw = grid->DataToRawColumn(i);
    const TRect cell = grid->CellRect(raw, grid->TitleOffset() + row);
    ClickAt(*grid, {(cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2});
  }
  std::string FileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(ChildGridInputTest, AClickOnTheEmptyGridPicksTheColumnTheTextGoesTo) {
  fmMain->NewFile(dir.File("c.032"));
  auto* f = dynamic_cast<TFrmT3*>(fmMain->CurrentFrame());
  ASSERT_NE(f, nullptr);
  PressKey(VK_INSERT, {ssCtrl});
  ASSERT_TRUE(f->CardShown());
  struct TCase {
    const char* Field;
    const char* Typed;
    const char* Shown;
  };
  // The surname after the date: letters typed into the date's mask would
  // be refused.
  for (const TCase& c : {TCase{"FNAME", "Ив", "Ив"}, TCase{"SPOLICY", "ab", "ab"},
                         TCase{"DATEBOBS", "15092007", "15.09.2007"}, TCase{"LNAME", "Пе", "Пе"}}) {
    SCOPED_TRACE(c.Field);
    ASSERT_EQ(f->mtChild->RecordCount(), 0);
    ASSERT_NE(f->mtChild->State(), dsInsert);
    ClickCell(*f, c.Field);
    TypeText(c.Typed);
    ASSERT_TRUE(f->grdChild->EditorMode());
    EXPECT_EQ(f->grdChild->SelectedField()->FieldName(), c.Field);
    EXPECT_EQ(f->grdChild->InplaceEditor()->Text(), c.Shown);
    EXPECT_EQ(f->mtChild->State(), dsInsert);
    // The record given up and a new one begun: the grid is empty again.
    fmMain->acCancel->Execute();
    PressKey(VK_INSERT, {ssCtrl});
  }
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
}

TEST_F(ChildGridInputTest, ANewRecordsRowsStartInTheFirstColumn) {
  // A newborn typed in, the grid left in its last column, the record
  // saved; then a new record. The newborn's code column took the English
  // layout, and leaving it gives the Russian one back.
  SetKeyboardLayoutHandler([](int) { return true; });
  TScopeExit layouts([] { SetKeyboardLayoutHandler(nullptr); });
  SwitchKeyboardLayout(1049);
  fmMain->NewFile(dir.File("b.002"));
  auto* f2 = dynamic_cast<TFrmT2*>(fmMain->CurrentFrame());
  ASSERT_NE(f2, nullptr);
  PressKey(VK_INSERT, {ssCtrl});
  register_fields::FillMother(*f2->Document()->Table(), 1, EncodeDate(2007, 4, 1));
  ClickCell(*f2, "WEIGHT");
  TypeText("3450");
  ClickCell(*f2, "GROWTH");
  TypeText("52");
  ClickCell(*f2, "DIAG");
  ASSERT_EQ(f2->grdChild->SelectedField()->FieldName(), "DIAG");
  EXPECT_EQ(LastKeyboardLayout(), 1033);
  PressKey('S', {ssCtrl});
  ASSERT_EQ(f2->Document()->Table()->RecordCount(), 1);
  PressKey(VK_INSERT, {ssCtrl});
  EXPECT_EQ(f2->grdChild->SelectedIndex(), 0);
  EXPECT_EQ(LastKeyboardLayout(), 1049);

  // The same after the record is given up.
  ClickCell(*f2, "GROWTH");
  PressKey(VK_RIGHT);
  ASSERT_EQ(f2->grdChild->SelectedField()->FieldName(), "DIAG");
  fmMain->acCancel->Execute();
  EXPECT_EQ(f2->grdChild->SelectedIndex(), 0);
  EXPECT_EQ(LastKeyboardLayout(), 1049);
  PressKey(VK_INSERT, {ssCtrl});
  EXPECT_EQ(f2->grdChild->SelectedIndex(), 0);
  fmMain->acCancel->Execute();

  // A child typed in a 3-1 register up to the policy number, saved; then
  // a new 3-2 register in the same window takes the surname typed first.
  fmMain->NewFile(dir.File("c.031"));
  auto* f3 = dynamic_cast<TFrmT3*>(fmMain->CurrentFrame());
  ASSERT_NE(f3, nullptr);
  PressKey(VK_INSERT, {ssCtrl});
  register_fields::FillMother(*f3->Document()->Table(), 1, EncodeDate(2007, 4, 1));
  ClickCell(*f3, "LNAME");
  TypeText("Петров");
  ClickCell(*f3, "FNAME");
  TypeText("Иван");
  ClickCell(*f3, "BDATE");
  TypeText("15032007");
  ClickCell(*f3, "NPOLICY");
  TypeText("123");
  PressKey('S', {ssCtrl});
  ASSERT_EQ(f3->Document()->Table()->RecordCount(), 1);
  ASSERT_EQ(f3->grdChild->SelectedField()->FieldName(), "NPOLICY");
  fmMain->NewFile(dir.File("d.032"));
  ASSERT_EQ(fmMain->CurrentFrame(), f3);
  EXPECT_EQ(f3->grdChild->SelectedIndex(), 0);
  EXPECT_EQ(f3->mtChild->RecordCount(), 0);
  PressKey(VK_INSERT, {ssCtrl});
  ASSERT_TRUE(f3->CardShown());
  f3->grdChild->SetFocus();
  TypeText("Пе");
  ASSERT_TRUE(f3->grdChild->EditorMode());
  EXPECT_EQ(f3->grdChild->SelectedField()->FieldName(), "LNAME");
  EXPECT_EQ(f3->grdChild->InplaceEditor()->Text(), "Пе");
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
}

// A damaged coupon No. 2 register whose newborn weighs 1e300: the card
// draws the whole row, and a new record and a given-up edit go as they do
// on any other record.
TEST_F(ChildGridInputTest, ARowOfANumberBeyondAnyWeightDrawsAndLetsTheRecordGo) {
  const std::string fileName = dir.File("w.002");
  {
    auto t = register_fields::RegisterTable(fileName, 2);
    t->CreateTable();
    t->Open();
    t->Append();
    register_fields::FillMother(*t, 1, EncodeDate(2007, 4, 1));
    t->FieldByName("CQNT")->SetAsInteger(1);
    t->FieldByName("SEX1")->SetAsString("Ж");
    t->FieldByName("WEIGHT1")->SetAsFloat(3.45);
    t->FieldByName("GROWTH1")->SetAsInteger(51);
    t->FieldByName("DIAG1")->SetAsString("Q99");
    t->Post();
    t->Close();
  }
  {
    std::fstream file(fileName, std::ios::in | std::ios::out | std::ios::binary);
    const std::string head((std::istreambuf_iterator<char>(file)), {});
    const dbf::TLayout layout =
        dbf::DecodeLayout(head, static_cast<std::int64_t>(head.size()), fileName);
    for (const dbf::TFieldDescriptor& column : layout.Fields) {
      if (column.Name != "WEIGHT1") continue;
      file.seekp(layout.RecordPosition(0) + column.Offset);
      file.write("1e300", 5);
    }
  }
  fmMain->OpenFile(fileName);
  auto* f = dynamic_cast<TFrmT2*>(fmMain->CurrentFrame());
  ASSERT_NE(f, nullptr);
  PressKey(VK_RETURN, {ssCtrl});
  ASSERT_TRUE(f->CardShown());
  ASSERT_EQ(f->mtChild->RecordCount(), 1);
  ASSERT_EQ(f->mtChild->FieldByName("WEIGHT")->AsFloat(), 1e300);
  auto painted = [] {
    TRecordingCanvas canvas;
    PaintTopLevel(fmMain->Handle(), canvas, {});
    std::string out;
    for (const TCanvasRecord& r : canvas.TakeRecords())
      if (r.Kind == TRecordKind::Text) out += r.Text + "|";
    return out;
  };
  EXPECT_NE(painted().find("|51|Q99|"), std::string::npos) << painted();

  PressKey(VK_INSERT, {ssCtrl});
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  EXPECT_EQ(f->Document()->Table()->State(), dsInsert);
  EXPECT_EQ(f->mtChild->RecordCount(), 0);
  fmMain->acCancel->Execute();
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  // Back on the record, an edit given up brings its rows back.
  ASSERT_EQ(f->mtChild->RecordCount(), 1);
  f->Document()->Table()->Edit();
  f->Document()->Table()->FieldByName("LNAME")->SetAsString("Петрова");
  fmMain->acCancel->Execute();
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  EXPECT_EQ(f->Document()->Table()->State(), dsBrowse);
  EXPECT_EQ(f->Document()->Table()->FieldByName("LNAME")->AsString(), "Иванова");
  EXPECT_EQ(f->mtChild->FieldByName("WEIGHT")->AsFloat(), 1e300);
  EXPECT_NE(painted().find("|51|Q99|"), std::string::npos) << painted();
}

// A damaged register whose first child's surname holds a NUL byte: the
// card's rows show it whole, and storing the record after the other
// child's row is edited writes it back as it was.
TEST_F(ChildGridInputTest, AStoredTextWithANulByteIsKeptWhole) {
  const std::string file = dir.File("n.031");
  {
    auto t = register_fields::RegisterTable(file, 3);
    t->CreateTable();
    t->Open();
    t->Append();
    register_fields::FillMother(*t, 1, EncodeDate(2007, 4, 1));
    t->FieldByName("SCERTIF")->SetAsString("Б");
    t->FieldByName("TDOC")->SetAsInteger(14);
    t->FieldByName("CQNT")->SetAsInteger(2);
    for (int i : {1, 2}) {
      t->FieldByName(Format("LNAME%d", i))->SetAsString(i == 1 ? "ИваXнова" : "Петров");
      t->FieldByName(Format("FNAME%d", i))->SetAsString("Мария");
      t->FieldByName(Format("BDATE%d", i))->SetAsDateTime(EncodeDate(2007, 3, 15));
    }
    t->Post();
    t->Close();
  }
  std::string bytes = FileBytes(file);
  std::string stored = FromUtf8("ИваXнова", TCodePage::Oem866);
  const std::size_t at = bytes.find(stored);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 3] = stored[3] = '\0';
  std::ofstream(file, std::ios::binary) << bytes;
  SetFileDialogBackend([file](TFileDialogRequest& r) {
    r.FileName = file;
    return true;
  });
  PressKey('O', {ssCtrl});
  auto* f = dynamic_cast<TFrmT3*>(fmMain->CurrentFrame());
  ASSERT_NE(f, nullptr);
  PressKey(VK_RETURN, {ssCtrl});
  ASSERT_TRUE(f->CardShown());
  ASSERT_EQ(f->mtChild->RecordCount(), 2);
  f->mtChild->First();
  EXPECT_EQ(f->mtChild->FieldByName("LNAME")->AsString(), "Ива\0нова"s);
  ClickCell(*f, "FNAME", 1);
  TypeText("Анна");
  PressKey('S', {ssCtrl});
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  ASSERT_EQ(f->Document()->Table()->State(), dsBrowse);
  bytes = FileBytes(file);
  EXPECT_NE(bytes.find(stored), std::string::npos) << "the surname was cut";
  EXPECT_NE(bytes.find(FromUtf8("Анна", TCodePage::Oem866)), std::string::npos);
}

}  // namespace
