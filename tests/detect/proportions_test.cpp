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

using testing::PhotoSpec;
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

double Error(double estimate, const PhotoSpec& spec) {
  return std::abs(estimate / (spec.pageWidth / spec.pageHeight) - 1);
}

// A page of random proportions seen at random: tilt up to 45°, any direction,
// focal length 0.6 to 2 picture widths, anywhere in a picture of either orientation.
PhotoSpec RandomView(std::mt19937& random) {
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  PhotoSpec spec;
  const bool upright = uniform(0, 1) < 0.5;
  spec.width = upright ? 3000 : 4000;
  spec.height = upright ? 4000 : 3000;
  spec.pageWidth = 100;
  spec.pageHeight = 100 * std::exp(uniform(std::log(0.3), std::log(3.0)));
  spec.tilt = uniform(0, 45);
  spec.azimuth = uniform(0, 360);
  spec.roll = uniform(-15, 15);
  spec.focal = uniform(0.6, 2);
  spec.fill = uniform(0.4, 0.9);
  spec.shift = {uniform(-0.8, 0.8), uniform(-0.8, 0.8)};
  return spec;
}

TEST(TrueAspect, ExactCornersGiveTheProportionsWithinOnePercent) {
  std::mt19937 random(7);
  double worst = 0;
  for (int i = 0; i < 400; ++i) {
    const PhotoSpec spec = RandomView(random);
    const SyntheticPhoto photo = PlacePage(spec);
    const double error = Error(TrueAspect(Corners(photo), spec.width, spec.height), spec);
    EXPECT_LT(error, 0.01) << "case " << i << ": tilt " << spec.tilt << " azimuth " << spec.azimuth << " focal "
                           << spec.focal;
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
TEST(TrueAspect, CornersOffByAFractionOfAPixelStayWithinTheHardLimit) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> stray(-0.5, 0.5);
  for (int i = 0; i < 600; ++i) {
    const PhotoSpec spec = RandomView(random);
    const SyntheticPhoto photo = PlacePage(spec);
    std::vector<Vec> corners = Corners(photo);
    for (Vec& c : corners) c = {c.x + stray(random), c.y + stray(random)};
    const double offAxis = std::abs(std::remainder(spec.azimuth, 90.0));
    EXPECT_LT(Error(TrueAspect(corners, spec.width, spec.height), spec), offAxis > 5 ? 0.025 : 0.25)
        << "case " << i << ": tilt " << spec.tilt << " azimuth " << spec.azimuth << " focal " << spec.focal;
  }
}

// Views that leave sides parallel in the picture: straight on (every focal
// length fits), and leaning only about the page's width, where the usual
// focal length is taken and gives the truth when it is the camera's.
TEST(TrueAspect, ViewsWithParallelSides) {
  struct Case {
    double tilt, azimuth, roll, focal;
  };
  const double usual = 0.8 * std::hypot(4000, 3000) / 4000;
  for (const Case& c : {Case{0, 0, 0, 1}, Case{0, 0, 10, 0.6}, Case{0, 0, -7, 2}, Case{30, 0, 0, usual},
                        Case{40, 180, 5, usual}, Case{25, 90, 0, usual}, Case{45, 270, -5, usual}}) {
    PhotoSpec spec;
    spec.width = 4000;
    spec.height = 3000;
    spec.pageWidth = 216;
    spec.pageHeight = 279;
    spec.tilt = c.tilt;
    spec.azimuth = c.azimuth;
    spec.roll = c.roll;
    spec.focal = c.focal;
    spec.shift = {0.3, -0.2};
    const SyntheticPhoto photo = PlacePage(spec);
    EXPECT_LT(Error(TrueAspect(Corners(photo), spec.width, spec.height), spec), 0.01)
        << "tilt " << c.tilt << " azimuth " << c.azimuth << " focal " << c.focal;
  }
}

// An open book's page: the curved top and bottom lengthen the corners' rectangle to the page's width.
TEST(TrueAspect, CurvedSidesLengthenTheWidth) {
  std::mt19937 random(5);
  for (int i = 0; i < 100; ++i) {
    PhotoSpec spec = RandomView(random);
    spec.tilt = std::min(spec.tilt, 35.0);
    spec.curl = std::uniform_real_distribution<double>(0.04, 0.14)(random);
    const SyntheticPhoto photo = PlacePage(spec);
    const double chords = TrueAspect(Corners(photo), spec.width, spec.height);
    const double curved = TrueAspect(Corners(photo), spec.width, spec.height, Side(photo, 1, 24), Side(photo, 3, 24));
    EXPECT_LT(Error(curved, spec), 0.5 * Error(chords, spec)) << "case " << i;
    EXPECT_LT(Error(curved, spec), 0.01) << "case " << i << ": curl " << spec.curl << " tilt " << spec.tilt;
    // Straight sides given as such change nothing.
    EXPECT_DOUBLE_EQ(TrueAspect(Corners(photo), spec.width, spec.height, {photo.corners[0], photo.corners[1]},
                                {photo.corners[2], photo.corners[3]}),
                     chords);
  }
}

// Corners that make no quadrilateral, or no convex one, never give a
// non-finite or non-positive answer.
TEST(TrueAspect, DegenerateCornersGiveAFinitePositiveAnswer) {
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
      const double aspect = TrueAspect(corners, 100, 100, side, side);
      EXPECT_TRUE(std::isfinite(aspect) && aspect > 0) << corners[0].x << "," << corners[1].x << ": " << aspect;
    }
  EXPECT_TRUE(std::isfinite(TrueAspect({{1, 1}, {9, 1}, {9, 5}, {1, 5}}, 0, 0)));
}

}  // namespace
}  // namespace trellimap
