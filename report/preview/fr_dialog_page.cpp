#include "report/preview/fr_dialog_page.h"

#include <vector>

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

// Lends the page's controls to the window and takes them back.
class TControlsLent {
 public:
  TControlsLent(TfrPage& page, TWinControl* window) {
    for (const auto& object : page.Objects)
      if (auto* control = dynamic_cast<TfrControl*>(object.get())) {
        FControls.push_back(control);
        control->PlaceControl(window);
      }
  }
  ~TControlsLent() {
    for (TfrControl* control : FControls) control->PlaceControl(nullptr);
  }
  TControlsLent(const TControlsLent&) = delete;
  TControlsLent& operator=(const TControlsLent&) = delete;

 private:
  std::vector<TfrControl*> FControls;
};

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
  TControlsLent lent(page, form.get());
  return form->ShowModal();
}
