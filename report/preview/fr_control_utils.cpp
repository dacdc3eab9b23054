#include "report/preview/fr_control_utils.h"

#include "platform/gui/controls.h"
#include "platform/widgets/std_labels.h"

void SetControlsEnabled(const std::vector<TControl*>& controls, bool enabled) {
  for (TControl* c : controls) {
    if (c == nullptr) continue;
    if (dynamic_cast<TCustomLabel*>(c) != nullptr)
      c->Font()->SetColor(enabled ? clWindowText : clGrayText);
    else if (dynamic_cast<TWinControl*>(c) != nullptr)
      c->SetColor(enabled ? clWindow : clBtnFace);
    c->SetEnabled(enabled);
  }
}

TControl* ControlAtPoint(const TWinControl* parent, TPoint point) {
  if (parent == nullptr) return nullptr;
  // Windowed controls lie above the graphic ones.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = parent->ControlCount() - 1; i >= 0; --i) {
      TControl* c = parent->Controls(i);
      const auto* container = dynamic_cast<const TWinControl*>(c);
      if ((container != nullptr) != (pass == 0)) continue;
      if (!c->Visible() || !PtInRect(c->BoundsRect(), point)) continue;
      if (container != nullptr && c->ControlStyle().Contains(csAcceptsControls) &&
          container->ControlCount() > 0) {
        // Through the screen, so that the container's own frame is allowed for.
        const TPoint inside = container->ScreenToClient(parent->ClientToScreen(point));
        if (TControl* inner = ControlAtPoint(container, inside)) return inner;
        continue;
      }
      return c;
    }
  }
  return nullptr;
}
