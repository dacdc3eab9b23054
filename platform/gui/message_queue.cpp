#include "platform/gui/message_queue.h"

#include <algorithm>

#include "platform/base/clock.h"
#include "platform/base/exceptions.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/window_internal.h"

namespace {

bool Matches(const TMsg& m, HWND wnd, unsigned filterMin, unsigned filterMax) {
  if (wnd != nullptr && m.hwnd != wnd && !IsChild(wnd, m.hwnd)) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return m.message >= filterMin && m.message <= filterMax;
}

bool TimerDue(const TTimerEntry& t, std::uint32_t now) {
  return !t.Queued && static_cast<std::uint32_t>(now - t.Start) >= t.Interval;
}

TMsg MakeTimerMsg(TTimerEntry& t, std::uint32_t now) {
  t.Queued = true;
  t.Start = now;
  TMsg m;
  m.hwnd = t.Wnd;
  m.message = WM_TIMER;
  m.wParam = static_cast<WPARAM>(t.Id);
  m.time = now;
  m.pt = GetCursorPos();
  return m;
}

TTimerEntry* FindTimer(HWND wnd, unsigned id) {
  for (auto& t : WS().Timers) {
    if (t.Wnd == wnd && t.Id == id) return &t;
  }
  return nullptr;
}

}  // namespace

bool PostMessage(HWND wnd, unsigned msg, WPARAM wParam, LPARAM lParam) {
  if (wnd != nullptr && !IsWindow(wnd)) return false;
  TMsg m;
  m.hwnd = wnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  m.pt = GetCursorPos();
  WS().Queue.push_back(m);
  return true;
}

void PostQuitMessage(int exitCode) {
  WS().QuitPosted = true;
  WS().QuitCode = exitCode;
}

bool PeekMessage(TMsg& msg, HWND wnd, unsigned filterMin, unsigned filterMax,
                 unsigned removeFlags) {
  auto& ws = WS();
  bool remove = (removeFlags & PM_REMOVE) != 0;
  for (auto it = ws.Queue.begin(); it != ws.Queue.end(); ++it) {
    if (!Matches(*it, wnd, filterMin, filterMax)) continue;
    msg = *it;
    if (remove) {
      ws.Queue.erase(it);
      if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN || msg.message == WM_KEYUP ||
          msg.message == WM_SYSKEYUP) {
        bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
        UpdateKeyState(ws.KeyDown, static_cast<unsigned>(msg.wParam), down);
        if (down) ws.AltAlone = false;
      }
      if (msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN ||
          msg.message == WM_MBUTTONDOWN)
        ws.AltAlone = false;
      if (msg.message == WM_TIMER) {
        if (TTimerEntry* t = FindTimer(msg.hwnd, static_cast<unsigned>(msg.wParam)))
          t->Queued = false;
      }
    }
    return true;
  }
  if (ws.QuitPosted && wnd == nullptr &&
      ((filterMin == 0 && filterMax == 0) || (WM_QUIT >= filterMin && WM_QUIT <= filterMax))) {
    msg = TMsg{};
    msg.message = WM_QUIT;
    msg.wParam = ws.QuitCode;
    msg.time = GetTickCount();
    if (remove) ws.QuitPosted = false;
    return true;
  }
  if ((filterMin == 0 && filterMax == 0) || (WM_TIMER >= filterMin && WM_TIMER <= filterMax)) {
    std::uint32_t now = GetTickCount();
    for (auto& t : ws.Timers) {
      if (!TimerDue(t, now) || (wnd != nullptr && t.Wnd != wnd && !IsChild(wnd, t.Wnd))) continue;
      if (remove) {
        msg = MakeTimerMsg(t, now);
        t.Queued = false;
      } else {
        msg = TMsg{t.Wnd, WM_TIMER, static_cast<WPARAM>(t.Id), 0, now, GetCursorPos()};
      }
      return true;
    }
  }
  return false;
}

bool GetMessage(TMsg& msg, HWND wnd, unsigned filterMin, unsigned filterMax) {
  while (!PeekMessage(msg, wnd, filterMin, filterMax, PM_REMOVE)) WaitMessage();
  return msg.message != WM_QUIT;
}

void WaitMessage() {
  auto& ws = WS();
  if (IGuiHost* host = GuiHost()) {
    if (!ws.Queue.empty() || ws.QuitPosted) {
      host->WaitForEvents(0);
      return;
    }
    host->WaitForEvents(MillisecondsToNextTimer());
    return;
  }
  FireDueTimers();
  if (ws.Queue.empty() && !ws.QuitPosted) {
    throw EMessageLoopStalled("The message loop has nothing to wait for");
  }
}

