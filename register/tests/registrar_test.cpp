// A registrar's session through synthetic input: a coupon No. 2 register
// is created, a mother is typed into the card, the checks answer wrong
// entries, the record is stored, the table is sorted by a title click and
// the register is opened again.
#include <gtest/gtest.h>

#include "controls/db_edit.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/services.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/data_module.h"
#include "register/frames.h"
#include "register/main_window.h"

namespace {

class RegistrarTest : public GuiTest {
 protected:
  RegistrarTest() : clock(EncodeDate(2008, 6, 1)) {
    ApplyStartupFormatSettings();
    SetIniFileName(dir.File("mebrath.ini"));
    main = Create<TfmMain>(nullptr);
    main->Show();
  }
  ~RegistrarTest() override {
    main->Free();
    SetIniFileName("");
  }

  // Enter until the card's edit of `field` has the focus, then types.
  void Enter(const std::string& field, std::string_view text) {
    for (int i = 0; i < 40; ++i) {
      auto* edit = dynamic_cast<TCustomDBEditEh*>(Screen->ActiveControl());
      if (edit != nullptr && edit->DataField() == field) {
        TypeText(text);
        return;
      }
      PressKey(VK_RETURN);
    }
    FAIL() << "no edit for " << field;
  }

  TScopedClock clock;
  TFileTestDir dir;
  TfmMain* main = nullptr;
};

TEST_F(RegistrarTest, AMotherWithTwoNewbornsTypedIntoTheCard) {
  main->NewFile(dir.File("birth.002"));
  auto* f = dynamic_cast<TFrmT2*>(main->CurrentFrame());
  ASSERT_NE(f, nullptr);
  std::vector<int> layouts;
  SetKeyboardLayoutHandler([&](int id) {
    layouts.push_back(id);
    return true;
  });
  PressKey(VK_INSERT, {ssCtrl});
  ASSERT_TRUE(f->CardShown());
  ASSERT_EQ(f->dbMain->State(), dsInsert);

  Enter("NCERTIF", "1234567");
  Enter("DCERTIF", "03042007");
  Enter("SNILS", "11223344595");
  Enter("LNAME", "иванова-петрова");
  // Russian on entering the surname.
  EXPECT_EQ(layouts, std::vector<int>{1049});
  Enter("BDATE", "06051980");
  Enter("FNAME", "анна");
  Enter("SDOC", "4501");
  Enter("NDOC", "123456");
  Enter("DDOC", "01012000");
  Enter("ODOC", "ОВД");
  // Ctrl+C with text selected in a card field copies it; the record stays.
  auto* odoc = dynamic_cast<TCustomDBEditEh*>(Screen->ActiveControl());
  ASSERT_NE(odoc, nullptr);
  odoc->SelectAll();
  PressKey('C', {ssCtrl});
  EXPECT_EQ(f->dbMain->State(), dsInsert);
  EXPECT_EQ(odoc->Text(), "ОВД");
  Enter("DREG", "10012007");
  PressKey(VK_RETURN);
  // English in the mother's diagnosis code, Russian again after it.
  Enter("DIAG", "");
  PressKey(VK_RETURN);
  EXPECT_EQ(layouts, (std::vector<int>{1049, 1033, 1049}));
  SetKeyboardLayoutHandler(nullptr);

  // No newborns yet: the post is refused and the card stays.
  Boxes.clear();
  PressKey('S', {ssCtrl});
  EXPECT_EQ(Boxes, std::vector<std::string>{"Test: Нет сведений о новорожденных."});
  EXPECT_EQ(f->dbMain->State(), dsInsert);

  // The rows go in through the child table (the grid's cell editor comes
  // with the grid); a wrong one is answered at once.
  Boxes.clear();
  f->mtChild->Append();
  f->mtChild->FieldByName("WEIGHT")->SetAsFloat(3.45);
  f->mtChild->FieldByName("GROWTH")->SetAsInteger(15);
  EXPECT_THROW(f->mtChild->Post(), EAbort);
  EXPECT_EQ(Boxes, std::vector<std::string>{"Test: Не верно указан рост новорожденного."});
  f->mtChild->FieldByName("GROWTH")->SetAsInteger(52);
  f->mtChild->Post();
  f->mtChild->Append();
  f->mtChild->FieldByName("SEX")->SetAsString("Ж");
  f->mtChild->FieldByName("WEIGHT")->SetAsFloat(2.9);
  f->mtChild->FieldByName("GROWTH")->SetAsInteger(48);
  f->mtChild->Post();

  Boxes.clear();
  PressKey('S', {ssCtrl});
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
  EXPECT_EQ(f->dbMain->State(), dsBrowse);
  EXPECT_EQ(f->dbMain->FieldByName("LNAME")->AsString(), "Иванова-Петрова");
  EXPECT_EQ(f->dbMain->FieldByName("FNAME")->AsString(), "Анна");
  EXPECT_EQ(f->dbMain->FieldByName("SNILS")->AsString(), "112-233-445 95");
  EXPECT_EQ(f->dbMain->FieldByName("DCERTIF")->AsDateTime(), EncodeDate(2007, 4, 3));
  EXPECT_EQ(f->dbMain->FieldByName("Childs")->AsString(), "М,3.450,52;Ж,2.900,48;");
  EXPECT_EQ(f->dbMain->FieldByName("SUM")->AsCurrency(), Currency(6000));

  PressKey(VK_RETURN, {ssCtrl});
  EXPECT_FALSE(f->CardShown());
  // Shift+Down and Shift+Up change the text lines of the rows.
  f->grdMain->SetFocus();
  PressKey(VK_DOWN, {ssShift});
  EXPECT_EQ(f->grdMain->RowLines(), 2);
  PressKey(VK_UP, {ssShift});
  EXPECT_EQ(f->grdMain->RowLines(), 0);
  const int width = f->grdMain->Columns()->Items(0)->Width();
  PressKey(VK_RIGHT, {ssShift});
  EXPECT_EQ(f->grdMain->Columns()->Items(0)->Width(), width + 4);
  f->grdMain->TitleClick(f->grdMain->Columns()->Items(0));
  EXPECT_EQ(f->grdMain->Columns()->Items(0)->Title()->SortMarker(), smUpEh);

  main->OpenFile(dir.File("birth.002"));
  EXPECT_EQ(main->CurrentFrame(), f);
  EXPECT_EQ(f->dbMain->RecordCount(), 1);
  EXPECT_EQ(f->dbMain->FieldByName("cCERTIF")->AsString(), "Б 1234567");
  EXPECT_EQ(f->SB->Panels()->Items(0)->Text(), "1:1");
}

}  // namespace
