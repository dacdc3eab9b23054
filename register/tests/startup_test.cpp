#include "register/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "grid/db_grid.h"
#include "grid/property_interceptors.h"
#include "platform/base/clock.h"
#include "platform/gui/tests/gui_test_support.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/main_window.h"

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
