// TfmMain: the main window. It will hold the current register window, the
// menus, tool bar and recent-files list; for now it is the frame the
// program runs in, with its caption and its close question. GUI thread
// only.
#pragma once

#include "platform/gui/forms.h"

class TfmMain : public TForm {
  MEBRATH_CLASS(TfmMain, TForm)
 public:
  // Closing: "Завершить работу?"; No keeps the program running. Yes asks
  // every other form whether it may close; any refusal keeps it running.
  bool CloseQuery() override;

 protected:
  explicit TfmMain(TComponent* owner);
};

extern TfmMain* fmMain;
