// A message box of the running program over its main window, as the
// window manager sees it: a modal dialog of the main window that keeps
// the activation and the keys while the main window is chosen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <filesystem>

#include "app/tests/program_forms.h"
#include "platform/base/clock.h"
#include "platform/gui/forms.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/main_window.h"
#include "register/startup.h"

TEST(ProgramMessageBox, StaysTheMainWindowsModalDialogAndTakesTheKeys) {
  static int argc = 1;
  static char name[] = "mebrath";
  static char* argv[] = {name, nullptr};
  TQtHost& host = InstallQtHost(argc, argv);
  InstallQtServices(host);
  ApplyStartupFormatSettings();
  SetIniFileName((std::filesystem::temp_directory_path() / "mebrath-modal-test.ini").string());
  TScopedClock clock(EncodeDate(2026, 12, 6));
  CreateProgramForms();
  fmMain->Show();
  QWidget* main = host.WidgetOf(fmMain->Handle());
  ASSERT_NE(main, nullptr);

  bool inspected = false;
  HWND box = nullptr;
  // Should the keys go astray, the box is closed all the same (the timer
  // goes with the test, so it never fires later).
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (IsWindow(box) && IsWindowVisible(box)) {
      ADD_FAILURE() << "the box did not get the keys";
      if (auto* form = dynamic_cast<TCustomForm*>(GetWindowControl(box)))
        form->SetModalResult(mrNo);
    }
  });
  QTimer::singleShot(0, [&] {
    // Armed however the step ends.
    struct TArm {
      QTimer& Timer;
      ~TArm() { Timer.start(0); }
    } arm{guard};
    inspected = true;
    box = GetActiveWindow();
    ASSERT_NE(box, fmMain->Handle());
    QWidget* b = host.WidgetOf(box);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->windowType(), Qt::Dialog);
    EXPECT_EQ(b->windowModality(), Qt::WindowModal);
    ASSERT_NE(b->windowHandle(), nullptr);
    EXPECT_EQ(b->windowHandle()->transientParent(), main->windowHandle());
    // The window manager activates the main window (a click on it): the
    // box stays active, and keys delivered to the main window answer it.
    main->activateWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(GetActiveWindow(), box);
    for (int key : {Qt::Key_Right, Qt::Key_Return}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
      QCoreApplication::sendEvent(main, &press);
      QCoreApplication::sendEvent(main, &release);
    }
  });
  EXPECT_EQ(Application->MessageBox("Записать изменения?", "Mebrath", MB_YESNO | MB_ICONQUESTION),
            IDNO);
  EXPECT_TRUE(inspected);
  EXPECT_EQ(GetActiveWindow(), fmMain->Handle());

  FreeProgramForms();
}
