#include "fractal/escape.h"

#include <gtest/gtest.h>

namespace {

TEST(EscapeCount, PointsOfTheSetReachTheLimitPlusOne) {
  EXPECT_EQ(EscapeCount(0, 0, 150), 151);
  EXPECT_EQ(EscapeCount(-1, 0, 150), 151);
  EXPECT_EQ(EscapeCount(0, 1, 150), 151);
  // The orbit of -2 sits at 2 with squared modulus exactly 4, which never escapes.
  EXPECT_EQ(EscapeCount(-2, 0, 150), 151);
}

TEST(EscapeCount, TheStartingPointIsNeverTestedAndTheTestIsStrict) {
  EXPECT_EQ(EscapeCount(3, 0, 150), 2);
  EXPECT_EQ(EscapeCount(2, 0, 150), 2);
  // z2 = 2 has squared modulus exactly 4 and stays; z3 = 5 escapes.
  EXPECT_EQ(EscapeCount(1, 0, 150), 3);
  EXPECT_EQ(EscapeCount(0.5, 0, 150), 5);
  EXPECT_EQ(EscapeCount(0.26, 0, 150), 30);
  EXPECT_EQ(EscapeCount(-1, -1, 150), 3);
}

TEST(EscapeCount, SmallLimits) {
  for (int limit : {1, 0, -7}) {
    EXPECT_EQ(EscapeCount(0, 0, limit), 2);
    EXPECT_EQ(EscapeCount(5, 5, limit), 2);
  }
  EXPECT_EQ(EscapeCount(3, 0, 2), 2);  // z2 escapes
  EXPECT_EQ(EscapeCount(0, 0, 2), 3);  // z2 stays
  EXPECT_EQ(EscapeCount(1, 0, 2), 3);  // z2 on the circle stays
}

TEST(WrapModulo, FoldsOnlyValuesAboveTheModulus) {
  EXPECT_EQ(WrapModulo(151, 250), 151);
  EXPECT_EQ(WrapModulo(0, 250), 0);
  EXPECT_EQ(WrapModulo(250, 250), 250);
  EXPECT_EQ(WrapModulo(251, 250), 1);
  EXPECT_EQ(WrapModulo(500, 250), 0);
  EXPECT_EQ(WrapModulo(7, 0), 7);  // no division by zero
}

}  // namespace
