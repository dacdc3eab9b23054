// The window tree: handles, sending and posting messages, focus, capture,
// geometry, styles, the non-client frame with our own scroll bars,
// invalidation and painting.
//
// Every TWinControl gets a window here when it first needs one. A window
// has bounds in its parent's client coordinates (screen coordinates for a
// top-level window), a style and extended style with the classic bits, a
// client rectangle worked out by WM_NCCALCSIZE, z-ordered children,
// scroll-bar state, an invalid rectangle and timers. Windows without a
// parent are top-level: forms, popups, hints; the desktop host (gui_host.h)
// shows them, or, with no host, they live only in this tree.
//
// Painting: InvalidateRect only accumulates; the host later calls
// PaintTopLevel (gui_host.h), which paints the whole tree of a top-level
// window into one canvas: for each window the frame first (WM_NCPAINT),
// then WM_ERASEBKGND and WM_PAINT with the canvas translated to the client
// origin and clipped to the visible part, then its children on top.
//
// Messages sent to a destroyed window are dropped (Send returns 0); posted
// messages for a window go when it is destroyed. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/draw/geometry.h"
#include "platform/gui/messages.h"

// Handles a message for a window; the result goes in TMessage::Result.
using TWndProc = std::function<void(HWND, TMessage&)>;

// What CreateWindowEx needs. Bounds are in the parent's client coordinates
// (screen coordinates without a parent).
struct TWndCreateInfo {
  HWND Parent = nullptr;
  // For a top-level window: the window it belongs to (a popup's editor's
  // form). Activation and focus stay with the owner for no-activate popups.
  HWND Owner = nullptr;
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  std::uint32_t ClassStyle = CS_DBLCLKS;
  TRect Bounds;
  std::string Caption;
  TWndProc WndProc;  // DefWindowProc when empty
  TWinControl* Control = nullptr;
  // A hidden window that only receives messages (timers, posted messages);
  // the host never hears of it.
  bool MessageOnly = false;
};

// Creates a window and sends WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE
// and WM_MOVE. With WS_VISIBLE it is shown (top-level ones through
// ShowWindow(SW_SHOW)). Raises EOutOfResources ("Error creating window")
// when the parent is not a window.
HWND CreateWindowEx(const TWndCreateInfo& info);
// Sends WM_DESTROY to the window and then to its children (parents first),
// drops focus and capture held in the tree, kills its timers, removes its
// posted messages, sends WM_NCDESTROY (children first) and frees it.
// False when `wnd` is not a window.
bool DestroyWindow(HWND wnd);
bool IsWindow(HWND wnd);

// The default handling of every message: frame calculation and painting,
// hit-testing, scroll-bar tracking, WM_CLOSE (destroys), WM_SETCURSOR
// (asks the parent, then sets the arrow), WM_WINDOWPOSCHANGED (sends WM_SIZE
// and WM_MOVE), WM_GETTEXT/WM_SETTEXT, WM_MOUSEWHEEL (passed to the parent),
// the context-menu keys (WM_CONTEXTMENU) and Alt pressed and released with
// no key or button between (WM_SYSCOMMAND SC_KEYMENU to the top-level).
void DefWindowProc(HWND wnd, TMessage& message);
LRESULT DefWindowProc(HWND wnd, unsigned msg, WPARAM wParam, LPARAM lParam);

