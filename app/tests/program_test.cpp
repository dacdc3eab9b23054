// Starts the program as main() does, offscreen, finds its main window on
// the desktop and closes it the way a user would.
#include <gtest/gtest.h>

#include <QWidget>
#include <filesystem>

#include "app/tests/program_forms.h"
#include "platform/base/clock.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/main_window.h"
#include "register/startup.h"

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

TEST(Program, StartsWithTheMainWindowAndClosesAfterTheQuestion) {
  static int argc = 1;
  static char name[] = "mebrath";
  static char* argv[] = {name, nullptr};
  TQtHost& host = InstallQtHost(argc, argv);
  InstallQtServices(host);
  ApplyStartupFormatSettings();
  SetIniFileName((std::filesystem::temp_directory_path() / "mebrath-program-test.ini").string());
  TScopedClock clock(EncodeDate(2026, 12, 6));

  std::vector<std::string> questions;
  SetMessageBoxHandler([&](const std::string& text, const std::string& caption, unsigned) {
    questions.push_back(caption + ": " + text);
    return IDYES;
  });
  CreateProgramForms();
  fmMain->Show();
  QWidget* window = host.WidgetOf(fmMain->Handle());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->windowTitle().toStdString(), "Mebrath");
  EXPECT_TRUE(window->isVisible());

  // The user closes the window: the question comes, Yes ends the loop.
  PostMessage(fmMain->Handle(), WM_CLOSE, 0, 0);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(questions, std::vector<std::string>{"Mebrath: Завершить работу?"});
  SetMessageBoxHandler(nullptr);
  // The program's forms go with it: a later test in this process must not
  // meet a second main window on the desktop (the two would take the
  // activation from each other without end).
  FreeProgramForms();
}
