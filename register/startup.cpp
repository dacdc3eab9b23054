#include "register/startup.h"

#include "grid/grid_resources.h"
#include "platform/base/file_utils.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/ex_page_control.h"
#include "register/main_window.h"
#include "report/preview/fr_report_windows.h"

std::string ProgramHelpFile() { return ExecutableDir() + "doc/Kelm.doc"; }

void StartProgram(const TDesktopInstaller& installDesktop) {
  if (installDesktop) installDesktop();
  ApplyStartupFormatSettings();
  frInstallReportWindows(ProgramHelpFile());
  InitializeGridUnit();
  RegisterExTabSheetClass();
  CreateProgramForms();
}

void CreateProgramForms() {
  Application->Initialize();
  Application->SetTitle("Mebrath");
  Application->CreateForm(DM);
  Application->CreateForm(fmMain);
  Application->CreateForm(DlgParam);
  Application->CreateForm(fmDict);
}

int RunProgram(const TDesktopInstaller& installDesktop) {
  StartProgram(installDesktop);
  Application->Run();
  return 0;
}
