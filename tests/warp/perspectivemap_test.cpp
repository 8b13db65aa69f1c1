#include "warp/perspectivemap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/support/outlines.h"

namespace trellimap {
namespace {

using testing::PointSpec;

// A random outline in doubles: a convex quadrilateral near a w × h
// rectangle, sides 1 and 3 bent through `bends` points each (none: straight).
struct RandomOutline {
  std::vector<Vec> side1, side3;

  RandomOutline(std::mt19937& random, int bends) {
    std::uniform_real_distribution<double> jitter(-120, 120), offset(-0.08, 0.08);
    const Vec c[4] = {{100 + jitter(random), 100 + jitter(random)},
                      {1100 + jitter(random), 100 + jitter(random)},
                      {1100 + jitter(random), 900 + jitter(random)},
                      {100 + jitter(random), 900 + jitter(random)}};
    for (const int side : {0, 2}) {
      std::vector<Vec>& points = side == 0 ? side1 : side3;
      const Vec a = c[side], b = c[side + 1];
      points.push_back(a);
      for (int i = 1; i <= bends; ++i) {
        const double t = (i + offset(random)) / (bends + 1), across = offset(random) * (b.x - a.x);
        points.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t + across});
      }
      points.push_back(b);
    }
  }
};

// A random projective map that keeps the outlines above on the near side of
// its horizon: perspective both ways, any scale from a third to thrice, mirrored
// or not.
Homography RandomView(std::mt19937& random) {
  std::uniform_real_distribution<double> tilt(-4e-4, 4e-4), shear(-0.3, 0.3), scale(-1.1, 1.1), shift(-500, 500);
  const double k = std::exp(scale(random)), mirror = random() % 2 ? -1 : 1;
  Homography g;
  g.m[0][0] = k * mirror;
  g.m[0][1] = k * shear(random);
  g.m[0][2] = 2000 + shift(random);
  g.m[1][0] = k * shear(random);
  g.m[1][1] = k;
  g.m[1][2] = shift(random);
  g.m[2][0] = tilt(random);
  g.m[2][1] = tilt(random);
  return g;
}

std::vector<Vec> Through(const Homography& g, std::vector<Vec> points) {
  for (Vec& p : points) p = g.Apply(p);
  return points;
}

// Whenever outline 2 is a projective image of outline 1, bends included, the
// perspective-true map between them is that projection; with straight sides
// it is the projection of the corners; corners and bends land on their partners.
TEST(PerspectiveMap, MapsProjectiveImagesThroughTheirProjection) {
  std::mt19937 random(20);
  std::uniform_real_distribution<double> unit(0, 1);
  int checked = 0;
  for (int trial = 0; trial < 200; ++trial) {
    const RandomOutline one(random, trial % 4);
    const Homography g = RandomView(random);
    const auto map1 = PerspectiveMap(one.side1, one.side3);
    const auto map2 = PerspectiveMap(Through(g, one.side1), Through(g, one.side3));
    if (!map1 || !map2) continue;  // a bend past a horizon: the degenerate cases are tested below
    ++checked;
    for (int k = 0; k < 50; ++k) {
      const double s = unit(random), r = unit(random);
      ASSERT_LT(Distance(map2->At(s, r), g.Apply(map1->At(s, r))), 0.01) << trial << " at " << s << "," << r;
      if (trial % 4 == 0) {
        ASSERT_LT(Distance(map1->At(s, r), map1->view->Apply({s, r})), 0.01) << trial;
      }
    }
    for (const double s : map1->Bends()) {
      const Vec top = map1->Top(s), bottom = map1->Bottom(s);
      double nearest = 1e9;
      for (const auto& side : {one.side1, one.side3})
        for (const Vec& p : side) nearest = std::min({nearest, Distance(p, top), Distance(p, bottom)});
      ASSERT_LT(nearest, 1e-6) << trial << " bend at " << s;
    }
    ASSERT_LT(Distance(map1->At(0, 1), one.side1.front()), 1e-9);
    ASSERT_LT(Distance(map1->At(1, 0), one.side3.front()), 1e-9);
  }
  EXPECT_GT(checked, 150);
}

TEST(PerspectiveMap, NamesWhatKeepsAnOutlineFromPerspective) {
  const struct {
    const char* name;
    std::vector<PointSpec> points;
    PerspectiveProblem problem;
  } cases[] = {
      {"convex", {{0, 0, true}, {100, 10, true}, {90, 80, true}, {5, 70, true}}, PerspectiveProblem::None},
      {"mirrored", {{100, 0, true}, {0, 10, true}, {5, 80, true}, {90, 70, true}}, PerspectiveProblem::None},
      {"bent",
       {{0, 0, true}, {50, -20, false}, {100, 10, true}, {90, 80, true}, {40, 95, false}, {5, 70, true}},
       PerspectiveProblem::None},
      {"three in line",
       {{0, 0, true}, {50, 0, true}, {100, 0, true}, {40, 70, true}},
       PerspectiveProblem::CornersInLine},
      {"two in one place",
       {{0, 0, true}, {0, 0, true}, {90, 80, true}, {5, 70, true}},
       PerspectiveProblem::CornersInLine},
      {"dent", {{0, 0, true}, {100, 0, true}, {30, 30, true}, {0, 100, true}}, PerspectiveProblem::CornerBeyondHorizon},
      {"bow tie", {{0, 0, true}, {100, 100, true}, {100, 0, true}, {0, 100, true}}, PerspectiveProblem::CrossedSides},
      // The corners meet far to the right: a bend out there lies past the horizon.
      {"bend past the horizon",
       {{0, 0, true}, {5000, 2000, false}, {100, 40, true}, {100, 60, true}, {0, 100, true}},
       PerspectiveProblem::BendBeyondHorizon},
  };
  for (const auto& c : cases) {
    std::vector<PointSpec> closed = c.points;
    closed.push_back(closed.front());
    const testing::Outline outline(closed);
    EXPECT_EQ(PerspectiveProblemOf(outline.list), c.problem) << c.name;
    EXPECT_EQ(PerspectiveMap(outline.list).has_value(), c.problem == PerspectiveProblem::None) << c.name;
  }
}

}  // namespace
}  // namespace trellimap
