#include "register/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "grid/db_grid.h"
#include "grid/find_dialog.h"
#include "grid/property_interceptors.h"
#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/certificate_directory.h"
#include "register/core/tests/register_fields.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/ex_page_control.h"
#include "register/frames.h"
#include "register/main_window.h"
#include "report/fr_functions.h"
#include "report/fr_report.h"

namespace {

class StartupTest : public GuiTest {
 protected:
  StartupTest() : FClock(EncodeDate(2026, 12, 6)) {
    SetIniFileName(
        (std::filesystem::temp_directory_path() / "mebrath-startup-missing.ini").string());
  }
  ~StartupTest() override {
    // A later test starts the program again.
    auto drop = [](auto*& form) {
      if (form != nullptr) form->Free();
      form = nullptr;
    };
    drop(fmDict);
    drop(DlgParam);
    drop(fmMain);
    drop(DM);
    SetIniFileName("");
  }
  TScopedClock FClock;
};

// The program as main() starts it, without a desktop.
class StartedProgramTest : public GuiTest {
 protected:
  StartedProgramTest() : FClock(EncodeDate(2008, 6, 1)) {
    SetIniFileName(FDir.File("mebrath.ini"));
    StartProgram({});
    fmMain->Show();
  }
  ~StartedProgramTest() override {
    frReportHooks() = TfrReportHooks{};
    frFunctionHooks() = TfrFunctionHooks{};
    SetIniFileName("");
  }
  TScopedClock FClock;
  TFileTestDir FDir;
};

}  // namespace

TEST_F(StartupTest, MakesTheFormsInOrderAndTheMainWindowAsksBeforeClosing) {
  CreateProgramForms();
  EXPECT_EQ(Application->Title(), "Mebrath");
  ASSERT_NE(DM, nullptr);
  ASSERT_EQ(Application->MainForm(), fmMain);
  EXPECT_EQ(fmMain->Caption(), "Mebrath");
  ASSERT_NE(DlgParam, nullptr);
  ASSERT_NE(fmDict, nullptr);
  // Made in the program block's order, all owned by the application.
  std::vector<TComponent*> made;
  for (int i = 0; i < Application->ComponentCount(); ++i) {
    TComponent* c = Application->Components(i);
    if (c == DM || c == fmMain || c == DlgParam || c == fmDict) made.push_back(c);
  }
  EXPECT_EQ(made, (std::vector<TComponent*>{DM, fmMain, DlgParam, fmDict}));

  int answer = IDNO;
  SetMessageBoxHandler([&](const std::string& text, const std::string& caption, unsigned) {
    Boxes.push_back(caption + ": " + text);
    return answer;
  });
  EXPECT_FALSE(fmMain->CloseQuery());
  answer = IDYES;
  fmDict->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  EXPECT_FALSE(fmMain->CloseQuery());  // another form refuses
  fmDict->OnCloseQuery = nullptr;
  EXPECT_TRUE(fmMain->CloseQuery());
  EXPECT_EQ(Boxes.size(), 3u);
  EXPECT_EQ(Boxes[0], "Mebrath: Завершить работу?");
}

TEST_F(StartupTest, RegistersTheFormAndColumnStorageInterceptors) {
  StartProgram(nullptr);
  auto registered = [](const TClassInfo* target) {
    for (const auto& r : PropertyInterceptorRegistrations())
      if (r.Target == target) return r.Interceptor.Info;
    return static_cast<const TClassInfo*>(nullptr);
  };
  EXPECT_EQ(registered(&TCustomForm::kClassInfo), &TFormStoragePropertyInterceptor::kClassInfo);
  EXPECT_EQ(registered(&TColumnEh::kClassInfo), &TColumnEhPropertyInterceptor::kClassInfo);
  EXPECT_EQ(registered(&TDBGridColumnsEh::kClassInfo), &TColumnsEhPropertyInterceptor::kClassInfo);
}

TEST_F(StartupTest, RegistersTheTabSheetForStreaming) {
  UnRegisterClass("TExTabSheet");
  StartProgram(nullptr);
  const TComponentClass* made = GetClass("TExTabSheet");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->Info, &TExTabSheet::kClassInfo);
  TObjectPtr<TComponent> sheet(made->CreateInstance(nullptr));
  EXPECT_NE(dynamic_cast<TExTabSheet*>(sheet.get()), nullptr);
}

TEST_F(StartupTest, KeepsAClassRegisteredBeforeUnderTheTabSheetsName) {
  struct Restore {
    ~Restore() {
      UnRegisterClass("TExTabSheet");
      RegisterClass<TExTabSheet>();
    }
  } restore;
  UnRegisterClass("TExTabSheet");
  RegisterClass("TEXTABSHEET",
                [](TComponent* owner) -> TComponent* { return Create<TTabSheet>(owner); });
  StartProgram(nullptr);
  TObjectPtr<TComponent> kept(FindClass("TExTabSheet").CreateInstance(nullptr));
  EXPECT_EQ(dynamic_cast<TExTabSheet*>(kept.get()), nullptr);
}

