// Controls: TControl, TWinControl, TCustomControl and TGraphicControl.
//
// A TControl has bounds in its parent's client coordinates, alignment,
// visibility, enabling, font and colour (inherited from the parent while
// ParentFont/ParentColor), text and hint. A TWinControl also has a window
// in our tree (window.h), made when first needed, and holds child
// controls; a TGraphicControl has no window and is painted and fed mouse
// input by its parent.
//
// Messages: Perform sends to WindowProc (replaceable; WndProc by default).
// WndProc is the one switch on the message number: it turns messages into
// calls of the protected virtuals (MouseDown, KeyDown, Paint, ...) through
// private wrappers that do the bookkeeping (capture while a button is
// held, focus on click, click detection, CM_ notices), and hands what it
// does not handle to DefaultHandler (the window's default procedure).
// Subclasses override WndProc for their own messages and call the base.
//
// Drawing: a TCustomControl or TGraphicControl overrides Paint and draws on
// Canvas(): during Paint, the paint canvas, translated to the control's
// client origin and clipped; outside Paint, a measuring canvas that shows
// nothing (change something and Invalidate instead).
//
// Weak references (focused and active control of a form, capture control,
// the control under the mouse, the hint control) are cleared when a
// control leaves its parent or is destroyed. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/component.h"
#include "platform/base/ui_enums.h"
#include "platform/draw/canvas.h"
#include "platform/draw/graphics.h"
#include "platform/gui/messages.h"
#include "platform/gui/window.h"

class TWinControl;
class TCustomForm;
TControl* GetCaptureControl();

using TCursor = int;  // classic cursor numbers (crDefault 0, crArrow -2, ...)

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground
};
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = TSet<TControlStateItem>;

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, unsigned& key, TShiftState shift)>;
// The character typed, a code point; set it to 0 to swallow it.
using TKeyPressEvent = std::function<void(TObject* sender, char32_t& key)>;
using TMouseWheelEvent = std::function<void(TObject* sender, TShiftState shift, int wheelDelta,
                                            TPoint mousePos, bool& handled)>;
using TWndMethod = std::function<void(TMessage& message)>;
// Before a control's context menu: `mousePos` in client coordinates
// ((-1, -1) from the keyboard); set `handled` to show no menu.
using TContextPopupEvent = std::function<void(TObject* sender, TPoint mousePos, bool& handled)>;

// Limits on a control's size; 0 means none.
struct TSizeConstraints {
  int MinWidth = 0;
  int MinHeight = 0;
  int MaxWidth = 0;
  int MaxHeight = 0;
};

class THintWindow;
// Makes the window a hint is shown in (hint_window.h); `owner` owns it.
using THintWindowClass = std::function<THintWindow*(TComponent* owner)>;

// What CM_HINTSHOW carries (LParam); handlers may change it.
struct THintInfo {
  TControl* HintControl = nullptr;
  TPoint HintPos;  // screen coordinates of the hint window's top-left
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;  // client coordinates: the hint stays while the pointer is here
  TPoint CursorPos;  // client coordinates
  int ReshowTimeout = 0;
  int HideTimeout = 0;
  std::string HintStr;
  // The window class to show this hint in (null: THintWindow's default);
  // HintData goes to its CalcHintRect and ActivateHintData.
  THintWindowClass HintWindowClass;
  void* HintData = nullptr;
};

// What CreateParams fills in for a window.
struct TCreateParams {
  std::string Caption;
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  HWND WndParent = nullptr;
  std::uint32_t WindowClassStyle = CS_DBLCLKS;
};

