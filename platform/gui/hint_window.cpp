#include "platform/gui/hint_window.h"

#include <algorithm>

#include "platform/draw/draw_text.h"
#include "platform/gui/forms.h"

namespace {

// Text margins inside the border: left and right, top and bottom.
constexpr int kHintMarginX = 2;
constexpr int kHintMarginY = 1;
constexpr unsigned kHintTextFlags = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

}  // namespace

THintWindowClass HintWindowClass = [](TComponent* owner) -> THintWindow* {
  return Create<THintWindow>(owner);
};

std::string GetShortHint(const std::string& hint) {
  std::size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  std::size_t bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

THintWindow::THintWindow(TComponent* owner) : TCustomPopupWindow(owner) {
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams& params) {
  TCustomPopupWindow::CreateParams(params);
  params.Style |= WS_BORDER;
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint, void*) {
  TCanvas& canvas = MeasureCanvas();
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(Font());
  TRect r = Rect(0, 0, std::max(maxWidth, 1), 0);
  DrawText(canvas, hint, r, kHintTextFlags | DT_CALCRECT);
  int border = GetSystemMetrics(SM_CXBORDER);
  r.Right += 2 * (kHintMarginX + border);
  r.Bottom += 2 * (kHintMarginY + border);
  return r;
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint) {
  TRect screen = Rect(0, 0, Screen->Width(), Screen->Height());
  if (rect.Right > screen.Right) OffsetRect(rect, screen.Right - rect.Right, 0);
  if (rect.Left < screen.Left) OffsetRect(rect, screen.Left - rect.Left, 0);
  if (rect.Bottom > screen.Bottom) OffsetRect(rect, 0, screen.Bottom - rect.Bottom);
  if (rect.Top < screen.Top) OffsetRect(rect, 0, screen.Top - rect.Top);
  SetCaption(hint);
  ShowAt(rect);
  Invalidate();
}

void THintWindow::ActivateHintData(const TRect& rect, const std::string& hint, void*) {
  ActivateHint(rect, hint);
}

void THintWindow::ReleaseHandle() {
  Hide();
  DestroyHandle();
}

bool THintWindow::IsHintMsg(const TMsg& msg) const { return IsHintDismissMsg(msg); }

bool IsHintDismissMsg(const TMsg& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
      return true;
    default:
      return false;
  }
}

void THintWindow::Paint() {
  TRect r = ClientRect();
  Canvas()->FillRect(r);
  InflateRect(r, -kHintMarginX, -kHintMarginY);
  Canvas()->Font()->SetColor(Font()->Color());
  DrawText(*Canvas(), Caption(), r, kHintTextFlags);
}
