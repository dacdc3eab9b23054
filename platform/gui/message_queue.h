// The message queue and timers.
//
// One queue for the GUI thread. Posted messages (PostMessage, and input that
// the host turns into messages) come out in the order they were posted;
// when nothing posted matches, a quit request (PostQuitMessage) comes out as
// WM_QUIT, and then due timers as WM_TIMER (one pending WM_TIMER per timer
// at most). Painting does not go through the queue: the host calls
// PaintTopLevel.
//
// Timers count in GetTickCount() milliseconds (clock.h), so a test installs
// a tick source, advances it and calls FireDueTimers() or pumps messages:
// nothing fires by itself. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/base/exceptions.h"
#include "platform/gui/messages.h"

// Raised by WaitMessage when, without a host, nothing could ever arrive.
class EMessageLoopStalled : public EInvalidOperation {
 public:
  using EInvalidOperation::EInvalidOperation;
};

// Appends a message for `wnd` (null: a message for the thread, seen only by
// loops that ask for any window). False when `wnd` is not a window.
bool PostMessage(HWND wnd, unsigned msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Asks the loops to end: WM_QUIT with `exitCode` in WParam comes out when
// no posted message is left.
void PostQuitMessage(int exitCode);
// Looks for the first message for `wnd` (or a child of it; null: any,
// including thread messages) whose number is in [filterMin, filterMax]
// (both 0: any). With PM_REMOVE it is taken from the queue. Timers that
// are due are looked at too. Never waits.
bool PeekMessage(TMsg& msg, HWND wnd, unsigned filterMin, unsigned filterMax, unsigned removeFlags);
// Takes the next message, waiting for one through the host. False for
// WM_QUIT. Without a host it cannot wait: see WaitMessage.
bool GetMessage(TMsg& msg, HWND wnd, unsigned filterMin, unsigned filterMax);
// Waits until a message is queued or a timer is due: the host processes
// native events meanwhile. Without a host it fires due timers and returns;
// when that leaves the queue empty (nothing could ever arrive) it raises
// EMessageLoopStalled "The message loop has nothing to wait for", so that a
// headless test that forgot to script its input fails instead of hanging.
void WaitMessage();
// Makes a WM_CHAR (with the key's character) follow a WM_KEYDOWN of Enter,
// Esc, Backspace, Tab and Ctrl+letter (the control characters 1..26).
// Printable characters come from the host as WM_CHAR already.
void TranslateMessage(const TMsg& msg);
// Sends the message to its window (a WM_TIMER with a callback calls it).
LRESULT DispatchMessage(const TMsg& msg);
// True when a message is queued (any window).
bool HasQueuedMessages();
// Removes every queued message (tests start clean with it).
void ClearMessageQueue();

// --- timers
using TTimerProc = std::function<void(HWND wnd, unsigned id)>;
// Starts or restarts timer `id` of `wnd` with `intervalMs` (0 counts as the
// minimum of 10 ms, as the classic system did). With a `proc`, the proc is
// called instead of sending WM_TIMER. Returns `id`, or 0 when `wnd` is not
// a window.
unsigned SetTimer(HWND wnd, unsigned id, unsigned intervalMs, TTimerProc proc = nullptr);
bool KillTimer(HWND wnd, unsigned id);
inline constexpr unsigned kMinimumTimerInterval = 10;
// Queues WM_TIMER for every due timer that has none queued yet. Returns
// how many were queued.
int FireDueTimers();
// Milliseconds until the next timer is due (0: one is due now), or -1 when
// there is no timer.
int MillisecondsToNextTimer();
