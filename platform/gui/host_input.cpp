// The entry points through which the host delivers native input.
#include <cstdlib>

#include "platform/base/clock.h"
#include "platform/base/scope_guard.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/window_internal.h"

namespace {

bool IsButtonDown(unsigned msg) {
  return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
}

// The deepest visible window of `top` at the screen point.
HWND WindowAt(HWND top, TPoint screen) {
  TWnd* t = Wnd(top);
  if (t == nullptr || !PtInRect(t->Bounds, screen)) return nullptr;
  TPoint inWindow{screen.X - t->Bounds.Left, screen.Y - t->Bounds.Top};
  if (!PtInRect(t->Client, inWindow)) return top;
  return ChildWindowFromPoint(top, {inWindow.X - t->Client.Left, inWindow.Y - t->Client.Top});
}

bool EnabledChain(HWND wnd) {
  for (HWND w = wnd; w != nullptr; w = GetParent(w)) {
    if (!IsWindowEnabled(w)) return false;
  }
  return true;
}

// True when `top` is `owner` or is owned by it, directly or through other
// windows (a popup opened from inside another popup).
bool OwnedBy(HWND top, HWND owner) {
  for (HWND w = top; w != nullptr; w = GetWindowOwner(w)) {
    w = GetTopLevel(w);
    if (w == owner) return true;
  }
  return false;
}

// No-activate popups and hint windows close when the user presses a mouse
// button outside them (and outside the popups they opened).
void CancelPopupsOutside(HWND target) {
  HWND targetTop = target != nullptr ? GetTopLevel(target) : nullptr;
  std::vector<HWND> tops = WS().TopLevels;
  for (HWND top : tops) {
    TWnd* t = Wnd(top);
    if (t == nullptr || t->MessageOnly || (t->Style & WS_VISIBLE) == 0) continue;
    bool popup = (t->Style & WS_POPUP) != 0 && (t->Style & WS_CAPTION) != WS_CAPTION &&
                 (t->ExStyle & WS_EX_NOACTIVATE) != 0;
    if (popup && !OwnedBy(targetTop, top)) SendMessage(top, WM_CANCELMODE);
  }
}

// The window keys go to; null while it belongs to a window a modal window
// disables (they must never reach it).
HWND KeyTarget() {
  auto& ws = WS();
  HWND target = ws.Focus != nullptr ? ws.Focus : ws.Active;
  if (target != nullptr && !IsWindowEnabled(GetTopLevel(target))) return nullptr;
  return target;
}

// The window manager activated, or the user clicked, the disabled window
// `top`: the modal window that disables it comes up and takes the focus.
void BringUpModalWindowFor(HWND top) {
  HWND modal = GetModalWindowFor(top);
  if (modal == nullptr || modal == top) return;
  BringWindowToTop(modal);
  if (GetActiveWindow() != modal) {
    SetActiveWindow(modal);
  } else if (GuiHost() != nullptr) {
    GuiHost()->ActivateTopLevel(modal);
  }
}

}  // namespace

void HostMouseEvent(HWND topLevel, unsigned msg, TPoint contentPos, unsigned keys, int wheelDelta) {
  try {
    if (!IsWindow(topLevel)) return;
    auto& ws = WS();
    TRect content = ContentRect(topLevel);
    TPoint screen{content.Left + contentPos.X, content.Top + contentPos.Y};
    ws.CursorPos = screen;
    ws.KeyDown[VK_LBUTTON] = (keys & MK_LBUTTON) != 0;
    ws.KeyDown[VK_RBUTTON] = (keys & MK_RBUTTON) != 0;
    ws.KeyDown[VK_MBUTTON] = (keys & MK_MBUTTON) != 0;
    if (msg == WM_MOUSEWHEEL) {
      HWND target = ws.Focus != nullptr ? ws.Focus : WindowAt(topLevel, screen);
      if (target != nullptr)
        PostMessage(target, WM_MOUSEWHEEL, MakeWParam(keys, wheelDelta), PointToLParam(screen));
      return;
    }
    HWND target = ws.Capture != nullptr ? ws.Capture : WindowAt(topLevel, screen);
    if (target == nullptr) {
      if (IsButtonDown(msg)) CancelPopupsOutside(nullptr);
      return;
    }
    if (ws.Capture == nullptr && !EnabledChain(target)) {
      HWND top = GetTopLevel(target);
      if (IsButtonDown(msg) && !IsWindowEnabled(top)) BringUpModalWindowFor(top);
      return;
    }
    int hit = HTCLIENT;
    if (ws.Capture == nullptr)
      hit = static_cast<int>(SendMessage(target, WM_NCHITTEST, 0, PointToLParam(screen)));
    if (msg == WM_MOUSEMOVE && ws.MouseWnd != target) {
      HWND old = ws.MouseWnd;
      ws.MouseWnd = target;
      if (old != nullptr) SendMessage(old, CM_MOUSELEAVE);
      SendMessage(target, CM_MOUSEENTER);
    }
    if (!IsWindow(target)) return;
    if (ws.Capture == nullptr)
      SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MakeLParam(hit, msg));
    if (IsButtonDown(msg)) {
      CancelPopupsOutside(target);
      if (!IsWindow(target)) return;
      HWND top = GetTopLevel(target);
      if (top != ws.Active) {
        LRESULT ma = SendMessage(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                 MakeLParam(hit, msg));
        if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) SetActiveWindow(top);
        if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT || !IsWindow(target)) return;
      }
      std::uint32_t now = GetTickCount();
      int half = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
      bool dbl = target == ws.LastClickWnd && msg == ws.LastClickMsg &&
                 now - ws.LastClickTime <= GetDoubleClickTime() &&
                 std::abs(screen.X - ws.LastClickPos.X) <= half &&
                 std::abs(screen.Y - ws.LastClickPos.Y) <= half &&
                 (GetClassStyle(target) & CS_DBLCLKS) != 0;
      if (dbl) {
        msg += 2;  // WM_xBUTTONDBLCLK
        ws.LastClickWnd = nullptr;
      } else {
        ws.LastClickWnd = target;
        ws.LastClickMsg = msg;
        ws.LastClickTime = now;
        ws.LastClickPos = screen;
      }
    }
    if (hit != HTCLIENT) {
      PostMessage(target, msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE, hit, PointToLParam(screen));
    } else {
      TPoint client = screen;
      ScreenToClient(target, client);
      PostMessage(target, msg, keys, PointToLParam(client));
    }
  } catch (...) {
    HandleGuiException();
  }
}

