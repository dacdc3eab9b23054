// The program started as main() starts it, on the scripted desktop, with
// its INI file in a folder of the test's own and the clock at 1 June 2008:
// the base of the tests that drive it as a clerk does. Its forms go
// again, last made first, so the next test starts it afresh.
#pragma once

#include <initializer_list>

#include "platform/base/clock.h"
#include "platform/base/date_time.h"
#include "platform/base/tests/file_test_dir.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/tests/gui_test_support.h"
#include "platform/gui/window.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/main_window.h"
#include "register/startup.h"

class StartedProgramFixture : public GuiTest {
 protected:
  StartedProgramFixture() : clock(EncodeDate(2008, 6, 1)) {
    SetIniFileName(dir.File("mebrath.ini"));
    StartProgram(nullptr);
    fmMain->Show();
  }
  ~StartedProgramFixture() override {
    for (TComponent* form : std::initializer_list<TComponent*>{fmDict, DlgParam, fmMain, DM})
      if (form != nullptr) form->Free();
    fmDict = nullptr;
    DlgParam = nullptr;
    fmMain = nullptr;
    DM = nullptr;
    SetIniFileName("");
  }

  // A press and release of the left button at `client` in `control`,
  // through the desktop host as the clerk's mouse gives them.
  static void ClickAt(const TControl& control, TPoint client) {
    const TPoint screen = control.ClientToScreen(client);
    HWND top = GetTopLevel(fmMain->Handle());
    const TRect content = ContentRect(top);
    const TPoint at{screen.X - content.Left, screen.Y - content.Top};
    HostMouseEvent(top, WM_LBUTTONDOWN, at, MK_LBUTTON);
    HostMouseEvent(top, WM_LBUTTONUP, at, 0);
    Application->ProcessMessages();
  }

  TScopedClock clock;
  TFileTestDir dir;
};
