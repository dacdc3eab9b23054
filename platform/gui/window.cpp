#include "platform/gui/window.h"

#include <algorithm>

#include "platform/base/exceptions.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/window_internal.h"

namespace {

IGuiHost* gHost = nullptr;

void RemoveFrom(std::vector<HWND>& list, HWND wnd) {
  list.erase(std::remove(list.begin(), list.end(), wnd), list.end());
}

// Whether the focus (or capture) window is `wnd` or inside it.
bool InSubtree(HWND root, HWND wnd) {
  return wnd != nullptr && (wnd == root || IsChild(root, wnd));
}

void TellHostBounds(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w != nullptr && w->HostKnows && gHost != nullptr && !WS().HostMoving)
    gHost->SetTopLevelBounds(wnd, ContentRect(wnd));
}

void TellHostMinTrackSize(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || !w->HostKnows || gHost == nullptr) return;
  TRect m = NativeFrameMargins(wnd);
  gHost->SetTopLevelMinimumSize(wnd, {std::max(w->MinTrackSize.cx - m.Left - m.Right, 0),
                                      std::max(w->MinTrackSize.cy - m.Top - m.Bottom, 0)});
}

void SendSizeAndMove(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  TRect c = w->Client;
  SendMessage(wnd, WM_SIZE, w->WindowState, MakeLParam(c.Width(), c.Height()));
  if ((w = Wnd(wnd)) == nullptr) return;
  SendMessage(wnd, WM_MOVE, 0, MakeLParam(w->Bounds.Left + c.Left, w->Bounds.Top + c.Top));
}

}  // namespace

TWindowSystem& WS() {
  static TWindowSystem system;
  return system;
}

TWnd* Wnd(HWND wnd) {
  if (wnd == nullptr) return nullptr;
  auto& windows = WS().Windows;
  auto it = windows.find(wnd);
  return it == windows.end() ? nullptr : it->second.get();
}

void SetGuiHost(IGuiHost* host) { gHost = host; }
IGuiHost* GuiHost() { return gHost; }

bool IsWindow(HWND wnd) { return Wnd(wnd) != nullptr; }

HWND CreateWindowEx(const TWndCreateInfo& info) {
  if (info.Parent != nullptr && !IsWindow(info.Parent))
    throw EOutOfResources("Error creating window");
  auto record = std::make_unique<TWnd>();
  HWND wnd = record.get();
  record->Parent = info.Parent;
  record->Owner = IsWindow(info.Owner) ? info.Owner : nullptr;
  record->Style = info.Style & ~WS_VISIBLE;
  record->ExStyle = info.ExStyle;
  record->ClassStyle = info.ClassStyle;
  record->Bounds = info.Bounds;
  record->Client = Rect(0, 0, info.Bounds.Width(), info.Bounds.Height());
  record->Text = info.Caption;
  record->Proc = info.WndProc;
  record->Control = info.Control;
  record->MessageOnly = info.MessageOnly;
  WS().Windows.emplace(wnd, std::move(record));
  if (info.Parent != nullptr) {
    Wnd(info.Parent)->Children.push_back(wnd);
  } else {
    WS().TopLevels.push_back(wnd);
  }
  try {
    SendMessage(wnd, WM_NCCREATE);
    RecalcFrame(wnd);
    if (TWnd* w = Wnd(wnd); w != nullptr && w->Parent == nullptr && !w->MessageOnly && gHost) {
      w->HostKnows = true;
      gHost->CreateTopLevel(wnd);
      gHost->SetTopLevelBounds(wnd, ContentRect(wnd));
      TellHostMinTrackSize(wnd);
      if (!w->Text.empty()) gHost->SetTopLevelCaption(wnd, w->Text);
    }
    if (SendMessage(wnd, WM_CREATE) == -1) {
      DestroyWindow(wnd);
      throw EOutOfResources("Error creating window");
    }
    SendSizeAndMove(wnd);
  } catch (...) {
    DestroyWindow(wnd);
    throw;
  }
  if ((info.Style & WS_VISIBLE) != 0 && IsWindow(wnd)) ShowWindow(wnd, SW_SHOW);
  return wnd;
}

