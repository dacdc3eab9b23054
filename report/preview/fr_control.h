// TfrControl: the base of the objects of a dialog page. Each wraps one
// control of the platform, which lives on the hidden "DialogForm" while no
// dialog page shows it; a dialog page's window borrows the controls of its
// page while it is open (fr_dialog_page.h).
//
// The object's record is the common view record; a descendant makes its
// control in its constructor and registers itself as an add-in by class
// name (frRegisterObject), as template streams name it.
//
// GUI thread only.
#pragma once

#include "platform/base/object.h"
#include "report/fr_view.h"

class TComponent;
class TControl;
class TForm;
class TWinControl;

class TfrControl : public TfrView {
  MEBRATH_CLASS(TfrControl, TfrView)
 public:
  // Frees the control.
  ~TfrControl() override;

  // The wrapped control; nullptr before a descendant set one, or when it
  // was freed with its window.
  TControl* Control() const { return FControl; }
  // Puts the control on `parent` at the object's bounds, shown when the
  // object is visible; nullptr takes it back to the hidden dialog form.
  void PlaceControl(TWinControl* parent);
  // Paints the control at its own size into a bitmap and copies that onto
  // `canvas` over the object's (scaled) rectangle.
  virtual void PaintControl(TCanvas& canvas);

  // TfrObject: "Name", "Left", "Top", "Width", "Height", "Visible",
  // "Restrictions".
  void DeclareProperties() override;
  // TfrView
  void Draw(TCanvas& canvas) override;

 protected:
  TfrControl();
  // Takes `control`, made without an owner, and puts it on the hidden
  // dialog form. REQUIRES: no control was set before.
  void SetControl(TControl* control);

 private:
  TControl* FControl = nullptr;
  // Clears FControl when the control goes with a window that was freed.
  TObjectPtr<TComponent> FWatch;
};

// The hidden form "DialogForm" (at -100, -100, 10 x 10) that hosts the
// dialog controls; made on first use, owned by the application and
// registered among its global components.
TForm* frDialogForm();
