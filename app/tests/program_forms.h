// Ends what the program's start-up made, for tests that start the whole
// program in their own process: a later test must not meet a second main
// window on the desktop.
#pragma once

#include <vector>

#include "platform/gui/forms.h"
#include "register/certificate_directory.h"
#include "register/data_module.h"
#include "register/dlg_param.h"
#include "register/main_window.h"

// Frees the program's long-lived forms, last made first, clears their
// globals and lets the application be started again.
inline void FreeProgramForms() {
  std::vector<TComponent*> forms = {fmDict, DlgParam, fmMain, DM};
  for (TComponent* form : forms)
    if (form != nullptr) form->Free();
  fmDict = nullptr;
  DlgParam = nullptr;
  fmMain = nullptr;
  DM = nullptr;
  Application->ResetForTests();
}
