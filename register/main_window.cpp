#include "register/main_window.h"

#include "register/utils.h"

TfmMain* fmMain = nullptr;

TfmMain::TfmMain(TComponent* owner) : TForm(owner) {
  SetName("fmMain");
  SetCaption("Mebrath");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 900, 640);
}

bool TfmMain::CloseQuery() {
  if (!TForm::CloseQuery()) {
    return false;
  }
  if (!AskYes("Завершить работу?")) {
    return false;
  }
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* form = Screen->Forms(i);
    if (form != this && !form->CloseQuery()) {
      return false;
    }
  }
  return true;
}
