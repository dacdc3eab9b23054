// The long-lived dialogs made at start-up after the main window: the
// print-parameter dialog and the certificate directory. Their contents
// come with printing and with the directory. GUI thread only.
#pragma once

#include "platform/gui/forms.h"
#include "register/dlg_param.h"

class TfmDict : public TForm {
  MEBRATH_CLASS(TfmDict, TForm)
 protected:
  explicit TfmDict(TComponent* owner);
};

extern TDlgParam* DlgParam;
extern TfmDict* fmDict;