TEST_F(StartupTest, UnusedNewbornGroupsHoldZeroWeightAndGrowthInTheFile) {
  StartProgram(nullptr);
  TFileTestDir dir;
  fmMain->NewFile(dir.File("b.002"));
  auto* f = dynamic_cast<TFrmT2*>(fmMain->CurrentFrame());
  ASSERT_NE(f, nullptr);
  TDataSet& t = *f->Document()->Table();
  t.Append();
  register_fields::FillMother(t, 7, EncodeDate(2007, 4, 1));
  f->LoadChildren();
  for (int growth : {52, 48}) {
    f->mtChild->Append();
    f->mtChild->FieldByName("WEIGHT")->SetAsFloat(3.45);
    f->mtChild->FieldByName("GROWTH")->SetAsInteger(growth);
    f->mtChild->Post();
  }
  t.Post();
  // Group i of the only record: SEXi C1, WEIGHTi N5.3, GROWTHi N2.0, DIAGi C6
  // after the header, the common columns, DIAG and CQNT.
  auto group = [&](int i) { return ReadFile(f->FileName()).substr(1633 + 482 + (i - 1) * 14, 14); };
  EXPECT_EQ(group(2).substr(1, 7), "3.45048");
  for (int i = 3; i <= 6; ++i) EXPECT_EQ(group(i), " 0.000 0      ") << i;
  // The second newborn given up: its group is emptied the same way.
  f->DeleteChildRow();
  f->PostRecord();
  EXPECT_EQ(t.FieldByName("CQNT")->AsInteger(), 1);
  EXPECT_EQ(group(2), " 0.000 0      ");
}

TEST_F(StartupTest, ATitleClickOnTheSumOrdersTheRowsByIt) {
  StartProgram(nullptr);
  SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDYES; });
  TFileTestDir dir;
  fmMain->NewFile(dir.File("a.001"));
  TCustFrame* f = fmMain->CurrentFrame();
  ASSERT_NE(f, nullptr);
  TDataSet& t = *f->Document()->Table();
  // 3000, not payable (0), 2000 (a certificate of 2006), 3000.
  const struct {
    int number, year, weeks;
  } records[] = {{1, 2007, 32}, {2, 2007, 25}, {3, 2006, 32}, {4, 2007, 33}};
  for (const auto& r : records) {
    t.Append();
    register_fields::FillMother(t, r.number, EncodeDate(r.year - 1, 12, 1));
    t.FieldByName("DCERTIF")->SetAsDateTime(EncodeDate(r.year, 4, 3));
    t.FieldByName("QTW2")->SetAsInteger(r.weeks);
    t.Post();
  }
  auto sums = [&] {
    std::string out;
    for (t.First(); !t.Eof(); t.Next())
      out += (out.empty() ? "" : ",") + t.FieldByName("NCERTIF")->AsString() + ":" +
             t.FieldByName("SUM")->AsString();
    return out;
  };
  ASSERT_EQ(sums(), "1:3000,2:0,3:2000,4:3000");
  TColumnEh* sum = f->grdMain->Columns()->Items(f->grdMain->Columns()->Count() - 1);
  ASSERT_EQ(sum->FieldName(), "SUM");
  f->TitleBtnClick(sum);
  EXPECT_EQ(sum->Title()->SortMarker(), smUpEh);
  EXPECT_EQ(sums().substr(0, 11), "2:0,3:2000,");
  f->TitleBtnClick(sum);
  EXPECT_EQ(sum->Title()->SortMarker(), smDownEh);
  EXPECT_EQ(sums().substr(sums().size() - 11), ",3:2000,2:0");
  f->TitleBtnClick(sum);
  EXPECT_EQ(sums(), "1:3000,2:0,3:2000,4:3000");
}

TEST_F(StartedProgramTest, EscapeClosesTheCertificateDirectoryEmptyOrNot) {
  const std::string first = FDir.File("a.001");
  fmMain->NewFile(first);
  fmMain->NewFile(FDir.File("b.002"));
  PressKey(VK_INSERT, {ssCtrl});
  TCustFrame* card = fmMain->CurrentFrame();
  ASSERT_TRUE(card->CardShown());
  for (bool withRegister : {false, true}) {
    bool shown = false;
    bool stayed = false;
    RunModalSteps({[&] {
                     shown = fmDict->Visible();
                     if (withRegister) fmDict->OpenRegister(first);
                     PressKey(VK_ESCAPE);
                   },
                   [&] {
                     stayed = true;
                     fmDict->SetModalResult(mrCancel);
                   }},
                  [&] { card->TakeOverCertificate(); });
    EXPECT_TRUE(shown) << withRegister;
    EXPECT_FALSE(stayed) << withRegister;
  }
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
}

TEST_F(StartedProgramTest, TheGridsFindDialogClosesAtTheFirstEscAfterTyping) {
  fmMain->NewFile(FDir.File("a.001"));
  TCustFrame* f = fmMain->CurrentFrame();
  ASSERT_NE(f, nullptr);
  TDataSet& t = *f->Document()->Table();
  for (const char* name : {"Иванова", "Петрова"}) {
    t.Append();
    register_fields::FillMother(t, t.RecordCount() + 1, EncodeDate(2006, 12, 1));
    t.FieldByName("QTW2")->SetAsInteger(32);
    t.FieldByName("LNAME")->SetAsString(name);
    t.Post();
  }
  t.First();
  f->grdMain->SetFocus();
  for (TColumnEh* column : f->grdMain->VisibleColumns())
    if (column->FieldName() == "FIO") f->grdMain->SetSelectedIndex(column->Index());
  bool stillOpen = false;
  RunModalSteps({[&] {
                   TypeText("Петр");
                   PressKey(VK_RETURN);
                 },
                 [&] {
                   TypeText("ова");
                   PressKey(VK_ESCAPE);
                 },
                 [&] {
                   stillOpen = true;
                   TDBGridEhFindDlg::Instance()->SetModalResult(mrCancel);
                 }},
                [&] { PressKey('F', {ssCtrl}); });
  EXPECT_FALSE(stillOpen);
  EXPECT_EQ(t.FieldByName("LNAME")->AsString(), "Петрова") << "Enter found the record";
  EXPECT_TRUE(Boxes.empty()) << Boxes.front();
}