// Calls the window's procedure now and returns its result; 0 when `wnd` is
// not a window. Exceptions from the procedure propagate.
LRESULT SendMessage(HWND wnd, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
void SendMessage(HWND wnd, TMessage& message);
// Replaces the window's procedure and returns the old one.
TWndProc SetWindowProc(HWND wnd, TWndProc proc);

// --- tree and state
HWND GetParent(HWND wnd);
// Moves `wnd` under `newParent` (null: makes it top-level), keeping its
// bounds numbers. Returns the old parent.
HWND SetParent(HWND wnd, HWND newParent);
HWND GetWindowOwner(HWND wnd);
// Makes `owner` (a top-level window, or null) the owner of the top-level
// window `wnd`, as the classic GWLP_HWNDPARENT does: an owned window stays
// above its owner, and the host learns it when the window is next shown.
// Ignored when it would make a window own itself.
void SetWindowOwner(HWND wnd, HWND owner);
// The window that takes the activation for the disabled top-level window
// `wnd` while a modal window disables it: the topmost visible, enabled
// window that can be activated and is owned by `wnd` (directly or through
// other owned windows), else the topmost such window of all. `wnd` itself
// when it is enabled; null when there is none.
HWND GetModalWindowFor(HWND wnd);
// The top-level window that holds `wnd` (itself when top-level).
HWND GetTopLevel(HWND wnd);
// True when `child` is a descendant of `parent` (not itself).
bool IsChild(HWND parent, HWND child);
// Children from bottom to top of the z-order.
std::vector<HWND> GetChildWindows(HWND wnd);
TWinControl* GetWindowControl(HWND wnd);

std::uint32_t GetWindowStyle(HWND wnd);
std::uint32_t GetWindowExStyle(HWND wnd);
std::uint32_t GetClassStyle(HWND wnd);
// Style changes take effect in the frame after SetWindowPos with
// SWP_FRAMECHANGED, as in the classic calls.
void SetWindowStyle(HWND wnd, std::uint32_t style);
void SetWindowExStyle(HWND wnd, std::uint32_t exStyle);

std::string GetWindowText(HWND wnd);
void SetWindowText(HWND wnd, const std::string& text);

// Shows or hides: SW_HIDE, SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE,
// SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_MINIMIZE, SW_RESTORE. Sends
// WM_SHOWWINDOW; a top-level window shown with a command that activates
// becomes the active window. Hiding the window that holds the focus or the
// capture takes them away. Returns whether it was visible before.
bool ShowWindow(HWND wnd, int showCmd);
// The window and all its parents have WS_VISIBLE.
bool IsWindowVisible(HWND wnd);
// Enables or disables input; sends WM_ENABLE. Disabling the focused window
// (or its parent) removes the focus. Returns whether it was disabled.
bool EnableWindow(HWND wnd, bool enable);
bool IsWindowEnabled(HWND wnd);

// --- geometry
// In the parent's client coordinates (screen for top-level windows).
TRect GetWindowBounds(HWND wnd);
// In screen coordinates.
TRect GetWindowRect(HWND wnd);
// (0, 0, client width, client height).
TRect GetClientRect(HWND wnd);
// The client rectangle in window coordinates (origin at the window's
// top-left corner): the frame's left and top sizes are its Left and Top.
TRect GetClientRectInWindow(HWND wnd);
// The bounds (screen coordinates) of a top-level window in the normal
// state, as the classic window placement keeps them: its bounds while it
// is normal; while maximised or minimised, those it goes back to when
// restored (the host's restored rectangle when it knows one).
TRect GetWindowNormalBounds(HWND wnd);
// Sets those bounds: a normal window moves there at once, a maximised or
// minimised one when it is restored.
void SetWindowNormalBounds(HWND wnd, const TRect& bounds);
// Moves and sizes (SWP_ flags): sends WM_WINDOWPOSCHANGING (which may change
// the values), WM_NCCALCSIZE, WM_WINDOWPOSCHANGED (the default sends
// WM_MOVE and WM_SIZE). Repaints the old and new areas unless SWP_NOREDRAW.
bool SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, unsigned flags);
bool MoveWindow(HWND wnd, int x, int y, int width, int height, bool repaint = true);
// The smallest size (frame included) the user can give a top-level
// window by dragging its border; the host enforces it on the native
// window. Ignored for child windows.
void SetWindowMinTrackSize(HWND wnd, TSize size);
// Puts the window on top of its siblings.
void BringWindowToTop(HWND wnd);
void ClientToScreen(HWND wnd, TPoint& point);
void ScreenToClient(HWND wnd, TPoint& point);
// Converts points from one window's client coordinates to another's (null:
// the screen).
TPoint MapWindowPoint(HWND from, HWND to, TPoint point);
// The deepest visible window whose window rectangle holds the screen
// point, among the top-level windows (topmost first) and their children.
HWND WindowFromPoint(TPoint screenPoint);
// The deepest visible descendant of `parent` (or itself) at `clientPoint`.
HWND ChildWindowFromPoint(HWND parent, TPoint clientPoint);

