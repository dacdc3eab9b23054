#include "platform/gui/forms.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/services.h"

TApplication* CreateApplicationObject() { return new TApplication(nullptr); }
TScreen* CreateScreenObject() { return new TScreen(nullptr); }

// Both live for the whole program; they are never destroyed, so that no
// form outlives them during static destruction.
TApplication* Application = CreateApplicationObject();
TScreen* Screen = CreateScreenObject();

namespace {

struct THookInstaller {
  THookInstaller() {
    SetGuiExceptionHandler([] { Application->HandleException(nullptr); });
  }
} gHookInstaller;

// Disables the other visible forms while a modal one runs; returns them,
// for the modal form to enable again when it closes.
std::vector<HWND> DisableTaskWindows(TCustomForm* modal) {
  std::vector<HWND> disabled;
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (f == modal || f->Parent() != nullptr || !f->HandleAllocated() ||
        !IsWindowVisible(f->Handle()) || !IsWindowEnabled(f->Handle())) {
      continue;
    }
    disabled.push_back(f->Handle());
    EnableWindow(f->Handle(), false);
  }
  return disabled;
}

}  // namespace

// ------------------------------------------------------------- TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
  SetVisible(false);
  SetControlStyle({csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetColor(clBtnFace);
  SetParentFont(false);
  SetBounds(0, 0, 320, 240);
}

void TCustomForm::AfterConstruction() {
  TWinControl::AfterConstruction();
  Screen->FForms.push_back(this);
  if (OnCreate) OnCreate(this);
}

void TCustomForm::BeforeDestruction() {
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      Application->HandleException(this);
    }
  }
  auto& forms = Screen->FForms;
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  Application->FormDestroying(this);
  TWinControl::BeforeDestruction();
}

void TCustomForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  if (Parent() != nullptr) return;  // embedded: a child window
  params.Style &= ~(WS_CHILD | WS_CLIPSIBLINGS);
  params.WndParent = ParentWindow();
  switch (FBorderStyle) {
    case bsNone:
      params.Style |= WS_POPUP;
      break;
    case bsSingle:
    case bsToolWindow:
      params.Style |= WS_CAPTION | WS_BORDER | WS_SYSMENU;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
      break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
  }
  if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin)
    params.ExStyle |= WS_EX_TOOLWINDOW;
  if (FFormStyle == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
  if (value == FFormStyle) return;
  FFormStyle = value;
  RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState value) {
  if (value == FWindowState) return;
  FWindowState = value;
  if (Showing() && HandleAllocated()) {
    ShowWindow(Handle(), value == wsMaximized   ? SW_SHOWMAXIMIZED
                         : value == wsMinimized ? SW_MINIMIZE
                                                : SW_RESTORE);
  }
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
  if (HandleAllocated() && Parent() == nullptr) {
    BringWindowToTop(Handle());
    SetActiveWindow(Handle());
  }
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() { PostMessage(Handle(), CM_RELEASE); }

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) {
    FModalResult = mrNone;
  } else if (action == caFree) {
    Release();
  }
}

TModalResult TCustomForm::ShowModal() {
  if (Visible() || !Enabled() || FModal)
    throw EInvalidOperation("Cannot make a visible window modal");
  ReleaseCapture();
  HWND previousActive = GetActiveWindow();
  // Owned by the window it interrupts (else the main form), a modal form
  // stays above it and the window manager treats it as its dialog.
  if (ParentWindow() == nullptr) {
    HWND owner = previousActive;
    TCustomForm* main = Application->MainForm();
    if ((owner == nullptr || !IsWindowVisible(owner)) && main != nullptr && main != this &&
        main->HandleAllocated())
      owner = main->Handle();
    SetWindowOwner(Handle(), owner != nullptr && IsWindowVisible(owner) ? owner : nullptr);
  }
  FModal = true;
  FModalResult = mrNone;
  TModalResult result = mrNone;
  try {
    const std::vector<HWND> disabled = DisableTaskWindows(this);
    TScopeExit enable([&] {
      for (HWND h : disabled) EnableWindow(h, true);
    });
    Show();
    {
      TFinallyGuard hide([this] { Hide(); });
      Perform(CM_ACTIVATE);
      while (true) {
        try {
          Application->HandleMessage();
        } catch (const EMessageLoopStalled&) {
          throw;
        } catch (...) {
          Application->HandleException(this);
        }
        if (Application->Terminated()) {
          FModalResult = mrCancel;
        } else if (FModalResult != mrNone) {
          CloseModal();
        }
        if (FModalResult != mrNone) break;
      }
      result = FModalResult;
      Perform(CM_DEACTIVATE);
    }
  } catch (...) {
    FModal = false;
    if (IsWindow(previousActive)) SetActiveWindow(previousActive);
    throw;
  }
  FModal = false;
  if (IsWindow(previousActive) && IsWindowVisible(previousActive)) SetActiveWindow(previousActive);
  return result;
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  if (control != nullptr && (!ContainsControl(control) || (Showing() && !control->CanFocus()))) {
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  }
  FActiveControl = control;
  if (FActive && control != nullptr && Showing()) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* control) {
  bool wasActive = FActive;
  SetActiveControl(control);
  if (!wasActive || GetFocus() != control->Handle()) {
    if (Showing()) ::SetFocus(control->Handle());
  }
}

