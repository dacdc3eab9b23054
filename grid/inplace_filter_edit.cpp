#include "grid/inplace_filter_edit.h"

#include <algorithm>

void TInplaceFilterEditEh::WndProc(TMessage& message) {
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
