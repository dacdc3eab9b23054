// Shared fixtures for the window-system tests: a test clock, a clean queue
// and a message box that records instead of showing.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/base/clock.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/draw/recording_canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/messages.h"
#include "platform/gui/services.h"

class GuiTest : public ::testing::Test {
 protected:
  GuiTest() : FTicks([this] { return FNow; }) {
    ClearMessageQueue();
    Application->ResetForTests();
    Application->SetTitle("Test");
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption, unsigned) {
      Boxes.push_back(caption + ": " + text);
      return IDOK;
    });
  }
  ~GuiTest() override {
    SetMessageBoxHandler(nullptr);
    ClearMessageQueue();
    Application->ResetForTests();
  }
  void Advance(std::uint32_t ms) { FNow += ms; }

  // Presses and releases `vk` through the host entry points with the
  // modifiers of `shift` held, then handles what it queued.
  void PressKey(unsigned vk, TShiftState shift = {}) {
    if (shift.Contains(ssShift)) HostKeyEvent(WM_KEYDOWN, VK_SHIFT);
    if (shift.Contains(ssCtrl)) HostKeyEvent(WM_KEYDOWN, VK_CONTROL);
    HostKeyEvent(WM_KEYDOWN, vk);
    HostKeyEvent(WM_KEYUP, vk);
    if (shift.Contains(ssCtrl)) HostKeyEvent(WM_KEYUP, VK_CONTROL);
    if (shift.Contains(ssShift)) HostKeyEvent(WM_KEYUP, VK_SHIFT);
    Application->ProcessMessages();
  }
  // Types `text` as characters, then handles what it queued.
  void TypeText(std::string_view text) {
    for (char32_t c : Utf8ToUtf32(text)) HostCharEvent(c);
    Application->ProcessMessages();
  }

  std::vector<std::string> Boxes;
  std::uint32_t FNow = 1000;

 private:
  TScopedTickSource FTicks;
};

// A desktop host that does nothing, for tests that want the core to run
// "with a host" (scrolling through it, bounds, cursors); tests override
// what they record. The screen is 1024 x 768 with a 28-pixel task bar.
class TNullHost : public IGuiHost {
 public:
  void CreateTopLevel(HWND) override {}
  void DestroyTopLevel(HWND) override {}
  void ShowTopLevel(HWND, int) override {}
  void SetTopLevelBounds(HWND, const TRect&) override {}
  void SetTopLevelCaption(HWND, const std::string&) override {}
  void ActivateTopLevel(HWND) override {}
  void InvalidateTopLevel(HWND, const TRect&) override {}
  void UpdateTopLevel(HWND) override {}
  TCanvas* TopLevelCanvas(HWND) override { return nullptr; }
  void FlushTopLevel(HWND, const TRect&) override {}
  void SetCursorShape(int) override {}
  void GrabMouse(HWND) override {}
  void ReleaseMouse() override {}
  TRect ScreenRect() override { return Rect(0, 0, 1024, 768); }
  TRect WorkAreaRect() override { return Rect(0, 0, 1024, 740); }
  TCanvas& MeasureCanvas() override { return FMeasure; }
  void WaitForEvents(int) override {}
  void Beep() override {}

 private:
  TRecordingCanvas FMeasure;
};

// Runs `run` (which shows a modal window) with `steps` taken one per idle
// pass inside its loop, and returns what `run` returns.
template <class Run>
auto RunModalSteps(std::deque<std::function<void()>> steps, const Run& run) {
  Application->OnIdle = [&steps](TObject*, bool& done) {
    if (steps.empty()) return;
    auto step = std::move(steps.front());
    steps.pop_front();
    step();
    done = false;
  };
  TScopeExit idleOff([] { Application->OnIdle = nullptr; });
  return run();
}