class TControl : public TComponent {
  MEBRATH_CLASS(TControl, TComponent)
 public:
  // --- messages
  // Sends to WindowProc and returns the result.
  LRESULT Perform(unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
  void Perform(TMessage& message) { WindowProc(message); }
  // Where Perform and the window deliver messages; WndProc by default.
  // Replace it to subclass a control, keeping the old one to call on.
  TWndMethod WindowProc;
  // The one switch on message numbers; subclasses override and call the base.
  virtual void WndProc(TMessage& message);
  // What happens to messages nobody handled: the window's default
  // procedure for a windowed control, nothing for a graphic one.
  virtual void DefaultHandler(TMessage& message);

  // --- position and size, in the parent's client coordinates
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  // Moves and sizes within the constraints; repaints, realigns the parent
  // and calls Resize when the size changed.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  // (0, 0, ClientWidth, ClientHeight).
  virtual TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Right; }
  int ClientHeight() const { return ClientRect().Bottom; }
  // Sizes the control so that its client area gets this size.
  void SetClientWidth(int value);
  void SetClientHeight(int value);
  // The client origin in screen coordinates.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors value) { FAnchors = value; }
  const TSizeConstraints& Constraints() const { return FConstraints; }
  // Sets the limits and applies them; a window holding this control
  // through aligned parents grows to give it the minimum it now needs.
  void SetConstraints(const TSizeConstraints& value);
  // The size this control needs at least: its minimum constraints and,
  // for a window, what its aligned children need (MinimumSize). 0 where
  // nothing asks for more.
  virtual TSize MinimumSize();

  // --- tree
  TWinControl* Parent() const { return FParent; }
  // Inserts into `parent`'s controls (null removes). Raises
  // EInvalidOperation "Control '%s' has no parent window"-style errors
  // only when a window is needed later; "A control cannot have itself as
  // its parent" for itself.
  virtual void SetParent(TWinControl* parent);
  // Brings the control to the front (back) of its siblings.
  void BringToFront();
  void SendToBack();

  // --- state
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);
  // Visible here and in every parent up to a top-level window.
  bool IsVisibleInTree() const;
  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle value) { FControlStyle = value; }
  TControlState ControlState() const { return FControlState; }
  void SetControlState(TControlState value) { FControlState = value; }

  // --- appearance
  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont* value) { FFont->Assign(value); }
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  const std::string& Caption() const { return GetText(); }
  void SetCaption(const std::string& value) { SetText(value); }
  virtual const std::string& GetText() const { return FText; }
  // Stores the text and sends CM_TEXTCHANGED when it changed.
  virtual void SetText(const std::string& value);
  const std::string& Text() const { return GetText(); }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  // The context menu (a TPopupMenu; kept as a component so this unit does
  // not depend on menus). Cleared when the menu is destroyed.
  TComponent* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TComponent* menu);
  // Always false: right-to-left layouts are not supported.
  bool UseRightToLeftAlignment() const { return false; }
  bool UseRightToLeftReading() const { return false; }

  // --- painting
  // Schedules a repaint of the control's area.
  virtual void Invalidate();
  // Paints what is invalid now.
  virtual void Update();
  // Invalidate, then Update.
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // --- mouse
  bool MouseCapture() const;
  void SetMouseCapture(bool value);

  // --- events
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnResize;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TContextPopupEvent OnContextPopup;

 protected:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

  // Hooks for subclasses; the base versions fire the events.
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Returns whether the wheel was used; otherwise the parent gets it.
  virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
  virtual void Resize();
  // WM_CONTEXTMENU, before the PopupMenu shows: fires OnContextPopup.
  virtual void DoContextPopup(TPoint mousePos, bool& handled);
  // The control's size within its constraints.
  virtual void ConstrainedResize(int& width, int& height);
  // Realigns the parent when this control's layout matters to it.
  void RequestAlign();
  // Copies the parent's font/colour when ParentFont/ParentColor.
  void ApplyParentFont();
  void ApplyParentColor();

  TCanvas* FPaintCanvas = nullptr;  // set while painting

 private:
  friend class TWinControl;
  // Wrappers around the mouse virtuals: capture, click detection.
  void HandleMouseDown(TMessage& message, TMouseButton button, bool dbl);
  void HandleMouseUp(TMessage& message, TMouseButton button);
  void HandleMouseMove(TMessage& message);
  void FontChanged(TObject* sender);

  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  TSizeConstraints FConstraints;
  bool FVisible = true;
  bool FEnabled = true;
  std::unique_ptr<TFont> FFont;
  TColor FColor = clWindow;
  bool FParentFont = true;
  bool FParentColor = false;
  bool FApplyingParentFont = false;
  std::string FText;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = 0;
  TComponent* FPopupMenu = nullptr;
  TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState FControlState;
};

