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
  // Hides the rows of Programmer, Email and www whose value is empty (with
  // their captions) and stacks the rest, the memo and the button below
  // them; the client height follows.
  void ArrangeRows();

  TImage* Picture = nullptr;  // the product picture
  TLabel* Version = nullptr;
  TLabel* InternalName = nullptr;
  TLabel* Programmer = nullptr;
  TLabel* Email = nullptr;
  TLabel* www = nullptr;
  TMemo* Memo = nullptr;
  TButton* btOk = nullptr;

 protected:
  TLabel* FProgrammerCaption = nullptr;
  TLabel* FEmailCaption = nullptr;
  TLabel* FWwwCaption = nullptr;

  explicit TAboutBox(TComponent* owner);
};

// Shows the about box modally and frees it.
void ShowAboutBox(TComponent* owner);
