// TTimer: a component that calls OnTimer every Interval milliseconds while
// Enabled, through a timer of a hidden message-only window.
//
// The ticks come through the message queue (message_queue.h), so OnTimer
// runs only while a message loop runs, and tests drive it with the test
// clock. An Interval of 0 counts as the system's minimum of 10 ms. An
// exception from OnTimer goes up through the message loop to the
// application's HandleException. GUI thread only.
#pragma once

#include "platform/base/component.h"
#include "platform/gui/messages.h"

class TTimer : public TComponent {
  MEBRATH_CLASS(TTimer, TComponent)
 public:
  // True by default; switching on starts a new interval.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // 1000 ms by default; a change starts a new interval.
  unsigned Interval() const { return FInterval; }
  void SetInterval(unsigned value);

  TNotifyEvent OnTimer;

 protected:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  void BeforeDestruction() override;
  // Fires OnTimer.
  virtual void Timer();

 private:
  void UpdateTimer();
  void ReleaseWindow();

  HWND FWindow = nullptr;
  bool FEnabled = true;
  unsigned FInterval = 1000;
};
