#include "platform/base/scope_guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace {

// Records the bracket; EndUpdate throws when asked to.
struct TBracket {
  std::string Log;
  bool ThrowOnEnd = false;
  void BeginUpdate() { Log += "begin "; }
  void EndUpdate() {
    Log += "end ";
    if (ThrowOnEnd) throw std::runtime_error("end");
  }
};

}  // namespace

TEST(ScopeGuard, StateComesBackOnReturnAndOnThrow) {
  for (const bool fail : {false, true}) {
    SCOPED_TRACE(fail ? "thrown" : "returned");
    bool flag = false;
    bool nestedFlag = true;
    int depth = 2;
    std::string text = "before";
    int exits = 0;
    try {
      TFlagGuard raised(flag);
      TFlagGuard again(nestedFlag);
      TDepthGuard deeper(depth);
      TValueGuard value(text, std::string("during"));
      TScopeExit exit([&] { ++exits; });
      EXPECT_TRUE(flag);
      EXPECT_EQ(depth, 3);
      EXPECT_EQ(text, "during");
      EXPECT_EQ(value.Saved(), "before");
      if (fail) throw std::runtime_error("body");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(flag);
    EXPECT_TRUE(nestedFlag);  // back to what it was, not cleared
    EXPECT_EQ(depth, 2);
    EXPECT_EQ(text, "before");
    EXPECT_EQ(exits, 1);
  }
}

TEST(ScopeGuard, UpdateBracketPassesOnlyTheFirstException) {
  struct TCase {
    bool BodyThrows, EndThrows;
    const char* Caught;
  };
  for (const TCase& c : {TCase{false, false, ""}, TCase{true, false, "body"},
                         TCase{false, true, "end"}, TCase{true, true, "body"}}) {
    TBracket bracket;
    bracket.ThrowOnEnd = c.EndThrows;
    std::string caught;
    try {
      TUpdateGuard guard(bracket);
      if (c.BodyThrows) throw std::runtime_error("body");
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    EXPECT_EQ(bracket.Log, "begin end ");
    EXPECT_EQ(caught, c.Caught) << c.BodyThrows << c.EndThrows;
  }
}

TEST(ScopeGuard, FinallyRunsOnceAndPassesOnlyTheFirstException) {
  struct TCase {
    bool BodyThrows, ActionThrows;
    const char* Caught;
  };
  for (const TCase& c : {TCase{false, false, ""}, TCase{true, false, "body"},
                         TCase{false, true, "action"}, TCase{true, true, "body"}}) {
    int runs = 0;
    std::string caught;
    try {
      TFinallyGuard restore([&] {
        ++runs;
        if (c.ActionThrows) throw std::runtime_error("action");
      });
      if (c.BodyThrows) throw std::runtime_error("body");
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(caught, c.Caught) << c.BodyThrows << c.ActionThrows;
    // RunFinally the same, also where it runs in a destructor while
    // another exception is on its way ("outer").
    for (const bool unwinding : {false, true}) {
      runs = 0;
      caught.clear();
      std::string inner;
      auto run = [&] {
        try {
          RunFinally(
              [&] {
                if (c.BodyThrows) throw std::runtime_error("body");
              },
              [&] {
                ++runs;
                if (c.ActionThrows) throw std::runtime_error("action");
              });
        } catch (const std::runtime_error& e) {
          inner = e.what();
        }
      };
      struct TRunOnExit {
        std::function<void()> Run;
        ~TRunOnExit() { Run(); }
      };
      try {
        if (unwinding) {
          TRunOnExit exit{run};
          throw std::runtime_error("outer");
        }
        run();
      } catch (const std::runtime_error& e) {
        caught = e.what();
      }
      EXPECT_EQ(runs, 1);
      EXPECT_EQ(inner, c.Caught) << c.BodyThrows << c.ActionThrows << unwinding;
      EXPECT_EQ(caught, unwinding ? "outer" : "") << c.BodyThrows << c.ActionThrows;
    }
  }
}
