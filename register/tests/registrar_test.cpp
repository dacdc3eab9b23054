// A registrar's session through synthetic input: a coupon No. 2 register
// is created, a mother is typed into the card, the checks answer wrong
// entries, the record is stored, the table is sorted by a title click and
// the register is opened again.
#include <gtest/gtest.h>

#include "controls/db_edit.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/services.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/widgets/std_bars.h"
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
  // Ctrl+Insert on a coupon No. 1 register, then a whole valid record
  // typed field by field on the card, not yet posted.
  void TypeCoupon1Record(TCustFrame* frame, const char* number) {
    PressKey(VK_INSERT, {ssCtrl});
    ASSERT_TRUE(frame->CardShown());
    Enter("NCERTIF", number);
    Enter("DCERTIF", "03042007");
    Enter("LNAME", "петрова");
    Enter("FNAME", "анна");
    Enter("BDATE", "06051980");
    Enter("NDOC", "123456");
    Enter("SDOC", "4501");
    Enter("DDOC", "01012000");
    Enter("ODOC", "ОВД");
    Enter("DREG", "10012007");
    Enter("QTW2", "30");
  }
  // The tool bar's button for `action`, or null.
  TToolButton* ToolButtonOf(TBasicAction* action) {
    for (int i = 0; i < main->ToolBar->ButtonCount(); ++i)
      if (main->ToolBar->Buttons(i)->Action() == action) return main->ToolBar->Buttons(i);
    return nullptr;
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
  ASSERT_EQ(f->Document()->Table()->State(), dsInsert);

  Enter("NCERTIF", "1234567");
  Enter("DCERTIF", "03042007");
  Enter("SNILS", "11223344595");
  Enter("LNAME", "иванова-петрова");
  // Russian on entering the surname.
  EXPECT_EQ(layouts, std::vector<int>{1049});
  Enter("FNAME", "анна");
  Enter("BDATE", "06051980");
  Enter("NDOC", "123456");
  Enter("SDOC", "4501");
  Enter("DDOC", "01012000");
  Enter("ODOC", "ОВД");
  // Ctrl+C with text selected in a card field copies it; the record stays.
  auto* odoc = dynamic_cast<TCustomDBEditEh*>(Screen->ActiveControl());
  ASSERT_NE(odoc, nullptr);
  odoc->SelectAll();
  PressKey('C', {ssCtrl});
  EXPECT_EQ(f->Document()->Table()->State(), dsInsert);
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
  EXPECT_EQ(f->Document()->Table()->State(), dsInsert);

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
  EXPECT_EQ(f->Document()->Table()->State(), dsBrowse);
  EXPECT_EQ(f->Document()->Table()->FieldByName("LNAME")->AsString(), "Иванова-Петрова");
  EXPECT_EQ(f->Document()->Table()->FieldByName("FNAME")->AsString(), "Анна");
  EXPECT_EQ(f->Document()->Table()->FieldByName("SNILS")->AsString(), "112-233-445 95");
  EXPECT_EQ(f->Document()->Table()->FieldByName("DCERTIF")->AsDateTime(), EncodeDate(2007, 4, 3));
  EXPECT_EQ(f->Document()->Table()->FieldByName("Childs")->AsString(), "М,3.450,52;Ж,2.900,48;");
  EXPECT_EQ(f->Document()->Table()->FieldByName("SUM")->AsCurrency(), Currency(6000));

  PressKey(VK_RETURN, {ssCtrl});
  EXPECT_FALSE(f->CardShown());
  // Shift+Down and Shift+Up change the text lines of the rows.
  f->grdMain->SetFocus();
  PressKey(VK_DOWN, {ssShift});
  EXPECT_EQ(f->grdMain->RowLines(), 2);
  PressKey(VK_UP, {ssShift});
  EXPECT_EQ(f->grdMain->RowLines(), 0);
  TColumnEh* current = f->grdMain->Columns()->Items(f->grdMain->SelectedIndex());
  const int width = current->Width();
  PressKey(VK_RIGHT, {ssShift});
  EXPECT_EQ(current->Width(), width + 4);
  PressKey(VK_LEFT, {ssShift, ssCtrl});
  EXPECT_EQ(current->Width(), width + 3);
  f->grdMain->TitleButtonReleased(f->grdMain->Columns()->Items(0), false);
  EXPECT_EQ(f->grdMain->Columns()->Items(0)->Title()->SortMarker(), smUpEh);

  main->OpenFile(dir.File("birth.002"));
  EXPECT_EQ(main->CurrentFrame(), f);
  EXPECT_EQ(f->Document()->Table()->RecordCount(), 1);
  EXPECT_EQ(f->Document()->Table()->FieldByName("cCERTIF")->AsString(), "Б 1234567");
  EXPECT_EQ(f->SB->Panels()->Items(0)->Text(), "1:1");
}

