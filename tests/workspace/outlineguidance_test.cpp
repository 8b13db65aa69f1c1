#include "workspace/outlineguidance.h"

#include <gtest/gtest.h>

#include "tests/support/outlines.h"

namespace trellimap {
namespace {

using testing::PointSpec;

std::vector<PointSpec> Closed(std::vector<PointSpec> corners) {
  corners.push_back(corners.front());
  return corners;
}

TEST(OutlineGuidance, SaysTheNextStepForEachCount) {
  Workspace ws;
  EXPECT_EQ(OutlineGuidance(1, ws.punkte1, 0), "Picture 1: click corner 1 of 4");
  EXPECT_EQ(OutlineGuidance(2, ws.punkte2, 1),
            "Picture 2: click corner 2 of 4; the right button adds a point that bends side 1");
  EXPECT_EQ(OutlineGuidance(1, ws.punkte1, 2), "Picture 1: click corner 3 of 4");
  EXPECT_EQ(OutlineGuidance(1, ws.punkte1, 3),
            "Picture 1: click corner 4 of 4; the right button adds a point that bends side 3");
  testing::FillOutline(ws.punkte1, Closed({{1, 1, true}, {9, 1, true}, {9, 9, true}, {1, 9, true}}));
  EXPECT_EQ(OutlineGuidance(1, ws.punkte1, 4),
            "Picture 1: outline complete; drag a point to adjust it, click elsewhere to start again");
}

TEST(OutlineGuidance, WarnsOfMirrorsBowTiesAndPointsOffThePicture) {
  Workspace ws;  // 320 × 200 pictures
  const std::vector<PointSpec> square = {{10, 10, true}, {50, 10, true}, {50, 50, true}, {10, 50, true}};
  const std::vector<PointSpec> mirrored = {{50, 10, true}, {10, 10, true}, {10, 50, true}, {50, 50, true}};
  const std::vector<PointSpec> bowTie = {{10, 10, true}, {50, 10, true}, {10, 50, true}, {50, 50, true}};
  const struct {
    std::vector<PointSpec> one, two;
    std::vector<std::string> expected;
  } cases[] = {
      {square, square, {}},
      {square, mirrored, {"The outlines turn in opposite directions: the results come out mirrored."}},
      {square, bowTie, {"The outline of picture 2 crosses itself."}},
      {{{10, 10, true}, {30, -4, false}, {50, 10, true}, {50, 50, true}, {10, 50, true}},
       square,
       {"A point of picture 1 lies outside the picture."}},
      {{{10, 10, true}, {30, 60, false}, {50, 10, true}, {50, 50, true}, {10, 50, true}},
       square,
       {"The outline of picture 1 crosses itself."}},  // a bent side crossing side 3
  };
  for (const auto& c : cases) {
    testing::FillOutline(ws.punkte1, Closed(c.one));
    testing::FillOutline(ws.punkte2, Closed(c.two));
    ws.ecken1 = ws.ecken2 = 4;
    EXPECT_EQ(OutlineWarnings(ws), c.expected);
  }
  testing::FillOutline(ws.punkte1, Closed(square));
  ws.ecken2 = 3;  // an open outline is neither mirrored nor crossed yet
  testing::FillOutline(ws.punkte2, {{50, 10, true}, {10, 10, true}, {10, 50, true}});
  EXPECT_TRUE(OutlineWarnings(ws).empty());
}

}  // namespace
}  // namespace trellimap
