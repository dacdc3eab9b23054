// A drop-down that belongs to the control it drops from. It is told when
// that control is freed, and then forgets it, hides and gives up its window
// (the owner's window owned it). `TBase` is the control the drop-down is
// made of: a list box, a calendar, a calculator, a grid. The drop-downs of
// the edit boxes close up through CloseUpToOwner.
#pragma once

#include "platform/base/scope_guard.h"
#include "platform/gui/controls.h"
#include "platform/gui/popup.h"

template <class TBase>
class TPopupOwnedEh : public TBase {
 public:
  // The control the drop-down belongs to: it keeps the focus and hears the
  // close-up.
  TWinControl* OwnerControl() const { return FOwnerControl; }
  void SetOwnerControl(TWinControl* value) {
    if (FOwnerControl == value) return;
    if (FOwnerControl != nullptr) this->RemoveFreeNotification(FOwnerControl);
    FOwnerControl = value;
    if (value != nullptr) value->FreeNotification(this);
  }

 protected:
  using TBase::TBase;

  // The close-up the drop-downs share: hides (giving up the mouse capture
  // first), then tells `onCloseUp` when assigned, else the owner's
  // IPopupHost. Nothing when hidden, nor from inside a close-up already
  // running. Exceptions from the owner pass on (the drop-down is hidden).
  void CloseUpToOwner(bool accept, const TCloseUpEvent& onCloseUp) {
    if (FClosing || !this->Visible()) return;
    TFlagGuard closing(FClosing);
    if (this->MouseCapture()) this->SetMouseCapture(false);
    this->Hide();
    if (onCloseUp) {
      onCloseUp(this, accept);
    } else if (auto* host = dynamic_cast<IPopupHost*>(FOwnerControl)) {
      host->CloseUp(accept);
    }
  }

  void Notification(TComponent* component, TOperation operation) override {
    TBase::Notification(component, operation);
    if (operation != opRemove || component != FOwnerControl) return;
    FOwnerControl = nullptr;
    if (this->HandleAllocated()) {
      this->Hide();
      this->DestroyHandle();
    }
    this->SetParentWindow(nullptr);
  }

 private:
  TWinControl* FOwnerControl = nullptr;
  bool FClosing = false;
};
