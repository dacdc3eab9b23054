#include "report/preview/fr_dialog_page.h"

#include <vector>

#include "platform/base/scope_guard.h"
#include "platform/gui/forms.h"
#include "report/fr_page.h"
#include "report/fr_report.h"
#include "report/preview/fr_control.h"

namespace {

class TfrDialogPageForm : public TForm {
  MEBRATH_CLASS(TfrDialogPageForm, TForm)
 public:
  explicit TfrDialogPageForm(TComponent* owner) : TForm(owner) {}
};

// Lends the page's controls to the window; returns them, to take back.
std::vector<TfrControl*> LendControls(TfrPage& page, TWinControl* window) {
  std::vector<TfrControl*> lent;
  for (const auto& object : page.Objects)
    if (auto* control = dynamic_cast<TfrControl*>(object.get())) {
      lent.push_back(control);
      control->PlaceControl(window);
    }
  return lent;
}

}  // namespace

int frRunDialogPage(TfrReport& report, TfrPage& page) {
  (void)report;
  TObjectPtr<TfrDialogPageForm> form(Create<TfrDialogPageForm>(nullptr));
  form->SetCaption(page.Caption);
  form->SetBorderStyle(page.BorderStyle == pbsSizeable ? bsSizeable : bsDialog);
  form->SetPosition(page.ScreenCenter ? poScreenCenter : poDesigned);
  const TRect& b = page.DialogBounds;  // left, top, width, height
  form->SetBounds(b.Left, b.Top, b.Right, b.Bottom);
  form->SetColor(page.Color);
  const std::vector<TfrControl*> lent = LendControls(page, form.get());
  TScopeExit takeBack([&] {
    for (TfrControl* control : lent) control->PlaceControl(nullptr);
  });
  return form->ShowModal();
}
