#include "platform/gui/timer.h"

#include <gtest/gtest.h>

#include "gui_test_support.h"

namespace {

class TimerTest : public GuiTest {
 protected:
  TimerTest() {
    Timer = Create<TTimer>(nullptr);
    Timer->OnTimer = [this](TObject* sender) {
      EXPECT_EQ(sender, Timer);
      ++Ticks;
    };
  }
  ~TimerTest() override {
    if (Timer) Timer->Free();
  }
  int Run(std::uint32_t ms) {
    Advance(ms);
    int before = Ticks;
    Application->ProcessMessages();
    return Ticks - before;
  }
  TTimer* Timer = nullptr;
  int Ticks = 0;
};

TEST_F(TimerTest, TicksEveryIntervalWhileEnabled) {
  EXPECT_TRUE(Timer->Enabled());
  EXPECT_EQ(Timer->Interval(), 1000u);
  EXPECT_EQ(Run(999), 0);
  EXPECT_EQ(Run(1), 1);
  EXPECT_EQ(Run(500), 0);
  EXPECT_EQ(Run(500), 1);
  // A new interval starts counting afresh.
  EXPECT_EQ(Run(150), 0);
  Timer->SetInterval(200);
  EXPECT_EQ(Run(199), 0);
  EXPECT_EQ(Run(1), 1);
  Timer->SetEnabled(false);
  EXPECT_EQ(Run(1000), 0);
  Timer->SetEnabled(true);
  EXPECT_EQ(Run(199), 0);
  EXPECT_EQ(Run(1), 1);
}

TEST_F(TimerTest, ZeroIntervalIsTheMinimumAndFreeingStopsIt) {
  Timer->SetInterval(0);
  EXPECT_EQ(Run(9), 0);
  EXPECT_EQ(Run(1), 1);
  EXPECT_EQ(Run(10), 1);
  // A tick already queued goes with the timer.
  Advance(10);
  FireDueTimers();
  Timer->Free();
  Timer = nullptr;
  EXPECT_EQ(Run(100), 0);
}

TEST_F(TimerTest, AnExceptionFromOnTimerReachesTheApplication) {
  Timer->SetInterval(10);
  Timer->OnTimer = [](TObject*) { throw EInvalidOperation("boom"); };
  Run(10);
  EXPECT_EQ(Boxes, std::vector<std::string>{"Test: boom."});
  Boxes.clear();
  EXPECT_EQ(Run(10), 0);
  EXPECT_EQ(Boxes.size(), 1u) << "the timer keeps running";
}

}  // namespace
