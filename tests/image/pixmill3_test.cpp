#include "image/pixmill3.h"

#include <gtest/gtest.h>

#include <cstring>

namespace trellimap {
namespace {

struct OwnedDib {
  dib d;
  OwnedDib(int32_t w, int32_t h, int32_t bits, const BitmapInfo* colours = nullptr, int32_t n = 0) {
    newdib(&d, w, h, bits, colours, n);
  }
  ~OwnedDib() { ReleaseDib(&d); }
};

TEST(NewDib, FillsHeaderRowLengthAndZeroPixels) {
  struct Case {
    int32_t width, bits, bytew;
  };
  for (const Case c : {Case{1, 24, 4}, Case{5, 24, 16}, Case{321, 24, 964}, Case{9, 1, 4}, Case{33, 1, 8},
                       Case{7, 4, 4}, Case{5, 8, 8}, Case{3, 16, 8}, Case{3, 32, 12}}) {
    OwnedDib p(c.width, 3, c.bits);
    ASSERT_NE(p.d.poi, nullptr);
    EXPECT_NE(p.d.poih, 0u);
    EXPECT_EQ(p.d.bytew, c.bytew) << c.width << " px at " << c.bits;
    EXPECT_EQ(DibWidth(&p.d), c.width);
    EXPECT_EQ(DibHeight(&p.d), 3);
    EXPECT_EQ(DibBitCount(&p.d), c.bits);
    EXPECT_EQ(p.d.pmi->bmiHeader.biSize, 40u);
    for (int32_t i = 0; i < 3 * c.bytew; ++i) ASSERT_EQ(p.d.poi[i], 0);
  }
}

TEST(NewDib, TakesTheGivenColoursIntoTableAndPalette) {
  BitmapInfo source;
  std::memset(&source, 0xEE, sizeof source);
  source.bmiColors[0] = {10, 20, 30, 0};
  source.bmiColors[1] = {40, 50, 60, 0};
  OwnedDib p(4, 4, 4, &source, 2);
  ASSERT_NE(p.d.poi, nullptr);
  EXPECT_EQ(p.d.pmi->bmiColors[1].rgbRed, 60);
  EXPECT_EQ(p.d.pmi->bmiColors[2].rgbRed, 0) << "only the first n entries are taken";
  EXPECT_EQ(p.d.pal.rgb0[0][0], 30);
  EXPECT_EQ(p.d.pal.rgb0[0][1], 20);
  EXPECT_EQ(p.d.pal.rgb0[0][2], 10);
}

TEST(NewDib, RefusesImpossibleBuffers) {
  struct Case {
    int32_t w, h, bits;
  };
  for (const Case c : {Case{0, 10, 24}, Case{10, 0, 24}, Case{-5, 10, 24}, Case{10, 10, 7}, Case{10, 10, 0},
                       Case{60000, 60000, 24}, Case{INT32_MAX, 1, 32}, Case{INT32_MAX, INT32_MAX, 32}}) {
    dib d;
    std::memset(&d, 0x5A, sizeof d);
    newdib(&d, c.w, c.h, c.bits, nullptr, 0);
    EXPECT_EQ(d.poi, nullptr) << c.w << "x" << c.h << "@" << c.bits;
    EXPECT_EQ(d.poih, 0u);
    deldib(d);  // a failed record may be released like any other
  }
}

TEST(ReleaseDib, ResetsAndAllowsANewBuffer) {
  dib d;
  newdib(&d, 8, 8, 24, nullptr, 0);
  ReleaseDib(&d);
  EXPECT_EQ(d.poi, nullptr);
  EXPECT_EQ(DibWidth(&d), 0);
  newdib(&d, 2, 2, 24, nullptr, 0);
  EXPECT_NE(d.poi, nullptr);
  ReleaseDib(&d);
}

TEST(GetPixel, RowZeroIsTheLastRowInMemory) {
  OwnedDib p(3, 4, 24);
  setpixel(p.d, 1, 0, 0x030201);
  setpixel(p.d, 2, 3, 0x060504);
  const uint8_t* last = p.d.poi + 3 * p.d.bytew;
  EXPECT_EQ(last[3], 3);  // blue, green, red in memory
  EXPECT_EQ(last[4], 2);
  EXPECT_EQ(last[5], 1);
  EXPECT_EQ(p.d.poi[6], 6);
  EXPECT_EQ(p.d.poi[8], 4);
  EXPECT_EQ(getpixel(p.d, 1, 0), 0x030201u);
  EXPECT_EQ(getpixel(p.d, 2, 3), 0x060504u);
}

class PixelRoundTrip : public ::testing::TestWithParam<std::pair<int32_t, uint32_t>> {};

TEST_P(PixelRoundTrip, SetThenGetGivesTheValueAndLeavesNeighboursAlone) {
  const auto [bits, value] = GetParam();
  OwnedDib p(9, 3, bits);
  for (int32_t x = 0; x < 9; ++x) {
    setpixel(p.d, x, 1, value);
    EXPECT_EQ(getpixel(p.d, x, 1), value);
    if (x + 1 < 9) {
      EXPECT_EQ(getpixel(p.d, x + 1, 1), 0u);
    }
    EXPECT_EQ(getpixel(p.d, x, 0), 0u);
    EXPECT_EQ(getpixel(p.d, x, 2), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(AllDepths, PixelRoundTrip,
                         ::testing::Values(std::pair{1, 1u}, std::pair{2, 3u}, std::pair{2, 2u}, std::pair{4, 0xBu},
                                           std::pair{8, 0xC7u}, std::pair{16, 0xBEEFu}, std::pair{24, 0x123456u},
                                           std::pair{32, 0x89ABCDEFu}));

TEST(PixelAccess, NeverTouchesMemoryOutsideThePicture) {
  // AddressSanitizer turns any stray access here into a failure.
  for (int32_t bits : {1, 4, 8, 16, 24, 32}) {
    OwnedDib p(5, 5, bits);
    const std::vector<uint8_t> before(p.d.poi, p.d.poi + 5 * p.d.bytew);
    for (const auto& [x, y] :
         {std::pair{-1, 0}, {0, -1}, {5, 0}, {0, 5}, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {5, 5}, {-1, 4}}) {
      setpixel(p.d, x, y, 0xFFFFFFFF);
      EXPECT_EQ(getpixel(p.d, x, y), 0u);
    }
    EXPECT_EQ(before, std::vector<uint8_t>(p.d.poi, p.d.poi + 5 * p.d.bytew)) << bits;
  }
  dib empty;
  newdib(&empty, 0, 0, 24, nullptr, 0);
  setpixel(empty, 0, 0, 1);
  EXPECT_EQ(getpixel(empty, 0, 0), 0u);
}

TEST(SmallOperations, PowerOfTwoAndColourCount) {
  EXPECT_EQ(PowerOfTwo(0), 1);
  EXPECT_EQ(PowerOfTwo(-3), 1);
  EXPECT_EQ(PowerOfTwo(10), 1024);
  EXPECT_EQ(PowerOfTwo(31), INT32_MIN);
  for (const auto& [bits, count] : {std::pair{1, 2}, {4, 16}, {8, 256}, {16, 65536}, {24, 16777216}, {32, 0}}) {
    OwnedDib p(2, 2, bits);
    EXPECT_EQ(DibColorCount(&p.d), count) << bits;
  }
}

uint32_t TableColour(const dib& d, int32_t x, int32_t y) {
  const RgbQuad& q = d.pmi->bmiColors[getpixel(d, x, y)];
  return q.rgbRed | uint32_t{q.rgbGreen} << 8 | uint32_t{q.rgbBlue} << 16;
}

TEST(Halftone, CubeColoursPassUnchangedAndGreyDithersToItsLevel) {
  OwnedDib src(8, 8, 24);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) setpixel(src.d, x, y, y < 4 ? (x < 4 ? 0x0000FF : 0xFFFFFF) : 0x808080);
  dib t;
  DIBHalftoneDIB(&t, src.d);
  ASSERT_NE(t.poi, nullptr);
  EXPECT_EQ(DibBitCount(&t), 8);
  EXPECT_EQ(DibWidth(&t), 8);
  EXPECT_EQ(TableColour(t, 0, 0), 0x0000FFu);
  EXPECT_EQ(TableColour(t, 7, 3), 0xFFFFFFu);
  // 0x80 lies between the cube levels 0x66 and 0x99: the dither mixes both,
  // and their average over a 4 × 4 cell is close to the grey.
  int sum = 0;
  for (int32_t y = 4; y < 8; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      const uint32_t c = TableColour(t, x, y);
      EXPECT_TRUE((c & 0xFF) == 0x66 || (c & 0xFF) == 0x99) << std::hex << c;
      sum += static_cast<int>(c & 0xFF);
    }
  EXPECT_NEAR(sum / 16.0, 128.0, 6.0);
  deldib(t);
}

TEST(Halftone, XYScalesAndRefusesEmptySizes) {
  OwnedDib src(10, 10, 24);
  dib t;
  DIBHalftoneDIBXY(&t, src.d, 3, 17);
  ASSERT_NE(t.poi, nullptr);
  EXPECT_EQ(DibWidth(&t), 3);
  EXPECT_EQ(DibHeight(&t), 17);
  deldib(t);
  DIBHalftoneDIBXY(&t, src.d, 0, 5);
  EXPECT_EQ(t.poi, nullptr);
}

}  // namespace
}  // namespace trellimap
