#include "render/foundoutline.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/support/outlines.h"

namespace trellimap {
namespace {

// A found page replaces whatever outline the side had (complete, open, none)
// by the page's points rounded to pixels, complete with its closing record;
// the other side is left alone.
TEST(FoundOutline, BecomesTheSidesCompleteOutlineAsClicksPlaceIt) {
  const PageOutline curved{{{{10.4, 20.6}, true},
                            {{50.5, 15.2}, false},
                            {{90.5, 22.0}, true},
                            {{95.0, 180.49}, true},
                            {{50.0, 190.7}, false},
                            {{8.0, 178.0}, true}},
                           0.9};
  const PageOutline plain{{{{-3.5, -0.5}, true}, {{40.0, 0.0}, true}, {{40.0, 30.0}, true}, {{0.0, 30.0}, true}}, 0.5};
  // A bending point on the pixel of the corner before it is no point of its own; one a pixel away is.
  const PageOutline close{{{{0.0, 0.0}, true},
                           {{0.4, 0.3}, false},
                           {{20.0, 0.0}, true},
                           {{20.0, 9.0}, true},
                           {{20.3, 9.6}, false},
                           {{0.0, 9.0}, true}},
                          0.5};
  const struct {
    const char* what;
    const PageOutline& page;
    std::vector<testing::PointSpec> before;
    int32_t cornersBefore;
    std::vector<testing::PointSpec> expected;
  } cases[] = {
      {"bent top and bottom over a complete outline",
       curved,
       {{1, 1, true}, {9, 1, true}, {9, 9, true}, {1, 9, true}, {1, 1, true}},
       4,
       {{10, 21, true},
        {50, 15, false},
        {90, 22, true},
        {95, 180, true},
        {50, 191, false},
        {8, 178, true},
        {10, 21, true}}},
      {"straight, halves to even, over an open outline",
       plain,
       {{5, 5, true}, {7, 5, false}},
       1,
       {{-4, 0, true}, {40, 0, true}, {40, 30, true}, {0, 30, true}, {-4, 0, true}}},
      {"a bending point on its corner's pixel",
       close,
       {},
       0,
       {{0, 0, true}, {20, 0, true}, {20, 9, true}, {20, 10, false}, {0, 9, true}, {0, 0, true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const size_t s : {size_t{0}, size_t{1}}) {
      Workspace ws;
      testing::FillOutline(ws.Side(s).outline, c.before);
      ws.Side(s).corners = c.cornersBefore;
      testing::FillOutline(ws.Side(1 - s).outline, {{3, 4, true}});
      ws.Side(1 - s).corners = 1;
      PlaceFoundOutline(ws.Side(s), c.page);
      EXPECT_EQ(ws.Side(s).corners, 4);
      const TDynaArray& list = ws.Side(s).outline;
      ASSERT_EQ(list.count, c.expected.size());
      for (uint32_t i = 0; i < list.count; ++i) {
        EXPECT_EQ(PointAt(list, i).x, c.expected[i].x) << i;
        EXPECT_EQ(PointAt(list, i).y, c.expected[i].y) << i;
        EXPECT_EQ(PointAt(list, i).iscorner, c.expected[i].corner) << i;
      }
      EXPECT_EQ(ws.Side(1 - s).outline.count, 1u);
      EXPECT_EQ(ws.Side(1 - s).corners, 1);
      // Its presses place it again as it is.
      Workspace again;
      PlaceOutline(again.Side(s), OutlinePresses(std::as_const(ws).Side(s)));
      EXPECT_EQ(again.Side(s).corners, 4);
      ASSERT_EQ(again.Side(s).outline.count, list.count);
      for (uint32_t i = 0; i < list.count; ++i) {
        EXPECT_EQ(PointAt(again.Side(s).outline, i).x, PointAt(list, i).x) << i;
        EXPECT_EQ(PointAt(again.Side(s).outline, i).iscorner, PointAt(list, i).iscorner) << i;
      }
    }
  }
}

// The outline proposed where no page is found: a share of each side in from
// the edges, never past the middle, always on the picture.
TEST(FoundOutline, TheProposedOutlineLiesInsideThePicture) {
  const struct {
    int32_t w, h;
    int32_t left, top, right, bottom;
  } cases[] = {{100, 50, 2, 1, 97, 48}, {4000, 3000, 80, 60, 3919, 2939}, {1, 1, 0, 0, 0, 0}, {3, 2, 0, 0, 2, 1}};
  for (const auto& c : cases) {
    const std::vector<PointPress> presses = InsetPresses(c.w, c.h, kProposedInset);
    ASSERT_EQ(presses.size(), 4u);
    const int32_t expected[4][2] = {{c.left, c.top}, {c.right, c.top}, {c.right, c.bottom}, {c.left, c.bottom}};
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(presses[i].x, expected[i][0]) << c.w << " x " << c.h << ", corner " << i + 1;
      EXPECT_EQ(presses[i].y, expected[i][1]) << c.w << " x " << c.h << ", corner " << i + 1;
      EXPECT_EQ(presses[i].button, MouseButton::Left);
    }
  }
}

}  // namespace
}  // namespace trellimap
