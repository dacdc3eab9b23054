#include "grid/inplace_filter_edit.h"

#include <algorithm>
#include <cstdlib>

#include "grid/db_grid.h"
#include "platform/base/clock.h"
#include "platform/gui/window.h"

void TInplaceFilterEditEh::WndProc(TMessage& message) {
  if (message.Msg == WM_LBUTTONDOWN) {
    // The grid had the first click of a double click when the editor was
    // not over the cell yet.
    if (auto* grid = dynamic_cast<TCustomDBGridEh*>(Owner())) {
      TPoint gridPos;
      std::uint32_t gridTime = 0;
      grid->FilterMouseDownInfo(gridPos, gridTime);
      const TPoint p = ClientToScreen(LParamToPoint(message.LParam));
      if (gridTime != 0 && GetTickCount() - gridTime <= GetDoubleClickTime() &&
          std::abs(p.X - gridPos.X) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
          std::abs(p.Y - gridPos.Y) <= GetSystemMetrics(SM_CYDOUBLECLK))
        message.Msg = WM_LBUTTONDBLCLK;
    }
  }
  TDBComboBoxEh::WndProc(message);
  // Tab, the arrows and Enter belong to the filter row (moving between
  // its cells, applying the filter), not to the form.
  if (message.Msg == WM_GETDLGCODE)
    message.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTCHARS;
}

TRect TInplaceFilterEditEh::GetEditRect() const {
  TRect r = TDBComboBoxEh::GetEditRect();
  r.Top = std::min(r.Bottom, r.Top + 1);
  return r;
}

void SetFilterEditValueAndText(TInplaceFilterEditEh* editor, const Variant& value,
                               const std::string& text) {
  editor->SetValue(value);
  editor->InternalSetText(text);
}