bool TCustomForm::CanFocus() const {
  if (Parent() == nullptr) return Visible() && Enabled();
  return TWinControl::CanFocus();
}

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  if (Parent() != nullptr) {
    TWinControl::SetFocus();
    return;
  }
  SetActiveWindow(Handle());
  SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  HWND target =
      FActiveControl != nullptr && FActiveControl->CanFocus() ? FActiveControl->Handle() : Handle();
  if (GetFocus() != target) ::SetFocus(target);
}

bool TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control != this) FActiveControl = control;
  if (control->ControlState().Contains(csFocusing)) return false;
  control->SetControlState(control->ControlState() + csFocusing);
  int count = ++FFocusCount;
  auto sendFocus = [&](TWinControl* target, unsigned msg) {
    target->Perform(msg);
    return FFocusCount == count;
  };
  {
    TScopeExit focused(
        [control] { control->SetControlState(control->ControlState() - csFocusing); });
    if (FFocusedControl == nullptr) FFocusedControl = this;
    if (FFocusedControl != control) {
      while (FFocusedControl != nullptr && !FFocusedControl->ContainsControl(control)) {
        TWinControl* leaving = FFocusedControl;
        FFocusedControl = leaving->Parent();
        if (!sendFocus(leaving, CM_EXIT)) break;
      }
      while (FFocusCount == count && FFocusedControl != control) {
        TControl* step = control;
        while (step->Parent() != FFocusedControl) step = step->Parent();
        FFocusedControl = static_cast<TWinControl*>(step);
        if (!sendFocus(FFocusedControl, CM_ENTER)) break;
      }
    }
  }
  if (FFocusCount != count) return false;
  Perform(CM_FOCUSCHANGED, 0, AsParam(control));
  return true;
}

void TCustomForm::DefocusControl(TControl* control) {
  auto* win = dynamic_cast<TWinControl*>(control);
  if (win == nullptr) return;
  if (FFocusedControl != nullptr && win->ContainsControl(FFocusedControl))
    FFocusedControl = win->Parent();
  if (FActiveControl != nullptr && win->ContainsControl(FActiveControl)) FActiveControl = nullptr;
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}
void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}
void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::PlaceOnShow() {
  TRect area = Screen->WorkAreaRect();
  int left = Left(), top = Top(), width = Width(), height = Height();
  if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) {
    TCustomForm* main = Application->MainForm();
    if (main != nullptr && main != this && main->Visible()) area = main->BoundsRect();
  }
  if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter ||
      FPosition == poScreenCenter || FPosition == poDesktopCenter) {
    left = area.Left + (area.Width() - width) / 2;
    top = area.Top + (area.Height() - height) / 2;
  }
  if (FWindowState == wsNormal) KeepInWorkArea(left, top, width, height);
  TWinControl::SetBounds(left, top, width, height);
}

void TCustomForm::KeepInWorkArea(int& left, int& top, int& width, int& height) {
  TRect area = Screen->WorkAreaRect();
  if (IsRectEmpty(area)) return;
  width = std::min(width, area.Width());
  height = std::min(height, area.Height());
  ConstrainedResize(width, height);
  left = std::max(std::min(left, area.Right - width), area.Left);
  top = std::max(std::min(top, area.Bottom - height), area.Top);
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
  if (Parent() == nullptr && Showing() && FWindowState == wsNormal) {
    // Only growth for the minimum: a size the program asks for is its own.
    int w = width, h = height;
    ConstrainedResize(w, h);
    if (w > std::max(width, Width()) || h > std::max(height, Height())) {
      width = w;
      height = h;
      KeepInWorkArea(left, top, width, height);
    }
  }
  TWinControl::SetBounds(left, top, width, height);
}

