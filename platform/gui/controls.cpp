#include "platform/gui/controls.h"

#include <algorithm>
#include <utility>

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"

namespace {

TShiftState MouseShift(const TMessage& m) {
  return KeysToShiftState(static_cast<unsigned>(m.WParam));
}

TPopupMenuHandler& PopupMenuHandler() {
  static TPopupMenuHandler handler;
  return handler;
}

constexpr TPoint kKeyboardContextPos{-1, -1};

}  // namespace

// ---------------------------------------------------------------- TControl

TControl::TControl(TComponent* owner) : TComponent(owner), FFont(std::make_unique<TFont>()) {
  WindowProc = [this](TMessage& m) { WndProc(m); };
  FFont->OnChange = [this](TObject* sender) { FontChanged(sender); };
}

TControl::~TControl() = default;

void TControl::BeforeDestruction() {
  if (Application != nullptr) Application->ControlDestroying(this);
  if (FParent != nullptr) FParent->RemoveControl(this);
  FParent = nullptr;
  TComponent::BeforeDestruction();
}

void TControl::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

LRESULT TControl::Perform(unsigned msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      HandleMouseDown(message, mbLeft, message.Msg == WM_LBUTTONDBLCLK);
      return;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      HandleMouseDown(message, mbRight, message.Msg == WM_RBUTTONDBLCLK);
      return;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      HandleMouseDown(message, mbMiddle, message.Msg == WM_MBUTTONDBLCLK);
      return;
    case WM_LBUTTONUP:
      HandleMouseUp(message, mbLeft);
      return;
    case WM_RBUTTONUP:
      HandleMouseUp(message, mbRight);
      return;
    case WM_MBUTTONUP:
      HandleMouseUp(message, mbMiddle);
      return;
    case WM_MOUSEMOVE:
      Application->HintMouseMessage(this, message);
      HandleMouseMove(message);
      return;
    case WM_MOUSEWHEEL: {
      TWMMouseWheel wheel{message};
      TShiftState shift = KeysToShiftState(wheel.Keys());
      if (DoMouseWheel(shift, wheel.WheelDelta(), wheel.Pos())) {
        message.Result = 1;
        return;
      }
      break;
    }
    case WM_CONTEXTMENU: {
      TPoint pos = LParamToPoint(message.LParam);
      bool keyboard = pos == kKeyboardContextPos;
      bool handled = false;
      DoContextPopup(keyboard ? kKeyboardContextPos : ScreenToClient(pos), handled);
      if (handled) {
        message.Result = 1;
        return;
      }
      if (FPopupMenu != nullptr && PopupMenuHandler()) {
        if (keyboard) pos = ClientToScreen({0, 0});
        if (PopupMenuHandler()(FPopupMenu, this, pos)) {
          message.Result = 1;
          return;
        }
      }
      break;
    }
    case WM_CANCELMODE:
      // A held button ends without a click: the release goes outside.
      if (MouseCapture()) {
        SetMouseCapture(false);
        if (FControlState.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, MakeLParam(-1, -1));
      } else {
        FControlState.Exclude(csClicked).Exclude(csLButtonDown);
      }
      break;
    case CM_MOUSEENTER:
      if (OnMouseEnter) OnMouseEnter(this);
      return;
    case CM_MOUSELEAVE:
      Application->HintMouseLeave(this);
      if (OnMouseLeave) OnMouseLeave(this);
      return;
    case CM_PARENTFONTCHANGED:
      if (FParentFont) ApplyParentFont();
      return;
    case CM_PARENTCOLORCHANGED:
      if (FParentColor) ApplyParentColor();
      return;
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      return;
    case CM_PARENTSHOWHINTCHANGED:
      if (FParentShowHint && FParent != nullptr && FShowHint != FParent->ShowHint()) {
        FShowHint = FParent->ShowHint();
        Perform(CM_SHOWHINTCHANGED);  // on to our own children
      }
      return;
    case CM_HINTSHOW:
    case CM_VISIBLECHANGED:
    case CM_SYSCOLORCHANGE:
    case CM_CANCELMODE:
    case CM_SHOWINGCHANGED:
      return;
    default:
      break;
  }
  DefaultHandler(message);
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::HandleMouseDown(TMessage& message, TMouseButton button, bool dbl) {
  TWMMouse mouse{message};
  TShiftState shift = MouseShift(message);
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (button == mbLeft && FControlStyle.Contains(csClickEvents)) FControlState.Include(csClicked);
  if (button == mbLeft) FControlState.Include(csLButtonDown);
  if (dbl) {
    shift.Include(ssDouble);
    if (button == mbLeft && FControlStyle.Contains(csDoubleClicks)) DblClick();
  }
  MouseDown(button, shift, mouse.XPos(), mouse.YPos());
}