bool DestroyWindow(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || w->Destroying) return false;
  w->Destroying = true;
  auto& ws = WS();
  if (IsWindowVisible(wnd) && w->Parent != nullptr) {
    TRect r = WindowRectInTop(wnd);
    RequestPaint(GetTopLevel(wnd), r);
  }
  if (InSubtree(wnd, ws.Capture)) {
    HWND old = ws.Capture;
    ws.Capture = nullptr;
    if (gHost) gHost->ReleaseMouse();
    SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  }
  if (InSubtree(wnd, ws.Focus)) {
    HWND old = ws.Focus;
    ws.Focus = nullptr;
    SendMessage(old, WM_KILLFOCUS, 0, 0);
  }
  if (ws.Active == wnd) ws.Active = nullptr;
  SendMessage(wnd, WM_DESTROY);
  // Children in order; each removes itself from our list.
  while (true) {
    w = Wnd(wnd);
    if (w == nullptr || w->Children.empty()) break;
    HWND child = w->Children.back();
    if (!DestroyWindow(child)) RemoveFrom(w->Children, child);
  }
  SendMessage(wnd, WM_NCDESTROY);
  ForgetWindowInQueue(wnd);
  if (ws.MouseWnd == wnd) ws.MouseWnd = nullptr;
  if (ws.LastClickWnd == wnd) ws.LastClickWnd = nullptr;
  w = Wnd(wnd);
  if (w->HostKnows && gHost) gHost->DestroyTopLevel(wnd);
  if (w->Parent != nullptr) {
    if (TWnd* p = Wnd(w->Parent)) RemoveFrom(p->Children, wnd);
  } else {
    RemoveFrom(ws.TopLevels, wnd);
  }
  for (auto& [h, other] : ws.Windows) {
    if (other->Owner == wnd) other->Owner = nullptr;
  }
  ws.Windows.erase(wnd);
  return true;
}

LRESULT SendMessage(HWND wnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  SendMessage(wnd, m);
  return m.Result;
}

void SendMessage(HWND wnd, TMessage& message) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) {
    message.Result = 0;
    return;
  }
  if (w->Proc) {
    TWndProc proc = w->Proc;  // the procedure may replace itself
    proc(wnd, message);
  } else {
    DefWindowProc(wnd, message);
  }
}

TWndProc SetWindowProc(HWND wnd, TWndProc proc) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return nullptr;
  std::swap(w->Proc, proc);
  return proc;
}

LRESULT DefWindowProc(HWND wnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  DefWindowProc(wnd, m);
  return m.Result;
}

