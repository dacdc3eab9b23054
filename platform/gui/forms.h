// Forms, data modules, the application object and the screen.
//
// TCustomForm is a top-level windowed control (or, given a Parent, a child
// embedded in another form). It keeps the focus bookkeeping of its
// controls: ActiveControl, and the CM_EXIT/CM_ENTER notices sent in the
// classic order when the focus moves (exit from the old control up to the
// common parent, then enter down to the new one), after which every
// control hears CM_FOCUSCHANGED. Show/Hide, Close with
// OnCloseQuery/OnClose, ShowModal with a nested message loop. Its main
// menu and shortcut handlers see shortcut keys before the focused control
// (IsShortCut).
//
// TApplication (`Application`) runs the message loop: Run until the main
// form closes, ProcessMessages (re-entrant), HandleMessage, OnIdle and the
// idle handlers, and HandleException, which shows an exception's message
// in a message box (services.h) captioned with the Title; EAbort is
// silent. It also runs the hints: which control's hint shows when, in
// which THintWindow. TScreen (`Screen`) lists the forms and knows the
// active form, the cursor and the screen's size. Both objects live for
// the whole program. GUI thread only.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/component.h"
#include "platform/base/ui_enums.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/cursors.h"
#include "platform/gui/controls.h"
#include "platform/gui/hint_window.h"

enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = IDOK;
inline constexpr TModalResult mrCancel = IDCANCEL;
inline constexpr TModalResult mrAbort = IDABORT;
inline constexpr TModalResult mrRetry = IDRETRY;
inline constexpr TModalResult mrIgnore = IDIGNORE;
inline constexpr TModalResult mrYes = IDYES;
inline constexpr TModalResult mrNo = IDNO;
inline constexpr TModalResult mrAll = mrNo + 1;
inline constexpr TModalResult mrNoToAll = mrAll + 1;
inline constexpr TModalResult mrYesToAll = mrNoToAll + 1;

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// Runs the command of a shortcut; true when it did (the key goes no further).
using TShortCutHandler = std::function<bool(TShortCut shortCut)>;

// What a form asks of its main menu (TMainMenu, menus.h, implements it).
class IFormMenu {
 public:
  // Runs the enabled, visible item with this shortcut; true when one ran.
  virtual bool MenuShortCut(TShortCut shortCut) = 0;
  // The keyboard's ways into the bar: F10, Alt with an accelerator's key,
  // and scNone for Alt pressed and released alone (WM_SYSCOMMAND
  // SC_KEYMENU). Runs the menu loop; true when the bar took the key.
  virtual bool MenuKey(TShortCut shortCut) = 0;

 protected:
  ~IFormMenu() = default;
};