void TControl::HandleMouseUp(TMessage& message, TMouseButton button) {
  TWMMouse mouse{message};
  TShiftState shift = MouseShift(message);
  if (FControlStyle.Contains(csCaptureMouse) && MouseCapture()) SetMouseCapture(false);
  bool clicked = button == mbLeft && FControlState.Contains(csClicked);
  if (button == mbLeft) FControlState.Exclude(csClicked).Exclude(csLButtonDown);
  if (clicked && PtInRect(ClientRect(), mouse.Pos())) Click();
  MouseUp(button, shift, mouse.XPos(), mouse.YPos());
}

void TControl::HandleMouseMove(TMessage& message) {
  TWMMouse mouse{message};
  MouseMove(MouseShift(message), mouse.XPos(), mouse.YPos());
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}
void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}
void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}
bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
  return handled;
}
void TControl::DoContextPopup(TPoint mousePos, bool& handled) {
  if (OnContextPopup) OnContextPopup(this, mousePos, handled);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::ConstrainedResize(int& width, int& height) {
  const TSizeConstraints& c = FConstraints;
  if (c.MaxWidth > 0) width = std::min(width, c.MaxWidth);
  if (c.MaxHeight > 0) height = std::min(height, c.MaxHeight);
  width = std::max(width, c.MinWidth);
  height = std::max(height, c.MinHeight);
  width = std::max(width, 0);
  height = std::max(height, 0);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  ConstrainedResize(width, height);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  bool sized = width != FWidth || height != FHeight;
  Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Invalidate();
  RequestAlign();
  if (sized) Resize();
}

TRect TControl::ClientRect() const { return Rect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int value) { SetWidth(FWidth - ClientWidth() + value); }
void TControl::SetClientHeight(int value) { SetHeight(FHeight - ClientHeight() + value); }

TPoint TControl::ClientOrigin() const {
  if (FParent == nullptr) return {FLeft, FTop};
  TPoint p = FParent->ClientOrigin();
  return {p.X + FLeft, p.Y + FTop};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return {p.X - o.X, p.Y - o.Y};
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  if (FParent != nullptr) FParent->Realign();
}

void TControl::SetConstraints(const TSizeConstraints& value) {
  FConstraints = value;
  SetBounds(FLeft, FTop, FWidth, FHeight);
  // The outermost window makes room first; its realigning then gives
  // every aligned window down to this one its minimum.
  TControl* top = this;
  while (top->FParent != nullptr && top->FAlign != alNone) top = top->FParent;
  if (top != this) top->SetBounds(top->FLeft, top->FTop, top->FWidth, top->FHeight);
}

TSize TControl::MinimumSize() { return {FConstraints.MinWidth, FConstraints.MinHeight}; }

void TControl::RequestAlign() {
  if (FParent != nullptr && !FParent->FAligning) FParent->Realign();
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (FParent != nullptr) FParent->RemoveControl(this);
  if (parent != nullptr) {
    parent->InsertControl(this);
    if (FParentFont) ApplyParentFont();
    if (FParentColor) ApplyParentColor();
    if (FParentShowHint) FShowHint = parent->ShowHint();
    Invalidate();
    RequestAlign();
  }
}

void TControl::BringToFront() {
  if (FParent == nullptr) return;
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.push_back(this);
  if (auto* win = dynamic_cast<TWinControl*>(this); win && win->HandleAllocated())
    BringWindowToTop(win->FHandle);
  Invalidate();
}

void TControl::SendToBack() {
  if (FParent == nullptr) return;
  auto& list = FParent->FControls;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  list.insert(list.begin(), this);
  if (auto* win = dynamic_cast<TWinControl*>(this); win && win->HandleAllocated()) {
    // Below its siblings: bring every other sibling window up in order.
    for (TControl* c : list) {
      if (auto* w = dynamic_cast<TWinControl*>(c); w && w != win && w->HandleAllocated())
        BringWindowToTop(w->FHandle);
    }
  }
  FParent->Invalidate();
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  if (!value) Invalidate();
  FVisible = value;
  Perform(CM_VISIBLECHANGED, value ? 1 : 0);
  if (auto* win = dynamic_cast<TWinControl*>(this)) win->UpdateShowing();
  if (value) Invalidate();
  RequestAlign();
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  Perform(CM_ENABLEDCHANGED);
}

bool TControl::IsVisibleInTree() const {
  for (const TControl* c = this; c != nullptr; c = c->FParent) {
    if (!c->FVisible) return false;
  }
  return true;
}

void TControl::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  FParentColor = false;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool value) {
  if (value == FParentFont) return;
  FParentFont = value;
  if (value) ApplyParentFont();
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value) ApplyParentColor();
}

void TControl::ApplyParentFont() {
  if (FParent == nullptr) return;
  TFlagGuard applying(FApplyingParentFont);
  FFont->Assign(FParent->Font());
}

void TControl::ApplyParentColor() {
  if (FParent == nullptr || FColor == FParent->Color()) return;
  FColor = FParent->Color();
  Perform(CM_COLORCHANGED);
}