void DefWindowProc(HWND wnd, TMessage& message) {
  TWnd* w = Wnd(wnd);
  message.Result = 0;
  if (w == nullptr) return;
  if (FrameDefWindowProc(wnd, message)) return;
  switch (message.Msg) {
    case WM_NCCREATE:
      message.Result = 1;
      break;
    case WM_CLOSE:
      DestroyWindow(wnd);
      break;
    case WM_SYSCOMMAND:
      if ((message.WParam & 0xFFF0) == SC_CLOSE) SendMessage(wnd, WM_CLOSE);
      break;
    case WM_WINDOWPOSCHANGED: {
      const TWindowPos* pos = LParamAs<TWindowPos>(message.LParam);
      if (pos == nullptr || (pos->flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE) ||
          (pos->flags & SWP_FRAMECHANGED) != 0) {
        SendSizeAndMove(wnd);
      }
      break;
    }
    case WM_GETTEXTLENGTH:
      message.Result = static_cast<LRESULT>(w->Text.size());
      break;
    case WM_GETTEXT:
      // LParam: std::string* to fill; Result: its length in bytes.
      if (auto* out = LParamAs<std::string>(message.LParam)) *out = w->Text;
      message.Result = static_cast<LRESULT>(w->Text.size());
      break;
    case WM_SETTEXT:
      if (auto* in = LParamAs<const std::string>(message.LParam)) {
        w->Text = *in;
        if (w->HostKnows && gHost) gHost->SetTopLevelCaption(wnd, w->Text);
      }
      message.Result = 1;
      break;
    case WM_SETCURSOR:
      // The parent may set a cursor for its children.
      if (w->Parent != nullptr && (w->Style & WS_CHILD) != 0 &&
          SendMessage(w->Parent, WM_SETCURSOR, message.WParam, message.LParam) != 0) {
        message.Result = 1;
      } else if (static_cast<std::int16_t>(LoWord(message.LParam)) == HTCLIENT && gHost &&
                 reinterpret_cast<HWND>(message.WParam) == wnd) {
        // Only the window under the pointer sets the default shape: a
        // parent asked on a child's behalf leaves it to the child.
        gHost->SetCursorShape(0);
      }
      break;
    case WM_RBUTTONUP: {
      TPoint p = LParamToPoint(message.LParam);
      ClientToScreen(wnd, p);
      SendMessage(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), PointToLParam(p));
      break;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      // The menu key, and Shift+F10: a context menu from the keyboard.
      if ((message.Msg == WM_KEYUP && message.WParam == VK_APPS) ||
          (message.Msg == WM_SYSKEYDOWN && message.WParam == VK_F10 && GetKeyState(VK_SHIFT) < 0))
        SendMessage(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MakeLParam(-1, -1));
      // Alt pressed and released with nothing between: the top-level
      // window's menu (a key or click taken from the queue meanwhile, or
      // a control that swallowed the Alt, prevents it).
      if (message.WParam == VK_MENU) {
        bool down = message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN;
        if (!down && WS().AltAlone) {
          WS().AltAlone = false;
          SendMessage(GetTopLevel(wnd), WM_SYSCOMMAND, SC_KEYMENU, 0);
        } else {
          WS().AltAlone = down;
        }
      }
      break;
    case WM_CONTEXTMENU:
      if (w->Parent != nullptr && (w->Style & WS_CHILD) != 0)
        message.Result = SendMessage(w->Parent, message.Msg, message.WParam, message.LParam);
      break;
    case WM_MOUSEWHEEL:
      if (w->Parent != nullptr)
        message.Result = SendMessage(w->Parent, message.Msg, message.WParam, message.LParam);
      break;
    case WM_MOUSEACTIVATE:
      if (w->Parent != nullptr && (w->Style & WS_CHILD) != 0) {
        message.Result = SendMessage(w->Parent, WM_MOUSEACTIVATE, message.WParam, message.LParam);
      }
      if (message.Result == 0)
        message.Result = (w->ExStyle & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
      break;
    case WM_PAINT: {
      TPaintStruct ps;
      BeginPaint(wnd, ps);
      EndPaint(wnd, ps);
      break;
    }
    case WM_ERASEBKGND:
      message.Result = 0;
      break;
    case WM_GETDLGCODE:
      message.Result = 0;
      break;
    default:
      break;
  }
}

// --- tree and state

HWND GetParent(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Parent : nullptr;
}

HWND SetParent(HWND wnd, HWND newParent) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || (newParent != nullptr &&
                       (!IsWindow(newParent) || newParent == wnd || IsChild(wnd, newParent))))
    return nullptr;
  HWND old = w->Parent;
  if (old == newParent) return old;
  bool visible = IsWindowVisible(wnd);
  if (visible && old != nullptr) RequestPaint(GetTopLevel(wnd), WindowRectInTop(wnd));
  auto& ws = WS();
  if (old != nullptr) {
    RemoveFrom(Wnd(old)->Children, wnd);
  } else {
    RemoveFrom(ws.TopLevels, wnd);
    if (w->HostKnows && gHost) gHost->DestroyTopLevel(wnd);
    w->HostKnows = false;
    if (ws.Active == wnd) ws.Active = nullptr;
  }
  w->Parent = newParent;
  if (newParent != nullptr) {
    Wnd(newParent)->Children.push_back(wnd);
  } else {
    ws.TopLevels.push_back(wnd);
    if (!w->MessageOnly && gHost) {
      w->HostKnows = true;
      gHost->CreateTopLevel(wnd);
      gHost->SetTopLevelBounds(wnd, ContentRect(wnd));
      TellHostMinTrackSize(wnd);
      gHost->SetTopLevelCaption(wnd, w->Text);
      if (w->Style & WS_VISIBLE) gHost->ShowTopLevel(wnd, SW_SHOWNOACTIVATE);
    }
  }
  RecalcFrame(wnd);
  if (IsWindowVisible(wnd)) InvalidateRect(wnd, nullptr, true), InvalidateFrame(wnd);
  return old;
}

HWND GetWindowOwner(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Owner : nullptr;
}

void SetWindowOwner(HWND wnd, HWND owner) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || w->Parent != nullptr) return;
  if (owner != nullptr) owner = GetTopLevel(owner);
  for (HWND o = owner; o != nullptr; o = GetWindowOwner(o))
    if (o == wnd) return;
  w->Owner = owner;
}

