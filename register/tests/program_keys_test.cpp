// The program started as main() starts it, on the scripted desktop, and
// driven by the keys a clerk presses on the card.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

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
    Enter("BDATE", "06051980");
    Enter("FNAME", "анна");
    Enter("SDOC", "4501");
    Enter("NDOC", "123456");
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
