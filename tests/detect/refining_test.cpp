// Refining on its own: a page found in the working copy fitted again at full
// resolution, turned upright, and written out as an outline.

#include <gtest/gtest.h>

#include <random>

#include "tests/detect/stagepictures.h"

namespace trellimap {
namespace {

using testing::Bowed;
using testing::Box;
using testing::CornerError;
using testing::PageOf;

// A page found at half resolution, its corners up to most of a working pixel
// off, is fitted at full resolution to within a small fraction of a picture
// pixel, lighter or darker than its surroundings.
TEST(AtFullResolution, FitsTheEdgesSubPixel) {
  const Quad truth{{{101.3, 62.7}, {382.6, 88.2}, {366.1, 304.4}, {82.9, 278.1}}};
  struct Case {
    const char* name;
    uint8_t ground, page;
    Quad offsets;  // working pixels
  };
  const Case cases[] = {
      {"light page", 60, 230, {{{0.4, -0.3}, {-0.2, 0.4}, {0.3, 0.3}, {-0.4, -0.1}}}},
      {"dark page", 220, 40, {{{-0.3, 0.4}, {0.4, 0.2}, {-0.4, -0.3}, {0.1, 0.4}}}},
      {"low contrast", 150, 190, {{{0.2, 0.2}, {-0.3, -0.3}, {0.3, -0.2}, {-0.2, 0.3}}}},
  };
  for (const Case& c : cases) {
    dib picture = testing::Picture(480, 360, c.ground, {{truth, c.page}});
    Quad working;
    for (int i = 0; i < 4; ++i) working[i] = truth[i] / 2 + c.offsets[i];
    const Page found = PageOf(working, c.page > c.ground ? 1 : -1);
    const Page page = AtFullResolution(FullPicture(picture), 0.5, found);
    EXPECT_LT(CornerError(Corners(page), truth), 0.15) << c.name;
    for (const SideCurve& side : page.sides) EXPECT_TRUE(side.Straight()) << c.name;
    deldib(picture);
  }
}

// A side scaled is the same curve with every point scaled.
TEST(Scaled, ScalesEveryPoint) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> unit(-1, 1);
  for (int round = 0; round < 30; ++round) {
    SideCurve side = BaseLine({50 * unit(random), 50 * unit(random)}, {200 + 50 * unit(random), 80 * unit(random)});
    side.coefficients = {unit(random), 10 * unit(random), 10 * unit(random)};
    const double factor = 2 + unit(random);
    const SideCurve scaled = Scaled(side, factor);
    for (int k = 0; k <= 10; ++k) {
      const double t = side.length * k / 10;
      EXPECT_LT(Distance(scaled.At(t * factor), side.At(t) * factor), 1e-9);
    }
  }
}

// Whichever corner a page starts from, turned upright it starts from its top
// left as the picture shows it; a page whose left and right sides bow (a
// book held sideways) starts from the corner that begins its left side.
TEST(TurnUpright, StartsFromTheTopLeft) {
  struct Case {
    const char* name;
    Quad quad;
    double bow;  // of sides 2 and 4 as the picture shows them; 0: straight
    Vec firstCorner;
  };
  const Case cases[] = {
      {"upright", Box(40, 30, 200, 150), 0, {40, 30}},
      {"tall", Box(80, 10, 160, 170), 0, {80, 10}},
      {"tilted", {{{60, 20}, {210, 50}, {190, 160}, {40, 130}}}, 0, {60, 20}},
      {"book sideways", Box(40, 30, 200, 150), 6, {40, 150}},
  };
  for (const Case& c : cases)
    for (int start = 0; start < 4; ++start) {
      Quad turned;
      for (int i = 0; i < 4; ++i) turned[i] = c.quad[(start + i) % 4];
      Page page = PageOf(turned);
      for (int i = 0; i < 4; ++i)
        if (c.bow > 0 && (start + i) % 2 == 1) page.sides[i] = Bowed(turned[i], turned[(i + 1) % 4], c.bow);
      TurnUpright(page);
      EXPECT_LT(Distance(page.corners[0], c.firstCorner), 1e-9) << c.name << " from corner " << start;
      // Sides stay with their corners.
      for (int i = 0; i < 4; ++i)
        EXPECT_LT(Distance(page.sides[i].At(page.sides[i].Along(page.corners[i])), page.corners[i]), 1e-6) << c.name;
    }
}

// An outline holds the four corners in order and, for a bent top or bottom
// only, points on that side between its corners; it keeps the page's score.
TEST(Outline, BendsOnlyTheTopAndBottom) {
  const Quad quad = Box(40, 30, 200, 150);
  struct Case {
    const char* name;
    std::array<double, 4> bows;
    bool topBends, bottomBends;
  };
  const Case cases[] = {
      {"flat", {0, 0, 0, 0}, false, false},
      {"book", {6, 0, 6, 0}, true, true},
      {"top only", {5, 0, 0, 0}, true, false},
      {"left and right", {0, 5, 0, 5}, false, false},
  };
  for (const Case& c : cases) {
    Page page = PageOf(quad);
    page.score = 0.75;
    for (int i = 0; i < 4; ++i)
      if (c.bows[i] > 0) page.sides[i] = Bowed(quad[i], quad[(i + 1) % 4], c.bows[i]);
    const PageOutline outline = Outline(page);
    EXPECT_EQ(outline.score, 0.75) << c.name;
    ASSERT_EQ(outline.Corners().size(), 4u) << c.name;
    for (int i = 0; i < 4; ++i) EXPECT_LT(Distance(outline.Corners()[i], quad[i]), 1e-9) << c.name;
    int side = -1;  // the side each point bends: that of the corner before it
    std::array<int, 4> bends{};
    for (const PagePoint& p : outline.points) {
      if (p.corner) {
        ++side;
        continue;
      }
      ++bends[side];
      const SideCurve& curve = page.sides[side];
      EXPECT_LT(std::abs(curve.Across(p.at) - curve.Offset(curve.Along(p.at))), 1e-6) << c.name;
    }
    EXPECT_EQ(bends[0] > 0, c.topBends) << c.name;
    EXPECT_EQ(bends[2] > 0, c.bottomBends) << c.name;
    EXPECT_EQ(bends[1] + bends[3], 0) << c.name;
  }
}

}  // namespace
}  // namespace trellimap
