#include "platform/base/text.h"

#include <gtest/gtest.h>

TEST(Text, CopyPosDeleteInsertCountCharacters) {
  const std::string s = "Иванова Ёлка";
  EXPECT_EQ(Length(s), 12);
  EXPECT_EQ(Copy(s, 9, 4), "Ёлка");
  EXPECT_EQ(Pos("Ёлка", s), 9);
  std::string t = s;
  Delete(t, 1, 8);
  EXPECT_EQ(t, "Ёлка");
  Insert("ё", t, 2);
  EXPECT_EQ(t, "Ёёлка");
}
