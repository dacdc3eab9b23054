// TDlgParam: the print-parameter dialog ("Реквизиты для печати"), made at
// start-up and reused: the invoice number and date, whether to print the
// invoice, and the month and year of the services. GUI thread only.
#pragma once

#include "platform/gui/forms.h"
#include "register/core/report_values.h"
#include "report/preview/fr_combo.h"

class TEdit;
class TMaskEdit;
class TCheckBox;
class TButton;

class TDlgParam : public TForm {
  MEBRATH_CLASS(TDlgParam, TForm)
 public:
  // The start values for `today` (the year list runs to today's year).
  void SetDefaults(TDateTime today);
  TPrintParams Params() const;

  TEdit* eNDOC = nullptr;
  TMaskEdit* eDDOC = nullptr;
  TCheckBox* chkAcct = nullptr;
  TfrComboBox* cbMonth = nullptr;
  TfrComboBox* cbYear = nullptr;
  TButton* btnPrint = nullptr;
  TButton* btnCancel = nullptr;

 protected:
  explicit TDlgParam(TComponent* owner);
  // The dialog made at start-up forgets itself as DlgParam.
  void BeforeDestruction() override;
};

// The dialog made at start-up.
extern TDlgParam* DlgParam;
