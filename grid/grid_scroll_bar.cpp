// The grid's scroll-bar settings and the redirection of an external bar.
#include "grid/grid_scroll_bar.h"

#include <unordered_map>

#include "grid/db_grid.h"
#include "platform/base/exceptions.h"
#include "platform/gui/window.h"

namespace {

// Which setting each attached external bar belongs to: a bar's window
// procedure goes through one grid only.
std::unordered_map<const TControl*, TDBGridEhScrollBar*>& AttachedBars() {
  static std::unordered_map<const TControl*, TDBGridEhScrollBar*> bars;
  return bars;
}

}  // namespace

TDBGridEhScrollBar::TDBGridEhScrollBar(TCustomDBGridEh* grid, TScrollBarKind kind)
    : FGrid(grid), FKind(kind) {}

TDBGridEhScrollBar::~TDBGridEhScrollBar() { Detach(); }

void TDBGridEhScrollBar::SetVisibleMode(TScrollBarVisibleModeEh value) {
  if (FVisibleMode == value) return;
  FVisibleMode = value;
  if (FExtScrollBar != nullptr) FExtScrollBar->SetVisible(Visible());
  if (FKind == sbVertical)
    FGrid->UpdateScrollBar();
  else
    FGrid->HorzScrollBarChanged();
  FGrid->RequestLayout();
}

void TDBGridEhScrollBar::SetVisible(bool value) {
  SetVisibleMode(value ? sbAutoShowEh : sbNeverShowEh);
}

void TDBGridEhScrollBar::SetExtScrollBar(TScrollBar* value) {
  if (value == FExtScrollBar) return;
  if (value != nullptr && !FGrid->ComponentState().Contains(csDesigning)) {
    auto found = AttachedBars().find(value);
    if (found != AttachedBars().end() && found->second != this)
      throw Exception("Possible " + value->Name() + " already attached to the other control.");
  }
  Detach();
  FExtScrollBar = value;
  if (value != nullptr) {
    value->FreeNotification(FGrid);
    FExtOwnWndProc = value->WindowProc;
    AttachedBars()[value] = this;
    value->WindowProc = [this](TMessage& message) { ExtScrollBarWndProc(message); };
    value->SetVisible(Visible());
  }
  if (FKind == sbVertical) {
    if (FGrid->HandleAllocated()) FGrid->UpdateScrollBar();
  } else {
    FGrid->HorzScrollBarChanged();
  }
  FGrid->RequestLayout();
}

void TDBGridEhScrollBar::Detach() {
  if (FExtScrollBar == nullptr) return;
  TScrollBar* bar = FExtScrollBar;
  FExtScrollBar = nullptr;
  AttachedBars().erase(bar);
  bar->WindowProc = std::move(FExtOwnWndProc);
  FExtOwnWndProc = nullptr;
  bar->RemoveFreeNotification(FGrid);
}

void TDBGridEhScrollBar::ComponentRemoved(TComponent* component) {
  if (component != FExtScrollBar) return;
  // The bar is going: its window procedure dies with it.
  AttachedBars().erase(FExtScrollBar);
  FExtScrollBar = nullptr;
  FExtOwnWndProc = nullptr;
  FGrid->RequestLayout();
}

bool TDBGridEhScrollBar::IsScrollBarShowing() const {
  if (FExtScrollBar != nullptr) return FExtScrollBar->Visible();
  if (!Visible() || !FGrid->HandleAllocated()) return false;
  const std::uint32_t style = GetWindowStyle(FGrid->Handle());
  return (style & (FKind == sbVertical ? WS_VSCROLL : WS_HSCROLL)) != 0;
}

void TDBGridEhScrollBar::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TDBGridEhScrollBar*>(source)) {
    SetTracking(other->Tracking());
    SetVisibleMode(other->VisibleMode());
    return;
  }
  TPersistent::Assign(source);
}

void TDBGridEhScrollBar::ExtScrollBarWndProc(TMessage& message) {
  // Keep the procedure alive while it runs: the grid may detach the bar.
  TWndMethod own = FExtOwnWndProc;
  if (message.Msg == CN_HSCROLL || message.Msg == CN_VSCROLL) {
    TMessage scroll = message;
    scroll.Msg = FKind == sbVertical ? WM_VSCROLL : WM_HSCROLL;
    FGrid->ExtScrollRequest(this, scroll);
  }
  if (own) own(message);
}