TEST_F(RegistrarTest, CalculatedValuesFollowTheEdit) {
  main->NewFile(dir.File("term.001"));
  auto* f = dynamic_cast<TFrmT1*>(main->CurrentFrame());
  ASSERT_NE(f, nullptr);
  PressKey(VK_INSERT, {ssCtrl});
  ASSERT_EQ(f->Document()->Table()->State(), dsInsert);
  auto shown = [f](const char* field) {
    for (int i = 0; i < f->ComponentCount(); ++i) {
      auto* edit = dynamic_cast<TCustomDBEditEh*>(f->Components(i));
      if (edit != nullptr && edit->DataField() == field) return edit->Text();
    }
    return std::string("<no edit>");
  };
  Enter("NCERTIF", "1234567");
  Enter("DCERTIF", "03042007");
  Enter("LNAME", "петрова");
  Enter("FNAME", "анна");
  Enter("DREG", "10012007");
  // 83 days between the dates: 11 whole weeks.
  struct {
    const char* qtw2;
    const char* qtw1;
  } terms[] = {{"30", "19"}, {"12", "1"}, {"5", "0"}};
  for (const auto& t : terms) {
    SCOPED_TRACE(t.qtw2);
    Enter("QTW2", "");
    auto* edit = dynamic_cast<TCustomDBEditEh*>(Screen->ActiveControl());
    ASSERT_NE(edit, nullptr);
    edit->SelectAll();
    TypeText(t.qtw2);
    PressKey(VK_RETURN);
    EXPECT_EQ(shown("cQTW1"), t.qtw1);
    EXPECT_EQ(f->Document()->Table()->State(), dsInsert) << "not posted";
  }
  EXPECT_EQ(f->Document()->Table()->FieldByName("cCERTIF")->AsString(), "Б 1234567");
  EXPECT_EQ(f->Document()->Table()->FieldByName("FIO")->AsString(), "Петрова Анна ");
  PressKey(VK_ESCAPE);
  f->CancelRecord();
}

// Clicks `control` at its middle through the host, as the mouse does.
void ClickThroughHost(TControl* control) {
  TCustomForm* form = GetParentForm(control);
  const TPoint screen = control->ClientToScreen({control->Width() / 2, control->Height() / 2});
  const TRect content = ContentRect(form->Handle());
  const TPoint p{screen.X - content.Left, screen.Y - content.Top};
  HostMouseEvent(form->Handle(), WM_LBUTTONDOWN, p, MK_LBUTTON);
  HostMouseEvent(form->Handle(), WM_LBUTTONUP, p, 0);
  Application->ProcessMessages();
}

TEST_F(RegistrarTest, CtrlEnterTogglesAfterPostAndToolbarCancel) {
  main->NewFile(dir.File("keys.001"));
  auto* f = dynamic_cast<TFrmT1*>(main->CurrentFrame());
  ASSERT_NE(f, nullptr);
  auto typeRecord = [&](const char* number) { TypeCoupon1Record(f, number); };
  // Posted with the focus in the term, then straight to the table.
  typeRecord("1");
  PressKey('S', {ssCtrl});
  EXPECT_EQ(Boxes, std::vector<std::string>{});
  ASSERT_EQ(f->Document()->Table()->State(), dsBrowse);
  PressKey(VK_RETURN, {ssCtrl});
  EXPECT_FALSE(f->CardShown());

  // The tool bar's Cancel with the focus in the first name.
  typeRecord("2");
  Enter("FNAME", "");
  TToolButton* cancel = ToolButtonOf(main->acCancel);
  ASSERT_NE(cancel, nullptr);
  ClickThroughHost(cancel);
  EXPECT_EQ(f->Document()->Table()->State(), dsBrowse);
  EXPECT_EQ(f->Document()->Table()->RecordCount(), 1);
  PressKey(VK_RETURN, {ssCtrl});
  EXPECT_FALSE(f->CardShown());
  // And back to the card with the same key.
  PressKey(VK_RETURN, {ssCtrl});
  EXPECT_TRUE(f->CardShown());
}

