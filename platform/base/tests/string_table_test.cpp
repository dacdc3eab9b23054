#include "platform/base/string_table.h"

#include <gtest/gtest.h>

namespace {
// Registered from a static initializer, as subsystems do.
const bool kRegistered = RegisterResourceStrings({{9001, "Готово"}, {9002, "Ошибка"}});
}  // namespace

TEST(StringTable, RegisteredOverriddenAndUnknown) {
  ASSERT_TRUE(kRegistered);
  EXPECT_EQ(LoadStr(9001), "Готово");
  EXPECT_EQ(ResStr(9002), "Ошибка");
  EXPECT_EQ(LoadStr(9999), "");

  RegisterResourceStrings({{9002, "Сбой"}});
  EXPECT_EQ(LoadStr(9002), "Сбой");

  SetResourceStringOverride([](int id) -> std::optional<std::string> {
    if (id == 9001) return "Done";
    return std::nullopt;
  });
  EXPECT_EQ(LoadStr(9001), "Done");
  EXPECT_EQ(LoadStr(9002), "Сбой");  // the hook declined
  SetResourceStringOverride(nullptr);
  EXPECT_EQ(LoadStr(9001), "Готово");
}
