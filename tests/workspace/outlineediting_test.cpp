#include "workspace/outlineediting.h"

#include <gtest/gtest.h>

#include "foundation/outlinepoint.h"
#include "tests/warp/outlines.h"

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

}  // namespace
}  // namespace trellimap
