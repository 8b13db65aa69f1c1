#include "display/surfacedevice.h"

#include <gtest/gtest.h>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

struct Picture {
  dib d;
  Picture(int32_t w, int32_t h, int32_t bits) {
    newdib(&d, w, h, bits, nullptr, 0);
    for (int32_t k = 0; k < 256; ++k)
      d.pmi->bmiColors[k] = {static_cast<uint8_t>(k * 3), static_cast<uint8_t>(k), static_cast<uint8_t>(255 - k), 0};
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const auto v = static_cast<uint32_t>(x * 29 + y * 71) * 2654435761u;  // scrambled, so neighbours differ
        setpixel(d, x, y, bits < 32 ? v % (1u << bits) : v);
      }
  }
  ~Picture() { ReleaseDib(&d); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
};

class Depths : public ::testing::TestWithParam<int32_t> {};

TEST_P(Depths, RowsAreDrawnInTheirColours) {
  Picture p(11, 5, GetParam());
  PixelSurface s;
  s.SetSize(11, 5);
  SurfaceDevice device(s);
  EXPECT_EQ(device.SetDIBitsToDevice(0, 0, 11, 5, 0, 0, 0, 5, p.d.poi, p.d.pmi, DIB_RGB_COLORS), 5);
  for (int32_t y = 0; y < 5; ++y)
    for (int32_t x = 0; x < 11; ++x) ASSERT_EQ(s.Pixel(x, y), DibPixelColour(p.d, x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(All, Depths, ::testing::Values(1, 4, 8, 16, 24, 32));

TEST(SurfaceDevice, StretchesASourceRectangleCountedFromTheBottom) {
  Picture p(4, 4, 8);
  PixelSurface s;
  s.SetSize(4, 4);
  SurfaceDevice device(s);
  // Columns 1-2 and rows 0-1 from the bottom, i.e. rows 2-3 from the top, doubled.
  device.StretchDIBits(0, 0, 4, 4, 1, 0, 2, 2, p.d.poi, p.d.pmi, DIB_RGB_COLORS, SRCCOPY);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(s.Pixel(x, y), DibPixelColour(p.d, 1 + x / 2, 2 + y / 2));

  const auto bitmap = device.CreateCompatibleBitmap(4, 4);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(device.SetDIBits(*bitmap, 0, 4, p.d.poi, p.d.pmi, DIB_RGB_COLORS), 4);
  PixelSurface t;
  t.SetSize(4, 4);
  SurfaceDevice other(t);
  EXPECT_TRUE(other.StretchBlt(0, 0, 4, 4, *bitmap, 1, 2, 2, 2, SRCCOPY));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(t.Pixel(x, y), s.Pixel(x, y)) << "bitmap rows count from the top";
}

TEST(SurfaceDevice, RasterOperationsCombineSourceAndDestination) {
  Picture p(2, 1, 24);
  PixelSurface s;
  s.SetSize(2, 1);
  SurfaceDevice device(s);
  constexpr uint32_t kSrcInvert = 0x00660046, kDstInvert = 0x00550009;
  device.StretchDIBits(0, 0, 2, 1, 0, 0, 2, 1, p.d.poi, p.d.pmi, DIB_RGB_COLORS, kDstInvert);
  EXPECT_EQ(s.Pixel(0, 0), 0xFFFFFFu);
  device.StretchDIBits(0, 0, 2, 1, 0, 0, 2, 1, p.d.poi, p.d.pmi, DIB_RGB_COLORS, kSrcInvert);
  EXPECT_EQ(s.Pixel(1, 0), 0xFFFFFFu ^ DibPixelColour(p.d, 1, 0));
}

TEST(SurfaceDevice, RefusesWhatItCannotRead) {
  Picture p(4, 4, 24);
  PixelSurface s;
  s.SetSize(4, 4);
  SurfaceDevice device(s);
  EXPECT_EQ(device.StretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, nullptr, p.d.pmi, DIB_RGB_COLORS, SRCCOPY), GDI_ERROR);
  EXPECT_EQ(device.StretchDIBits(0, 0, 4, 4, 0, 0, 4, 4, p.d.poi, p.d.pmi, 1, SRCCOPY), GDI_ERROR);
  BitmapInfo odd = *p.d.pmi;
  odd.bmiHeader.biCompression = 1;
  EXPECT_EQ(device.SetDIBitsToDevice(0, 0, 4, 4, 0, 0, 0, 4, p.d.poi, &odd, DIB_RGB_COLORS), 0);
  odd = *p.d.pmi;
  odd.bmiHeader.biHeight = -4;
  EXPECT_EQ(device.SetDIBitsToDevice(0, 0, 4, 4, 0, 0, 0, 4, p.d.poi, &odd, DIB_RGB_COLORS), 0);
  EXPECT_EQ(device.CreateCompatibleBitmap(0, 4), nullptr);
  EXPECT_EQ(device.CreateCompatibleBitmap(60000, 60000), nullptr);

  class Foreign : public DeviceBitmap {
  } foreign;
  EXPECT_EQ(device.SetDIBits(foreign, 0, 4, p.d.poi, p.d.pmi, DIB_RGB_COLORS), 0);
  EXPECT_FALSE(device.StretchBlt(0, 0, 4, 4, foreign, 0, 0, 4, 4, SRCCOPY));
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(s.Pixel(x, y), 0u);

  EXPECT_EQ(device.SetStretchBltMode(COLORONCOLOR), BLACKONWHITE);
  EXPECT_EQ(device.SetStretchBltMode(0), 0);
  EXPECT_EQ(device.StretchBltMode(), COLORONCOLOR);
}

}  // namespace
}  // namespace trellimap