void TControl::FontChanged(TObject*) {
  // A font set directly ends the inheritance; one copied from the parent keeps it.
  if (!FApplyingParentFont) FParentFont = false;
  Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& value) {
  if (value == FText) return;
  FText = value;
  Perform(CM_TEXTCHANGED);
}

void TControl::SetShowHint(bool value) {
  FParentShowHint = false;
  if (value == FShowHint) return;
  FShowHint = value;
  Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
  if (value == FParentShowHint) return;
  FParentShowHint = value;
  if (value) Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetPopupMenu(TComponent* menu) {
  if (menu == FPopupMenu) return;
  if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = menu;
  if (menu != nullptr) menu->FreeNotification(this);
}

void TControl::Invalidate() {
  if (FParent == nullptr || !FVisible || !FParent->HandleAllocated()) return;
  TRect r = BoundsRect();
  InvalidateRect(FParent->FHandle, &r, !FControlStyle.Contains(csOpaque));
}

void TControl::Update() {
  if (FParent != nullptr) FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

bool TControl::MouseCapture() const { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool value) {
  if (value == MouseCapture()) return;
  if (auto* win = dynamic_cast<TWinControl*>(this)) {
    if (value) {
      SetCapture(win->Handle());
    } else {
      ReleaseCapture();
    }
    return;
  }
  if (FParent == nullptr) return;
  if (value) {
    FParent->FCaptureControl = this;
    SetCapture(FParent->Handle());
  } else {
    FParent->FCaptureControl = nullptr;
    ReleaseCapture();
  }
}

// ------------------------------------------------------------- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

void TWinControl::BeforeDestruction() {
  // Children go with their parent, whoever owns them.
  while (!FControls.empty()) {
    TControl* child = FControls.back();
    RemoveControl(child);
    child->FParent = nullptr;
    child->Free();
  }
  DestroyHandle();
  TControl::BeforeDestruction();
}

HWND TWinControl::Handle() {
  if (FHandle == nullptr) {
    if (Parent() != nullptr) Parent()->HandleNeeded();
    if (FHandle == nullptr) CreateWnd();
  }
  return FHandle;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Caption = GetText();
  params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ControlStyle().Contains(csAcceptsControls)) params.Style |= WS_CLIPCHILDREN;
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (FTabStop) params.Style |= WS_TABSTOP;
  params.ExStyle = 0;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
  params.WndParent = Parent() != nullptr ? Parent()->FHandle : FParentWindow;
  params.WindowClassStyle = CS_DBLCLKS;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) != 0 && params.WndParent == nullptr) {
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  }
  CreateWindowHandle(params);
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
  TWndCreateInfo info;
  bool child = (params.Style & WS_CHILD) != 0;
  info.Parent = child ? params.WndParent : nullptr;
  info.Owner = child ? nullptr : params.WndParent;
  info.Style = params.Style & ~WS_VISIBLE;
  info.ExStyle = params.ExStyle;
  info.ClassStyle = params.WindowClassStyle;
  info.Bounds = Bounds(params.X, params.Y, params.Width, params.Height);
  info.Caption = params.Caption;
  info.Control = this;
  // The handle is known from the first message on (WM_NCCREATE), so that
  // the default handling works while the window is being made.
  info.WndProc = [this](HWND wnd, TMessage& m) {
    if (FHandle == nullptr && m.Msg != WM_NCDESTROY) FHandle = wnd;
    WindowProc(m);
  };
  {
    FControlState.Include(csCreating);
    TScopeExit created([this] { FControlState.Exclude(csCreating); });
    FHandle = CreateWindowEx(info);
  }
  // Children that show get their windows with this one.
  FLastClientSize = {ClientWidth(), ClientHeight()};
  if (FShowing) ShowWindow(FHandle, SW_SHOWNA);
  for (TControl* c : FControls) {
    if (auto* w = dynamic_cast<TWinControl*>(c);
        w != nullptr && w->FShowing && !w->HandleAllocated())
      w->Handle();
  }
}

void TWinControl::DestroyWnd() {
  if (FHandle == nullptr) return;
  // Child windows go first, keeping their controls.
  for (TControl* c : FControls) {
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  }
  HWND h = FHandle;
  DestroyWindow(h);
  FHandle = nullptr;
}