class TWinControl : public TControl {
  MEBRATH_CLASS(TWinControl, TControl)
 public:
  // --- the window
  // The window, made now if need be (parents first). Raises
  // EInvalidOperation "Control 'Name' has no parent window" for a child
  // control without a parent.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Destroys the window and makes a new one with the current parameters.
  void RecreateWnd();
  // The window that holds this top-level control's window (a popup's
  // owner); null for a form.
  HWND ParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND value) { FParentWindow = value; }

  // --- children
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls.at(static_cast<std::size_t>(index)); }
  bool ContainsControl(const TControl* control) const;
  // The visible, enabled child (graphic children before windowed ones, the
  // topmost first) at a client point; null when none.
  TControl* ControlAtPos(TPoint pos, bool allowDisabled = false) const;
  // Sends `message` to every child until one sets a non-zero Result.
  void Broadcast(TMessage& message);
  // Sends `msg` to every child.
  void NotifyControls(unsigned msg);
  // TControl: the minimum also holds the aligned children: the heights
  // of those along the top and bottom, the widths of those along the
  // sides, the minimum of the one filling the rest, and the frame around
  // the client area. Only children (at any depth of aligned windows) with
  // minimum constraints make it count, so other layouts are left alone.
  TSize MinimumSize() override;
  // Aligning: while disabled, changes only mark csAlignmentNeeded.
  void DisableAlign() { ++FAlignLevel; }
  void EnableAlign();
  void Realign();

  bool Showing() const { return FShowing; }

  // --- focus and tab order
  bool Focused() const;
  // Visible and enabled up to the form (or top-level window).
  virtual bool CanFocus() const;
  // Focuses through the parent form. Raises EInvalidOperation "Cannot
  // focus a disabled or invisible window" when !CanFocus().
  virtual void SetFocus();
  int TabOrder() const;
  void SetTabOrder(int value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  // This control's tab list, depth first (children after their parent).
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // The next control from `current` in tab order among this control's
  // descendants that can be focused (with TabStop when checkTabStop; a
  // direct child when checkParent); null when none.
  TWinControl* FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                               bool checkParent) const;
  // Focuses FindNextControl(current, goForward, checkTabStop, !checkTabStop).
  void SelectNext(TWinControl* current, bool goForward, bool checkTabStop);

  // --- TControl
  void SetBounds(int left, int top, int width, int height) override;
  TRect ClientRect() const override;
  TPoint ClientOrigin() const override;
  void SetParent(TWinControl* parent) override;
  void Invalidate() override;
  void Update() override;
  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;
  void SetText(const std::string& value) override;

  // --- events
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  explicit TWinControl(TComponent* owner);
  void BeforeDestruction() override;

  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& params);
  virtual void DestroyWnd();
  void DestroyHandle();
  // Lays out the aligned children inside `rect` (client coordinates).
  virtual void AlignControls(TControl* control, TRect& rect);
  void ConstrainedResize(int& width, int& height) override;
  // The area aligned children share; the client rectangle by default.
  virtual void AdjustClientRect(TRect& rect);
  // Paints the control itself (TCustomControl calls Paint).
  virtual void PaintWindow(TCanvas& canvas);
  // Paints the graphic children that intersect the canvas's clip.
  void PaintControls(TCanvas& canvas);
  void UpdateShowing();
  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(unsigned& key, TShiftState shift);
  virtual void KeyUp(unsigned& key, TShiftState shift);
  virtual void KeyPress(char32_t& key);
  // Whether a left click focuses the control: TabStop by default (a panel
  // does not take the focus, an edit does).
  virtual bool FocusOnClick() const { return FTabStop; }

 private:
  friend class TControl;
  friend class TCustomForm;
  friend TControl* GetCaptureControl();
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // Key wrappers: KeyPreview, Key := 0 swallowing.
  bool DoKeyDown(TMessage& message);
  bool DoKeyUp(TMessage& message);
  bool DoKeyPress(TMessage& message);
  void CNKeyDown(TMessage& message);
  void CNChar(TMessage& message);
  // Forwards mouse messages to a graphic child; true when it did.
  bool IsControlMouseMsg(TMessage& message);
  void UpdateBoundsFromWindow();
  void SetCursorFromMessage(TMessage& message);
  void TrackMouseControl(TControl* control);
  void AnchorChildren(TSize oldClient, TSize newClient);
  // A control without parent whose window is top-level (not WS_CHILD).
  bool IsTopLevelShowable();

  HWND FHandle = nullptr;
  HWND FParentWindow = nullptr;
  std::vector<TControl*> FControls;    // z-order, bottom first
  std::vector<TWinControl*> FTabList;  // windowed children in tab order
  bool FTabStop = false;
  bool FShowing = false;
  int FAlignLevel = 0;
  bool FAligning = false;
  TSize FLastClientSize;
  TControl* FCaptureControl = nullptr;  // a graphic child holding the capture
  TControl* FMouseControl = nullptr;    // the graphic child under the pointer
};

