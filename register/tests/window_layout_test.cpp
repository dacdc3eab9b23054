// Every register window fits the main window at its default size: the
// status bar with the position and the register kind stays in sight.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/clock.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/services.h"
#include "register/cust_frame.h"
#include "register/data_module.h"
#include "register/main_window.h"

namespace {

class WindowLayoutTest : public ::testing::Test {
 protected:
  WindowLayoutTest() : clock(EncodeDate(2008, 6, 1)) {
    ApplyStartupFormatSettings();
    SetIniFileName(dir.File("mebrath.ini"));
    SetMessageBoxHandler([](const std::string&, const std::string&, unsigned) { return IDYES; });
    main = Create<TfmMain>(nullptr);
    main->Show();
  }
  ~WindowLayoutTest() override {
    main->Free();
    SetMessageBoxHandler(nullptr);
    SetIniFileName("");
  }
  TScopedClock clock;
  TFileTestDir dir;
  TfmMain* main = nullptr;
};

TEST_F(WindowLayoutTest, TheStatusBarOfEveryRegisterKindIsInSight) {
  for (const char* name : {"a.001", "b.002", "c.031", "d.032"}) {
    main->NewFile(dir.File(name));
    Application->ProcessMessages();
    TCustFrame* frame = main->CurrentFrame();
    ASSERT_NE(frame, nullptr) << name;
    TPoint bottom = frame->SB->ClientToScreen({0, frame->SB->Height()});
    TPoint clientBottom = main->ClientToScreen({0, main->ClientHeight()});
    EXPECT_LE(bottom.Y, clientBottom.Y) << name;
    EXPECT_TRUE(frame->SB->Showing()) << name;
  }
}

}  // namespace
