// Shared fixtures for the window-system tests: a test clock, a clean queue
// and a message box that records instead of showing.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/clock.h"
#include "platform/gui/forms.h"
#include "platform/gui/message_queue.h"
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

  std::vector<std::string> Boxes;
  std::uint32_t FNow = 1000;

 private:
  TScopedTickSource FTicks;
};
