#include "platform/base/math_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/base/exceptions.h"

namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(MathUtils, RoundingToIntegers) {
  const struct {
    double Value;
    std::int64_t Round, Trunc, Floor, Ceil;
  } cases[] = {
      {0.0, 0, 0, 0, 0},
      {2.5, 2, 2, 2, 3},
      {3.5, 4, 3, 3, 4},
      {-2.5, -2, -2, -3, -2},
      {-3.5, -4, -3, -4, -3},
      {2.4999, 2, 2, 2, 3},
      {-0.6, -1, 0, -1, 0},
      {1e15 + 0.5, 1000000000000000, 1000000000000000, 1000000000000000, 1000000000000001},
      {-9223372036854775808.0, INT64_MIN, INT64_MIN, INT64_MIN, INT64_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Round(c.Value), c.Round) << c.Value;
    EXPECT_EQ(Trunc(c.Value), c.Trunc) << c.Value;
    EXPECT_EQ(Floor(c.Value), c.Floor) << c.Value;
    EXPECT_EQ(Ceil(c.Value), c.Ceil) << c.Value;
    std::int64_t truncated = 7;
    EXPECT_TRUE(TryTrunc(c.Value, truncated) && truncated == c.Trunc) << c.Value;
  }
  for (double bad : {kNan, kInf, -kInf, 9223372036854775808.0, -9.3e18}) {
    EXPECT_THROW(Round(bad), EInvalidOp) << bad;
    EXPECT_THROW(Trunc(bad), EInvalidOp) << bad;
    EXPECT_THROW(Floor(bad), EInvalidOp) << bad;
    EXPECT_THROW(Ceil(bad), EInvalidOp) << bad;
    std::int64_t kept = 7;
    EXPECT_FALSE(TryTrunc(bad, kept)) << bad;
    EXPECT_EQ(kept, 7);
  }
  EXPECT_EQ(Int(-2.7), -2.0);
  EXPECT_EQ(Int(1e300), 1e300);
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_EQ(Frac(5.0), 0.0);
}

TEST(MathUtils, Powers) {
  EXPECT_EQ(Power(2, 10), 1024);
  EXPECT_EQ(Power(-2, 3), -8);
  EXPECT_EQ(Power(kNan, 0), 1);
  EXPECT_EQ(Power(0, 2), 0);
  EXPECT_DOUBLE_EQ(Power(4, 0.5), 2);
  EXPECT_EQ(IntPower(10, -2), 0.01);
  EXPECT_EQ(IntPower(10, 22), 1e22);
  EXPECT_EQ(IntPower(-3, 3), -27);
  EXPECT_THROW(Power(-8, 1.0 / 3), EInvalidOp);
  EXPECT_THROW(Power(0, -1), EZeroDivide);
  EXPECT_THROW(IntPower(0, -2), EZeroDivide);
  EXPECT_THROW(Power(10, 400), EOverflow);
  EXPECT_THROW(IntPower(10, 400), EOverflow);
}

TEST(MathUtils, MulDiv) {
  const struct {
    int A, B, C, Expected;
  } cases[] = {
      {10, 10, 3, 33},
      {10, 10, 6, 17},
      {5, 1, 2, 3},
      {-5, 1, 2, -3},
      {5, -1, 2, -3},
      {5, 1, -2, -3},
      {-5, -1, -2, -3},
      {7, 1, 4, 2},
      {100, 96, 72, 133},
      {2000000000, 2000000000, 2000000000, 2000000000},  // 64-bit intermediate
      {1, 1, 0, -1},
      {2000000000, 2, 1, -1},  // does not fit
      {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MulDiv(c.A, c.B, c.C), c.Expected) << c.A << "*" << c.B << "/" << c.C;
  }
}

}  // namespace
