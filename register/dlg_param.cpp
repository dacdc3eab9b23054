#include "register/dlg_param.h"

#include "platform/base/clock.h"
#include "platform/base/text.h"
#include "platform/widgets/mask_edit.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_labels.h"
#include "platform/widgets/std_panels.h"
#include "report/preview/fr_combo.h"

namespace {

template <class T>
T* Place(TWinControl* parent, int left, int top, int width, int height) {
  // Every control belongs to the dialog, whatever group it sits in.
  TWinControl* form = parent;
  while (dynamic_cast<TForm*>(form) == nullptr && form->Parent() != nullptr) form = form->Parent();
  T* c = Create<T>(form);
  c->SetParent(parent);
  c->SetBounds(left, top, width, height);
  return c;
}

TLabel* LabelFor(TWinControl* parent, int left, int top, const char* text, TWinControl* focus) {
  auto* label = Place<TLabel>(parent, left, top, 0, 0);
  label->SetAutoSize(true);
  label->SetCaption(text);
  label->SetFocusControl(focus);
  return label;
}

}  // namespace

TDlgParam* DlgParam = nullptr;

void TDlgParam::BeforeDestruction() {
  if (DlgParam == this) DlgParam = nullptr;
  TForm::BeforeDestruction();
}

TDlgParam::TDlgParam(TComponent* owner) : TForm(owner) {
  SetName("DlgParam");
  SetCaption("Реквизиты для печати");
  SetBorderStyle(bsToolWindow);
  SetPosition(poScreenCenter);
  SetClientWidth(306);
  SetClientHeight(188);

  auto* acct = Place<TGroupBox>(this, 8, 6, 290, 76);
  acct->SetCaption("Реквизиты счета");
  eNDOC = Place<TEdit>(acct, 30, 20, 80, 21);
  eNDOC->SetName("eNDOC");
  LabelFor(acct, 12, 23, "№", eNDOC);
  eDDOC = Place<TMaskEdit>(acct, 150, 20, 90, 21);
  eDDOC->SetName("eDDOC");
  eDDOC->SetEditMask("!99/99/9999;1; ");
  eDDOC->SetMaxLength(10);
  LabelFor(acct, 128, 23, "от", eDDOC);
  chkAcct = Place<TCheckBox>(acct, 12, 48, 200, 17);
  chkAcct->SetName("chkAcct");
  chkAcct->SetCaption("Печатать счет");
  chkAcct->SetChecked(true);

  auto* period = Place<TGroupBox>(this, 8, 88, 290, 56);
  period->SetCaption("Период оказания услуг");
  cbMonth = Place<TfrComboBox>(period, 60, 22, 100, 21);
  cbMonth->SetName("cbMonth");
  cbMonth->SetDropDownOnly(true);
  for (const char* m : kPrintMonthNames) cbMonth->Items()->Add(m);
  LabelFor(period, 12, 25, "месяц", cbMonth);
  cbYear = Place<TfrComboBox>(period, 206, 22, 70, 21);
  cbYear->SetName("cbYear");
  cbYear->SetDropDownOnly(true);
  LabelFor(period, 176, 25, "год", cbYear);

  btnPrint = Place<TButton>(this, 130, 154, 80, 25);
  btnPrint->SetCaption("Печать");
  btnPrint->SetDefault(true);
  btnPrint->SetModalResult(mrOk);
  btnCancel = Place<TButton>(this, 218, 154, 80, 25);
  btnCancel->SetCaption("Отмена");
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);

  SetDefaults(Date());
}

void TDlgParam::SetDefaults(TDateTime today) {
  const TPrintParams p = DefaultPrintParams(today);
  eNDOC->SetText(p.NDoc);
  eDDOC->SetText(p.DDocText);
  chkAcct->SetChecked(p.Acct);
  cbMonth->SetItemIndex(p.Month - 1);
  cbYear->Items()->Clear();
  for (const std::string& y : PrintYearItems(today)) cbYear->Items()->Add(y);
  cbYear->SetItemIndex(p.Year - kFirstPrintYear);
}

TPrintParams TDlgParam::Params() const {
  TPrintParams p;
  p.NDoc = eNDOC->Text();
  p.DDocText = eDDOC->Text();
  p.Acct = chkAcct->Checked();
  p.Month = cbMonth->ItemIndex() + 1;
  if (p.Month < 1) p.Month = 1;
  const int year = cbYear->ItemIndex();
  p.Year = kFirstPrintYear + (year < 0 ? 0 : year);
  return p;
}
