#include "register/startup.h"

#include "register/data_module.h"
#include "register/dialogs.h"
#include "register/main_window.h"

void CreateProgramForms() {
  Application->Initialize();
  Application->SetTitle("Mebrath");
  Application->CreateForm(DM);
  Application->CreateForm(fmMain);
  Application->CreateForm(DlgParam);
  Application->CreateForm(fmDict);
}

int RunProgram() {
  CreateProgramForms();
  Application->Run();
  return 0;
}
