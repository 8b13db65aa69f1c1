// Close-ups of open books' pages, their edges partly outside the photo,
// upright or sideways: the page is found (from its lines of text where its
// edges do not show),
// holds all of its text, and flattened with the automatic size comes out
// with every line straight and the lines evenly spaced.

#include <gtest/gtest.h>

#include <utility>

#include "tests/support/flatlines.h"
#include "tests/support/flattenfound.h"
#include "tests/support/syntheticphoto.h"

namespace trellimap {
namespace {

// A line's height varies across it by at most this share of the page's
// height, and each gap between lines differs from their median by at most
// this share of it.
constexpr double kMostBend = 0.005;
constexpr double kMostSpacing = 0.02;

bool InPicture(const Vec& p, const testing::PhotoSetup& setup) {
  return p.x >= 0 && p.y >= 0 && p.x < setup.width && p.y < setup.height;
}

// Whether p lies inside the polygon (even-odd crossings).
bool Inside(const std::vector<Vec>& polygon, const Vec& p) {
  bool inside = false;
  for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const Vec &a = polygon[i], &b = polygon[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) inside = !inside;
  }
  return inside;
}

TEST(BookCloseUps, FlattenToStraightEvenlySpacedLines) {
  // The last ones photographed sideways, the camera turned a quarter either
  // way: the text runs down the photo.
  const struct {
    double curl, tilt, fill;
    Vec shift;
    uint32_t seed;
    double turned = 0;
  } cases[] = {
      {0.04, 8, 0.9, {0, 0}, 1},           {0.08, 15, 0.95, {0.4, -0.3}, 2},    {0.12, 10, 1.0, {0, 0.5}, 3},
      {0.06, 20, 1.05, {0.8, 0.8}, 4},     {0.1, 25, 0.85, {-0.5, 0.2}, 5},     {0, 12, 1.08, {-0.8, -0.8}, 6},
      {0.06, 20, 1.05, {0.8, 0.8}, 4, 90}, {0, 12, 1.08, {-0.8, -0.8}, 6, -90},
  };
  for (const auto& c : cases) {
    testing::PhotoSetup setup = testing::BookCloseUp(c.curl, c.tilt, c.fill, c.shift, c.seed);
    if (c.turned != 0) setup.roll += c.turned, std::swap(setup.width, setup.height);
    testing::SyntheticPhoto photo = testing::MakePhoto(setup);
    const std::optional<PageOutline> found = FindPageOutline(photo.picture);
    ASSERT_TRUE(found) << "seed " << c.seed;
    // Every line end the photo shows lies inside the outline.
    const std::vector<Vec> polygon = found->Polygon();
    for (const testing::TextRow& row : photo.textRows)
      for (const double u : {row.left, row.right}) {
        const Vec p = photo.Project(u, (row.top + row.bottom) / 2);
        if (InPicture(p, setup)) {
          EXPECT_TRUE(Inside(polygon, p)) << "seed " << c.seed << " at " << p.x << "," << p.y;
        }
      }
    std::optional<dib> flat = testing::FlattenFound(*found, photo.picture);
    ASSERT_TRUE(flat) << "seed " << c.seed;
    const testing::FlatLines lines = testing::MeasureFlatLines(*flat);
    ReleaseDib(&*flat);
    EXPECT_GE(lines.lines, 10) << "seed " << c.seed;
    EXPECT_LE(lines.worstBend, kMostBend) << "seed " << c.seed << (found->fromText ? ", from text" : ", from edges");
    EXPECT_LE(lines.worstSpacing, kMostSpacing) << "seed " << c.seed << (found->fromText ? ", from text" : "");
  }
}

}  // namespace
}  // namespace trellimap
