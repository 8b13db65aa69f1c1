// True proportions of photographed pages: pages placed before a pinhole camera
// at random, their corners projected, and the estimate held to the truth.

#include "detect/proportions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "tests/support/syntheticphoto.h"

namespace trellimap {
namespace {

using testing::PhotoSetup;
using testing::PlacePage;
using testing::SyntheticPhoto;

std::vector<Vec> Corners(const SyntheticPhoto& photo) { return {photo.corners, photo.corners + 4}; }

// Side 1 (corner 1 to corner 2) or side 3 (corner 3 to corner 4) as a polyline of `n` segments.
std::vector<Vec> Side(const SyntheticPhoto& photo, int side, int n) {
  std::vector<Vec> points;
  for (int i = 0; i <= n; ++i) {
    const double u = static_cast<double>(i) / n;
    points.push_back(side == 1 ? photo.Project(u, 0) : photo.Project(1 - u, 1));
  }
  return points;
}

double Error(double estimate, const PhotoSetup& setup) {
  return std::abs(estimate / (setup.pageWidth / setup.pageHeight) - 1);
}

// A page of random proportions seen at random: tilt up to 45°, any direction,
// focal length 0.6 to 2 picture widths, anywhere in a picture of either orientation.
PhotoSetup RandomView(std::mt19937& random) {
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  PhotoSetup setup;
  const bool upright = uniform(0, 1) < 0.5;
  setup.width = upright ? 3000 : 4000;
  setup.height = upright ? 4000 : 3000;
  setup.pageWidth = 100;
  setup.pageHeight = 100 * std::exp(uniform(std::log(0.3), std::log(3.0)));
  setup.tilt = uniform(0, 45);
  setup.azimuth = uniform(0, 360);
  setup.roll = uniform(-15, 15);
  setup.focal = uniform(0.6, 2);
  setup.fill = uniform(0.4, 0.9);
  setup.shift = {uniform(-0.8, 0.8), uniform(-0.8, 0.8)};
  return setup;
}

TEST(TrueProportion, ExactCornersGiveTheProportionsWithinOnePercent) {
  std::mt19937 random(7);
  double worst = 0;
  for (int i = 0; i < 400; ++i) {
    const PhotoSetup setup = RandomView(random);
    const SyntheticPhoto photo = PlacePage(setup);
    const double error = Error(TrueProportion(Corners(photo), setup.width, setup.height), setup);
    EXPECT_LT(error, 0.01) << "case " << i << ": tilt " << setup.tilt << " azimuth " << setup.azimuth << " focal "
                           << setup.focal;
    worst = std::max(worst, error);
  }
  RecordProperty("worst_error", std::to_string(worst));
}

// Corners found in a photo stray by a fraction of a pixel. Where the page
// leans about an axis within a few degrees of its width or height, one pair of
// sides is all but parallel in the picture, and half a pixel moves that
// vanishing point from far to infinity and back: the picture then hardly tells
// the focal length, and no estimate can be close for every camera. There the
// answer only has to stay sane.
TEST(TrueProportion, CornersOffByAFractionOfAPixelStayWithinTheHardLimit) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> stray(-0.5, 0.5);
  for (int i = 0; i < 600; ++i) {
    const PhotoSetup setup = RandomView(random);
    const SyntheticPhoto photo = PlacePage(setup);
    std::vector<Vec> corners = Corners(photo);
    for (Vec& c : corners) c = {c.x + stray(random), c.y + stray(random)};
    const double offAxis = std::abs(std::remainder(setup.azimuth, 90.0));
    EXPECT_LT(Error(TrueProportion(corners, setup.width, setup.height), setup), offAxis > 5 ? 0.025 : 0.25)
        << "case " << i << ": tilt " << setup.tilt << " azimuth " << setup.azimuth << " focal " << setup.focal;
  }
}

// Views that leave sides parallel in the picture: straight on (every focal
// length fits), and leaning only about the page's width, where the usual
// focal length is taken and gives the truth when it is the camera's.
TEST(TrueProportion, ViewsWithParallelSides) {
  struct Case {
    double tilt, azimuth, roll, focal;
  };
  const double usual = 0.8 * std::hypot(4000, 3000) / 4000;
  for (const Case& c : {Case{0, 0, 0, 1}, Case{0, 0, 10, 0.6}, Case{0, 0, -7, 2}, Case{30, 0, 0, usual},
                        Case{40, 180, 5, usual}, Case{25, 90, 0, usual}, Case{45, 270, -5, usual}}) {
    PhotoSetup setup;
    setup.width = 4000;
    setup.height = 3000;
    setup.pageWidth = 216;
    setup.pageHeight = 279;
    setup.tilt = c.tilt;
    setup.azimuth = c.azimuth;
    setup.roll = c.roll;
    setup.focal = c.focal;
    setup.shift = {0.3, -0.2};
    const SyntheticPhoto photo = PlacePage(setup);
    EXPECT_LT(Error(TrueProportion(Corners(photo), setup.width, setup.height), setup), 0.01)
        << "tilt " << c.tilt << " azimuth " << c.azimuth << " focal " << c.focal;
  }
}

// An open book's page: the curved top and bottom lengthen the corners' rectangle to the page's width.
TEST(TrueProportion, CurvedSidesLengthenTheWidth) {
  std::mt19937 random(5);
  for (int i = 0; i < 100; ++i) {
    PhotoSetup setup = RandomView(random);
    setup.tilt = std::min(setup.tilt, 35.0);
    setup.curl = std::uniform_real_distribution<double>(0.04, 0.14)(random);
    const SyntheticPhoto photo = PlacePage(setup);
    const double chords = TrueProportion(Corners(photo), setup.width, setup.height);
    const double curved =
        TrueProportion(Corners(photo), setup.width, setup.height, Side(photo, 1, 24), Side(photo, 3, 24));
    EXPECT_LT(Error(curved, setup), 0.5 * Error(chords, setup)) << "case " << i;
    EXPECT_LT(Error(curved, setup), 0.01) << "case " << i << ": curl " << setup.curl << " tilt " << setup.tilt;
    // Straight sides given as such change nothing; one curved side alone,
    // the other's bend unseen, gives the page's width too.
    const std::vector<Vec> top{photo.corners[0], photo.corners[1]}, bottom{photo.corners[3], photo.corners[2]};
    EXPECT_DOUBLE_EQ(TrueProportion(Corners(photo), setup.width, setup.height, top, bottom), chords);
    for (const auto& [upper, lower] : {std::pair{top, Side(photo, 3, 24)}, std::pair{Side(photo, 1, 24), bottom}})
      EXPECT_LT(Error(TrueProportion(Corners(photo), setup.width, setup.height, upper, lower), setup), 0.015)
          << "case " << i;
  }
}

// Corners that make no quadrilateral, or no convex one, never give a
// non-finite or non-positive answer.
TEST(TrueProportion, DegenerateCornersGiveAFinitePositiveAnswer) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<Vec>> cases = {
      {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
      {{10, 10}, {20, 20}, {30, 30}, {40, 40}},        // all on a line
      {{10, 10}, {90, 10}, {50, 10}, {10, 80}},        // three on a line
      {{10, 10}, {90, 10}, {10, 10}, {10, 80}},        // two in one place
      {{10, 10}, {90, 80}, {90, 10}, {10, 80}},        // a bow tie
      {{10, 10}, {90, 10}, {30, 30}, {10, 90}},        // not convex
      {{0, 0}, {1e12, 0}, {1e12, 1e-12}, {0, 1e-12}},  // absurdly flat
      {{nan, 0}, {10, 0}, {10, 10}, {0, 10}},
      {{inf, 0}, {10, 0}, {10, 10}, {0, 10}},
      {{0, 0}, {10, 0}},  // too few
  };
  for (const auto& corners : cases)
    for (const auto& side : {std::vector<Vec>{}, std::vector<Vec>{{0, 0}, {5, 5}, {nan, 1}, {10, 0}}}) {
      const double ratio = TrueProportion(corners, 100, 100, side, side);
      EXPECT_TRUE(std::isfinite(ratio) && ratio > 0) << corners[0].x << "," << corners[1].x << ": " << ratio;
    }
  EXPECT_TRUE(std::isfinite(TrueProportion({{1, 1}, {9, 1}, {9, 5}, {1, 5}}, 0, 0)));
}

}  // namespace
}  // namespace trellimap
