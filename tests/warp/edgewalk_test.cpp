#include "warp/edgewalk.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/outlines.h"

namespace trellimap {
namespace {

using testing::Outline;

TEST(EdgeWalk, BentSideIsFollowedByArcLength) {
  Outline o({{0, 0, 1}, {3, 4, 0}, {3, 10, 1}, {20, 10, 1}, {20, 0, 1}, {0, 0, 1}});
  const SideLengthSet s = SideLengths(o.list);
  EXPECT_EQ(s.L1, 11.0);
  EXPECT_EQ(s.L2, 17.0);
  EXPECT_EQ(s.L3, 10.0);
  EXPECT_EQ(s.L4, 20.0);  // corner 4 back to the closing record
  const struct { double t, x, y; } cases[] = {{0, 0, 0}, {2.5, 1.5, 2}, {5, 3, 4}, {8, 3, 7}, {11, 3, 10}};
  for (const auto& c : cases) {
    double x = -1, y = -1;
    ASSERT_TRUE(PointOnSide(o.list, 1, c.t, x, y)) << c.t;
    EXPECT_EQ(x, c.x) << c.t;
    EXPECT_EQ(y, c.y) << c.t;
  }
  double x = 0, y = 0;
  ASSERT_TRUE(PointOnSide(o.list, 3, 2.5, x, y));  // side 3 runs from corner 3 towards corner 4
  EXPECT_EQ(x, 20.0);
  EXPECT_EQ(y, 7.5);
}

TEST(EdgeWalk, PointsBeyondTheSideOrOnMissingSidesAreNotFound) {
  Outline o({{0, 0, 1}, {10, 0, 1}, {10, 10, 1}});
  double x = 7, y = 9;
  EXPECT_FALSE(PointOnSide(o.list, 1, 10.5, x, y));
  EXPECT_FALSE(PointOnSide(o.list, 3, 0, x, y));
  EXPECT_EQ(x, 7);
  EXPECT_EQ(y, 9);
  EXPECT_TRUE(PointOnSide(o.list, 1, 10, x, y));
  EXPECT_EQ(x, 10);
}

TEST(EdgeWalk, RepeatedPointsGiveZeroLengthSegments) {
  // Side 1 starts with a repeat of corner 1; a zero-length side at t = 0
  // gives its first corner instead of dividing by zero.
  Outline o({{5, 5, 1}, {5, 5, 0}, {8, 9, 1}, {8, 9, 1}, {1, 1, 1}, {5, 5, 1}});
  double x = 0, y = 0;
  ASSERT_TRUE(PointOnSide(o.list, 1, 0, x, y));
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 5);
  ASSERT_TRUE(PointOnSide(o.list, 1, 2.5, x, y));
  EXPECT_EQ(x, 6.5);
  EXPECT_EQ(y, 7);
  EXPECT_EQ(SideLengths(o.list).L2, 0.0);
  ASSERT_TRUE(PointOnSide(o.list, 2, 0, x, y));
  EXPECT_EQ(x, 8);
  EXPECT_EQ(y, 9);
}

TEST(EdgeWalk, ExtremeCoordinatesStayDefined) {
  Outline o({{INT32_MIN, INT32_MIN, 1},
             {INT32_MAX, INT32_MAX, 1},
             {INT32_MAX, INT32_MIN, 1},
             {0, 0, 1},
             {INT32_MIN, INT32_MIN, 1}});
  const SideLengthSet s = SideLengths(o.list);
  EXPECT_NEAR(s.L1, std::sqrt(2.0) * 4294967295.0, 1.0);
  double x = 0, y = 0;
  ASSERT_TRUE(PointOnSide(o.list, 1, s.L1 / 2, x, y));
  EXPECT_NEAR(x, 0, 1);
  ASSERT_TRUE(PointOnSide(o.list, 1, s.L1, x, y));
  EXPECT_EQ(x, INT32_MAX);
}

}  // namespace
}  // namespace trellimap
