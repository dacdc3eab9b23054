#include "register/program_version.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(ProgramVersion, VersionBlock) {
  EXPECT_EQ(GetVersionValue("InternalName"), "Mebrath");
  EXPECT_EQ(GetVersionValue("Unknown"), "");
  const std::string version = GetFileVersion();
  EXPECT_EQ(version.find_first_not_of("0123456789."), std::string::npos);
  EXPECT_EQ(std::count(version.begin(), version.end(), '.'), 3);
}