void TCustomForm::ConstrainedResize(int& width, int& height) {
  TWinControl::ConstrainedResize(width, height);
  UpdateMinTrackSize();
}

void TCustomForm::AlignControls(TControl* control, TRect& rect) {
  TWinControl::AlignControls(control, rect);
  UpdateMinTrackSize();
}

void TCustomForm::UpdateMinTrackSize() {
  if (Parent() == nullptr && HandleAllocated()) SetWindowMinTrackSize(Handle(), MinimumSize());
}

void TCustomForm::ShowingChanged() {
  if (Showing()) {
    if (Parent() == nullptr) {
      UpdateMinTrackSize();
      PlaceOnShow();
    }
    if (FActiveControl == nullptr) FActiveControl = FindNextControl(nullptr, true, true, false);
    DoShow();
    if (Parent() != nullptr) {
      ShowWindow(Handle(), SW_SHOWNA);
    } else {
      ShowWindow(Handle(), FWindowState == wsMaximized   ? SW_SHOWMAXIMIZED
                           : FWindowState == wsMinimized ? SW_SHOWMINIMIZED
                                                         : SW_SHOWNORMAL);
    }
  } else {
    DoHide();
    if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
  }
}

void TCustomForm::PaintWindow(TCanvas& canvas) {
  if (!OnPaint) return;
  TCanvasStateSaver saver(canvas);
  canvas.SetFont(Font());
  canvas.Brush()->SetColor(Color());
  TValueGuard<TCanvas*> painting(FCanvas, &canvas);
  OnPaint(this);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
  TWinControl::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FMenu) FMenu = nullptr;
  RemoveShortCutHandler(component);
}

void TCustomForm::SetMenu(TComponent* menu) {
  if (menu == FMenu) return;
  FMenu = menu;
  if (FMenu != nullptr) FreeNotification(FMenu);
}

void TCustomForm::AddShortCutHandler(TComponent* source, TShortCutHandler handler) {
  RemoveShortCutHandler(source);
  FShortCutHandlers.emplace_back(source, std::move(handler));
  if (source != nullptr) FreeNotification(source);
}

void TCustomForm::RemoveShortCutHandler(TComponent* source) {
  std::erase_if(FShortCutHandlers, [source](const auto& entry) { return entry.first == source; });
}

namespace {

// A text-editing window with a selection: it copies Ctrl+C itself. Only
// Ctrl+C yields so: Ctrl+Ins stays the shortcut of whatever action holds
// it, as a selection is the normal state of a field entered with Tab.
bool HasSelection(HWND wnd) {
  if (wnd == nullptr) return false;
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  LRESULT r = SendMessage(wnd, EM_GETSEL, AsParam(&start), AsParam(&end));
  if (start != end) return true;
  return start == 0 && end == 0 && LoWord(r) != HiWord(r);
}

}  // namespace

bool TCustomForm::IsShortCut(unsigned key, TShiftState shift) {
  if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return false;
  TShortCut sc = ShortCut(key, shift);
  if (sc == scNone) return false;
  if (sc == (scCtrl | 'C') && HasSelection(GetFocus())) return false;
  if (auto* menu = dynamic_cast<IFormMenu*>(FMenu); menu != nullptr && menu->MenuShortCut(sc))
    return true;
  // A handler may add or remove handlers: each runs only while registered.
  std::vector<TComponent*> sources;
  for (const auto& entry : FShortCutHandlers) sources.push_back(entry.first);
  for (TComponent* source : sources) {
    auto it = std::find_if(FShortCutHandlers.begin(), FShortCutHandlers.end(),
                           [source](const auto& entry) { return entry.first == source; });
    if (it == FShortCutHandlers.end()) continue;
    TShortCutHandler handler = it->second;
    if (handler(sc)) return true;
  }
  auto* menu = dynamic_cast<IFormMenu*>(FMenu);
  return menu != nullptr && menu->MenuKey(sc);
}