namespace {
// Whether the top-level window `top` can become the active window.
bool Activatable(HWND top) {
  TWnd* t = Wnd(top);
  return t != nullptr && (t->Style & WS_VISIBLE) != 0 && (t->Style & WS_DISABLED) == 0 &&
         !t->MessageOnly && (t->ExStyle & WS_EX_NOACTIVATE) == 0;
}
}  // namespace

HWND GetModalWindowFor(HWND wnd) {
  if (wnd == nullptr) return nullptr;
  wnd = GetTopLevel(wnd);
  if (IsWindowEnabled(wnd)) return wnd;
  auto& tops = WS().TopLevels;
  auto owned = [wnd](HWND top) {
    for (HWND o = GetWindowOwner(top); o != nullptr; o = GetWindowOwner(o))
      if (GetTopLevel(o) == wnd) return true;
    return false;
  };
  for (auto it = tops.rbegin(); it != tops.rend(); ++it)
    if (Activatable(*it) && owned(*it)) return *it;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it)
    if (*it != wnd && Activatable(*it)) return *it;
  return nullptr;
}

HWND GetTopLevel(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return nullptr;
  while (w->Parent != nullptr) {
    wnd = w->Parent;
    w = Wnd(wnd);
  }
  return wnd;
}

bool IsChild(HWND parent, HWND child) {
  TWnd* w = Wnd(child);
  if (w == nullptr || parent == nullptr) return false;
  for (HWND p = w->Parent; p != nullptr; p = Wnd(p)->Parent) {
    if (p == parent) return true;
  }
  return false;
}

std::vector<HWND> GetChildWindows(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Children : std::vector<HWND>{};
}

TWinControl* GetWindowControl(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Control : nullptr;
}

std::uint32_t GetWindowStyle(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Style : 0;
}
std::uint32_t GetWindowExStyle(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->ExStyle : 0;
}
std::uint32_t GetClassStyle(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->ClassStyle : 0;
}

void SetWindowStyle(HWND wnd, std::uint32_t style) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  // Visibility and enabling change only through ShowWindow/EnableWindow.
  w->Style = (style & ~(WS_VISIBLE | WS_DISABLED)) | (w->Style & (WS_VISIBLE | WS_DISABLED));
}

void SetWindowExStyle(HWND wnd, std::uint32_t exStyle) {
  if (TWnd* w = Wnd(wnd)) w->ExStyle = exStyle;
}

std::string GetWindowText(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Text : std::string();
}

void SetWindowText(HWND wnd, const std::string& text) {
  SendMessage(wnd, WM_SETTEXT, 0, AsParam(&text));
}

bool ShowWindow(HWND wnd, int showCmd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return false;
  bool wasVisible = (w->Style & WS_VISIBLE) != 0;
  bool show = showCmd != SW_HIDE;
  auto& ws = WS();
  if (show != wasVisible) {
    SendMessage(wnd, WM_SHOWWINDOW, show ? 1 : 0, 0);
    if ((w = Wnd(wnd)) == nullptr) return wasVisible;
    if (!show && w->Parent != nullptr && IsWindowVisible(wnd)) {
      RequestPaint(GetTopLevel(wnd), WindowRectInTop(wnd));
    }
    w->Style = show ? (w->Style | WS_VISIBLE) : (w->Style & ~WS_VISIBLE);
    if (!show) {
      if (InSubtree(wnd, ws.Capture)) ReleaseCapture();
      if (InSubtree(wnd, ws.Focus)) {
        // The focus goes back to the parent when a child hides; a hidden
        // top-level window gives it up.
        SetFocus(w->Parent != nullptr && IsWindowVisible(w->Parent) ? w->Parent : nullptr);
      }
    } else {
      InvalidateRect(wnd, nullptr, true);
      InvalidateFrame(wnd);
    }
  }
  if (w->Parent == nullptr) {
    if (show) {
      int state = w->WindowState;
      if (showCmd == SW_SHOWMAXIMIZED) state = SIZE_MAXIMIZED;
      if (showCmd == SW_MINIMIZE || showCmd == SW_SHOWMINIMIZED || showCmd == SW_SHOWMINNOACTIVE)
        state = SIZE_MINIMIZED;
      if (showCmd == SW_RESTORE || showCmd == SW_SHOWNORMAL) state = SIZE_RESTORED;
      bool restoring = ChangeWindowState(wnd, state);
      if (w->HostKnows && gHost) gHost->ShowTopLevel(wnd, showCmd);
      if (restoring) MoveToNormalBounds(wnd);
      if ((w = Wnd(wnd)) == nullptr) return wasVisible;
    } else if (w->HostKnows && gHost) {
      gHost->ShowTopLevel(wnd, showCmd);
    }
    bool activates = show && showCmd != SW_SHOWNOACTIVATE && showCmd != SW_SHOWNA &&
                     showCmd != SW_SHOWMINNOACTIVE && (w->ExStyle & WS_EX_NOACTIVATE) == 0 &&
                     !w->MessageOnly;
    if (activates) {
      BringWindowToTop(wnd);
      SetActiveWindow(wnd);
    } else if (!show && ws.Active == wnd) {
      // Activation goes to the owner, or the next visible top-level window.
      HWND next = nullptr;
      if (w->Owner != nullptr && IsWindowVisible(w->Owner)) {
        next = w->Owner;
      } else {
        for (auto it = ws.TopLevels.rbegin(); it != ws.TopLevels.rend(); ++it) {
          if (*it != wnd && Activatable(*it)) {
            next = *it;
            break;
          }
        }
      }
      SetActiveWindow(next);
      // The owner is still disabled (a modal window closing): nothing is
      // active until it is enabled again.
      if (ws.Active == wnd) SetActiveWindow(nullptr);
    }
  }
  return wasVisible;
}

