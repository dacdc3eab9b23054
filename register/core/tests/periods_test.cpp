#include "register/core/periods.h"

#include <gtest/gtest.h>

#include "platform/base/clock.h"

TEST(Periods, MonthBoundaries) {
  EXPECT_EQ(LastDayOfMonth(2, 2008), EncodeDate(2008, 2, 29));
  EXPECT_EQ(LastDayOfMonth(2, 2009), EncodeDate(2009, 2, 28));
  EXPECT_EQ(LastDayOfMonth(12, 2009), EncodeDate(2009, 12, 31));
  EXPECT_EQ(FirstDayOfMonth(7, 2010), EncodeDate(2010, 7, 1));
  TScopedClock clock(EncodeDate(2026, 3, 4) + 0.25);
  EXPECT_EQ(LastDayOfMonth(13, 2008), EncodeDate(2026, 3, 4) + 0.25);
  EXPECT_EQ(FirstDayOfMonth(0, 2008), EncodeDate(2026, 3, 4) + 0.25);
}