class TCustomForm : public TWinControl {
  MEBRATH_CLASS(TCustomForm, TWinControl)
 public:
  // --- showing and closing
  // Visible := true, and brings the form to the front.
  void Show();
  void Hide() { SetVisible(false); }
  // Asks OnCloseQuery; then OnClose decides (caHide by default): the main
  // form terminates the application, caHide hides, caMinimize minimises,
  // caFree releases. A modal form only sets ModalResult to mrCancel.
  void Close();
  // OnCloseQuery's answer (true without a handler).
  virtual bool CloseQuery();
  // Shows the form modally: other forms are disabled and a nested message
  // loop runs until ModalResult is set (or the application terminates:
  // mrCancel). Without a ParentWindow the form is first made owned by the
  // active window (else the visible main form), so it stays above the
  // window it interrupts. Returns the ModalResult; the form is hidden again. Raises
  // EInvalidOperation "Cannot make a visible window modal" when the form
  // is visible or disabled.
  virtual TModalResult ShowModal();
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }
  bool Modal() const { return FModal; }
  // Destroys the form once the messages queued now are handled.
  void Release();

  // --- focus
  TWinControl* ActiveControl() const { return FActiveControl; }
  // Makes `control` the one focused when the form is active (focusing it
  // now if the form shows). Raises EInvalidOperation "Cannot focus a
  // disabled or invisible window" when it is not on this form or cannot
  // focus while the form shows.
  void SetActiveControl(TWinControl* control);
  void FocusControl(TWinControl* control);
  // Called when `control` gets the window focus: sends CM_EXIT and
  // CM_ENTER in the classic order. Returns false when a handler moved the
  // focus elsewhere meanwhile.
  bool SetFocusedControl(TWinControl* control);
  // Forgets `control` (and what it contains) as the active and focused
  // control; it is leaving the form.
  void DefocusControl(TControl* control);
  bool Active() const { return FActive; }
  bool KeyPreview() const { return FKeyPreview; }
  void SetKeyPreview(bool value) { FKeyPreview = value; }

  // --- shortcuts
  // The main menu shown on the form: a component implementing IFormMenu
  // (a TMainMenu; kept as a component so that forms do not depend on
  // menus). TMainMenu::SetForm sets it; cleared when the menu goes.
  TComponent* Menu() const { return FMenu; }
  void SetMenu(TComponent* menu);
  // Registers the shortcut handler of `source` (an action list the form
  // owns), replacing one it had; dropped when `source` is destroyed.
  void AddShortCutHandler(TComponent* source, TShortCutHandler handler);
  void RemoveShortCutHandler(TComponent* source);
  // The shortcut step of the key path, before the focused control hears
  // of a key (CN_KEYDOWN, from the innermost form out): the Menu's items,
  // then the handlers in the order added, then the Menu's keyboard entries
  // (F10, Alt+accelerator). Ctrl+C and Ctrl+Insert go to none of them
  // while the focused window edits text with a selection (answers
  // EM_GETSEL with a non-empty range): it copies. Shift, Ctrl and Alt
  // alone are never shortcuts. True when the key was taken.
  virtual bool IsShortCut(unsigned key, TShiftState shift);

  // --- appearance
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  TFormStyle FormStyle() const { return FFormStyle; }
  void SetFormStyle(TFormStyle value);
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState value);

  // --- TControl / TWinControl
  bool CanFocus() const override;
  void SetFocus() override;
  void WndProc(TMessage& message) override;
  // A shown top-level form that grows for its minimum (MinimumSize) is
  // kept within the screen's work area: moved up and left first, made
  // smaller only where it cannot fit (never below its minimum). Shown, it
  // is placed within the work area too.
  void SetBounds(int left, int top, int width, int height) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnPaint;

 protected:
  explicit TCustomForm(TComponent* owner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void CreateParams(TCreateParams& params) override;
  void PaintWindow(TCanvas& canvas) override;
  void Notification(TComponent* component, TOperation operation) override;
  // Also gives a top-level form's window its minimum, so the user cannot
  // drag it smaller than its controls need.
  void ConstrainedResize(int& width, int& height) override;
  // A child shown, hidden or added changes that minimum too.
  void AlignControls(TControl* control, TRect& rect) override;
  virtual void DoClose(TCloseAction& action);
  virtual void DoShow();
  virtual void DoHide();
  virtual void Activate();
  virtual void Deactivate();
  // The canvas while OnPaint runs.
  TCanvas* FCanvas = nullptr;

 public:
  TCanvas* Canvas() const { return FCanvas != nullptr ? FCanvas : &MeasureCanvas(); }

 private:
  friend class TApplication;
  void ShowingChanged();
  void SetWindowFocus();
  void CloseModal();
  void PlaceOnShow();
  void KeepInWorkArea(int& left, int& top, int& width, int& height);
  void UpdateMinTrackSize();

  TWinControl* FActiveControl = nullptr;
  TWinControl* FFocusedControl = nullptr;
  TComponent* FMenu = nullptr;
  std::vector<std::pair<TComponent*, TShortCutHandler>> FShortCutHandlers;
  bool FActive = false;
  bool FKeyPreview = false;
  bool FModal = false;
  TModalResult FModalResult = mrNone;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TPosition FPosition = poDesigned;
  TFormStyle FFormStyle = fsNormal;
  TWindowState FWindowState = wsNormal;
  int FFocusCount = 0;
};

class TForm : public TCustomForm {
  MEBRATH_CLASS(TForm, TCustomForm)
 protected:
  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

class TDataModule : public TComponent {
  MEBRATH_CLASS(TDataModule, TComponent)
 public:
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;

 protected:
  explicit TDataModule(TComponent* owner) : TComponent(owner) {}
  void AfterConstruction() override;
  void BeforeDestruction() override;
};

using TIdleEvent = std::function<void(TObject* sender, bool& done)>;
// Before a hint shows: may change its text and info, or refuse it.
using TShowHintEvent = std::function<void(std::string& hintStr, bool& canShow, THintInfo& info)>;
using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;

class TApplication : public TComponent {
  MEBRATH_CLASS(TApplication, TComponent)
 public:
  void Initialize() {}
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  // The running program's path.
  std::string ExeName() const;
  TCustomForm* MainForm() const { return FMainForm; }

