#include "platform/base/currency.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/base/exceptions.h"

namespace {

Currency C(std::int64_t scaled) { return Currency::FromScaled(scaled); }

TEST(CurrencyTest, FromDoubleRoundsDecimalTextHalfToEven) {
  const struct {
    double Value;
    std::int64_t Scaled;
  } cases[] = {
      {0, 0},
      {1.5, 15000},
      {0.00005, 0},
      {0.00015, 2},  // the double is a hair below 0.00015
      {0.00025, 2},
      {0.00035, 4},
      {-0.00015, -2},
      {1.00005, 10000},
      {2.675, 26750},
      {0.12344999, 1234},
      {1e-20, 0},
      {123456789.12345, 1234567891234},
      {922337203685477.5, 9223372036854775000},
      {-922337203685477.5, -9223372036854775000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Currency(c.Value).Scaled(), c.Scaled) << c.Value;
  }
  for (double bad : {1e15, -1e15, 1e300, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(Currency{bad}, EIntOverflow) << bad;
  }
}

TEST(CurrencyTest, ArithmeticRoundsHalfToEven) {
  EXPECT_EQ(Currency(2) + C(5), C(20005));
  EXPECT_EQ(C(5) - Currency(1), C(-9995));
  EXPECT_EQ(C(15000) * C(15000), C(22500));
  // 0.0001 * 0.5 = 0.00005 -> 0; 0.0003 * 0.5 = 0.00015 -> 0.0002
  EXPECT_EQ(C(1) * C(5000), C(0));
  EXPECT_EQ(C(3) * C(5000), C(2));
  EXPECT_EQ(C(-3) * C(5000), C(-2));
  EXPECT_EQ(C(5) * C(5000), C(2));
  EXPECT_EQ(Currency(1) / Currency(3), C(3333));
  EXPECT_EQ(Currency(2) / Currency(3), C(6667));
  EXPECT_EQ(C(1) / Currency(2), C(0));
  EXPECT_EQ(C(3) / Currency(-2), C(-2));
  EXPECT_EQ(-C(5), C(-5));
  EXPECT_LT(C(-1), C(0));
}

TEST(CurrencyTest, OverflowAndDivisionByZero) {
  const Currency largest = C(std::numeric_limits<std::int64_t>::max());
  const Currency smallest = C(std::numeric_limits<std::int64_t>::min());
  EXPECT_THROW(largest + C(1), EIntOverflow);
  EXPECT_THROW(smallest - C(1), EIntOverflow);
  EXPECT_THROW(-smallest, EIntOverflow);
  EXPECT_THROW(largest * Currency(2), EIntOverflow);
  EXPECT_THROW(largest / C(5000), EIntOverflow);
  EXPECT_EQ(largest * Currency(1), largest);
  EXPECT_THROW(Currency(1) / Currency(), EZeroDivide);
}

}  // namespace