class TCustomControl : public TWinControl {
  MEBRATH_CLASS(TCustomControl, TWinControl)
 public:
  // During Paint, the paint canvas (translated, clipped, with the
  // control's Font and Brush.Color = Color); otherwise the measuring canvas.
  TCanvas* Canvas() const;

 protected:
  explicit TCustomControl(TComponent* owner);
  virtual void Paint() {}
  // TWinControl
  void PaintWindow(TCanvas& canvas) override;
};

class TGraphicControl : public TControl {
  MEBRATH_CLASS(TGraphicControl, TControl)
 public:
  TCanvas* Canvas() const;

 protected:
  explicit TGraphicControl(TComponent* owner);
  virtual void Paint() {}
  // TControl
  void WndProc(TMessage& message) override;
};

// The form that holds `control` (the top-most TCustomForm parent), or null.
TCustomForm* GetParentForm(const TControl* control);
// The control whose window is `wnd`, or null.
TWinControl* FindControl(HWND wnd);
// The control that holds the mouse capture (a graphic one through its
// parent), or null.
TControl* GetCaptureControl();
// Sends CN_ key messages to the focused control first, as the message loop
// does before dispatching a key message; true when it was consumed. A
// control's CN_KEYDOWN offers the key to the shortcuts of the forms that
// hold it (TCustomForm::IsShortCut), then to its parents (CM_CHILDKEY),
// then as a dialog key (CM_DIALOGKEY) when the control does not want it.
bool IsKeyMsg(const TMsg& msg);

// --- context menus
// A right click (mouse up) sends WM_CONTEXTMENU (WParam: the window, LParam:
// the screen point) to the clicked window, and so do Shift+F10 and the
// menu key (point (-1, -1)). A control answers with OnContextPopup, then
// its PopupMenu; a windowed control offers it to the graphic child under
// the point first, and what nobody handles goes to the parent window.
// The menu unit installs the handler that shows a PopupMenu at a screen
// point once the first pop-up menu is made; it returns false when the menu
// declines (AutoPopup off). SetPopupMenuHandler returns the handler it
// replaces (tests put it back).
using TPopupMenuHandler =
    std::function<bool(TComponent* menu, TControl* control, TPoint screenPos)>;
TPopupMenuHandler SetPopupMenuHandler(TPopupMenuHandler handler);

// --- accelerators
// The accelerator of a caption: the character after a single "&" ("&&" is
// a plain "&"); 0 when there is none.
char32_t GetHotkey(const std::string& caption);
// Whether `charCode` (a character from CM_DIALOGCHAR) is the accelerator
// of `caption`, ignoring case. Controls with captions answer CM_DIALOGCHAR
// with it: the form offers every character the focused control does not
// want (and every Alt+character) to its controls that way.
bool IsAccel(unsigned charCode, const std::string& caption);
