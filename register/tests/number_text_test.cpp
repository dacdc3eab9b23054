#include "register/message_boxes.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/base/clock.h"

TEST(RegisterUtils, SnilsCheck) {
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {
      {"", true},                // optional
      {"112-233-445 95", true},  // weighted sum 95
      {"11223344595", true},
      {"112-233-445 94", false},
      {"1122334459", false},    // ten digits
      {"112233445950", false},  // twelve digits
      {"---", true},            // no digits at all counts as empty
      // Weighted sum 101 needs the check digits 00: 9*9+2*8+1*4 = 101.
      {"920001000 00", true},
      {"920001000 01", false},
      // Sum 100 also gives 00: 9*9+1*8+1*7+1*4 = 100.
      {"911001000 00", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidSnils(c.text), c.valid) << c.text;
  }
}

TEST(RegisterUtils, MonthBoundariesAndPadding) {
  EXPECT_EQ(LastDayOfMonth(2, 2008), EncodeDate(2008, 2, 29));
  EXPECT_EQ(LastDayOfMonth(2, 2009), EncodeDate(2009, 2, 28));
  EXPECT_EQ(LastDayOfMonth(12, 2009), EncodeDate(2009, 12, 31));
  EXPECT_EQ(FirstDayOfMonth(7, 2010), EncodeDate(2010, 7, 1));
  TScopedClock clock(EncodeDate(2026, 3, 4) + 0.25);
  EXPECT_EQ(LastDayOfMonth(13, 2008), EncodeDate(2026, 3, 4) + 0.25);
  EXPECT_EQ(FirstDayOfMonth(0, 2008), EncodeDate(2026, 3, 4) + 0.25);

  EXPECT_EQ(PadLeft("42", 7, U'0'), "0000042");
  EXPECT_EQ(PadLeft("Ёж", 4, U'*'), "**Ёж");
  EXPECT_EQ(PadLeft("12345", 3, U'0'), "12345");
  EXPECT_EQ(DigitsOnly("А 12-3б4"), "1234");
}

TEST(RegisterUtils, VersionBlock) {
  EXPECT_EQ(GetVersionValue("InternalName"), "Mebrath");
  EXPECT_EQ(GetVersionValue("Unknown"), "");
  const std::string version = GetFileVersion();
  EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos);
  EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 3);
}