void TWinControl::DestroyHandle() {
  if (FHandle == nullptr) return;
  FControlState.Include(csDestroyingHandle);
  TScopeExit destroyed([this] { FControlState.Exclude(csDestroyingHandle); });
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (FHandle == nullptr) return;
  bool focused = Focused();
  DestroyHandle();
  Handle();
  if (focused && CanFocus()) ::SetFocus(FHandle);
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (c == this) return true;
  }
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint pos, bool allowDisabled) const {
  // Graphic controls lie under the windowed ones.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
      TControl* c = *it;
      bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
      if (windowed != (pass == 0)) continue;
      if (c->Visible() && (allowDisabled || c->Enabled()) && PtInRect(c->BoundsRect(), pos))
        return c;
    }
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  std::vector<TControl*> controls = FControls;
  for (TControl* c : controls) {
    c->WindowProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::NotifyControls(unsigned msg) {
  std::vector<TControl*> controls = FControls;
  for (TControl* c : controls) c->Perform(msg, 0, AsParam(this));
}

void TWinControl::EnableAlign() {
  if (FAlignLevel > 0 && --FAlignLevel == 0 && FControlState.Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::Realign() {
  if (FAlignLevel > 0) {
    FControlState.Include(csAlignmentNeeded);
    return;
  }
  if (FAligning) return;
  FControlState.Exclude(csAlignmentNeeded);
  TRect r = ClientRect();
  AdjustClientRect(r);
  TFlagGuard aligning(FAligning);
  AlignControls(nullptr, r);
}

void TWinControl::AdjustClientRect(TRect&) {}

void TWinControl::AlignControls(TControl*, TRect& rect) {
  static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
  for (TAlign align : kOrder) {
    std::vector<TControl*> list;
    for (TControl* c : FControls) {
      if (c->Align() == align && c->Visible()) list.push_back(c);
    }
    // Nearest the edge first, the z-order breaking ties.
    std::stable_sort(list.begin(), list.end(), [align](TControl* a, TControl* b) {
      switch (align) {
        case alTop:
          return a->Top() < b->Top();
        case alBottom:
          return a->Top() + a->Height() > b->Top() + b->Height();
        case alLeft:
          return a->Left() < b->Left();
        case alRight:
          return a->Left() + a->Width() > b->Left() + b->Width();
        default:
          return false;
      }
    });
    for (TControl* c : list) {
      int w = rect.Width();
      int h = rect.Height();
      switch (align) {
        case alTop:
          c->SetBounds(rect.Left, rect.Top, w, c->Height());
          rect.Top += c->Height();
          break;
        case alBottom:
          c->SetBounds(rect.Left, rect.Bottom - c->Height(), w, c->Height());
          rect.Bottom -= c->Height();
          break;
        case alLeft:
          c->SetBounds(rect.Left, rect.Top, c->Width(), h);
          rect.Left += c->Width();
          break;
        case alRight:
          c->SetBounds(rect.Right - c->Width(), rect.Top, c->Width(), h);
          rect.Right -= c->Width();
          break;
        default:
          c->SetBounds(rect.Left, rect.Top, std::max(w, 0), std::max(h, 0));
          break;
      }
    }
  }
}

TSize TWinControl::MinimumSize() {
  TSize own = TControl::MinimumSize();
  int alongTop = 0, alongSides = 0;  // heights on top/bottom, widths at the sides
  TSize edgeNeed{0, 0}, rest{0, 0};
  bool asked = false;
  for (TControl* c : FControls) {
    if (c->Align() == alNone || !c->Visible()) continue;
    TSize m = c->MinimumSize();
    asked = asked || m.cx > 0 || m.cy > 0;
    switch (c->Align()) {
      case alTop:
      case alBottom:
        alongTop += std::max(c->Height(), m.cy);
        edgeNeed.cx = std::max(edgeNeed.cx, m.cx);
        break;
      case alLeft:
      case alRight:
        alongSides += std::max(c->Width(), m.cx);
        edgeNeed.cy = std::max(edgeNeed.cy, m.cy);
        break;
      default:
        rest.cx = std::max(rest.cx, m.cx);
        rest.cy = std::max(rest.cy, m.cy);
        break;
    }
  }
  if (!asked) return own;
  TRect area = ClientRect();
  AdjustClientRect(area);
  // The window record's bounds go with its client rectangle; ours may be
  // ahead of it in the middle of a move.
  TRect outer = FHandle != nullptr ? GetWindowBounds(FHandle) : BoundsRect();
  int frameW = outer.Width() - area.Width();
  int frameH = outer.Height() - area.Height();
  int needW = std::max(edgeNeed.cx, alongSides + rest.cx) + frameW;
  int needH = alongTop + std::max(edgeNeed.cy, rest.cy) + frameH;
  return {std::max(own.cx, needW), std::max(own.cy, needH)};
}

void TWinControl::ConstrainedResize(int& width, int& height) {
  TControl::ConstrainedResize(width, height);
  TSize need = MinimumSize();
  width = std::max(width, need.cx);
  height = std::max(height, need.cy);
}

void TWinControl::AnchorChildren(TSize oldClient, TSize newClient) {
  int dw = newClient.cx - oldClient.cx;
  int dh = newClient.cy - oldClient.cy;
  if ((dw == 0 && dh == 0) || oldClient == TSize{}) return;
  for (TControl* c : FControls) {
    if (c->Align() != alNone) continue;
    TAnchors a = c->Anchors();
    int l = c->Left(), t = c->Top(), w = c->Width(), h = c->Height();
    if (a.Contains(akRight)) {
      if (a.Contains(akLeft))
        w += dw;
      else
        l += dw;
    }
    if (a.Contains(akBottom)) {
      if (a.Contains(akTop))
        h += dh;
      else
        t += dh;
    }
    c->SetBounds(l, t, w, h);
  }
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  ConstrainedResize(width, height);
  if (left == Left() && top == Top() && width == Width() && height == Height()) return;
  bool sized = width != Width() || height != Height();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FHandle != nullptr) {
    // WM_SIZE (UpdateBoundsFromWindow) realigns and calls Resize.
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (sized) {
    TSize client{ClientWidth(), ClientHeight()};
    AnchorChildren(FLastClientSize, client);
    FLastClientSize = client;
    Realign();
    Resize();
  }
  RequestAlign();
}

void TWinControl::UpdateBoundsFromWindow() {
  TRect b = GetWindowBounds(FHandle);
  FLeft = b.Left;
  FTop = b.Top;
  FWidth = b.Width();
  FHeight = b.Height();
}

TRect TWinControl::ClientRect() const {
  if (FHandle != nullptr) return GetClientRect(FHandle);
  // Without a window the frame comes from the parameters it would get.
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParams(params);
  TRect m = FrameMargins(params.Style, params.ExStyle, (params.Style & WS_CHILD) == 0);
  int w = Width() - m.Left - m.Right;
  int h = Height() - m.Top - m.Bottom;
  if (params.Style & WS_VSCROLL) w -= GetSystemMetrics(SM_CXVSCROLL);
  if (params.Style & WS_HSCROLL) h -= GetSystemMetrics(SM_CYHSCROLL);
  return Rect(0, 0, std::max(w, 0), std::max(h, 0));
}

TPoint TWinControl::ClientOrigin() const {
  if (FHandle != nullptr) return MapWindowPoint(FHandle, nullptr, {0, 0});
  TPoint p = TControl::ClientOrigin();
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParams(params);
  TRect m = FrameMargins(params.Style, params.ExStyle, (params.Style & WS_CHILD) == 0);
  return {p.X + m.Left, p.Y + m.Top};
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  if (parent != nullptr && ContainsControl(parent))
    throw EInvalidOperation("A control cannot have itself as its parent");
  bool hadHandle = FHandle != nullptr;
  TControl::SetParent(parent);
  if (hadHandle) {
    if (parent == nullptr || (parent->FHandle == nullptr)) {
      DestroyHandle();
    } else {
      ::SetParent(FHandle, parent->FHandle);
    }
  }
  UpdateShowing();
}

void TWinControl::InsertControl(TControl* control) {
  control->FParent = this;
  FControls.push_back(control);
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    FTabList.push_back(w);
    if (FHandle != nullptr && w->FHandle != nullptr) ::SetParent(w->FHandle, FHandle);
  }
  Perform(CM_CONTROLLISTCHANGE, AsParam(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  if (TCustomForm* form = GetParentForm(this)) form->DefocusControl(control);
  if (FCaptureControl != nullptr && (FCaptureControl == control)) {
    FCaptureControl = nullptr;
    if (FHandle != nullptr && GetCapture() == FHandle) ReleaseCapture();
  }
  if (FMouseControl == control) FMouseControl = nullptr;
  control->Invalidate();
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  if (auto* w = dynamic_cast<TWinControl*>(control)) {
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), w), FTabList.end());
    if (w->FHandle != nullptr && !ComponentState().Contains(csDestroying)) w->DestroyHandle();
  }
  control->FParent = nullptr;
  if (!ComponentState().Contains(csDestroying)) {
    Perform(CM_CONTROLLISTCHANGE, AsParam(control), 0);
    Realign();
  }
}

bool TWinControl::IsTopLevelShowable() {
  TCreateParams params;
  CreateParams(params);
  return (params.Style & WS_CHILD) == 0;
}

void TWinControl::UpdateShowing() {
  bool show = Visible() && (Parent() != nullptr ? Parent()->FShowing
                                                : FParentWindow != nullptr || IsTopLevelShowable());
  if (show && FHandle == nullptr &&
      (Parent() == nullptr || Parent()->FHandle != nullptr || Parent()->FShowing)) {
    FShowing = show;  // the window is made shown
    Handle();
    FShowing = false;
  }
  if (show == FShowing) {
    for (TControl* c : FControls) {
      if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
    }
    return;
  }
  FShowing = show;
  if (show) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
      if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
    }
    Perform(CM_SHOWINGCHANGED);
  } else {
    Perform(CM_SHOWINGCHANGED);
    for (TControl* c : std::vector<TControl*>(FControls)) {
      if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
    }
  }
}