TEST_F(RegistrarTest, ValueMessagesAreRussianAndNameTheField) {
  main->NewFile(dir.File("words.001"));
  auto* f = dynamic_cast<TFrmT1*>(main->CurrentFrame());
  ASSERT_NE(f, nullptr);
  PressKey(VK_INSERT, {ssCtrl});
  struct {
    const char* field;
    const char* typed;
    const char* message;
  } cases[] = {
      {"QTW2", "3103130",
       "Test: Значение 3103130 недопустимо для поля 'Срок беременности на момент выдачи "
       "сертификата'. Допустимы значения от 0 до 99"},
      {"DCERTIF", "31022007",
       "Test: Значение '31.02.2007' поля 'Дата сертификата' не является датой"},
      {"DREG", "45132007",
       "Test: Значение '45.13.2007' поля 'Дата постановки на учет' не является датой"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    Enter(c.field, c.typed);
    Boxes.clear();
    PressKey(VK_RETURN);
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].substr(0, std::string(c.message).size()), c.message) << Boxes[0];
    // The card keeps the field and the text to mend.
    auto* edit = dynamic_cast<TCustomDBEditEh*>(Screen->ActiveControl());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->DataField(), c.field);
    PressKey(VK_ESCAPE);
  }
  f->CancelRecord();
}

TEST_F(RegistrarTest, CtrlEnterAfterToolbarCancelInEveryKind) {
  for (const char* file : {"c.001", "c.002", "c.031", "c.032"}) {
    SCOPED_TRACE(file);
    main->NewFile(dir.File(file));
    TCustFrame* f = main->CurrentFrame();
    PressKey(VK_INSERT, {ssCtrl});
    ASSERT_TRUE(f->CardShown());
    Enter("FNAME", "анна");
    TToolButton* cancel = ToolButtonOf(main->acCancel);
    ASSERT_NE(cancel, nullptr);
    ClickThroughHost(cancel);
    EXPECT_FALSE(f->IsEditing());
    PressKey(VK_RETURN, {ssCtrl});
    EXPECT_FALSE(f->CardShown());
    // The card's last field: Enter goes round to the first, never to the
    // page control that holds the card.
    PressKey(VK_INSERT, {ssCtrl});
    for (int i = 0; i < 60; ++i) {
      PressKey(VK_RETURN);
      EXPECT_NE(Screen->ActiveControl(), f->Pgs) << i;
    }
    f->CancelRecord();
    PressKey(VK_RETURN, {ssCtrl});
    EXPECT_FALSE(f->CardShown());
  }
}

TEST_F(RegistrarTest, ToolbarButtonsWorkTwiceInARow) {
  main->NewFile(dir.File("twice.001"));
  auto* f = dynamic_cast<TFrmT1*>(main->CurrentFrame());
  ASSERT_NE(f, nullptr);
  TToolButton* post = ToolButtonOf(main->acPost);
  ASSERT_NE(post, nullptr);
  for (const char* number : {"1", "2", "3"}) {
    SCOPED_TRACE(number);
    TypeCoupon1Record(f, number);
    Application->DoIdle();
    ClickThroughHost(post);
    Application->DoIdle();
    EXPECT_EQ(f->Document()->Table()->State(), dsBrowse);
    EXPECT_EQ(Boxes, std::vector<std::string>{});
  }
  EXPECT_EQ(f->Document()->Table()->RecordCount(), 3);
}

}  // namespace
