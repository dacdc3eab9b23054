#include "register/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/certificate_directory.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
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
  ~StartupTest() override { SetIniFileName(""); }
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
