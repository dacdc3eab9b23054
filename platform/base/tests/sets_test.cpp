#include "platform/base/sets.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
enum TOption { opA, opB, opC, opLast = 63 };
using TOptions = TSet<TOption>;
}  // namespace

TEST(Sets, AlgebraAndIteration) {
  TOptions s{opC, opA};
  EXPECT_TRUE(s.Contains(opA));
  EXPECT_FALSE(s.Contains(opB));
  EXPECT_EQ(s.Count(), 2);

  EXPECT_EQ(s + TOptions{opB}, (TOptions{opA, opB, opC}));
  EXPECT_EQ(s * (TOptions{opC, opB}), TOptions{opC});
  EXPECT_EQ(s - TOptions{opA}, TOptions{opC});
  EXPECT_TRUE(TOptions{opA}.IsSubsetOf(s));
  EXPECT_FALSE(TOptions{opB}.IsSubsetOf(s));

  s.Include(opLast).Exclude(opC);
  std::vector<TOption> seen(s.begin(), s.end());
  EXPECT_EQ(seen, (std::vector<TOption>{opA, opLast}));
  EXPECT_TRUE(TOptions{}.Empty());
}