// --- focus, activation, capture
// Gives the keyboard focus to `wnd` (null removes it): WM_KILLFOCUS to the
// old window (with the new one), then WM_SETFOCUS to the new one (with the
// old one). Activates the new window's top-level window unless it is a
// no-activate window. Returns the previous focus. A window of a disabled
// top-level window (one a modal window disables) never gets the focus:
// nothing changes and the result is null.
HWND SetFocus(HWND wnd);
HWND GetFocus();
// The active top-level window (the one that had the focus last).
HWND GetActiveWindow();
// Makes `wnd`'s top-level window active: WM_ACTIVATE(WA_INACTIVE) to the
// old one, WM_ACTIVATE(WA_ACTIVE) to the new one. Returns the old one.
// A disabled window is never activated: the modal window that disables it
// (GetModalWindowFor) is activated instead, and nothing changes when there
// is none.
HWND SetActiveWindow(HWND wnd);
// Routes mouse input to `wnd` until released; WM_CAPTURECHANGED goes to
// the window that loses it. Returns the previous capture.
HWND SetCapture(HWND wnd);
bool ReleaseCapture();
HWND GetCapture();
// The state of a key as of the last key message taken from the queue:
// negative while down.
short GetKeyState(unsigned virtualKey);
// The state of a key as the host last reported it, ahead of the queue.
short GetAsyncKeyState(unsigned virtualKey);
// For tests and the host: records a key (or mouse button) as down or up.
void SetKeyDown(unsigned virtualKey, bool down);
// The pointer position in screen coordinates as the last input left it.
TPoint GetCursorPos();
void SetCursorPos(TPoint screenPoint);

// --- system metrics: fixed values of our own flat look, 96 dots per inch.
int GetSystemMetrics(int index);
// The classic double-click time, 500 ms.
unsigned GetDoubleClickTime();

// --- scroll bars (SB_HORZ, SB_VERT) drawn in the frame
// Sets the fields named by info.fMask; the position is clamped to
// [nMin, nMax - max(nPage - 1, 0)]. A bar whose range becomes too small to
// scroll is hidden, or disabled with SIF_DISABLENOSCROLL; one that can
// scroll again is shown and enabled. Returns the new position.
int SetScrollInfo(HWND wnd, int bar, const TScrollInfo& info, bool redraw = true);
// Fills the fields named by info.fMask; nTrackPos is the thumb position
// while the user drags it (else the position). False when there is no
// such bar state.
bool GetScrollInfo(HWND wnd, int bar, TScrollInfo& info);
int SetScrollPos(HWND wnd, int bar, int pos, bool redraw = true);
int GetScrollPos(HWND wnd, int bar);
void SetScrollRange(HWND wnd, int bar, int min, int max, bool redraw = true);
// Shows or hides a bar (SB_BOTH for both), changing WS_HSCROLL/WS_VSCROLL
// and the client rectangle.
bool ShowScrollBar(HWND wnd, int bar, bool show);
// Disables the arrows given by ESB_ flags.
bool EnableScrollBar(HWND wnd, int bar, unsigned arrows);
// The scroll-bar rectangles in window coordinates (empty when hidden).
TRect ScrollBarRectInWindow(HWND wnd, int bar);
// Where the bar's parts are, in window coordinates, for hit tests and tests.
struct TScrollBarLayout {
  TRect Bar;
  TRect ArrowUp;  // left/up arrow
  TRect PageUp;
  TRect Thumb;
  TRect PageDown;
  TRect ArrowDown;  // right/down arrow
};
TScrollBarLayout GetScrollBarLayout(HWND wnd, int bar);
// Auto-repeat delays of a held scroll arrow or page area.
inline constexpr unsigned kScrollFirstDelay = 400;
inline constexpr unsigned kScrollRepeatDelay = 100;