bool TWinControl::Focused() const { return FHandle != nullptr && GetFocus() == FHandle; }

bool TWinControl::CanFocus() const {
  const TControl* c = this;
  for (; c != nullptr; c = c->Parent()) {
    if (!c->Visible() || !c->Enabled()) return false;
    if (dynamic_cast<const TCustomForm*>(c) != nullptr) return true;
  }
  return true;
}

void TWinControl::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
  } else {
    ::SetFocus(Handle());
  }
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const auto& list = Parent()->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (Parent() == nullptr) return;
  auto& list = Parent()->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  int index = std::clamp(value, 0, static_cast<int>(list.size()));
  if (value < 0) index = static_cast<int>(list.size());
  list.insert(list.begin() + index, this);
}

void TWinControl::SetTabStop(bool value) {
  if (value == FTabStop) return;
  FTabStop = value;
  Perform(CM_TABSTOPCHANGED);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int count = static_cast<int>(list.size());
  auto found = std::find(list.begin(), list.end(), current);
  int start =
      found != list.end() ? static_cast<int>(found - list.begin()) : (goForward ? count - 1 : 0);
  int i = start;
  do {
    i = goForward ? (i + 1) % count : (i + count - 1) % count;
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this))
      return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
  TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop);
  if (next != nullptr) next->SetFocus();
}

