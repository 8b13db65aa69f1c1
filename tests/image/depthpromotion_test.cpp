#include "image/depthpromotion.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

TEST(DepthUpTo, OneBitTakesItsColoursFromTheColourTable) {
  BitmapInfo colours{};
  colours.bmiColors[0] = {0, 0, 255, 0};
  colours.bmiColors[1] = {255, 255, 255, 0};
  dib p;
  newdib(&p, 10, 2, 1, &colours, 2);
  setpixel(p, 9, 1, 1);
  DepthUpTo(24, &p);
  ASSERT_EQ(DibBitCount(&p), 24);
  EXPECT_EQ(getpixel(p, 0, 0), 255u);
  EXPECT_EQ(getpixel(p, 9, 1), 0xFFFFFFu);
  ReleaseDib(&p);
}

TEST(DepthUpTo, FourAndEightBitsTakeTheirColoursFromThePalette) {
  dib p;
  newdib(&p, 5, 1, 4, nullptr, 0);
  p.poi[2] = 0x90;  // columns 4 (high nibble of the last used byte) and the padding nibble
  p.pal.rgb0[9][0] = 1;
  p.pal.rgb0[9][1] = 2;
  p.pal.rgb0[9][2] = 3;
  DepthUpTo(24, &p);
  ASSERT_EQ(DibBitCount(&p), 24);
  EXPECT_EQ(getpixel(p, 4, 0), 0x030201u);
  EXPECT_EQ(getpixel(p, 3, 0), 0u);
  ReleaseDib(&p);

  newdib(&p, 3, 2, 8, nullptr, 0);
  p.poi[1] = 7;
  p.pal.rgb0[7][0] = 10;
  p.pal.rgb0[7][1] = 20;
  p.pal.rgb0[7][2] = 30;
  DepthUpTo(24, &p);
  ASSERT_EQ(DibBitCount(&p), 24);
  EXPECT_EQ(p.poi[3], 30);  // blue, green, red
  EXPECT_EQ(p.poi[4], 20);
  EXPECT_EQ(p.poi[5], 10);
  ReleaseDib(&p);

  newdib(&p, 5, 1, 2, nullptr, 0);
  p.poi[0] = 0x1B;  // indexes 0, 1, 2, 3, then column 4 in the top bits of the next byte
  p.poi[1] = 0x80;
  p.pal.rgb0[2][2] = 9;
  DepthUpTo(24, &p);
  ASSERT_EQ(DibBitCount(&p), 24);
  EXPECT_EQ(getpixel(p, 2, 0), 0x090000u);
  EXPECT_EQ(getpixel(p, 4, 0), 0x090000u);
  EXPECT_EQ(getpixel(p, 0, 0), 0u);
  ReleaseDib(&p);
}

TEST(DepthUpTo, LeavesOtherDepthsAlone) {
  for (int32_t bits : {16, 24, 32}) {
    dib p;
    newdib(&p, 3, 3, bits, nullptr, 0);
    const uint8_t* before = p.poi;
    DepthUpTo(24, &p);
    EXPECT_EQ(p.poi, before);
    EXPECT_EQ(DibBitCount(&p), bits);
    ReleaseDib(&p);
  }
}

}  // namespace
}  // namespace trellimap