// --- painting
// Adds `rect` (client coordinates; null: the whole client area) to the
// window's invalid area and asks the host for a paint. `erase` asks for
// WM_ERASEBKGND.
void InvalidateRect(HWND wnd, const TRect* rect, bool erase = true);
// Invalidates the frame (borders and scroll bars): the next paint draws
// the frame (WM_NCPAINT) without repainting the client area.
void InvalidateFrame(HWND wnd);
// Removes `rect` (null: all) from the invalid area.
void ValidateRect(HWND wnd, const TRect* rect);
// The bounding rectangle of the invalid area in client coordinates; false
// when nothing is invalid.
bool GetUpdateRect(HWND wnd, TRect& rect);
// Paints the window's invalid area now (through the host). Headless it
// does nothing: the area stays invalid for the next PaintTopLevel.
void UpdateWindow(HWND wnd);
// RDW_INVALIDATE, RDW_ERASE, RDW_FRAME, RDW_ALLCHILDREN, RDW_UPDATENOW,
// RDW_VALIDATE.
void RedrawWindow(HWND wnd, const TRect* rect, unsigned flags);
// Scrolls the contents of `rect` (client coordinates; null: the client
// area) within `clip` (if given) by (dx, dy), and moves the child windows
// by as much when `rect` is null. The pixels already painted move in the
// host's back buffer (IGuiHost::ScrollTopLevel) and only the strip they
// uncover is invalidated (with where the parts still awaiting paint went).
// Where that cannot be trusted, the whole area is invalidated instead:
// headless, hidden, during painting, when a window not moving with the
// contents (a child, with `rect` given; a sibling above) covers part of
// it, or when the host declines.
void ScrollWindow(HWND wnd, int dx, int dy, const TRect* rect = nullptr,
                  const TRect* clip = nullptr);

struct TPaintStruct {
  TCanvas* Canvas = nullptr;
  TRect rcPaint;  // the area to paint, client coordinates
  bool fErase = false;
};
// Inside WM_PAINT: the canvas of the paint pass, translated to the client
// origin and clipped to the area to paint; validates the window. Outside
// painting it returns GetDC(wnd) and an empty rcPaint.
TCanvas* BeginPaint(HWND wnd, TPaintStruct& ps);
void EndPaint(HWND wnd, const TPaintStruct& ps);
// A canvas on the window's client area (GetDC) or whole window
// (GetWindowDC) for drawing outside WM_PAINT: translated and clipped to
// the window's visible part. During a paint pass, the paint canvas; else
// the host's canvas on the top-level window, or (headless or hidden) the
// shared measuring canvas, which shows nothing. Release with ReleaseDC,
// which restores the canvas state.
TCanvas* GetDC(HWND wnd);
TCanvas* GetWindowDC(HWND wnd);
void ReleaseDC(HWND wnd, TCanvas* canvas);
// The canvas for measuring text outside painting: the host's, or a
// recording canvas with the fixed metrics.
TCanvas& MeasureCanvas();
// The width `caption` takes in a title bar: measured on MeasureCanvas in
// the host's TitleBarFont (headless: the default font in bold).
int TitleBarTextWidth(const std::string& caption);

// --- errors in handlers called from the host (painting, input)
// Entry points that the host calls never throw; an exception from a
// handler goes here (the application installs its HandleException). The
// default writes the message to stderr.
void SetGuiExceptionHandler(std::function<void()> handler);

// --- frame defaults, shared by DefWindowProc and controls that extend it
// The sizes of the frame on each side for `style`/`exStyle`.
TRect FrameMargins(std::uint32_t style, std::uint32_t exStyle, bool topLevel);
