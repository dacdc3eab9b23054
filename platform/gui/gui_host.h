// The desktop host: the only way the window system reaches the screen.
//
// platform/qt implements IGuiHost and registers it once at start-up with
// SetGuiHost (InstallQtHost, called by the program's start-up); without a
// host everything runs headless. The core tells the host about top-level windows (forms,
// popups, hint windows) and asks it to show, move, caption and repaint
// them; the host turns native input into calls of the Host* entry points
// below and paints by calling PaintTopLevel into its back buffer.
//
// Coordinates: a top-level window's "content" is the part the host shows
// with our drawing. For a window with WS_CAPTION the host draws the native
// title bar and borders around it and the content is our client area; for
// any other top-level window (popups, hints, frameless forms) the content
// is the whole window, frame included, and the host draws no decoration.
// ContentRect gives it in screen coordinates; the content positions passed
// to and from the host are relative to its top-left corner.
//
// With no host (tests), windows live only in our tree, nothing is shown,
// PaintTopLevel is called by tests on a recording canvas, and the message
// loops cannot wait (message_queue.h). GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/draw/geometry.h"
#include "platform/draw/graphics.h"
#include "platform/gui/messages.h"

class TBitmap;

class IGuiHost {
 public:
  virtual ~IGuiHost() = default;

  // A top-level window was made; its style, ex-style and owner are known
  // (GetWindowStyle, GetWindowExStyle, GetWindowOwner): WS_CAPTION
  // decorated; WS_EX_TOOLWINDOW tool window; WS_EX_TOPMOST stays on top;
  // WS_POPUP without caption or WS_EX_NOACTIVATE: a frameless window that
  // must not take activation or the keyboard focus when shown or clicked.
  // It stays hidden until ShowTopLevel.
  virtual void CreateTopLevel(HWND wnd) = 0;
  virtual void DestroyTopLevel(HWND wnd) = 0;
  // SW_HIDE, SW_SHOW, SW_SHOWNORMAL, SW_SHOWNOACTIVATE, SW_SHOWNA,
  // SW_SHOWMAXIMIZED, SW_MINIMIZE, SW_RESTORE.
  virtual void ShowTopLevel(HWND wnd, int showCmd) = 0;
  // The content rectangle in screen coordinates changed (ContentRect).
  virtual void SetTopLevelBounds(HWND wnd, const TRect& contentScreenRect) = 0;
  virtual void SetTopLevelCaption(HWND wnd, const std::string& caption) = 0;
  // The smallest content size the user may drag the window to (0: no
  // limit). The default enforces none.
  virtual void SetTopLevelMinimumSize(HWND wnd, TSize contentSize) {
    (void)wnd;
    (void)contentSize;
  }
  // The content rectangle (screen coordinates) the window goes back to
  // when the window manager restores it from maximised or minimised; false
  // when the host does not know it. The default does not.
  virtual bool TopLevelNormalRect(HWND wnd, TRect& contentScreenRect) {
    (void)wnd;
    (void)contentScreenRect;
    return false;
  }
  // Brings the window to the front and gives it the native keyboard focus.
  virtual void ActivateTopLevel(HWND wnd) = 0;
  // Part of the content (content coordinates) must be repainted: schedule
  // a paint that calls PaintTopLevel soon.
  virtual void InvalidateTopLevel(HWND wnd, const TRect& contentRect) = 0;
  // Paint now: call PaintTopLevel before returning and show the result.
  virtual void UpdateTopLevel(HWND wnd) = 0;
  // Moves the pixels inside `contentRect` (content coordinates) of the
  // back buffer by (dx, dy) and shows the result; pixels moved out of the
  // rectangle are dropped, and the strip the move uncovers keeps what it
  // had (the core repaints it). False when the buffer cannot be trusted
  // (none yet, or awaiting a full repaint): the core then repaints the
  // whole rectangle. The default cannot.
  virtual bool ScrollTopLevel(HWND wnd, const TRect& contentRect, int dx, int dy) {
    (void)wnd;
    (void)contentRect;
    (void)dx;
    (void)dy;
    return false;
  }
  // A canvas on the content's back buffer for drawing outside a paint
  // (GetDC), origin at the content's top-left; null when the window has no
  // buffer yet. FlushTopLevel shows what was drawn there.
  virtual TCanvas* TopLevelCanvas(HWND wnd) = 0;
  virtual void FlushTopLevel(HWND wnd, const TRect& contentRect) = 0;
  // The pointer shape over our windows: a classic cursor number (crDefault
  // 0, crArrow -2, crIBeam -4, crHourGlass -11, crHSplit -14, ... cursors.h).
  virtual void SetCursorShape(int cursor) = 0;
  // A cursor of the program's own (Screen's Cursors): `image` with its hot
  // spot. Without an override the arrow shows.
  virtual void SetCursorImage(const TBitmap& image, TPoint hotSpot) {
    (void)image;
    (void)hotSpot;
    SetCursorShape(-2);  // crArrow
  }
  // Keeps delivering mouse events to `wnd` while the capture lasts, even
  // outside it; ReleaseMouse ends that.
  virtual void GrabMouse(HWND wnd) = 0;
  virtual void ReleaseMouse() = 0;
  virtual TRect ScreenRect() = 0;
  virtual TRect WorkAreaRect() = 0;
  // A canvas with the screen's font metrics for measuring text.
  virtual TCanvas& MeasureCanvas() = 0;
  // The font the window manager's title bars show captions in, as far as
  // the desktop tells it (TitleBarTextWidth measures with it). The
  // default: the default font in bold.
  virtual TFontData TitleBarFont() {
    TFontData font;
    font.Style = {fsBold};
    return font;
  }
  // Processes native events (calling the Host* entry points) until at
  // least one message is queued for us, or `timeoutMs` passes (-1: no
  // limit; 0: only what is pending now).
  virtual void WaitForEvents(int timeoutMs) = 0;
  virtual void Beep() = 0;
};