bool ChangeWindowState(HWND wnd, int state) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || w->WindowState == state) return false;
  int old = w->WindowState;
  w->WindowState = state;
  if (old == SIZE_RESTORED) {
    w->NormalBounds = w->Bounds;
    w->NormalBoundsSet = false;
    return false;
  }
  bool move = state == SIZE_RESTORED && w->NormalBoundsSet;
  w->NormalBoundsSet = false;
  return move;
}

void MoveToNormalBounds(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  TRect b = w->NormalBounds;
  SetWindowPos(wnd, nullptr, b.Left, b.Top, b.Width(), b.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

TRect GetWindowNormalBounds(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return {};
  if (w->WindowState == SIZE_RESTORED) return w->Bounds;
  TRect content;
  if (!w->NormalBoundsSet && w->HostKnows && gHost && gHost->TopLevelNormalRect(wnd, content) &&
      !IsRectEmpty(content)) {
    TRect m = NativeFrameMargins(wnd);
    return Rect(content.Left - m.Left, content.Top - m.Top, content.Right + m.Right,
                content.Bottom + m.Bottom);
  }
  return w->NormalBounds;
}

void SetWindowNormalBounds(HWND wnd, const TRect& bounds) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  if (w->WindowState == SIZE_RESTORED) {
    SetWindowPos(wnd, nullptr, bounds.Left, bounds.Top, bounds.Width(), bounds.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  w->NormalBounds = bounds;
  w->NormalBoundsSet = true;
}

bool IsWindowVisible(HWND wnd) {
  for (TWnd* w = Wnd(wnd); w != nullptr; w = Wnd(w->Parent)) {
    if ((w->Style & WS_VISIBLE) == 0) return false;
    if (w->Parent == nullptr) return true;
  }
  return false;
}

bool EnableWindow(HWND wnd, bool enable) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return false;
  bool wasDisabled = (w->Style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  auto& ws = WS();
  if (!enable) {
    if (InSubtree(wnd, ws.Focus)) SetFocus(nullptr);
    if (InSubtree(wnd, ws.Capture)) ReleaseCapture();
    if (TWnd* again = Wnd(wnd)) again->Style |= WS_DISABLED;
  } else {
    w->Style &= ~WS_DISABLED;
  }
  SendMessage(wnd, WM_ENABLE, enable ? 1 : 0, 0);
  InvalidateFrame(wnd);
  return wasDisabled;
}

bool IsWindowEnabled(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w != nullptr && (w->Style & WS_DISABLED) == 0;
}

// --- geometry

TRect GetWindowBounds(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Bounds : TRect{};
}

TRect GetWindowRect(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return {};
  TRect r = w->Bounds;
  if (w->Parent != nullptr) {
    TPoint origin = MapWindowPoint(w->Parent, nullptr, {0, 0});
    OffsetRect(r, origin.X, origin.Y);
  }
  return r;
}

TRect GetClientRect(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? Rect(0, 0, w->Client.Width(), w->Client.Height()) : TRect{};
}

TRect GetClientRectInWindow(HWND wnd) {
  TWnd* w = Wnd(wnd);
  return w ? w->Client : TRect{};
}

TPoint ClientOriginInTop(HWND wnd) {
  TPoint p;
  for (TWnd* w = Wnd(wnd); w != nullptr; w = Wnd(w->Parent)) {
    p.X += w->Client.Left;
    p.Y += w->Client.Top;
    if (w->Parent == nullptr) break;
    p.X += w->Bounds.Left;
    p.Y += w->Bounds.Top;
  }
  return p;
}

TRect WindowRectInTop(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return {};
  TRect r = Rect(0, 0, w->Bounds.Width(), w->Bounds.Height());
  if (w->Parent != nullptr) {
    TPoint o = ClientOriginInTop(w->Parent);
    OffsetRect(r, o.X + w->Bounds.Left, o.Y + w->Bounds.Top);
  }
  return r;
}

void RecalcFrame(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  TNCCalcSizeParams params;
  params.rgrc[0] = w->Bounds;
  SendMessage(wnd, WM_NCCALCSIZE, 0, AsParam(&params));
  if ((w = Wnd(wnd)) == nullptr) return;
  TRect c = params.rgrc[0];
  OffsetRect(c, -w->Bounds.Left, -w->Bounds.Top);
  c.Right = std::max(c.Right, c.Left);
  c.Bottom = std::max(c.Bottom, c.Top);
  w->Client = c;
}

bool SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, unsigned flags) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return false;
  TWindowPos pos{wnd, insertAfter, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) pos.x = w->Bounds.Left, pos.y = w->Bounds.Top;
  if (flags & SWP_NOSIZE) pos.cx = w->Bounds.Width(), pos.cy = w->Bounds.Height();
  SendMessage(wnd, WM_WINDOWPOSCHANGING, 0, AsParam(&pos));
  if ((w = Wnd(wnd)) == nullptr) return false;
  pos.cx = std::max(pos.cx, 0);
  pos.cy = std::max(pos.cy, 0);
  TRect newBounds = Bounds(pos.x, pos.y, pos.cx, pos.cy);
  bool moved = newBounds.Left != w->Bounds.Left || newBounds.Top != w->Bounds.Top;
  bool sized = newBounds.Width() != w->Bounds.Width() || newBounds.Height() != w->Bounds.Height();
  bool frame = (pos.flags & SWP_FRAMECHANGED) != 0;
  bool visible = IsWindowVisible(wnd);
  bool redraw = (pos.flags & SWP_NOREDRAW) == 0 && visible;
  if (redraw && (moved || sized) && w->Parent != nullptr)
    RequestPaint(GetTopLevel(wnd), WindowRectInTop(wnd));
  w->Bounds = newBounds;
  if (sized || frame) RecalcFrame(wnd);
  if ((w = Wnd(wnd)) == nullptr) return false;
  if (redraw && (moved || sized || frame)) {
    InvalidateRect(wnd, nullptr, true);
    InvalidateFrame(wnd);
  }
  if (moved || sized) TellHostBounds(wnd);
  if ((pos.flags & SWP_NOZORDER) == 0 && insertAfter == nullptr) BringWindowToTop(wnd);
  if (pos.flags & SWP_SHOWWINDOW)
    ShowWindow(wnd, (pos.flags & SWP_NOACTIVATE) ? SW_SHOWNOACTIVATE : SW_SHOW);
  if (pos.flags & SWP_HIDEWINDOW) ShowWindow(wnd, SW_HIDE);
  if (moved || sized || frame) {
    unsigned doneFlags = pos.flags & ~(SWP_NOMOVE | SWP_NOSIZE);
    if (!moved) doneFlags |= SWP_NOMOVE;
    if (!sized) doneFlags |= SWP_NOSIZE;
    TWindowPos done{wnd, insertAfter, pos.x, pos.y, pos.cx, pos.cy, doneFlags};
    SendMessage(wnd, WM_WINDOWPOSCHANGED, 0, AsParam(&done));
  }
  return true;
}

bool MoveWindow(HWND wnd, int x, int y, int width, int height, bool repaint) {
  return SetWindowPos(wnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

void SetWindowMinTrackSize(HWND wnd, TSize size) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr || w->Parent != nullptr || w->MinTrackSize == size) return;
  w->MinTrackSize = size;
  TellHostMinTrackSize(wnd);
}

void BringWindowToTop(HWND wnd) {
  TWnd* w = Wnd(wnd);
  if (w == nullptr) return;
  std::vector<HWND>& list = w->Parent != nullptr ? Wnd(w->Parent)->Children : WS().TopLevels;
  if (!list.empty() && list.back() == wnd) return;
  RemoveFrom(list, wnd);
  list.push_back(wnd);
  if (w->Parent != nullptr && IsWindowVisible(wnd)) {
    InvalidateRect(wnd, nullptr, true);
    InvalidateFrame(wnd);
  }
}

TPoint MapWindowPoint(HWND from, HWND to, TPoint point) {
  // To screen coordinates, then into `to`.
  auto clientOriginOnScreen = [](HWND wnd) {
    TPoint p = ClientOriginInTop(wnd);
    HWND top = GetTopLevel(wnd);
    TWnd* t = Wnd(top);
    if (t != nullptr) p.X += t->Bounds.Left, p.Y += t->Bounds.Top;
    return p;
  };
  if (from != nullptr && IsWindow(from)) {
    TPoint o = clientOriginOnScreen(from);
    point.X += o.X;
    point.Y += o.Y;
  }
  if (to != nullptr && IsWindow(to)) {
    TPoint o = clientOriginOnScreen(to);
    point.X -= o.X;
    point.Y -= o.Y;
  }
  return point;
}

void ClientToScreen(HWND wnd, TPoint& point) { point = MapWindowPoint(wnd, nullptr, point); }
void ScreenToClient(HWND wnd, TPoint& point) { point = MapWindowPoint(nullptr, wnd, point); }

HWND ChildWindowFromPoint(HWND parent, TPoint clientPoint) {
  TWnd* w = Wnd(parent);
  if (w == nullptr) return nullptr;
  for (auto it = w->Children.rbegin(); it != w->Children.rend(); ++it) {
    TWnd* c = Wnd(*it);
    if ((c->Style & WS_VISIBLE) == 0 || !PtInRect(c->Bounds, clientPoint)) continue;
    TPoint inChild{clientPoint.X - c->Bounds.Left - c->Client.Left,
                   clientPoint.Y - c->Bounds.Top - c->Client.Top};
    if (!PtInRect(c->Client, {clientPoint.X - c->Bounds.Left, clientPoint.Y - c->Bounds.Top}))
      return *it;
    return ChildWindowFromPoint(*it, inChild);
  }
  return parent;
}

HWND WindowFromPoint(TPoint screenPoint) {
  auto& tops = WS().TopLevels;
  // Topmost windows first, then the others, each from the top of the order.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
      TWnd* t = Wnd(*it);
      bool topmost = (t->ExStyle & WS_EX_TOPMOST) != 0;
      if ((pass == 0) != topmost || t->MessageOnly || (t->Style & WS_VISIBLE) == 0) continue;
      if (!PtInRect(t->Bounds, screenPoint)) continue;
      TPoint inWindow{screenPoint.X - t->Bounds.Left, screenPoint.Y - t->Bounds.Top};
      if (!PtInRect(t->Client, inWindow)) return *it;
      return ChildWindowFromPoint(*it, {inWindow.X - t->Client.Left, inWindow.Y - t->Client.Top});
    }
  }
  return nullptr;
}

