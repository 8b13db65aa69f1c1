#include "view/panegeometry.h"

#include <gtest/gtest.h>

#include <tuple>

#include "foundation/outlinepoint.h"
#include "workspace/outlineediting.h"

namespace trellimap {
namespace {

TEST(PaneGeometry, HalvesGiveTheOddPixelToTheSecondPart) {
  EXPECT_EQ(HalfSplit(764).first, 382);
  EXPECT_EQ(HalfSplit(764).second, 382);
  EXPECT_EQ(HalfSplit(765).first, 382);
  EXPECT_EQ(HalfSplit(765).second, 383);
  EXPECT_EQ(HalfSplit(-4).second, 0);
}

TEST(PaneGeometry, ZoomedSizesRoundHalvesToEven) {
  EXPECT_EQ(Zoomed(320, 30), 96);
  EXPECT_EQ(Zoomed(200, 30), 60);
  EXPECT_EQ(Zoomed(15, 30), 4);  // 4.5
  EXPECT_EQ(Zoomed(5, 30), 2);   // 1.5
  EXPECT_EQ(Zoomed(320, 1), 3);
  EXPECT_EQ(Zoomed(200, 1), 2);
  EXPECT_EQ(Zoomed(100, 30), 30);
  EXPECT_EQ(Zoomed(4000, 10000), 400000);
  EXPECT_EQ(Zoomed(INT32_MAX, 10000), 1 << 29);  // clamped, no overflow
}

TEST(PaneGeometry, PanePositionsBecomePicturePixels) {
  EXPECT_EQ(PaneToPicture(5, 200), 2);  // 2.5
  EXPECT_EQ(PaneToPicture(7, 200), 4);  // 3.5
  EXPECT_EQ(PaneToPicture(15, 30), 50);
  EXPECT_EQ(PaneToPicture(1, 30), 3);
  EXPECT_EQ(PaneToPicture(-7, 200), -4);
}

TEST(PaneGeometry, ZoomTextReadsWholeNumbersWithinTheLimits) {
  const std::pair<const char*, int32_t> cases[] = {
      {"30", 30}, {" 250 ", 250}, {"", 1},          {"abc", 1},       {"12x", 1},
      {"0", 1},   {"-40", 1},     {"10000", 10000}, {"20000", 10000}, {"99999999999999999999", 10000},
      {"+7", 7}};
  for (const auto& [text, zoom] : cases) EXPECT_EQ(ZoomFromText(text), zoom) << '"' << text << '"';
}

TEST(PaneGeometry, FitWheelAndPointerKeepTheZoomUsable) {
  EXPECT_EQ(FitZoom(4000, 3000, 382, 200), 6);   // 240 × 180 fits, 7 % would not
  EXPECT_EQ(FitZoom(15, 5, 4, 2), 30);           // 4.5 rounds to 4: the rounding is taken into account
  EXPECT_EQ(FitZoom(1, 1, 500, 500), kZoomMax);  // within the limits
  EXPECT_EQ(FitZoom(100000, 10, 10, 10), kZoomMin);
  EXPECT_EQ(WheelZoom(100, 1), 125);
  EXPECT_EQ(WheelZoom(100, -1), 80);
  EXPECT_EQ(WheelZoom(2, 1), 3);  // at least 1 % a notch
  EXPECT_EQ(WheelZoom(1, -3), kZoomMin);
  EXPECT_EQ(WheelZoom(9000, 2), kZoomMax);
  // The picture point under the pointer stays there: (100 + 50) px at 100 % is
  // picture pixel 150, at 200 % pane pixel 300, 50 px into the view.
  EXPECT_EQ(ScrollKeepingPoint(100, 50, 100, 200), 250);
  EXPECT_EQ(ScrollKeepingPoint(250, 50, 200, 100), 100);
}

// At 200 %, in pane pixels: the hit radius counts on the screen, the nearest
// point wins, and the closing record answers as corner 1.
TEST(PaneGeometry, PointsAreFoundWhereTheyAreDrawn) {
  TDynaArray list(sizeof(TOutlinePoint));
  int32_t corners = 0;
  for (const auto& [b, x, y] : {std::tuple{MouseButton::Left, 10, 10},
                                {MouseButton::Right, 30, 5},
                                {MouseButton::Left, 50, 10},
                                {MouseButton::Left, 50, 40},
                                {MouseButton::Left, 10, 40}})
    PressOnOutline(list, corners, b, x, y);
  ASSERT_EQ(list.count, 6u);
  EXPECT_EQ(PointNear(list, corners, 64, 14, 200, 6), 1);   // 5.7 pixels off
  EXPECT_EQ(PointNear(list, corners, 66, 14, 200, 6), -1);  // 7.2 pixels off
  EXPECT_EQ(PointNear(list, corners, 22, 18, 200, 6), 0);
  EXPECT_EQ(PointNear(list, corners, 200, 200, 200, 6), -1);
}

}  // namespace
}  // namespace trellimap