// Registers the host (null: headless). Top-level windows made before keep
// no native window.
void SetGuiHost(IGuiHost* host);
IGuiHost* GuiHost();

// --- entry points the host calls

// The content rectangle of a top-level window in screen coordinates.
TRect ContentRect(HWND topLevel);
// Paints the invalid parts of the window tree plus `dirty` (content
// coordinates; may be empty) into `canvas`, whose origin is the content's
// top-left, and validates them. Returns the content area that was painted
// (empty when nothing was), which the host must show.
TRect PaintTopLevel(HWND topLevel, TCanvas& canvas, const TRect& dirty);
// Paints `wnd` (frame, client and children) into `canvas` with the
// window's top-left at the canvas origin, whether its top-level is shown
// or not: `shown` tells which windows of the tree to paint (a hidden form
// hides every window on it, so the caller knows better). What it paints
// counts as validated.
void PaintWindowTo(HWND wnd, TCanvas& canvas, const std::function<bool(HWND)>& shown);
// Mouse input at `contentPos` (content coordinates of `topLevel`):
// WM_MOUSEMOVE, WM_LBUTTONDOWN/UP, WM_RBUTTONDOWN/UP, WM_MBUTTONDOWN/UP
// (never the double-click messages: the core makes those by time and
// distance) or WM_MOUSEWHEEL with `wheelDelta` (120 per notch, positive
// away from the user). `keys` are the MK_ flags after the event. The
// message is queued for the window under the pointer or the capture.
void HostMouseEvent(HWND topLevel, unsigned msg, TPoint contentPos, unsigned keys,
                    int wheelDelta = 0);
// The pointer left the top-level window (CM_MOUSELEAVE follows).
void HostMouseLeave(HWND topLevel);
// A key went down or up: WM_KEYDOWN/WM_KEYUP, or WM_SYSKEYDOWN/UP while
// Alt is held. `virtualKey` is the VK_ code; `repeat` for auto-repeat.
// Queued for the window with the keyboard focus (or the active window);
// dropped while that window is disabled by a modal window.
void HostKeyEvent(unsigned msg, unsigned virtualKey, bool repeat = false);
// A character typed (a code point; not the control characters, which
// TranslateMessage makes from the key). Queued as WM_CHAR (WM_SYSCHAR with
// Alt) for the focused window.
void HostCharEvent(char32_t ch);
// The window manager activated or deactivated the window. The window it
// activated is not asked back (ActivateTopLevel), so requests in flight
// settle instead of bouncing. A window a modal window disables is never
// activated: the modal window is brought up and asked to be activated
// instead, and a click on the disabled window does the same.
void HostActivate(HWND topLevel, bool active);
// The user asked to close the window (title-bar button, Alt+F4): queues
// WM_SYSCOMMAND SC_CLOSE, whose default sends WM_CLOSE.
void HostClose(HWND topLevel);
// The user or window manager moved or resized the content to
// `contentScreenRect`.
void HostResize(HWND topLevel, const TRect& contentScreenRect);
// The window manager minimised (SIZE_MINIMIZED), maximised or restored it.
void HostWindowState(HWND topLevel, int sizeType);