void TCustomForm::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_SYSCOMMAND:
      // Alt pressed and released alone (window.h): the menu bar.
      if ((message.WParam & 0xFFF0) == SC_KEYMENU) {
        if (auto* menu = dynamic_cast<IFormMenu*>(FMenu); menu != nullptr && menu->MenuKey(scNone))
          return;
      }
      break;
    case CM_SHOWINGCHANGED:
      ShowingChanged();
      return;
    case WM_CLOSE:
      Close();
      return;
    case CM_RELEASE:
      Free();
      return;
    case WM_ACTIVATE: {
      TWMActivate activate{message};
      bool active = activate.Active() != WA_INACTIVE;
      if (active == FActive) return;
      FActive = active;
      if (active) {
        SetWindowFocus();
        Activate();
      } else {
        Deactivate();
      }
      return;
    }
    case WM_SETFOCUS:
      // The form's own window got the focus: hand it to the active control.
      if (Parent() == nullptr && FActiveControl != nullptr && FActiveControl->CanFocus()) {
        ::SetFocus(FActiveControl->Handle());
        return;
      }
      break;
    case CM_DIALOGKEY: {
      unsigned key = static_cast<unsigned>(message.WParam);
      if (GetKeyState(VK_MENU) >= 0) {
        if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
          message.Result = 1;
          return;
        }
        if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) &&
            FActiveControl != nullptr && FActiveControl->Parent() != nullptr) {
          FActiveControl->Parent()->SelectNext(FActiveControl, key == VK_RIGHT || key == VK_DOWN,
                                               false);
          message.Result = 1;
          return;
        }
        if (key == VK_ESCAPE && FModal) {
          // A Cancel button answers first; else the focused control had
          // nothing of its own to give up, and Esc closes the dialog.
          TWinControl::WndProc(message);
          if (message.Result == 0) Close();
          message.Result = 1;
          return;
        }
      }
      break;
    }
    default:
      break;
  }
  TWinControl::WndProc(message);
}

// ------------------------------------------------------------- TDataModule

void TDataModule::AfterConstruction() {
  TComponent::AfterConstruction();
  Screen->FDataModules.push_back(this);
  if (OnCreate) OnCreate(this);
}

void TDataModule::BeforeDestruction() {
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      Application->HandleException(this);
    }
  }
  auto& list = Screen->FDataModules;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  TComponent::BeforeDestruction();
}

// ------------------------------------------------------------ TApplication