  // Makes a T owned by the application and stores it in `reference`
  // before its OnCreate runs (AfterConstruction). The first form made
  // this way becomes the main form. If creation throws, `reference` is
  // null again and the exception goes on.
  template <class T>
  requires std::derived_from<T, TComponent>
  void CreateForm(T*& reference) {
    T* instance = TObjectFactory::New<T>(static_cast<TComponent*>(this));
    reference = instance;
    try {
      Notification(instance, opInsert);
      static_cast<TObject*>(instance)->AfterConstruction();
    } catch (...) {
      reference = nullptr;
      instance->Free();
      throw;
    }
    if constexpr (std::derived_from<T, TCustomForm>) {
      if (FMainForm == nullptr) FMainForm = instance;
    }
  }

  // Shows the main form and handles messages until Terminate (or the
  // main form closes). Exceptions go to HandleException.
  void Run();
  // Handles every queued message, then returns. Re-entrant.
  void ProcessMessages();
  // Handles one message, or idles (DoIdle, then waits unless an idle
  // handler cleared `done`) when there is none.
  void HandleMessage();
  // One idle pass: OnIdle, then, when it left `done` true, every idle
  // handler in the order added (each may clear `done` to be called again
  // without waiting). Returns `done`. Loops that wait by themselves (the
  // menu loop) call it when their queue is empty.
  bool DoIdle();
  // Adds a handler to the idle pass, independent of OnIdle (which the
  // program may replace); returns the id that removes it.
  int AddIdleHandler(TIdleEvent handler);
  // Removes a handler (also during the idle pass); unknown ids are ignored.
  void RemoveIdleHandler(int id);
  // Ends Run and every modal loop (through WM_QUIT).
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Shows the message of the exception being handled (a catch block must
  // be active) through OnException or a message box; EAbort is silent.
  void HandleException(TObject* sender);
  void ShowException(const std::exception& e);
  // A message box captioned with `caption` (the Title when empty).
  int MessageBox(const std::string& text, const std::string& caption = "", unsigned flags = MB_OK);
  void Minimize();
  void Restore();

  // --- hints (hint_window.h)
  // The pointer resting HintPause ms on a control whose ShowHint is on
  // shows its short hint; moving to another control while a hint shows
  // waits only HintShortPause (CM_HINTSHOWPAUSE may change either). The
  // hint goes after HintHidePause (0: stays), on a click or key, and when
  // the pointer leaves the control or the hint's CursorRect.
  bool ShowHint() const { return FShowHint; }
  // False cancels any hint and shows none.
  void SetShowHint(bool value);
  int HintPause() const { return FHintPause; }
  void SetHintPause(int value) { FHintPause = value; }
  int HintShortPause() const { return FHintShortPause; }
  void SetHintShortPause(int value) { FHintShortPause = value; }
  int HintHidePause() const { return FHintHidePause; }
  void SetHintHidePause(int value) { FHintHidePause = value; }
  TColor HintColor() const { return FHintColor; }
  void SetHintColor(TColor value) { FHintColor = value; }
  // The long hint of the control under the pointer (for a status bar);
  // OnHint fires when it changes.
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value);
  // Shows the hint control's hint for the pointer at `cursorPos` (screen)
  // now: what the end of the pause does.
  void ActivateHint(TPoint cursorPos);
  // Hides the hint and forgets the control: the next mouse move over a
  // control starts a new pause.
  void CancelHint();
  // Hides the hint window but keeps the control: no new hint for it until
  // the pointer leaves it.
  void HideHint();
  // Every mouse move over a control comes here, and the pointer leaving
  // it (TControl::WndProc).
  void HintMouseMessage(TControl* control, const TMessage& message);
  void HintMouseLeave(TControl* control);
  // The control a hint is pending or shown for (null: none).
  TControl* HintControl() const { return FHintControl; }
  // The hint window while a hint shows, else null.
  THintWindow* HintWindow() const { return FHintWindow; }

