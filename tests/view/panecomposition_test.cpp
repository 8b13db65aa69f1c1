// Composing a pane below 100 %: the halved copies a pane keeps, and the
// averaged drawing that keeps thin lines from coming and going with the zoom.

#include "view/panecomposition.h"

#include <gtest/gtest.h>

#include <random>

#include "image/pixmill3.h"
#include "view/reducedcopies.h"

namespace trellimap {
namespace {

// A w × h 24-bit picture, `colour(x, y)` (y from the top) giving blue, green, red.
template <typename Colour>
dib Picture(int32_t w, int32_t h, Colour colour) {
  dib d{};
  newdib(&d, w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* p = d.poi + static_cast<int64_t>(h - 1 - y) * d.bytew + 3 * x;
      const uint32_t c = colour(x, y);
      p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
    }
  return d;
}

// Halving keeps a plain picture plain, gives (w + 1) / 2 × (h + 1) / 2, and
// keeps the picture's mean to within rounding, for odd and even sizes.
TEST(HalvePicture, KeepsSizeColourAndMean) {
  std::mt19937 random(5);
  for (const auto& [w, h] : {std::pair{8, 6}, std::pair{7, 5}, std::pair{1, 9}, std::pair{1, 1}, std::pair{33, 2}}) {
    dib plain = Picture(w, h, [](int, int) { return 0x4080C0u; });
    dib noisy = Picture(w, h, [&](int, int) { return static_cast<uint32_t>(random()); });
    dib halfPlain{}, halfNoisy{};
    ASSERT_TRUE(HalvePicture(plain, halfPlain));
    ASSERT_TRUE(HalvePicture(noisy, halfNoisy));
    EXPECT_EQ(DibWidth(&halfPlain), (w + 1) / 2);
    EXPECT_EQ(DibHeight(&halfPlain), (h + 1) / 2);
    for (int32_t y = 0; y < DibHeight(&halfPlain); ++y)
      for (int32_t x = 0; x < DibWidth(&halfPlain); ++x) EXPECT_EQ(DibPixelColour(halfPlain, x, y), 0xC08040u);
    if (w % 2 == 0 && h % 2 == 0) {
      // Each copy pixel stands for four: the sums agree within the rounding of each.
      int64_t before = 0, after = 0;
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) before += DibPixelColour(noisy, x, y) & 0xFF;
      for (int32_t y = 0; y < h / 2; ++y)
        for (int32_t x = 0; x < w / 2; ++x) after += 4 * (DibPixelColour(halfNoisy, x, y) & 0xFF);
      EXPECT_NEAR(static_cast<double>(after), static_cast<double>(before), 2.0 * w * h / 4) << w << " × " << h;
    }
    for (dib* d : {&plain, &noisy, &halfPlain, &halfNoisy}) ReleaseDib(d);
  }
}

// The copy chosen is the smallest still as large as the pane each way; it is
// kept while the picture is the same and made afresh for another one.
TEST(ReducedCopies, ChooseTheSmallestLargeEnoughAndFollowThePicture) {
  dib picture = Picture(1000, 600, [](int x, int y) { return static_cast<uint32_t>(x * 7 + y); });
  ReducedCopies copies;
  const struct {
    int32_t width, height, expectedWidth, expectedHeight;
  } cases[] = {{1000, 600, 1000, 600}, {501, 300, 1000, 600}, {500, 300, 500, 300}, {300, 100, 500, 300},
               {250, 150, 250, 150},   {1, 1, 1, 1},          {63, 20, 63, 38}};
  for (const auto& c : cases) {
    const dib& chosen = copies.AtLeast(picture, c.width, c.height);
    EXPECT_EQ(DibWidth(&chosen), c.expectedWidth) << c.width << " × " << c.height;
    EXPECT_EQ(DibHeight(&chosen), c.expectedHeight) << c.width << " × " << c.height;
  }
  const uint32_t kept = copies.AtLeast(picture, 250, 150).poih;
  EXPECT_EQ(copies.AtLeast(picture, 250, 150).poih, kept);
  dib other = Picture(1000, 600, [](int, int) { return 0xFFFFFFu; });
  EXPECT_EQ(DibPixelColour(copies.AtLeast(other, 250, 150), 3, 3), 0xFFFFFFu);
  ReleaseDib(&picture);
  ReleaseDib(&other);
}

// Below 100 %, a one-pixel line stays in view at every zoom: each picture
// column falls to exactly one pane column, so a row's darkness is about the
// line's whole 255 shared over the pane pixels it covers, within the factor
// two by which those columns' counts differ (a pane that picks one picture
// pixel in three loses the line at two zooms in three). With or without the
// copies.
TEST(ComposePane, AThinLineStaysInViewAtEveryZoom) {
  constexpr int32_t kWidth = 900, kHeight = 40, kLine = 451;
  dib picture = Picture(kWidth, kHeight, [](int x, int) { return x == kLine ? 0u : 0xFFFFFFu; });
  ReducedCopies copies;
  PixelSurface surface;
  for (ReducedCopies* kept : {static_cast<ReducedCopies*>(nullptr), &copies})
    for (int32_t zoom = 5; zoom < 100; zoom += 3) {
      const PaneArea whole = ZoomedPicture(picture, zoom);
      ComposePane(picture, zoom, nullptr, whole, surface, 1, kept);
      const int32_t row = whole.height / 2;
      int64_t darkness = 0;
      for (int32_t x = 0; x < whole.width; ++x) darkness += 255 - (surface.Pixel(x, row) & 0xFF);
      const double share = 255.0 * whole.width / kWidth;
      EXPECT_GE(static_cast<double>(darkness), share / 2 - 2) << "zoom " << zoom << (kept ? " copies" : "");
      EXPECT_LE(static_cast<double>(darkness), share * 2 + 2) << "zoom " << zoom << (kept ? " copies" : "");
    }
  ReleaseDib(&picture);
}

// Any area composes as the same area of the whole pane does, at any zoom
// below 100 % and any device scale, areas reaching past the picture included.
TEST(ComposePane, AnAreaIsTheWholePanesPixelsThere) {
  std::mt19937 random(11);
  dib picture = Picture(517, 389, [&](int, int) { return static_cast<uint32_t>(random()); });
  ReducedCopies copies;
  PixelSurface whole, part;
  for (int trial = 0; trial < 40; ++trial) {
    const int32_t zoom = 3 + static_cast<int32_t>(random() % 45), scale = 1 + static_cast<int32_t>(random() % 2);
    const PaneArea all = ZoomedPicture(picture, zoom * scale);
    ComposePane(picture, zoom, nullptr, {0, 0, all.width, all.height}, whole, scale, &copies);
    const PaneArea area{static_cast<int32_t>(random() % (all.width + 5)) - 3,
                        static_cast<int32_t>(random() % (all.height + 5)) - 3, 1 + static_cast<int32_t>(random() % 60),
                        1 + static_cast<int32_t>(random() % 60)};
    ComposePane(picture, zoom, nullptr, area, part, scale, &copies);
    for (int32_t y = 0; y < area.height; ++y)
      for (int32_t x = 0; x < area.width; ++x)
        ASSERT_EQ(part.Pixel(x, y), whole.Pixel(area.left + x, area.top + y))
            << "zoom " << zoom << " scale " << scale << " at " << x << ", " << y;
  }
  ReleaseDib(&picture);
}

}  // namespace
}  // namespace trellimap
