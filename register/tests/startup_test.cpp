#include "register/startup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../../platform/gui/tests/gui_test_support.h"
#include "platform/base/clock.h"
#include "register/data_module.h"
#include "register/dialogs.h"
#include "register/main_window.h"

namespace {

class StartupTest : public GuiTest {
 protected:
  StartupTest() : FClock(EncodeDate(2026, 12, 6)) {
    SetIniFileName((std::filesystem::temp_directory_path() / "mebrath-startup-missing.ini").string());
  }
  ~StartupTest() override { SetIniFileName(""); }
  TScopedClock FClock;
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
  EXPECT_EQ(Screen->Forms(0) == fmMain || Screen->Forms(1) == fmMain, true);

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