void TWinControl::Invalidate() {
  if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, !ControlStyle().Contains(csOpaque));
}

void TWinControl::Update() {
  if (FHandle != nullptr) UpdateWindow(FHandle);
}

void TWinControl::SetText(const std::string& value) {
  if (value == GetText()) return;
  if (FHandle != nullptr) ::SetWindowText(FHandle, value);
  TControl::SetText(value);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}
void TWinControl::KeyDown(unsigned& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}
void TWinControl::KeyUp(unsigned& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}
void TWinControl::KeyPress(char32_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage& message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyDown(message))
    return true;
  TWMKey key{message};
  unsigned code = key.CharCode();
  KeyDown(code, KeyDataToShiftState(key.KeyData()));
  key.SetCharCode(code);
  return code == 0;
}

bool TWinControl::DoKeyUp(TMessage& message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyUp(message)) return true;
  TWMKey key{message};
  unsigned code = key.CharCode();
  KeyUp(code, KeyDataToShiftState(key.KeyData()));
  key.SetCharCode(code);
  return code == 0;
}

bool TWinControl::DoKeyPress(TMessage& message) {
  TCustomForm* form = GetParentForm(this);
  if (form != nullptr && form != this && form->KeyPreview() && form->DoKeyPress(message))
    return true;
  TWMKey key{message};
  char32_t ch = key.CharCode();
  KeyPress(ch);
  key.SetCharCode(ch);
  return ch == 0;
}

void TWinControl::CNKeyDown(TMessage& message) {
  message.Result = 1;
  unsigned key = static_cast<unsigned>(message.WParam);
  // Shortcuts first: the forms that hold the control, the innermost first.
  TShiftState shift = KeyDataToShiftState(static_cast<std::uint32_t>(message.LParam));
  for (TWinControl* c = this; c != nullptr; c = c->Parent()) {
    auto* form = dynamic_cast<TCustomForm*>(c);
    if (form != nullptr && form->IsShortCut(key, shift)) return;
  }
  if (Perform(CM_CHILDKEY, key, AsParam(this)) != 0) return;
  unsigned mask = 0;
  switch (key) {
    case VK_TAB:
      mask = DLGC_WANTTAB;
      break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      mask = DLGC_WANTARROWS;
      break;
    case VK_RETURN:
    case VK_EXECUTE:
    case VK_ESCAPE:
    case VK_CANCEL:
      mask = DLGC_WANTALLKEYS;
      break;
    default:
      break;
  }
  if (mask != 0 && Perform(CM_WANTSPECIALKEY, key) == 0 &&
      (static_cast<unsigned>(Perform(WM_GETDLGCODE, key)) & mask) == 0) {
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr && form->Perform(CM_DIALOGKEY, key, message.LParam) != 0) return;
  }
  message.Result = 0;
}

void TWinControl::CNChar(TMessage& message) {
  message.Result = 1;
  // Alt+character is always an accelerator; a plain one only when the
  // control does not take characters.
  if (message.Msg == CN_SYSCHAR ||
      (static_cast<unsigned>(Perform(WM_GETDLGCODE, 0)) & DLGC_WANTCHARS) == 0) {
    TCustomForm* form = GetParentForm(this);
    if (form != nullptr && form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam) != 0)
      return;
  }
  message.Result = 0;
}

bool TWinControl::IsControlMouseMsg(TMessage& message) {
  TControl* target = nullptr;
  TWMMouse mouse{message};
  if (FCaptureControl != nullptr && GetCapture() == FHandle) {
    target = FCaptureControl;
  } else {
    TControl* at = ControlAtPos(mouse.Pos());
    if (at != nullptr && dynamic_cast<TWinControl*>(at) == nullptr) target = at;
  }
  if (message.Msg == WM_MOUSEMOVE) TrackMouseControl(target);
  if (target == nullptr) return false;
  TMessage forwarded = message;
  forwarded.LParam = MakeLParam(mouse.XPos() - target->Left(), mouse.YPos() - target->Top());
  target->Perform(forwarded);
  message.Result = forwarded.Result;
  return true;
}

