#include "workspace/panegeometry.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace trellimap
