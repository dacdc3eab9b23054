#include "grid/popup_data_grid.h"

#include <algorithm>

#include "controls/edit_buttons.h"
#include "platform/base/scope_guard.h"
#include "platform/gui/messages.h"
#include "platform/gui/window.h"

TPopupGridReleaseEh PopupGridReleaseEh(bool pressedInside, bool inside, bool onChoice) {
  if (!pressedInside) return prNothingEh;
  if (!inside) return prCancelEh;
  return onChoice ? prAcceptEh : prNothingEh;
}

TPopupDataGridEh::TPopupDataGridEh(TComponent* owner) : TPopupOwnedEh(owner) {}

void TPopupDataGridEh::AfterConstruction() {
  TDBLookupGridEh::AfterConstruction();
  SetVisible(false);
  SetShowHint(true);
  FSizeGrip = Create<TSizeGripEh>(this);
  FSizeGrip->SetParent(this);
  FSizeGrip->OnParentResized = [this](TObject*) { FSized = true; };
}

void TPopupDataGridEh::SetCtl3D(bool value) {
  if (FCtl3D == value) return;
  FCtl3D = value;
  if (HandleAllocated()) RecreateWnd();
}

void TPopupDataGridEh::CreateParams(TCreateParams& params) {
  TDBLookupGridEh::CreateParams(params);
  PopupCreateParamsEh(params, ParentWindow());
  params.WindowClassStyle |= CS_HREDRAW;
  if (!FCtl3D) params.Style |= WS_BORDER;
}

void TPopupDataGridEh::ShowAt(const TRect& screenBounds) {
  FMouseDownInside = false;
  FLastMousePos = {-1, -1};
  PopupShowAtEh(*this, OwnerControl(), screenBounds);
  FSizeGrip->UpdatePosition();
}

void TPopupDataGridEh::CloseUp(bool accept) {
  if (FClosing || !Visible()) return;
  TFlagGuard closing(FClosing);
  StopTracking();
  if (MouseCapture()) SetMouseCapture(false);
  Hide();
  if (OnCloseUp) OnCloseUp(this, accept);
}

void TPopupDataGridEh::KeyValueChanged() {
  TDBLookupGridEh::KeyValueChanged();
  if (OnKeyValueChanged && FInUserAction) OnKeyValueChanged(this);
}

void TPopupDataGridEh::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, GetSystemMetrics(SM_CXVSCROLL));
  height = std::max(height, GetSystemMetrics(SM_CYHSCROLL));
  TDBLookupGridEh::SetBounds(left, top, width, height);
}

void TPopupDataGridEh::Resize() {
  TDBLookupGridEh::Resize();
  if (FSizeGrip != nullptr) FSizeGrip->UpdatePosition();
}

bool TPopupDataGridEh::PointOnChoice(int x, int y) {
  if (x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return false;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < IndicatorOffset() || cell.Y < 0) return false;
  if (SpecRow()->Visible() && cell.Y == TitleOffset() - 1) return true;
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int ci, ri;
  GetCellType(cell.X, cell.Y, colPart, rowPart, ci, ri);
  return rowPart == crpDataEh && ri < DataLink()->RecordCount();
}

void TPopupDataGridEh::KeyDown(unsigned& key, TShiftState shift) {
  TFlagGuard user(FInUserAction);
  TDBLookupGridEh::KeyDown(key, shift);
}

void TPopupDataGridEh::KeyPress(char32_t& key) {
  TFlagGuard user(FInUserAction);
  TDBLookupGridEh::KeyPress(key);
}

void TPopupDataGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TFlagGuard user(FInUserAction);
  FMouseDownInside = true;
  const TGridCoord cell = MouseCoord(x, y);
  const bool onTitle = Options().Contains(dgTitles) && cell.Y == 0;
  TDBLookupGridEh::MouseDown(button, shift, x, y);
  // A press that became a title action (sizing, sorting) is not a choice.
  if (onTitle || GridState() != gsNormal) FMouseDownInside = false;
}

void TPopupDataGridEh::MouseMove(TShiftState shift, int x, int y) {
  TFlagGuard user(FInUserAction);
  const bool button = shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle);
  const TPoint p{x, y};
  if (!button && !Tracking() && p != FLastMousePos && !ReadOnly() && PointOnChoice(x, y))
    ChooseRowAt(x, y);
  FLastMousePos = p;
  TDBLookupGridEh::MouseMove(shift, x, y);
}

void TPopupDataGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TFlagGuard user(FInUserAction);
  const bool pressedInside = FMouseDownInside && GridState() != gsColMoving;
  FMouseDownInside = false;
  TDBLookupGridEh::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
  switch (PopupGridReleaseEh(pressedInside, inside, PointOnChoice(x, y))) {
    case prAcceptEh:
      CloseUp(true);
      break;
    case prCancelEh:
      CloseUp(false);
      break;
    case prNothingEh:
      break;
  }
}

void TPopupDataGridEh::WndProc(TMessage& message) {
  if (PopupWndProcEh(*this, message, [this](bool accept) { CloseUp(accept); })) return;
  switch (message.Msg) {
    case CM_DROPDOWNGRIPDIRECTIONEH:
      FSizeGrip->Flip(static_cast<int>(message.WParam));
      FSizeGrip->UpdatePosition();
      return;
    default:
      break;
  }
  TDBLookupGridEh::WndProc(message);
  PopupBorderAfterEh(*this, message, FCtl3D ? 1 : 0);
}