void TranslateMessage(const TMsg& msg) {
  if (msg.message != WM_KEYDOWN) return;
  unsigned key = static_cast<unsigned>(msg.wParam);
  unsigned ch = 0;
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  bool alt = GetKeyState(VK_MENU) < 0;
  switch (key) {
    case VK_RETURN:
      ch = ctrl ? 10 : 13;
      break;
    case VK_ESCAPE:
      ch = 27;
      break;
    case VK_BACK:
      ch = ctrl ? 127 : 8;
      break;
    case VK_TAB:
      ch = ctrl ? 0 : 9;
      break;
    default:
      if (ctrl && !alt && key >= 'A' && key <= 'Z') ch = key - 'A' + 1;
      break;
  }
  if (ch != 0) {
    TMsg m = msg;
    m.message = WM_CHAR;
    m.wParam = ch;
    // Ahead of anything queued after the key, as the classic call did.
    auto& q = WS().Queue;
    q.push_front(m);
  }
}

LRESULT DispatchMessage(const TMsg& msg) {
  if (msg.message == WM_TIMER) {
    if (TTimerEntry* t = FindTimer(msg.hwnd, static_cast<unsigned>(msg.wParam));
        t != nullptr && t->Proc) {
      TTimerProc proc = t->Proc;
      proc(msg.hwnd, static_cast<unsigned>(msg.wParam));
      return 0;
    }
  }
  if (msg.hwnd == nullptr) return 0;
  if (ScrollTrackMouse(msg)) return 0;
  return SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool HasQueuedMessages() { return !WS().Queue.empty(); }

void ClearMessageQueue() {
  auto& ws = WS();
  ws.Queue.clear();
  ws.QuitPosted = false;
  for (auto& t : ws.Timers) t.Queued = false;
}

void ForgetWindowInQueue(HWND wnd) {
  auto& ws = WS();
  // A key pressed or released toward the window still is: the state must
  // not keep a key down that was let go (Ctrl of a Ctrl+N that replaced
  // the focused control).
  for (const TMsg& m : ws.Queue) {
    if (m.hwnd != wnd) continue;
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN || m.message == WM_KEYUP ||
        m.message == WM_SYSKEYUP)
      UpdateKeyState(ws.KeyDown, static_cast<unsigned>(m.wParam),
                     m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN);
  }
  std::erase_if(ws.Queue, [wnd](const TMsg& m) { return m.hwnd == wnd; });
  std::erase_if(ws.Timers, [wnd](const TTimerEntry& t) { return t.Wnd == wnd; });
  if (ws.Track.Wnd == wnd) ws.Track = TScrollTrack{};
}

unsigned SetTimer(HWND wnd, unsigned id, unsigned intervalMs, TTimerProc proc) {
  if (!IsWindow(wnd)) return 0;
  if (intervalMs < kMinimumTimerInterval) intervalMs = kMinimumTimerInterval;
  TTimerEntry* t = FindTimer(wnd, id);
  if (t == nullptr) {
    WS().Timers.push_back(TTimerEntry{});
    t = &WS().Timers.back();
  }
  t->Wnd = wnd;
  t->Id = id;
  t->Interval = intervalMs;
  t->Start = GetTickCount();
  t->Proc = std::move(proc);
  return id;
}

bool KillTimer(HWND wnd, unsigned id) {
  auto& ws = WS();
  auto it = std::find_if(ws.Timers.begin(), ws.Timers.end(),
                         [&](const TTimerEntry& t) { return t.Wnd == wnd && t.Id == id; });
  if (it == ws.Timers.end()) return false;
  ws.Timers.erase(it);
  // A WM_TIMER already queued for it must not arrive after the kill.
  std::erase_if(ws.Queue, [&](const TMsg& m) {
    return m.hwnd == wnd && m.message == WM_TIMER && static_cast<unsigned>(m.wParam) == id;
  });
  return true;
}

int FireDueTimers() {
  auto& ws = WS();
  std::uint32_t now = GetTickCount();
  int count = 0;
  for (auto& t : ws.Timers) {
    if (!TimerDue(t, now)) continue;
    ws.Queue.push_back(MakeTimerMsg(t, now));
    ++count;
  }
  return count;
}

int MillisecondsToNextTimer() {
  std::uint32_t now = GetTickCount();
  int best = -1;
  for (const auto& t : WS().Timers) {
    if (t.Queued) continue;
    std::uint32_t elapsed = now - t.Start;
    int left = elapsed >= t.Interval ? 0 : static_cast<int>(t.Interval - elapsed);
    if (best < 0 || left < best) best = left;
  }
  return best;
}
