#include "report/preview/fr_control.h"

#include <functional>
#include <utility>

#include "platform/draw/bitmap.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"

namespace {

// Calls `gone` when the watched component is destroyed elsewhere.
class TfrControlWatch : public TComponent {
  MEBRATH_CLASS(TfrControlWatch, TComponent)
 public:
  TfrControlWatch(TComponent* owner, TComponent* watched, std::function<void()> gone)
      : TComponent(owner), FWatched(watched), FGone(std::move(gone)) {
    FreeNotification(watched);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FWatched) {
      FWatched = nullptr;
      FGone();
    }
  }

 private:
  TComponent* FWatched;
  std::function<void()> FGone;
};

// The hidden form: a plain TForm that may be made from here.
class TfrHiddenDialogForm : public TForm {
  MEBRATH_CLASS(TfrHiddenDialogForm, TForm)
 public:
  explicit TfrHiddenDialogForm(TComponent* owner) : TForm(owner) {}
};

}  // namespace

TForm* frDialogForm() {
  static TForm* form = nullptr;
  static TObjectPtr<TComponent> watch;
  if (form == nullptr) {
    form = Create<TfrHiddenDialogForm>(Application);
    form->SetName("DialogForm");
    form->SetBounds(-100, -100, 10, 10);
    RegisterGlobalComponent(form);
    // The application frees it last; forget it then.
    watch.reset(Create<TfrControlWatch>(nullptr, form, [] { form = nullptr; }));
  }
  return form;
}

TfrControl::TfrControl() { BaseName = "Control"; }

TfrControl::~TfrControl() {
  if (FControl != nullptr) FControl->Free();
}

void TfrControl::SetControl(TControl* control) {
  FControl = control;
  FWatch.reset(Create<TfrControlWatch>(nullptr, control, [this] { FControl = nullptr; }));
  control->SetParent(frDialogForm());
}

void TfrControl::PlaceControl(TWinControl* parent) {
  if (FControl == nullptr) return;
  FControl->SetParent(parent != nullptr ? parent : frDialogForm());
  FControl->SetBounds(x, y, dx, dy);
  FControl->SetVisible(Visible);
}

void TfrControl::PaintControl(TCanvas& canvas) {
  if (FControl == nullptr) return;
  const int width = FControl->Width();
  const int height = FControl->Height();
  if (width <= 0 || height <= 0) return;
  TBitmap bitmap(width, height);
  TCanvas& target = *bitmap.Canvas();
  target.FillSolidRect(Rect(0, 0, width, height), clBtnFace);
  if (auto* windowed = dynamic_cast<TWinControl*>(FControl)) {
    // The hidden form hides the windows on it: the controls say what shows.
    PaintWindowTo(windowed->Handle(), target, [](HWND wnd) {
      const TWinControl* c = FindControl(wnd);
      return c == nullptr || c->Visible();
    });
  } else {
    TCanvasStateSaver saver(target);
    target.IntersectClipRect(Rect(0, 0, width, height));
    FControl->Perform(WM_PAINT, AsParam(&target));
  }
  canvas.StretchDraw(DrawRect(), &bitmap);
}

void TfrControl::DeclareProperties() {
  AddProperty("Name", frdtString);
  AddProperty("Left", frdtInteger);
  AddProperty("Top", frdtInteger);
  AddProperty("Width", frdtInteger);
  AddProperty("Height", frdtInteger);
  AddProperty("Visible", frdtBoolean);
  AddProperty("Restrictions", frdtInteger);
}

void TfrControl::Draw(TCanvas& canvas) {
  if (!Visible) return;
  PaintControl(canvas);
}
