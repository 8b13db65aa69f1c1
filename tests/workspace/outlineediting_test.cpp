#include "workspace/outlineediting.h"

#include <gtest/gtest.h>

#include <tuple>

#include "foundation/outlinepoint.h"
#include "tests/support/outlines.h"

namespace trellimap {
namespace {

struct OutlineUnderTest {
  TOutlinePoint* current = nullptr;
  TDynaArray list{sizeof(TOutlinePoint), &current};
  int32_t corners = 0;

  PressEffect Press(MouseButton b, int32_t x = 0, int32_t y = 0) { return PressOnOutline(list, corners, b, x, y); }
  TOutlinePoint At(uint32_t i) { return *static_cast<TOutlinePoint*>(list.GetObject(i)); }
};

TEST(OutlineEditing, FollowsThePressTable) {
  OutlineUnderTest o;
  EXPECT_EQ(o.Press(MouseButton::Right, 1, 2), PressEffect::Added);  // the first point is a corner
  EXPECT_TRUE(o.At(0).iscorner);
  EXPECT_EQ(o.corners, 1);
  EXPECT_EQ(o.Press(MouseButton::Middle, 3, 4), PressEffect::Added);  // bends side 1
  EXPECT_FALSE(o.At(1).iscorner);
  EXPECT_EQ(o.Press(MouseButton::Left, 5, 6), PressEffect::Added);
  EXPECT_EQ(o.Press(MouseButton::Right), PressEffect::Ignored);  // side 2 stays straight
  EXPECT_EQ(o.list.count, 3u);
  EXPECT_EQ(o.Press(MouseButton::Left, 7, 8), PressEffect::Added);
  EXPECT_EQ(o.Press(MouseButton::Right, 9, 9), PressEffect::Added);  // bends side 3
  EXPECT_EQ(o.corners, 3);
  EXPECT_EQ(o.Press(MouseButton::Left, 10, 11), PressEffect::Completed);
  EXPECT_EQ(o.corners, 4);
  ASSERT_EQ(o.list.count, 7u);  // one more than pressed: the closing record
  const TOutlinePoint closing = o.At(6);
  EXPECT_EQ(closing.x, 1);
  EXPECT_EQ(closing.y, 2);
  EXPECT_TRUE(closing.iscorner);

  // A press on a complete outline starts a new one.
  EXPECT_EQ(o.Press(MouseButton::Middle, 20, 21), PressEffect::Added);
  EXPECT_EQ(o.list.count, 1u);
  EXPECT_EQ(o.corners, 1);
  EXPECT_EQ(o.At(0).x, 20);
  EXPECT_TRUE(o.At(0).iscorner);
}

TEST(OutlineEditing, ImpossibleCornerCountsStartOver) {
  for (int32_t bad : {-3, 5, 99}) {
    OutlineUnderTest o;
    testing::FillOutline(o.list, {{1, 1, true}, {2, 2, true}});
    o.corners = bad;
    o.Press(MouseButton::Left, 4, 4);
    EXPECT_EQ(o.list.count, 1u);
    EXPECT_EQ(o.corners, 1);
  }
}

// Moving and taking back points of an outline, open or complete.
TEST(OutlineEditing, PointsAreMovedAndRemovedInPlace) {
  OutlineUnderTest o;
  for (const auto& [b, x, y] : {std::tuple{MouseButton::Left, 10, 10},
                                {MouseButton::Right, 30, 5},
                                {MouseButton::Left, 50, 10},
                                {MouseButton::Left, 50, 40},
                                {MouseButton::Left, 10, 40}})
    o.Press(b, x, y);
  ASSERT_EQ(o.list.count, 6u);

  MovePoint(o.list, o.corners, 1, 31, 2);  // keeps its kind
  EXPECT_EQ(o.At(1).x, 31);
  EXPECT_FALSE(o.At(1).iscorner);
  MovePoint(o.list, o.corners, 5, 12, 13);  // the closing record moves corner 1 along
  EXPECT_EQ(o.At(0).x, 12);
  EXPECT_EQ(o.At(5).y, 13);
  MovePoint(o.list, o.corners, 9, 0, 0);  // no such point: nothing happens
  EXPECT_EQ(o.list.count, 6u);

  EXPECT_TRUE(RemoveLastPoint(o.list, o.corners));  // corner 4 and the closing record: open again
  EXPECT_EQ(o.corners, 3);
  EXPECT_EQ(o.list.count, 4u);
  o.Press(MouseButton::Right, 30, 40);
  EXPECT_TRUE(RemoveLastPoint(o.list, o.corners));  // an intermediate point leaves the count alone
  EXPECT_EQ(o.corners, 3);
  while (RemoveLastPoint(o.list, o.corners)) {
  }
  EXPECT_EQ(o.corners, 0);
  EXPECT_EQ(o.list.count, 0u);
}

// Only a point that bends a side can be removed from its place: corners, the
// closing record and indexes outside the list stay.
TEST(OutlineEditing, OnlyBendPointsAreRemovedFromTheirPlace) {
  OutlineUnderTest o;
  for (const auto& [b, x, y] : {std::tuple{MouseButton::Left, 10, 10},
                                {MouseButton::Right, 30, 5},
                                {MouseButton::Left, 50, 10},
                                {MouseButton::Left, 50, 40},
                                {MouseButton::Right, 30, 45},
                                {MouseButton::Left, 10, 40}})
    o.Press(b, x, y);
  ASSERT_EQ(o.list.count, 7u);
  for (const int32_t stays : {-1, 0, 2, 3, 5, 6, 7}) {
    EXPECT_FALSE(RemoveBendPoint(o.list, o.corners, stays)) << stays;
    EXPECT_EQ(o.list.count, 7u) << stays;
  }
  EXPECT_TRUE(RemoveBendPoint(o.list, o.corners, 4));
  EXPECT_TRUE(RemoveBendPoint(o.list, o.corners, 1));
  EXPECT_EQ(o.list.count, 5u);
  EXPECT_EQ(o.corners, 4);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_TRUE(o.At(i).iscorner) << i;
  EXPECT_EQ(o.At(4).x, 10);  // the closing record still closes the outline
}

}  // namespace
}  // namespace trellimap
