// A page's shape as every stage reads it: where its sides meet, which of
// them bow as a bent page's do, and whether it may be a page at all.

#include <gtest/gtest.h>

#include <random>

#include "detect/tuning.h"
#include "tests/detect/stagepictures.h"

namespace trellimap {
namespace {

using testing::Bowed;
using testing::Box;
using testing::CornerError;
using testing::PageOf;

// Sides laid along a random convex quad's sides, their corners forgotten,
// meet again at the quad's corners.
TEST(Meets, FindsTheCornersAgain) {
  std::mt19937 random(17);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int round = 0; round < 50; ++round) {
    Quad quad = Box(40, 30, 200, 150);
    for (Vec& p : quad) p += Vec{15 * unit(random), 15 * unit(random)};
    Page page = PageOf(quad);
    for (Vec& c : page.corners) c = {0, 0};
    // The sides extend beyond their corners as fits leave them.
    for (SideCurve& side : page.sides) side.origin -= 20 * side.direction;
    ASSERT_TRUE(Meets(page));
    EXPECT_LT(CornerError(Corners(page), quad), 1e-6);
  }
  Page parallel = PageOf(Box(40, 30, 200, 150));
  parallel.sides[1] = BaseLine({10, 30}, {250, 30});
  EXPECT_FALSE(Meets(parallel));
}

TEST(Plausible, WantsAConvexClockwisePageOnThePicture) {
  const cv::Size size(240, 180);
  struct Case {
    const char* name;
    Quad quad;
    bool plausible;
  };
  const Case cases[] = {
      {"page", Box(40, 30, 200, 150), true},
      {"corner a little outside", Box(-8, 30, 200, 150), true},
      {"corner far outside", Box(-20, 30, 200, 150), false},
      {"anticlockwise", {{{40, 30}, {40, 150}, {200, 150}, {200, 30}}}, false},
      {"not convex", {{{40, 30}, {200, 30}, {110, 60}, {40, 150}}}, false},
      {"tiny", Box(40, 30, 60, 50), false},
      {"not a number", {{{40, 30}, {200, 30}, {200, 150}, {std::nan(""), 150}}}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(Plausible(PageOf(c.quad), size), c.plausible) << c.name;
}

// The fits' stretch leaves out a share of the side at either end: more for a
// straight side (rounded corners) than for a curved one.
TEST(Inner, LeavesOutTheEnds) {
  const Vec from{10, 20}, to{210, 20};
  const SideCurve straight = BaseLine(from, to), curved = Bowed(from, to, 3);
  const Stretch s = Inner(straight, from, to), c = Inner(curved, from, to);
  EXPECT_NEAR(s.t0, tuning::kCornerShare * 200, 1e-9);
  EXPECT_NEAR(s.t1, (1 - tuning::kCornerShare) * 200, 1e-9);
  EXPECT_NEAR(c.t0, tuning::kCurvedCornerShare * 200, 1e-9);
  EXPECT_NEAR(c.t1, (1 - tuning::kCurvedCornerShare) * 200, 1e-9);
}

// The pair that bows as a bent page's top and bottom do; a bow too slight,
// or so large that the side has strayed, bends nothing.
TEST(BentPair, FindsTheSidesThatBow) {
  const Quad quad = Box(40, 30, 200, 150);  // 160 wide, 120 high
  struct Case {
    const char* name;
    std::array<double, 4> bows;
    int pair;
    double signedBow;  // of the pair's first side
  };
  const Case cases[] = {
      {"flat", {0, 0, 0, 0}, -1, 0},
      {"top and bottom", {6, 0, 5, 0}, 0, 6},
      {"left and right, outwards", {0, -4, 0, -5}, 1, -4},
      {"the larger wins", {3, 8, 0, 0}, 1, 8},
      {"too slight", {0.5, 0, 0.5, 0}, -1, 0.5},
      {"strayed", {20, 0, 0, 0}, -1, 20},
  };
  for (const Case& c : cases) {
    Page page = PageOf(quad);
    for (int i = 0; i < 4; ++i)
      if (c.bows[i] != 0) page.sides[i] = Bowed(quad[i], quad[(i + 1) % 4], c.bows[i]);
    EXPECT_EQ(BentPair(page), c.pair) << c.name;
    EXPECT_NEAR(SignedBow(page, std::max(0, c.pair)), c.signedBow, 0.05) << c.name;
  }
}

// Sides that bow through their middle half, as over a cylinder, bow evenly;
// sides bent near their ends and flat between do not.
TEST(BowsEvenly, WantsASagThroughTheMiddle) {
  const Quad quad = Box(40, 30, 200, 150);
  struct Case {
    const char* name;
    double bow, plateau;
    bool even;
  };
  const Case cases[] = {{"parabola", 6, 0, true}, {"flat in the middle", 0, 6, false}, {"flat", 0, 0, true}};
  for (const Case& c : cases) {
    Page page = PageOf(quad);
    page.sides[0] = Bowed(quad[0], quad[1], c.bow, c.plateau);
    page.sides[2] = Bowed(quad[2], quad[3], c.bow, c.plateau);
    EXPECT_EQ(BowsEvenly(page, 0), c.even) << c.name;
  }
}

TEST(AcrossPair, IsThePairRunningAcross) {
  EXPECT_EQ(AcrossPair(PageOf(Box(40, 30, 200, 150))), 0);
  EXPECT_EQ(AcrossPair(PageOf(Box(80, 10, 160, 170))), 0);  // a tall page's top still runs across
  EXPECT_EQ(AcrossPair(PageOf({{{40, 150}, {40, 30}, {200, 30}, {200, 150}}})), 1);
}

}  // namespace
}  // namespace trellimap
