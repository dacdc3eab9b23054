#include "platform/base/exceptions.h"

#include <gtest/gtest.h>

TEST(Exceptions, HierarchyAndMessage) {
  try {
    throw EFOpenError(std::string("Cannot open file"));
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), "Cannot open file");
    EXPECT_STREQ(e.what(), "Cannot open file");
  }
  EXPECT_THROW(Abort(), EAbort);
}