void TWinControl::TrackMouseControl(TControl* control) {
  if (control == FMouseControl) return;
  TControl* old = FMouseControl;
  FMouseControl = control;
  if (old != nullptr) old->Perform(CM_MOUSELEAVE);
  if (control != nullptr) control->Perform(CM_MOUSEENTER);
}

void TWinControl::SetCursorFromMessage(TMessage& message) {
  TWMSetCursor sc{message};
  if (sc.CursorWnd() == FHandle && sc.HitTest() == HTCLIENT) {
    TCursor cursor = Screen != nullptr ? Screen->Cursor() : 0;
    if (cursor == 0) {
      TPoint p = ScreenToClient(GetCursorPos());
      TControl* c = ControlAtPos(p);
      cursor = c != nullptr && dynamic_cast<TWinControl*>(c) == nullptr ? c->Cursor() : Cursor();
    }
    if (cursor != 0) {
      Screen->ApplyCursor(cursor);
      message.Result = 1;
      return;
    }
  }
  DefaultHandler(message);
}

void TWinControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SETFOCUS:
      if (TCustomForm* form = GetParentForm(this)) {
        if (!form->SetFocusedControl(this)) return;
      }
      break;
    case WM_KILLFOCUS:
      break;
    case CM_ENTER:
      DoEnter();
      return;
    case CM_EXIT:
      DoExit();
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (IsControlMouseMsg(message)) return;
      // Focus on click comes before the control hears of the press.
      if (FocusOnClick() && !Focused() && CanFocus()) {
        SetFocus();
        if (!IsWindow(FHandle)) return;
      }
      break;
    case WM_RBUTTONUP: {
      // Then the default handling, which asks for the context menu.
      HWND wnd = FHandle;
      if (!IsControlMouseMsg(message)) TControl::WndProc(message);
      if (IsWindow(wnd)) DefWindowProc(wnd, message);
      return;
    }
    case WM_CONTEXTMENU: {
      TPoint pos = LParamToPoint(message.LParam);
      if (pos != kKeyboardContextPos) {
        TControl* child = ControlAtPos(ScreenToClient(pos));
        if (child != nullptr && dynamic_cast<TWinControl*>(child) == nullptr) {
          message.Result = child->Perform(WM_CONTEXTMENU, message.WParam, message.LParam);
          if (message.Result != 0) return;
        }
      }
      break;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      if (IsControlMouseMsg(message)) return;
      break;
    case CM_MOUSELEAVE:
      TrackMouseControl(nullptr);
      break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
      CNKeyDown(message);
      return;
    case CN_CHAR:
    case CN_SYSCHAR:
      CNChar(message);
      return;
    case CN_KEYUP:
      message.Result = 0;
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DoKeyDown(message)) return;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DoKeyUp(message)) return;
      break;
    case WM_CHAR:
      if (DoKeyPress(message)) return;
      break;
    case CM_CHILDKEY:
      if (Parent() != nullptr)
        message.Result = Parent()->Perform(CM_CHILDKEY, message.WParam, message.LParam);
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED:
      Broadcast(message);
      return;
    case CM_WANTSPECIALKEY:
      message.Result = 0;
      return;
    case WM_PAINT: {
      TPaintStruct ps;
      TCanvas* canvas = reinterpret_cast<TCanvas*>(message.WParam);
      if (canvas == nullptr) canvas = BeginPaint(FHandle, ps);
      if (canvas != nullptr) {
        PaintWindow(*canvas);
        PaintControls(*canvas);
      }
      if (message.WParam == 0) EndPaint(FHandle, ps);
      return;
    }
    case WM_ERASEBKGND:
      if (auto* canvas = reinterpret_cast<TCanvas*>(message.WParam); canvas && Color() != clNone) {
        canvas->FillSolidRect(ClientRect(), Color());
      }
      message.Result = 1;
      return;
    case WM_SETCURSOR:
      SetCursorFromMessage(message);
      return;
    case WM_SIZE:
    case WM_MOVE:
    case WM_WINDOWPOSCHANGED: {
      if (FHandle == nullptr) break;
      DefaultHandler(message);
      if (message.Msg != WM_SIZE) return;
      TSize old{Width(), Height()};
      UpdateBoundsFromWindow();
      TSize client{ClientWidth(), ClientHeight()};
      if (client != FLastClientSize) {
        AnchorChildren(FLastClientSize, client);
        FLastClientSize = client;
        Realign();
      }
      if (old != TSize{Width(), Height()} || !ControlState().Contains(csCreating)) Resize();
      return;
    }
    case WM_NCDESTROY:
      DefaultHandler(message);
      FHandle = nullptr;
      return;
    case WM_CANCELMODE:
      Perform(CM_CANCELMODE);
      break;
    case CM_FONTCHANGED:
      NotifyControls(CM_PARENTFONTCHANGED);
      break;
    case CM_COLORCHANGED:
      NotifyControls(CM_PARENTCOLORCHANGED);
      break;
    case CM_SHOWHINTCHANGED:
      NotifyControls(CM_PARENTSHOWHINTCHANGED);
      break;
    case CM_ENABLEDCHANGED:
      if (FHandle != nullptr) EnableWindow(FHandle, Enabled());
      break;
    case CM_SHOWINGCHANGED:
      if (FHandle != nullptr) ShowWindow(FHandle, FShowing ? SW_SHOWNA : SW_HIDE);
      return;
    case CM_SYSCOLORCHANGE:
      NotifyControls(CM_SYSCOLORCHANGE);
      Invalidate();
      return;
    case WM_SYSCOLORCHANGE:
      Perform(CM_SYSCOLORCHANGE);
      return;
    case WM_WINDOWPOSCHANGING:
      // Sizes from the window system (the user dragging a border) keep
      // the constraints too.
      if (auto* pos = LParamAs<TWindowPos>(message.LParam); pos && !(pos->flags & SWP_NOSIZE))
        ConstrainedResize(pos->cx, pos->cy);
      break;
    default:
      break;
  }
  TControl::WndProc(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
  if (FHandle != nullptr) {
    DefWindowProc(FHandle, message);
  } else {
    message.Result = 0;
  }
}

