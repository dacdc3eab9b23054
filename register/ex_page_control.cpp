#include "register/ex_page_control.h"

#include <algorithm>

#include "platform/draw/draw_text.h"

TExTabSheet::TExTabSheet(TComponent* owner) : TTabSheet(owner) {}

void TExTabSheet::SetTabColor(TColor value) {
  if (FTabColor == value) return;
  FTabColor = value;
  if (PageControl() != nullptr) PageControl()->Invalidate();
}

void TExTabSheet::SetTabVisible(bool value) {
  FStoredTabVisible = value;
  if (ComponentState().Contains(csLoading)) return;
  TTabSheet::SetTabVisible(value);
  TPageControl* control = PageControl();
  if (!value && control != nullptr && control->TabIndex() < 0 && control->ActivePage() == nullptr &&
      control->PageCount() > 0) {
    control->SetActivePage(control->Pages(0));
  }
}

void TExTabSheet::Loaded() {
  TTabSheet::Loaded();
  if (!FStoredTabVisible) SetTabVisible(false);
}

void RegisterExTabSheetClass() {
  if (GetClass(TExTabSheet::kClassInfo.Name) == nullptr) RegisterClass<TExTabSheet>();
}

TExPageControl::TExPageControl(TComponent* owner) : TPageControl(owner) {}

void TExPageControl::SetButtons(bool value) {
  if (FButtons == value) return;
  FButtons = value;
  SetStyle(value ? tsButtons : tsTabs);
  RecreateWnd();
}

void TExPageControl::SetDefaultDraw(bool value) {
  if (FDefaultDraw == value) return;
  FDefaultDraw = value;
  SetOwnerDraw(!value);
  RecreateWnd();
}

void TExPageControl::SetBorderWidth(int value) {
  value = std::max(value, 0);
  if (FBorderWidth == value) return;
  FBorderWidth = value;
  Realign();
}

void TExPageControl::SetTopIndent(int value) {
  value = std::max(value, 0);
  if (FTopIndent == value) return;
  FTopIndent = value;
  Realign();
}

TRect TExPageControl::AdjustDisplayRect(TRect rect, int borderWidth, int topIndent) {
  const int widen = 4 - borderWidth;
  rect.Left -= widen;
  rect.Right += widen;
  rect.Bottom += widen;
  rect.Top += topIndent + borderWidth - 4;
  return rect;
}

void TExPageControl::WndProc(TMessage& message) {
  TPageControl::WndProc(message);
  if (message.Msg == TCM_ADJUSTRECT && message.WParam == 0) {
    TRect& r = *LParamAs<TRect>(message.LParam);
    r = AdjustDisplayRect(r, FBorderWidth, FTopIndent);
  }
}

void TExPageControl::DrawTab(int tabIndex, const TRect& rect, bool active) {
  if (OnDrawTab) {
    TPageControl::DrawTab(tabIndex, rect, active);
    return;
  }
  TCanvas& canvas = *Canvas();
  TTabSheet* sheet = TabPage(tabIndex);
  auto* ex = dynamic_cast<TExTabSheet*>(sheet);
  canvas.Brush()->SetColor(ex != nullptr ? ex->TabColor() : clBtnFace);
  canvas.FillRect(rect);
  TRect text = rect;
  text.Left += active ? 8 : 4;
  text.Top += 3;
  if (sheet != nullptr)
    DrawText(canvas, sheet->Caption(), text, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

TExTabSheet* TExPageControl::DockForm(TCustomForm* form) {
  TExTabSheet* sheet = Create<TExTabSheet>(this);
  sheet->SetPageControl(this);
  sheet->SetCaption(form->Caption());
  form->SetParent(sheet);
  form->SetAlign(alClient);
  form->Show();
  if (Visible() && form->Visible()) SetActivePage(sheet);
  return sheet;
}
