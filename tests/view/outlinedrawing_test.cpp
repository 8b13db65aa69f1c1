#include "view/outlinedrawing.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/outlines.h"

namespace trellimap {
namespace {

using testing::Outline;

constexpr uint32_t kRed = 0x0000FF;

PixelSurface Blank(int32_t w, int32_t h) {
  PixelSurface s;
  s.SetSize(w, h);
  return s;
}

TEST(OutlineDrawing, MarkersAreHollowSquaresWithExclusiveFarEdges) {
  Outline one({{100, 50, false}});
  PixelSurface s = Blank(60, 40);
  DrawOutline(s, 0, 0, one.list, 30);  // drawn at (30, 15)
  for (int32_t i = 27; i <= 32; ++i) {
    EXPECT_EQ(s.Pixel(i, 12), kRed) << i;
    EXPECT_EQ(s.Pixel(i, 17), kRed) << i;
    EXPECT_EQ(s.Pixel(27, i - 15), kRed) << i;
    EXPECT_EQ(s.Pixel(32, i - 15), kRed) << i;
  }
  EXPECT_EQ(s.Pixel(33, 15), 0u);
  EXPECT_EQ(s.Pixel(30, 18), 0u);
  EXPECT_EQ(s.Pixel(30, 15), 0u);  // a lone point draws no line

  // A corner's 2-pixel pen reaches one pixel further up and left.
  Outline corner({{100, 50, true}});
  PixelSurface c = Blank(60, 40);
  DrawOutline(c, 0, 0, corner.list, 30);
  EXPECT_EQ(c.Pixel(26, 11), kRed);
  EXPECT_EQ(c.Pixel(32, 17), kRed);
  EXPECT_EQ(c.Pixel(33, 15), 0u);
  EXPECT_EQ(c.Pixel(28, 13), 0u);
}

TEST(OutlineDrawing, LinesJoinThePointsWithoutTheirEndPixel) {
  Outline o({{10, 10, false}, {30, 20, false}});
  PixelSurface s = Blank(50, 40);
  DrawOutline(s, 0, 0, o.list, 100);
  EXPECT_EQ(s.Pixel(10, 10), kRed);  // start of the line
  EXPECT_EQ(s.Pixel(20, 15), kRed);  // halfway
  EXPECT_EQ(s.Pixel(30, 20), 0u);    // the end pixel is left out
  EXPECT_EQ(s.Pixel(29, 20), kRed);
}

TEST(OutlineDrawing, AnyPartOfThePaneGetsTheWholeDrawingsPixels) {
  Outline o({{3, 4, true},
             {40, 2, false},
             {70, 30, true},
             {65, 60, true},
             {-900000, 3000000, false},
             {2, 50, true},
             {3, 4, true}});
  for (int32_t zoom : {30, 100, 250}) {
    PixelSurface whole = Blank(200, 170);
    DrawOutline(whole, 0, 0, o.list, zoom);
    for (const auto& [ox, oy, w, h] : {std::array{0, 0, 50, 40}, {37, 21, 64, 33}, {150, 120, 50, 50}, {5, 90, 1, 1}}) {
      PixelSurface part = Blank(w, h);
      DrawOutline(part, ox, oy, o.list, zoom);
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
          ASSERT_EQ(part.Pixel(x, y), whole.Pixel(ox + x, oy + y)) << zoom << "% at " << ox + x << "," << oy + y;
    }
  }
}

}  // namespace
}  // namespace trellimap
