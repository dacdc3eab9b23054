#include "register/core/number_text.h"

#include <gtest/gtest.h>

TEST(NumberText, SnilsCheck) {
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

TEST(NumberText, PaddingAndDigits) {
  EXPECT_EQ(PadLeft("42", 7, U'0'), "0000042");
  EXPECT_EQ(PadLeft("Ёж", 4, U'*'), "**Ёж");
  EXPECT_EQ(PadLeft("12345", 3, U'0'), "12345");
  EXPECT_EQ(DigitsOnly("А 12-3б4"), "1234");
}
