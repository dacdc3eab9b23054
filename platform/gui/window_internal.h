// Internal to the window system: the window record and the shared state of
// window.cpp, message_queue.cpp, window_frame.cpp, window_paint.cpp and
// host_input.cpp. Not for controls.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gui/message_queue.h"
#include "platform/gui/window.h"

struct TScrollBarState {
  int Min = 0;
  int Max = 100;
  unsigned Page = 0;
  int Pos = 0;
  int TrackPos = 0;
  unsigned DisabledArrows = 0;  // ESB_ flags
  bool Tracking = false;
};

struct TWnd {
  HWND Parent = nullptr;
  HWND Owner = nullptr;
  std::vector<HWND> Children;  // bottom to top
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  std::uint32_t ClassStyle = 0;
  TRect Bounds;  // parent client coordinates; screen for top-level
  TRect Client;  // client rectangle in window coordinates
  std::string Text;
  TWndProc Proc;
  TWinControl* Control = nullptr;
  bool MessageOnly = false;
  bool Destroying = false;
  bool HostKnows = false;               // the host made a native window for it
  std::array<TScrollBarState, 2> Bars;  // SB_HORZ, SB_VERT
  TRect Invalid;                        // client coordinates; empty when valid
  bool EraseNeeded = false;
  bool FrameInvalid = false;
  int WindowState = SIZE_RESTORED;
  // The bounds to go back to when restored, while maximised or minimised
  // (kept from the moment the window left the normal state, or set); and
  // whether the program set them since, so that restoring moves there.
  TRect NormalBounds;
  bool NormalBoundsSet = false;
  TSize MinTrackSize;  // top-level only: the smallest size the user can give it
  TRect Pending;       // top-level only: window coordinates still to repaint
};

struct TTimerEntry {
  HWND Wnd = nullptr;
  unsigned Id = 0;
  unsigned Interval = 0;
  std::uint32_t Start = 0;  // tick when the current interval began
  TTimerProc Proc;
  bool Queued = false;
};

// Scroll-bar tracking by the mouse (one at a time).
enum TScrollPart { spNone, spArrowUp, spPageUp, spThumb, spPageDown, spArrowDown };
struct TScrollTrack {
  HWND Wnd = nullptr;
  int Bar = SB_VERT;
  TScrollPart Part = spNone;
  int ThumbGrab = 0;   // pointer offset inside the thumb along the bar
  bool Inside = true;  // pointer still over the pressed part
  TPoint Point;        // last pointer position, window coordinates
};

struct TPaintContext {
  HWND Wnd = nullptr;
  TCanvas* Canvas = nullptr;
  TRect PaintRect;  // client coordinates
  bool Erase = false;
  TPaintContext* Outer = nullptr;
};

struct TWindowSystem {
  std::unordered_map<HWND, std::unique_ptr<TWnd>> Windows;
  std::vector<HWND> TopLevels;  // bottom to top
  HWND Focus = nullptr;
  HWND Active = nullptr;
  HWND Capture = nullptr;
  std::array<bool, 256> KeyDown{};       // as of the last key message taken
  std::array<bool, 256> AsyncKeyDown{};  // as the host last reported
  TPoint CursorPos;
  std::deque<TMsg> Queue;
  bool QuitPosted = false;
  int QuitCode = 0;
  std::vector<TTimerEntry> Timers;
  TScrollTrack Track;
  TPaintContext* Paint = nullptr;
  // Double-click detection.
  HWND LastClickWnd = nullptr;
  unsigned LastClickMsg = 0;
  std::uint32_t LastClickTime = 0;
  TPoint LastClickPos;
  HWND MouseWnd = nullptr;  // the window under the pointer
  // Alt went down (and reached DefWindowProc) with no key or button
  // pressed since: its release enters the menu bar.
  bool AltAlone = false;
  bool HostMoving = false;  // bounds come from the host: do not echo them
  // The window the host is reporting as activated: not asked back.
  HWND HostActivated = nullptr;
};

TWindowSystem& WS();
// The record of a live window, or null.
TWnd* Wnd(HWND wnd);
// The client origin of `wnd` in the window coordinates of its top-level.
TPoint ClientOriginInTop(HWND wnd);
// The window rectangle of `wnd` in the window coordinates of its top-level.
TRect WindowRectInTop(HWND wnd);
// Content offset: window coordinates of the top-level minus content
// coordinates.
TPoint ContentOffset(HWND topLevel);
// The frame the host draws natively around a captioned top-level window
// (caption and borders; zero for everything else), as left/top/right/bottom
// sizes.
TRect NativeFrameMargins(HWND wnd);
// Records a top-level window's new state (SIZE_RESTORED, SIZE_MAXIMIZED,
// SIZE_MINIMIZED): leaving the normal state keeps the normal bounds;
// true when it comes back to normal bounds the program set meanwhile,
// which MoveToNormalBounds then applies.
bool ChangeWindowState(HWND wnd, int state);
void MoveToNormalBounds(HWND wnd);
// Recomputes the client rectangle through WM_NCCALCSIZE.
void RecalcFrame(HWND wnd);
// Drops the window from the queue, timers and scroll tracking.
void ForgetWindowInQueue(HWND wnd);
// Tells the host that part of a top-level window must be repainted.
void RequestPaint(HWND wnd, const TRect& rectInTop);
// Default handling of non-client messages and scroll bars (window_frame.cpp).
bool FrameDefWindowProc(HWND wnd, TMessage& message);
// Records a key as down or up in the state GetKeyState reports.
void UpdateKeyState(std::array<bool, 256>& keys, unsigned virtualKey, bool down);
// Hands the exception being handled to the installed handler (never throws).
void HandleGuiException();
// Mouse input while a scroll bar is being tracked; true when consumed.
bool ScrollTrackMouse(const TMsg& msg);
