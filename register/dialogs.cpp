#include "register/dialogs.h"

TDlgParam* DlgParam = nullptr;
TfmDict* fmDict = nullptr;

TfmDict::TfmDict(TComponent* owner) : TForm(owner) { SetName("fmDict"); }
