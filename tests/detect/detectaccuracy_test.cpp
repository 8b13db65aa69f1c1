// How well pages are found across the varied set of synthetic photos, as the
// detection benchmark measures it, on a subset that spans every page kind and
// backdrop: floors just under what detection reaches, so that a change that
// finds pages worse fails here.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "detect/pageoutline.h"
#include "tests/support/syntheticphoto.h"

namespace trellimap {
namespace {

// Every thirteenth photo of the benchmark's set of 800 × 600: every page
// kind and every backdrop comes round.
constexpr int kPhotos = 8, kEvery = 13;

struct Floors {
  double meanOverlap, leastOverlap;
  int found, cornersClose;  // corners close: all within half a percent of the page's diagonal
};
constexpr Floors kFloors{0.999, 0.997, 8, 7};

TEST(DetectAccuracy, StaysAboveItsFloorsOnTheVariedSet) {
  double sum = 0, least = 1;
  int found = 0, close = 0;
  for (int k = 0; k < kPhotos; ++k) {
    const uint32_t index = static_cast<uint32_t>(k * kEvery);
    const testing::PhotoSetup setup = testing::VariedPhoto(index, 800, 600);
    const testing::SyntheticPhoto photo = testing::MakePhoto(setup);
    const std::optional<PageOutline> outline = FindPageOutline(photo.picture);
    double overlap = 0;
    if (outline) {
      ++found;
      overlap = testing::Overlap(outline->Polygon(), photo.outline, setup.width, setup.height);
      const std::vector<Vec> corners = outline->Corners();
      const double diagonal = Distance(photo.corners[0], photo.corners[2]);
      double worst = 0;
      for (int i = 0; i < 4; ++i) worst = std::max(worst, Distance(corners[i], photo.corners[i]) / diagonal);
      close += worst <= 0.005;
    }
    sum += overlap;
    least = std::min(least, overlap);
  }
  EXPECT_GE(sum / kPhotos, kFloors.meanOverlap);
  EXPECT_GE(least, kFloors.leastOverlap);
  EXPECT_GE(found, kFloors.found);
  EXPECT_GE(close, kFloors.cornersClose);
}

}  // namespace
}  // namespace trellimap
