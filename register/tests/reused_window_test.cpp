// A register window reused as the clerk opens one register after another
// with Ctrl+O in the started program: the titles' sort markers always say
// how the rows are ordered.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/file_dialogs.h"
#include "register/core/tests/register_fields.h"
#include "register/cust_frame.h"
#include "register/main_window.h"
#include "started_program_fixture.h"

namespace {

class ReusedWindowTest : public StartedProgramFixture {
 protected:
  ~ReusedWindowTest() override { SetFileDialogBackend(nullptr); }

  // A coupon No. 1 register holding these certificate numbers in file order.
  std::string MakeRegister(const char* name, std::initializer_list<int> numbers) {
    const std::string file = dir.File(name);
    auto t = register_fields::RegisterTable(file, 1);
    t->CreateTable();
    t->Open();
    for (int number : numbers) {
      t->Append();
      register_fields::FillMother(*t, number, EncodeDate(2007, 1, 10));
      t->Post();
    }
    return file;
  }
  // Ctrl+O with the open dialog answering `file`.
  void OpenWithCtrlO(const std::string& file) {
    SetFileDialogBackend([file](TFileDialogRequest& r) {
      r.FileName = file;
      return true;
    });
    PressKey('O', {ssCtrl});
  }
  // A click on the lower (own) part of the title of `field`'s column, a
  // second after the last one: not the second half of a double click.
  void ClickTitle(TCustFrame& f, const std::string& field) {
    FTicks += 1000;
    TDBGridEh* grid = f.grdMain;
    int raw = -1;
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      if (grid->Columns()->Items(i)->FieldName() == field) raw = grid->DataToRawColumn(i);
    const TRect title = grid->CellRect(raw, 0);
    ClickAt(*grid, {(title.Left + title.Right) / 2, title.Bottom - 4});
  }
  std::uint32_t FTicks = 0;
  TScopedTickSource FTickSource{[this] { return FTicks; }};
  // The rows' certificate numbers in the grid's order, and the markers
  // of every title that has one ("NCERTIF:up").
  static std::string Shown(TCustFrame& f) {
    TDataSet& t = *f.Document()->Table();
    std::string out;
    for (t.First(); !t.Eof(); t.Next()) out += t.FieldByName("NCERTIF")->AsString() + " ";
    for (int i = 0; i < f.grdMain->Columns()->Count(); ++i) {
      TColumnEh* c = f.grdMain->Columns()->Items(i);
      const TSortMarkerEh m = c->Title()->SortMarker();
      if (m != smNoneEh) out += c->FieldName() + (m == smUpEh ? ":up " : ":down ");
    }
    return out;
  }
};

TEST_F(ReusedWindowTest, TitleMarkersFollowTheRowsAfterRegistersAreOpenedInTurn) {
  const std::string first = MakeRegister("first.001", {3, 1, 2});
  const std::string second = MakeRegister("second.001", {5, 4});
  OpenWithCtrlO(first);
  TCustFrame* f = fmMain->CurrentFrame();
  ASSERT_NE(f, nullptr);
  ClickTitle(*f, "cCERTIF");
  ASSERT_EQ(Shown(*f), "1 2 3 cCERTIF:up ");
  OpenWithCtrlO(second);
  ASSERT_EQ(fmMain->CurrentFrame(), f);
  EXPECT_EQ(Shown(*f), "4 5 cCERTIF:up ");
  OpenWithCtrlO(first);
  EXPECT_EQ(Shown(*f), "1 2 3 cCERTIF:up ");
  ClickTitle(*f, "cCERTIF");
  EXPECT_EQ(Shown(*f), "3 2 1 cCERTIF:down ");
  ClickTitle(*f, "cCERTIF");
  EXPECT_EQ(Shown(*f), "3 1 2 ");
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
}

// A click while the record is in edit cannot reorder the rows: the title
// keeps the marker the rows' order has.
TEST_F(ReusedWindowTest, AClickThatCannotReorderLeavesTheMarkerAsTheRowsAre) {
  OpenWithCtrlO(MakeRegister("first.001", {3, 1, 2}));
  TCustFrame* f = fmMain->CurrentFrame();
  ASSERT_NE(f, nullptr);
  ClickTitle(*f, "cCERTIF");
  ASSERT_EQ(Shown(*f), "1 2 3 cCERTIF:up ");
  TDataSet& t = *f->Document()->Table();
  t.Edit();
  ClickTitle(*f, "cCERTIF");
  t.Cancel();
  EXPECT_EQ(Shown(*f), "1 2 3 cCERTIF:up ");
}

// A register whose header length is one byte short is refused with the
// table's message naming it, and opening it writes nothing.
TEST_F(ReusedWindowTest, ARegisterWithItsHeaderLengthOffIsRefusedAndLeftAsItIs) {
  const std::string damaged = MakeRegister("damaged.001", {1, 2, 3, 4, 5});
  std::string bytes = ReadFile(damaged);
  bytes[8] = static_cast<char>(bytes[8] - 1);
  WriteFile(damaged, bytes);
  OpenWithCtrlO(damaged);
  ASSERT_EQ(Boxes.size(), 1u);
  EXPECT_NE(Boxes[0].find("Таблица " + damaged + " повреждена: длина заголовка"), std::string::npos)
      << Boxes[0];
  EXPECT_EQ(ReadFile(damaged), bytes);
}

}  // namespace
