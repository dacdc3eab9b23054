#include "platform/gui/timer.h"

#include "platform/gui/message_queue.h"
#include "platform/gui/window.h"

namespace {
constexpr unsigned kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) { UpdateTimer(); }

TTimer::~TTimer() { ReleaseWindow(); }

void TTimer::BeforeDestruction() {
  ReleaseWindow();
  TComponent::BeforeDestruction();
}

void TTimer::ReleaseWindow() {
  if (FWindow == nullptr) return;
  HWND wnd = FWindow;
  FWindow = nullptr;
  DestroyWindow(wnd);  // kills its timer and drops its queued WM_TIMER
}

void TTimer::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
  if (value == FInterval) return;
  FInterval = value;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  if (FWindow != nullptr) KillTimer(FWindow, kTimerId);
  if (!FEnabled) return;
  if (FWindow == nullptr) {
    TWndCreateInfo info;
    info.MessageOnly = true;
    info.WndProc = [this](HWND wnd, TMessage& m) {
      if (m.Msg == WM_TIMER) {
        Timer();
        return;
      }
      DefWindowProc(wnd, m);
    };
    FWindow = CreateWindowEx(info);
  }
  SetTimer(FWindow, kTimerId, FInterval);
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}
