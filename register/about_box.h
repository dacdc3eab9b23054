// TAboutBox ("О программе ..."): the product picture, the program's version and the values of
// its version block, with the e-mail and web labels opening the desktop's
// mail program and browser. GUI thread only.
#pragma once

#include "platform/gui/forms.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_memo.h"

class TAboutBox : public TForm {
  MEBRATH_CLASS(TAboutBox, TForm)
 public:
  // The client width: the larger of 360 and the right edge of the widest
  // of Version, InternalName, Programmer and Email plus 15.
  void FitWidth();

  TImage* Picture = nullptr;  // the product picture
  TLabel* Version = nullptr;
  TLabel* InternalName = nullptr;
  TLabel* Programmer = nullptr;
  TLabel* Email = nullptr;
  TLabel* www = nullptr;
  TMemo* Memo = nullptr;
  TButton* btOk = nullptr;

 protected:
  explicit TAboutBox(TComponent* owner);
};

// Shows the about box modally and frees it.
void ShowAboutBox(TComponent* owner);