// --- focus, activation, capture

HWND SetFocus(HWND wnd) {
  auto& ws = WS();
  if (wnd != nullptr && !IsWindow(wnd)) return nullptr;
  HWND old = ws.Focus;
  if (old == wnd) return old;
  if (wnd != nullptr) {
    HWND top = GetTopLevel(wnd);
    TWnd* t = Wnd(top);
    if ((t->Style & WS_DISABLED) != 0) return nullptr;
    if (top != ws.Active && (t->ExStyle & WS_EX_NOACTIVATE) == 0 && !t->MessageOnly) {
      SetActiveWindow(top);
      if (ws.Focus == wnd) return old;  // activation already focused it
      old = ws.Focus;
    }
  }
  ws.Focus = wnd;
  if (old != nullptr) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(wnd), 0);
  // A handler may have moved the focus on; only the window that still has
  // it hears WM_SETFOCUS.
  if (wnd != nullptr && ws.Focus == wnd)
    SendMessage(wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return WS().Focus; }
HWND GetActiveWindow() { return WS().Active; }

HWND SetActiveWindow(HWND wnd) {
  auto& ws = WS();
  if (wnd != nullptr) wnd = GetTopLevel(wnd);
  HWND old = ws.Active;
  if (wnd != nullptr && !IsWindowEnabled(wnd)) {
    wnd = GetModalWindowFor(wnd);
    if (wnd == nullptr) return old;
  }
  if (old == wnd) return old;
  ws.Active = wnd;
  if (old != nullptr) {
    SendMessage(old, WM_NCACTIVATE, 0, 0);
    SendMessage(old, WM_ACTIVATE, MakeWParam(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(wnd));
  }
  if (wnd != nullptr && ws.Active == wnd) {
    TWnd* w = Wnd(wnd);
    // The window the host has just activated needs no request back: asking
    // again would fight the window manager over every activation in flight.
    if (w->HostKnows && gHost && wnd != ws.HostActivated) gHost->ActivateTopLevel(wnd);
    SendMessage(wnd, WM_NCACTIVATE, 1, 0);
    SendMessage(wnd, WM_ACTIVATE, MakeWParam(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old));
    // A window that did not place the focus itself gets it.
    if (ws.Active == wnd && (ws.Focus == nullptr || GetTopLevel(ws.Focus) != wnd)) SetFocus(wnd);
  } else if (wnd == nullptr && ws.Focus != nullptr && GetTopLevel(ws.Focus) == old) {
    SetFocus(nullptr);
  }
  return old;
}

HWND SetCapture(HWND wnd) {
  auto& ws = WS();
  if (wnd != nullptr && !IsWindow(wnd)) return nullptr;
  HWND old = ws.Capture;
  if (old == wnd) return old;
  ws.Capture = wnd;
  if (gHost) {
    if (wnd != nullptr) {
      gHost->GrabMouse(GetTopLevel(wnd));
    } else {
      gHost->ReleaseMouse();
    }
  }
  if (old != nullptr) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(wnd));
  return old;
}