  // Forgets its hold on the main form etc. (used when forms go away).
  void FormDestroying(TCustomForm* form);
  // Forgets a control that is being destroyed.
  void ControlDestroying(TControl* control);
  // Test helper: forget termination and the main form and free every
  // component the application owns, so that a later test starts as a new
  // process would.
  void ResetForTests();

  TIdleEvent OnIdle;
  TExceptionEvent OnException;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnHint;

 protected:
  explicit TApplication(TComponent* owner) : TComponent(owner) {}

 private:
  friend TApplication* CreateApplicationObject();
  friend class TCustomForm;
  bool ProcessMessage();
  void Idle();
  void HintTimer(unsigned id);
  void StartHintTimer(unsigned id, int ms);
  void StopHintTimers();
  void FreeHintWindow();

  std::string FTitle;
  std::vector<std::pair<int, TIdleEvent>> FIdleHandlers;
  int FNextIdleHandlerId = 1;
  TCustomForm* FMainForm = nullptr;
  bool FTerminated = false;
  bool FRunning = false;
  bool FShowHint = true;
  int FHintPause = 500;
  int FHintShortPause = 50;
  int FHintHidePause = 2500;
  TColor FHintColor = clInfoBk;
  std::string FHint;
  TControl* FHintControl = nullptr;
  THintWindow* FHintWindow = nullptr;
  bool FHintShown = false;
  bool FHintActive = false;  // a hint showed when the pointer moved on
  TRect FHintCursorRect;     // in FHintControl's client coordinates
  HWND FHintTimerWnd = nullptr;
};

// A mouse cursor: one of the desktop's shapes (Shape, a classic number of
// cursors.h) or, with an Image, a picture of the program's own whose hot
// spot is HotSpot. Handles compare by identity.
struct TCursorData {
  TCursor Shape = crArrow;
  std::shared_ptr<TBitmap> Image;
  TPoint HotSpot;
};
using HCURSOR = std::shared_ptr<const TCursorData>;

class TScreen : public TComponent {
  MEBRATH_CLASS(TScreen, TComponent)
 public:
  int FormCount() const { return static_cast<int>(FForms.size()); }
  TCustomForm* Forms(int index) const { return FForms.at(static_cast<std::size_t>(index)); }
  int DataModuleCount() const { return static_cast<int>(FDataModules.size()); }
  TDataModule* DataModules(int index) const {
    return FDataModules.at(static_cast<std::size_t>(index));
  }
  // The form whose window is active (an embedded form's top form).
  TCustomForm* ActiveForm() const;
  TWinControl* ActiveControl() const;
  // The cursor over the whole application (crDefault: each control's own).
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  // The cursor of an index: the one registered for it, else the built-in
  // shape of a classic number, else DefaultCursor (so an index is free
  // while it gives DefaultCursor). crDefault and crArrow are the default.
  HCURSOR Cursors(int index) const;
  // Registers the cursor of an index (null: forgets it); the program adds
  // its own at positive indexes.
  void SetCursors(int index, HCURSOR cursor);
  HCURSOR DefaultCursor() const { return Cursors(crDefault); }
  // Shows the cursor of `index` as the pointer through the host.
  void ApplyCursor(TCursor index) const;
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int PixelsPerInch() const { return 96; }

 protected:
  explicit TScreen(TComponent* owner) : TComponent(owner) {}

 private:
  friend TScreen* CreateScreenObject();
  friend class TCustomForm;
  friend class TDataModule;
  std::vector<TCustomForm*> FForms;
  std::vector<TDataModule*> FDataModules;
  TCursor FCursor = 0;
  std::map<int, HCURSOR> FCursors;                 // registered by the program
  mutable std::map<int, HCURSOR> FBuiltinCursors;  // made on first use
};

extern TApplication* Application;
extern TScreen* Screen;

// Sets Screen's cursor for its lifetime (the busy cursor) and puts the
// previous one back, also when an exception leaves the scope.
class TScreenCursorGuard {
 public:
  explicit TScreenCursorGuard(TCursor cursor) : FSaved(Screen->Cursor()) {
    Screen->SetCursor(cursor);
  }
  ~TScreenCursorGuard() { Screen->SetCursor(FSaved); }
  TScreenCursorGuard(const TScreenCursorGuard&) = delete;
  TScreenCursorGuard& operator=(const TScreenCursorGuard&) = delete;

 private:
  TCursor FSaved;
};