std::string TApplication::ExeName() const {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

void TApplication::Run() {
  TFlagGuard running(FRunning);
  if (FMainForm != nullptr) FMainForm->Show();
  while (!FTerminated) {
    try {
      HandleMessage();
    } catch (const EMessageLoopStalled&) {
      throw;
    } catch (...) {
      HandleException(this);
    }
  }
}

bool TApplication::ProcessMessage() {
  TMsg msg;
  if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  try {
    if (FHintControl != nullptr &&
        (FHintWindow != nullptr ? FHintWindow->IsHintMsg(msg) : IsHintDismissMsg(msg)))
      CancelHint();
    if (!IsKeyMsg(msg)) {
      TranslateMessage(msg);
      DispatchMessage(msg);
    }
  } catch (...) {
    HandleException(this);
  }
  return true;
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  if (!ProcessMessage()) Idle();
}

void TApplication::Idle() {
  if (DoIdle() && !HasQueuedMessages()) WaitMessage();
}

bool TApplication::DoIdle() {
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  if (!done) return false;
  // A handler may add or remove handlers: each runs only while registered.
  std::vector<int> ids;
  for (const auto& entry : FIdleHandlers) ids.push_back(entry.first);
  for (int id : ids) {
    auto it = std::find_if(FIdleHandlers.begin(), FIdleHandlers.end(),
                           [id](const auto& entry) { return entry.first == id; });
    if (it == FIdleHandlers.end()) continue;
    TIdleEvent handler = it->second;  // survives its own removal
    handler(this, done);
  }
  return done;
}

int TApplication::AddIdleHandler(TIdleEvent handler) {
  int id = FNextIdleHandlerId++;
  FIdleHandlers.emplace_back(id, std::move(handler));
  return id;
}

void TApplication::RemoveIdleHandler(int id) {
  std::erase_if(FIdleHandlers, [id](const auto& entry) { return entry.first == id; });
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::HandleException(TObject* sender) {
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    if (OnException) {
      OnException(sender, e);
    } else {
      ShowException(e);
    }
  } catch (...) {
  }
}

void TApplication::ShowException(const std::exception& e) {
  std::string text = e.what();
  if (!text.empty() && text.back() != '.') text += '.';
  MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return ShowMessageBox(text, caption.empty() ? FTitle : caption, flags);
}

void TApplication::Minimize() {
  if (FMainForm != nullptr && FMainForm->HandleAllocated())
    ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
}

void TApplication::Restore() {
  if (FMainForm != nullptr && FMainForm->HandleAllocated())
    ShowWindow(FMainForm->Handle(), SW_RESTORE);
}

void TApplication::FormDestroying(TCustomForm* form) {
  if (form == FMainForm) FMainForm = nullptr;
}

void TApplication::ControlDestroying(TControl* control) {
  if (control == FHintControl) CancelHint();
  if (control == FHintWindow) {
    StopHintTimers();
    FHintWindow = nullptr;
    FHintShown = false;
  }
}

// ------------------------------------------------------------------ hints

namespace {
constexpr unsigned kHintShowTimer = 1;
constexpr unsigned kHintHideTimer = 2;
// Below the pointer's hot spot, clear of the arrow.
constexpr int kHintCursorMargin = 20;
}  // namespace

void TApplication::SetShowHint(bool value) {
  if (value == FShowHint) return;
  FShowHint = value;
  if (!value) CancelHint();
}

void TApplication::SetHint(const std::string& value) {
  if (value == FHint) return;
  FHint = value;
  if (OnHint) OnHint(this);
}

void TApplication::StartHintTimer(unsigned id, int ms) {
  if (FHintTimerWnd == nullptr || !IsWindow(FHintTimerWnd)) {
    TWndCreateInfo info;
    info.MessageOnly = true;
    info.WndProc = [this](HWND wnd, TMessage& m) {
      if (m.Msg == WM_TIMER) {
        HintTimer(static_cast<unsigned>(m.WParam));
      } else {
        DefWindowProc(wnd, m);
      }
    };
    FHintTimerWnd = CreateWindowEx(info);
  }
  SetTimer(FHintTimerWnd, id, static_cast<unsigned>(std::max(ms, 0)));
}

void TApplication::StopHintTimers() {
  if (FHintTimerWnd == nullptr) return;
  KillTimer(FHintTimerWnd, kHintShowTimer);
  KillTimer(FHintTimerWnd, kHintHideTimer);
}

void TApplication::HintTimer(unsigned id) {
  if (id == kHintShowTimer) {
    ActivateHint(GetCursorPos());
  } else {
    HideHint();
  }
}

void TApplication::FreeHintWindow() {
  THintWindow* window = FHintWindow;
  FHintWindow = nullptr;
  FHintShown = false;
  if (window != nullptr) window->Free();
}

void TApplication::HideHint() {
  StopHintTimers();
  FreeHintWindow();
}

void TApplication::CancelHint() {
  HideHint();
  FHintControl = nullptr;
  FHintActive = false;
}

void TApplication::HintMouseLeave(TControl* control) {
  if (control != FHintControl) return;
  // Moving on to the next control keeps hints active: its hint comes
  // after the short pause.
  bool shown = FHintShown;
  CancelHint();
  FHintActive = shown;
}

void TApplication::HintMouseMessage(TControl* control, const TMessage& message) {
  // The hint window itself is no place for hints (and must not be freed
  // while it handles the move).
  for (TControl* c = control; c != nullptr; c = c->Parent()) {
    if (c == FHintWindow) return;
  }
  TPoint screen = control->ClientToScreen(TWMMouse{const_cast<TMessage&>(message)}.Pos());
  std::string hint;
  for (TControl* c = control; c != nullptr && hint.empty(); c = c->Parent()) hint = c->Hint();
  SetHint(GetLongHint(hint));
  TControl* hintControl = control;
  while (hintControl != nullptr && !hintControl->ShowHint()) hintControl = hintControl->Parent();
  if (!FShowHint) hintControl = nullptr;
  if (hintControl == FHintControl &&
      (!FHintShown || PtInRect(FHintCursorRect, hintControl->ScreenToClient(screen))))
    return;
  bool wasShown = FHintShown || FHintActive;
  HideHint();
  FHintActive = false;
  FHintControl = hintControl;
  if (hintControl == nullptr) return;
  int pause = wasShown ? FHintShortPause : FHintPause;
  hintControl->Perform(CM_HINTSHOWPAUSE, wasShown ? 1 : 0, AsParam(&pause));
  StartHintTimer(kHintShowTimer, pause);
}

void TApplication::ActivateHint(TPoint cursorPos) {
  HideHint();
  TControl* control = FHintControl;
  if (control == nullptr || !FShowHint) return;
  THintInfo info;
  info.HintControl = control;
  info.HintPos = {cursorPos.X, cursorPos.Y + kHintCursorMargin};
  info.HintMaxWidth = Screen->Width();
  info.HintColor = FHintColor;
  info.CursorRect = control->ClientRect();
  info.CursorPos = control->ScreenToClient(cursorPos);
  info.HideTimeout = FHintHidePause;
  info.HintStr = GetShortHint(control->Hint());
  info.HintWindowClass = HintWindowClass;
  bool canShow = control->Perform(CM_HINTSHOW, 0, AsParam(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (FHintControl != control) return;  // a handler moved on
  FHintCursorRect = info.CursorRect;
  if (canShow && !info.HintStr.empty()) {
    const THintWindowClass& make = info.HintWindowClass ? info.HintWindowClass : HintWindowClass;
    FHintWindow = make(this);
    FHintWindow->SetColor(info.HintColor);
    TRect r = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    OffsetRect(r, info.HintPos.X, info.HintPos.Y);
    FHintWindow->ActivateHintData(r, info.HintStr, info.HintData);
    FHintShown = true;
    if (info.HideTimeout > 0) StartHintTimer(kHintHideTimer, info.HideTimeout);
  }
  if (info.ReshowTimeout > 0) StartHintTimer(kHintShowTimer, info.ReshowTimeout);
}

void TApplication::ResetForTests() {
  CancelHint();
  FShowHint = true;
  FHintPause = 500;
  FHintShortPause = 50;
  FHintHidePause = 2500;
  FHintColor = clInfoBk;
  FHint.clear();
  OnShowHint = nullptr;
  OnHint = nullptr;
  FTerminated = false;
  FMainForm = nullptr;
  OnIdle = nullptr;
  OnException = nullptr;
  // A test starts with an application that owns nothing, as a new process
  // does: forms made on first use (hidden hosts, shared dialogs) go.
  while (ComponentCount() > 0) Components(ComponentCount() - 1)->Free();
}

// ----------------------------------------------------------------- TScreen

TCustomForm* TScreen::ActiveForm() const {
  HWND active = GetActiveWindow();
  for (TCustomForm* f : FForms) {
    if (f->HandleAllocated() && f->Handle() == active) return f;
  }
  return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
  TCustomForm* form = ActiveForm();
  return form != nullptr ? form->ActiveControl() : nullptr;
}

void TScreen::SetCursor(TCursor value) {
  if (value == FCursor) return;
  FCursor = value;
  ApplyCursor(value);
}

HCURSOR TScreen::Cursors(int index) const {
  if (auto it = FCursors.find(index); it != FCursors.end()) return it->second;
  if (index == crArrow) index = crDefault;
  if (index > crDefault || index < crSizeAll) return Cursors(crDefault);
  HCURSOR& cursor = FBuiltinCursors[index];
  if (cursor == nullptr) {
    auto data = std::make_shared<TCursorData>();
    data->Shape = index == crDefault ? crArrow : index;
    cursor = data;
  }
  return cursor;
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
  if (cursor == nullptr) {
    FCursors.erase(index);
  } else {
    FCursors[index] = std::move(cursor);
  }
  if (index == FCursor) ApplyCursor(index);
}

void TScreen::ApplyCursor(TCursor index) const {
  IGuiHost* host = GuiHost();
  if (host == nullptr) return;
  auto it = FCursors.find(index);
  if (it == FCursors.end()) {
    host->SetCursorShape(index);
  } else if (it->second->Image != nullptr && !it->second->Image->Empty()) {
    host->SetCursorImage(*it->second->Image, it->second->HotSpot);
  } else {
    host->SetCursorShape(it->second->Shape);
  }
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
  if (IGuiHost* host = GuiHost()) return host->WorkAreaRect();
  return Rect(0, 0, Width(), Height() - 40);
}