void TWinControl::PaintWindow(TCanvas&) {}

void TWinControl::PaintControls(TCanvas& canvas) {
  std::vector<TControl*> controls = FControls;
  for (TControl* c : controls) {
    if (dynamic_cast<TWinControl*>(c) != nullptr || !c->Visible()) continue;
    if (!canvas.RectVisible(c->BoundsRect())) continue;
    TCanvasStateSaver saver(canvas);
    canvas.MoveOrigin(c->Left(), c->Top());
    canvas.IntersectClipRect(Rect(0, 0, c->Width(), c->Height()));
    c->Perform(WM_PAINT, AsParam(&canvas));
  }
}

// ---------------------------------------------------------- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

TCanvas* TCustomControl::Canvas() const {
  return FPaintCanvas != nullptr ? FPaintCanvas : &MeasureCanvas();
}

void TCustomControl::PaintWindow(TCanvas& canvas) {
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(Font());
  canvas.Brush()->SetColor(Color());
  TValueGuard<TCanvas*> painting(FPaintCanvas, &canvas);
  Paint();
}

// --------------------------------------------------------- TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

TCanvas* TGraphicControl::Canvas() const {
  return FPaintCanvas != nullptr ? FPaintCanvas : &MeasureCanvas();
}

void TGraphicControl::WndProc(TMessage& message) {
  if (message.Msg == WM_PAINT) {
    if (auto* canvas = reinterpret_cast<TCanvas*>(message.WParam)) {
      canvas->SetFont(Font());
      canvas->Brush()->SetColor(Color());
      TValueGuard<TCanvas*> painting(FPaintCanvas, canvas);
      Paint();
    }
    return;
  }
  TControl::WndProc(message);
}

// ---------------------------------------------------------------- helpers

TCustomForm* GetParentForm(const TControl* control) {
  TCustomForm* form = nullptr;
  for (const TControl* c = control; c != nullptr; c = c->Parent()) {
    if (auto* f = dynamic_cast<const TCustomForm*>(c)) form = const_cast<TCustomForm*>(f);
  }
  return form;
}

TWinControl* FindControl(HWND wnd) { return GetWindowControl(wnd); }

TControl* GetCaptureControl() {
  TWinControl* control = FindControl(GetCapture());
  if (control != nullptr && control->FCaptureControl != nullptr) return control->FCaptureControl;
  return control;
}

bool IsKeyMsg(const TMsg& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  // The control that owns the window (or its nearest windowed ancestor).
  HWND wnd = msg.hwnd;
  while (wnd != nullptr && FindControl(wnd) == nullptr) wnd = GetParent(wnd);
  if (wnd == nullptr) return false;
  return SendMessage(wnd, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler handler) {
  return std::exchange(PopupMenuHandler(), std::move(handler));
}

char32_t GetHotkey(const std::string& caption) {
  std::size_t i = 0;
  while (i < caption.size()) {
    char32_t c = DecodeUtf8At(caption, i);
    if (c != U'&' || i >= caption.size()) continue;
    char32_t next = DecodeUtf8At(caption, i);
    if (next != U'&') return next;
  }
  return 0;
}

bool IsAccel(unsigned charCode, const std::string& caption) {
  char32_t hotkey = GetHotkey(caption);
  return hotkey != 0 && charCode != 0 &&
         AnsiUpperCaseChar(hotkey) == AnsiUpperCaseChar(static_cast<char32_t>(charCode));
}
