#include "workspace/pointlist.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

TEST(PointList, ParsesCornersAndIntermediatePoints) {
  const auto points = ParsePointList(" 10,20  -3,4,i 7,-8 ");
  ASSERT_TRUE(points);
  ASSERT_EQ(points->size(), 3u);
  EXPECT_EQ((*points)[0].x, 10);
  EXPECT_EQ((*points)[0].button, MouseButton::Left);
  EXPECT_EQ((*points)[1].x, -3);
  EXPECT_EQ((*points)[1].button, MouseButton::Right);
  EXPECT_EQ((*points)[2].y, -8);
  EXPECT_TRUE(ParsePointList("")->empty());
  for (const char* bad : {"10", "10,", "a,b", "1,2,x", "1,2,3", "99999999999,1"})
    EXPECT_FALSE(ParsePointList(bad)) << bad;
}

// Any list of presses written as text reads back as the same presses.
TEST(PointList, WrittenListsReadBack) {
  std::mt19937 random(9);
  std::uniform_int_distribution<int32_t> coordinate(INT32_MIN, INT32_MAX);
  for (int round = 0; round < 200; ++round) {
    std::vector<PointPress> points(static_cast<size_t>(round % 12));
    for (PointPress& p : points)
      p = {coordinate(random) >> (round % 31), coordinate(random),
           random() % 2 ? MouseButton::Right : MouseButton::Left};
    const std::string text = FormatPointList(points);
    const auto back = ParsePointList(text);
    ASSERT_TRUE(back) << text;
    ASSERT_EQ(back->size(), points.size()) << text;
    for (size_t i = 0; i < points.size(); ++i) {
      EXPECT_EQ((*back)[i].x, points[i].x) << text;
      EXPECT_EQ((*back)[i].y, points[i].y) << text;
      EXPECT_EQ((*back)[i].button, points[i].button) << text;
    }
  }
  EXPECT_EQ(FormatPointList({{1, -2, MouseButton::Left}, {30, 4, MouseButton::Right}}), "1,-2 30,4,i");
}

}  // namespace
}  // namespace trellimap