bool ReleaseCapture() {
  SetCapture(nullptr);
  return true;
}

HWND GetCapture() { return WS().Capture; }

short GetKeyState(unsigned virtualKey) {
  if (virtualKey >= 256) return 0;
  return WS().KeyDown[virtualKey] ? static_cast<short>(-128) : 0;
}

void UpdateKeyState(std::array<bool, 256>& keys, unsigned virtualKey, bool down) {
  if (virtualKey >= 256) return;
  keys[virtualKey] = down;
  // The generic modifier follows its left/right keys.
  if (virtualKey == VK_LSHIFT || virtualKey == VK_RSHIFT)
    keys[VK_SHIFT] = keys[VK_LSHIFT] || keys[VK_RSHIFT];
  if (virtualKey == VK_LCONTROL || virtualKey == VK_RCONTROL)
    keys[VK_CONTROL] = keys[VK_LCONTROL] || keys[VK_RCONTROL];
  if (virtualKey == VK_LMENU || virtualKey == VK_RMENU)
    keys[VK_MENU] = keys[VK_LMENU] || keys[VK_RMENU];
}

void SetKeyDown(unsigned virtualKey, bool down) {
  UpdateKeyState(WS().KeyDown, virtualKey, down);
  UpdateKeyState(WS().AsyncKeyDown, virtualKey, down);
}

