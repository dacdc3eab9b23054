// A drop-down that belongs to the control it drops from. It is told when
// that control is freed, and then forgets it, hides and gives up its window
// (the owner's window owned it). `TBase` is the control the drop-down is
// made of: a list box, a calendar, a calculator, a grid.
#pragma once

#include "platform/gui/controls.h"

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
};