void HostMouseLeave(HWND topLevel) {
  try {
    auto& ws = WS();
    if (ws.MouseWnd != nullptr && GetTopLevel(ws.MouseWnd) == topLevel) {
      HWND old = ws.MouseWnd;
      ws.MouseWnd = nullptr;
      SendMessage(old, CM_MOUSELEAVE);
    }
  } catch (...) {
    HandleGuiException();
  }
}

void HostKeyEvent(unsigned msg, unsigned virtualKey, bool repeat) {
  try {
    bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    UpdateKeyState(WS().AsyncKeyDown, virtualKey, down);
    bool alt = GetAsyncKeyState(VK_MENU) < 0;
    bool ctrl = GetAsyncKeyState(VK_CONTROL) < 0;
    bool sys = (alt && !ctrl) || virtualKey == VK_F10 || (virtualKey == VK_MENU);
    unsigned m = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    std::uint32_t keyData = 1;
    if (alt) keyData |= kKeyDataAltDown;
    if (repeat || !down) keyData |= kKeyDataWasDown;
    if (!down) keyData |= kKeyDataReleased;
    HWND target = KeyTarget();
    if (target != nullptr) PostMessage(target, m, virtualKey, static_cast<LPARAM>(keyData));
  } catch (...) {
    HandleGuiException();
  }
}

void HostCharEvent(char32_t ch) {
  try {
    bool alt = GetAsyncKeyState(VK_MENU) < 0;
    bool ctrl = GetAsyncKeyState(VK_CONTROL) < 0;
    HWND target = KeyTarget();
    std::uint32_t keyData = 1 | (alt ? kKeyDataAltDown : 0);
    if (target != nullptr)
      PostMessage(target, alt && !ctrl ? WM_SYSCHAR : WM_CHAR, ch, static_cast<LPARAM>(keyData));
  } catch (...) {
    HandleGuiException();
  }
}

void HostActivate(HWND topLevel, bool active) {
  try {
    if (!IsWindow(topLevel)) return;
    if (active) {
      if ((GetWindowExStyle(topLevel) & WS_EX_NOACTIVATE) != 0) return;
      // The notice of a window we have hidden since comes late: taken, it
      // would give the keys to a window nobody sees.
      if (!IsWindowVisible(topLevel)) return;
      if (!IsWindowEnabled(topLevel)) {
        BringUpModalWindowFor(topLevel);
        return;
      }
      TValueGuard<HWND> activating(WS().HostActivated, topLevel);
      SetActiveWindow(topLevel);
    } else if (GetActiveWindow() == topLevel) {
      SetActiveWindow(nullptr);
    }
  } catch (...) {
    HandleGuiException();
  }
}

void HostClose(HWND topLevel) {
  try {
    PostMessage(topLevel, WM_SYSCOMMAND, SC_CLOSE, 0);
  } catch (...) {
    HandleGuiException();
  }
}

void HostResize(HWND topLevel, const TRect& contentScreenRect) {
  try {
    TWnd* t = Wnd(topLevel);
    if (t == nullptr) return;
    TRect m = NativeFrameMargins(topLevel);
    TRect b = Rect(contentScreenRect.Left - m.Left, contentScreenRect.Top - m.Top,
                   contentScreenRect.Right + m.Right, contentScreenRect.Bottom + m.Bottom);
    const bool saved = WS().HostMoving;
    {
      TFlagGuard moving(WS().HostMoving);
      SetWindowPos(topLevel, nullptr, b.Left, b.Top, b.Width(), b.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The window refused the size (constraints): the native window follows.
    t = Wnd(topLevel);
    if (t != nullptr && t->HostKnows && GuiHost() != nullptr && !saved &&
        ContentRect(topLevel) != contentScreenRect)
      GuiHost()->SetTopLevelBounds(topLevel, ContentRect(topLevel));
  } catch (...) {
    HandleGuiException();
  }
}

void HostWindowState(HWND topLevel, int sizeType) {
  try {
    TWnd* t = Wnd(topLevel);
    if (t == nullptr || t->WindowState == sizeType) return;
    if (ChangeWindowState(topLevel, sizeType)) MoveToNormalBounds(topLevel);
    if ((t = Wnd(topLevel)) == nullptr) return;
    SendMessage(topLevel, WM_SIZE, sizeType, MakeLParam(t->Client.Width(), t->Client.Height()));
  } catch (...) {
    HandleGuiException();
  }
}
