#include "register/dialogs.h"

TDlgParam* DlgParam = nullptr;
TfmDict* fmDict = nullptr;

TDlgParam::TDlgParam(TComponent* owner) : TForm(owner) {
  SetName("DlgParam");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
}

TfmDict::TfmDict(TComponent* owner) : TForm(owner) { SetName("fmDict"); }