short GetAsyncKeyState(unsigned virtualKey) {
  if (virtualKey >= 256) return 0;
  return WS().AsyncKeyDown[virtualKey] ? static_cast<short>(-128) : 0;
}

TPoint GetCursorPos() { return WS().CursorPos; }
void SetCursorPos(TPoint screenPoint) { WS().CursorPos = screenPoint; }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return gHost ? gHost->ScreenRect().Width() : 1920;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
      return gHost ? gHost->ScreenRect().Height() : 1080;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return 17;
    case SM_CYCAPTION:
      return 22;
    case SM_CYSMCAPTION:
      return 17;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return 4;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYMENU:
      return 20;
    case SM_CXMIN:
      return 112;
    case SM_CYMIN:
      return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
      return 18;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    default:
      return 0;
  }
}

unsigned GetDoubleClickTime() { return 500; }

TRect ContentRect(HWND topLevel) {
  TWnd* w = Wnd(topLevel);
  if (w == nullptr) return {};
  TRect m = NativeFrameMargins(topLevel);
  return Rect(w->Bounds.Left + m.Left, w->Bounds.Top + m.Top, w->Bounds.Right - m.Right,
              w->Bounds.Bottom - m.Bottom);
}

TPoint ContentOffset(HWND topLevel) { return NativeFrameMargins(topLevel).TopLeft(); }
