#include "register/about_box.h"

#include <algorithm>

#include "platform/draw/cursors.h"
#include "platform/gui/services.h"
#include "register/utils.h"

namespace {
constexpr int kMinClientWidth = 360;
constexpr int kRightMargin = 15;
constexpr int kValueLeft = 200;

TLabel* MakeLabel(TAboutBox* box, const char* name, const std::string& caption, int left, int top) {
  TLabel* label = Create<TLabel>(box);
  if (*name != 0) label->SetName(name);
  label->SetParent(box);
  label->SetAutoSize(true);
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}

// A label that opens `scheme` + its text through the desktop.
void MakeLink(TLabel* label, const char* scheme) {
  label->SetCursor(crHandPoint);
  label->Font()->SetColor(clBlue);
  label->Font()->SetStyle(TFontStyles{fsUnderline});
  label->OnClick = [label, scheme](TObject*) {
    if (!label->Caption().empty()) OpenDocument(scheme + label->Caption());
  };
}
}  // namespace

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
  SetName("AboutBox");
  SetCaption("О программе ...");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(kMinClientWidth);
  SetClientHeight(270);

  InternalName = MakeLabel(this, "InternalName", GetVersionValue("InternalName"), 16, 12);
  TFont bold;
  bold.Assign(InternalName->Font());
  bold.SetStyle(TFontStyles{fsBold});
  bold.SetSize(12);
  InternalName->SetFont(&bold);
  MakeLabel(this, "", "Версия:", 16, 44);
  Version = MakeLabel(this, "Version", GetFileVersion(), kValueLeft, 44);
  MakeLabel(this, "", "Ведущий разработчик:", 16, 66);
  Programmer = MakeLabel(this, "Programmer", GetVersionValue("Programmer"), kValueLeft, 66);
  MakeLabel(this, "", "E-mail:", 16, 88);
  Email = MakeLabel(this, "Email", GetVersionValue("E-mail"), kValueLeft, 88);
  MakeLink(Email, "mailto:");
  MakeLabel(this, "", "Поисково-мониторинговая система:", 16, 110);
  www = MakeLabel(this, "www", "", 16, 130);
  MakeLink(www, "http://");

  Memo = Create<TMemo>(this);
  Memo->SetParent(this);
  Memo->SetReadOnly(true);
  Memo->SetWordWrap(true);
  Memo->SetBounds(16, 156, kMinClientWidth - 32, 66);
  Memo->SetAnchors(TAnchors{akLeft, akTop, akRight});
  Memo->SetTabStop(false);
  Memo->Lines()->Add(
      "Реестры талонов родовых сертификатов женской консультации: ведение, печать и обмен "
      "данными с фондом социального страхования.");

  btOk = Create<TButton>(this);
  btOk->SetParent(this);
  btOk->SetCaption("OK");
  btOk->SetDefault(true);
  btOk->SetCancel(true);
  btOk->SetModalResult(mrOk);
  btOk->SetBounds((kMinClientWidth - 80) / 2, 232, 80, 27);
  SetActiveControl(btOk);
  FitWidth();
}

void TAboutBox::FitWidth() {
  int right = 0;
  for (TLabel* label : {Version, InternalName, Programmer, Email})
    right = std::max(right, label->Left() + label->Width());
  SetClientWidth(std::max(kMinClientWidth, right + kRightMargin));
  btOk->SetLeft((ClientWidth() - btOk->Width()) / 2);
}

void ShowAboutBox(TComponent* owner) {
  TAboutBox* box = Create<TAboutBox>(owner);
  try {
    box->ShowModal();
  } catch (...) {
    box->Free();
    throw;
  }
  box->Free();
}
