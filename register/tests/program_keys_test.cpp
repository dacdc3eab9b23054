// The program started as main() starts it, on the scripted desktop, and
// driven by the keys a clerk presses on the card.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "controls/db_check_box.h"
#include "controls/db_edit.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/frames.h"
#include "register/main_window.h"
#include "register/startup.h"
#include "started_program_fixture.h"

namespace {

class ProgramKeysTest : public StartedProgramFixture {
 protected:
  TCustomDBEditEh* FocusedEdit() { return dynamic_cast<TCustomDBEditEh*>(Screen->ActiveControl()); }
  // Enter until the card's edit of `field` has the focus, then types.
  void Enter(const std::string& field, std::string_view text) {
    for (int i = 0; i < 40; ++i) {
      if (FocusedEdit() != nullptr && FocusedEdit()->DataField() == field) {
        TypeText(text);
        return;
      }
      PressKey(VK_RETURN);
    }
    FAIL() << "no edit for " << field;
  }
  // A whole record typed on the card of a new record.
  void TypeRecord(const char* number, const char* lastName) {
    Enter("NCERTIF", number);
    Enter("DCERTIF", "03042007");
    Enter("LNAME", lastName);
    Enter("FNAME", "анна");
    Enter("BDATE", "06051980");
    Enter("NDOC", "123456");
    Enter("SDOC", "4501");
    Enter("DDOC", "01012000");
    Enter("ODOC", "ОВД");
    Enter("DREG", "10012007");
    Enter("QTW2", "30");
  }
  // The stored bytes of the register's first record.
  static std::string FirstRecord(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (bytes.size() < 12) return {};
    auto word = [&](std::size_t at) {
      return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
    };
    return bytes.substr(static_cast<std::size_t>(word(8)), static_cast<std::size_t>(word(10)));
  }
};

// Enter and Tab lead through a new record's card in the order of the
// register's fields, round to the first, on every kind of coupon; the
// child grid keeps both keys for its cells, so the walk steps over it.
TEST_F(ProgramKeysTest, TheCardsFocusFollowsTheFieldsOrder) {
  const std::string common =
      "SCERTIF NCERTIF DCERTIF SNILS LNAME FNAME MNAME BDATE ADDRESS TDOC NDOC SDOC DDOC ODOC "
      "SPOLICY NPOLICY SLEAF NLEAF DLEAF DREG NCARD DCARD ";
  const struct {
    const char* File;
    std::string Order;
  } kinds[] = {{"a.001", common + "QTW2 MULP PREM "},
               {"b.002", common + "DIAG rows BQNT "},
               {"c.031", common + "rows "},
               {"d.032", common + "rows "}};
  auto focused = [] {
    TWinControl* c = Screen->ActiveControl();
    if (auto* edit = dynamic_cast<TCustomDBEditEh*>(c)) return edit->DataField();
    if (auto* box = dynamic_cast<TCustomDBCheckBoxEh*>(c)) return box->DataField();
    return std::string(dynamic_cast<TDBGridEh*>(c) != nullptr ? "rows" : "?");
  };
  for (const auto& kind : kinds) {
    fmMain->NewFile(dir.File(kind.File));
    TCustFrame* f = fmMain->CurrentFrame();
    ASSERT_NE(f, nullptr);
    PressKey(VK_INSERT, {ssCtrl});
    ASSERT_TRUE(f->CardShown());
    for (unsigned key : {VK_RETURN, VK_TAB}) {
      SCOPED_TRACE(std::string(kind.File) + (key == VK_TAB ? " Tab" : " Enter"));
      std::string order;
      const std::string first = focused();
      do {
        order += focused() + " ";
        if (focused() == "rows")
          f->tsCard->SelectNext(Screen->ActiveControl(), true, true);
        else
          PressKey(key);
      } while (focused() != first && order.size() < 1000);
      EXPECT_EQ(order, kind.Order);
    }
    fmMain->acCancel->Execute();
  }
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
}

TEST_F(ProgramKeysTest, CtrlInsInAFieldWithSelectedTextStartsANewRecord) {
  // Tab and Shift+Tab select the text of the field they enter: where the
  // clerk stands after the record is stored.
  for (bool back : {false, true}) {
    SCOPED_TRACE(back ? "Shift+Tab" : "Tab");
    const std::string file = dir.File(back ? "back.001" : "tab.001");
    fmMain->NewFile(file);
    auto* f = dynamic_cast<TFrmT1*>(fmMain->CurrentFrame());
    ASSERT_NE(f, nullptr);
    PressKey(VK_INSERT, {ssCtrl});
    ASSERT_TRUE(f->CardShown());
    TypeRecord("1", "иванова");
    PressKey('S', {ssCtrl});
    ASSERT_EQ(f->Document()->Table()->State(), dsBrowse);
    const std::string saved = FirstRecord(file);
    ASSERT_FALSE(saved.empty());
    Enter(back ? "MNAME" : "LNAME", "");
    PressKey(VK_TAB, back ? TShiftState{ssShift} : TShiftState{});
    TCustomDBEditEh* edit = FocusedEdit();
    ASSERT_NE(edit, nullptr);
    ASSERT_GT(edit->SelLength(), 0) << edit->DataField();

    PressKey(VK_INSERT, {ssCtrl});
    EXPECT_EQ(f->Document()->Table()->State(), dsInsert);
    EXPECT_EQ(f->Document()->Table()->FieldByName("LNAME")->AsString(), "");
    TypeRecord("2", "петрова-водкина");
    PressKey('S', {ssCtrl});
    EXPECT_TRUE(Boxes.empty()) << Boxes.front();
    EXPECT_EQ(f->Document()->Table()->RecordCount(), 2);
    EXPECT_EQ(FirstRecord(file), saved);
    Boxes.clear();
  }
}

}  // namespace
