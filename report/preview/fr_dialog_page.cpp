#include "report/preview/fr_dialog_page.h"

#include <algorithm>

#include "platform/gui/forms.h"
#include "platform/widgets/std_buttons.h"
#include "report/fr_page.h"
#include "report/fr_report.h"

int frRunDialogPage(TfrReport& report, TfrPage& page) {
  (void)report;
  TForm* form = Create<TForm>(nullptr);
  form->SetCaption(!page.Caption.empty() ? page.Caption : page.Name);
  form->SetBorderStyle(page.BorderStyle == pbsSizeable ? bsSizeable : bsDialog);
  form->SetPosition(poScreenCenter);
  const int width = std::max(page.DialogBounds.Right, 200);
  const int height = std::max(page.DialogBounds.Bottom, 80);
  form->SetClientWidth(width);
  form->SetClientHeight(height);
  const auto button = [&](const char* caption, int right, TModalResult result) {
    auto* b = Create<TButton>(form);
    b->SetParent(form);
    b->SetBounds(width - right, height - 33, 75, 25);
    b->SetCaption(caption);
    b->SetModalResult(result);
    return b;
  };
  button("OK", 166, mrOk)->SetDefault(true);
  button("Cancel", 83, mrCancel)->SetCancel(true);
  TModalResult result = mrCancel;
  try {
    result = form->ShowModal();
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  return result == mrOk ? 1 : 2;
}
