#include "display/paintdib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "display/surfacedevice.h"
#include "image/pixmill3.h"
#include "tests/support/recordingmessages.h"

namespace trellimap {

void PrintTo(const PaintRects& r, std::ostream* os) {
  *os << "dest " << r.x << "," << r.y << " " << r.dw << "x" << r.dh << " src " << r.sx << "," << r.sy << " " << r.sw
      << "x" << r.sh;
}

namespace {

struct OwnedDib {
  dib d;
  OwnedDib(int32_t w, int32_t h, int32_t bits) { newdib(&d, w, h, bits, nullptr, 0); }
  ~OwnedDib() { ReleaseDib(&d); }
  OwnedDib(const OwnedDib&) = delete;
  OwnedDib& operator=(const OwnedDib&) = delete;
};

// Gives each pixel a colour of its own as far as the depth allows, so that a
// wrong column or row shows up as a wrong colour.
void FillPattern(const dib& p) {
  for (int32_t k = 0; k < 256; ++k)
    p.pmi->bmiColors[k] = {static_cast<uint8_t>(k), static_cast<uint8_t>(255 - k), static_cast<uint8_t>(k * 7), 0};
  const int32_t bits = DibBitCount(&p);
  for (int32_t y = 0; y < DibHeight(&p); ++y)
    for (int32_t x = 0; x < DibWidth(&p); ++x) {
      const auto ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y);
      const uint32_t wide = (ux & 0xFF) | (uy & 0xFF) << 8 | ((ux >> 8) | (uy >> 8) << 4) << 16;
      const uint32_t scrambled = ((ux * 29 + uy * 71) * 2654435761u) >> 16;  // no symmetry to hide a flip
      setpixel(p, x, y, bits <= 8 ? scrambled % (1u << bits) : bits == 16 ? (ux + uy * 37) & 0x7FFF : wide);
    }
}

// A device over a surface that can pretend to be a printer, lack
// device-independent rows, or fail any call, and records what it was asked.
class TestDevice : public SurfaceDevice {
 public:
  using SurfaceDevice::SurfaceDevice;

  int32_t Technology() const override { return technology; }
  int32_t RasterCaps() const override { return caps; }
  int32_t StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                        const void* bits, const BitmapInfo* info, uint32_t usage, uint32_t rop) override {
    calls.push_back("StretchDIBits");
    stretched.push_back({x, y, dw, dh, sx, sy, sw, sh});
    lastBitCount = info->bmiHeader.biBitCount;
    if (failStretchDIBits) return GDI_ERROR;
    return SurfaceDevice::StretchDIBits(x, y, dw, dh, sx, sy, sw, sh, bits, info, usage, rop);
  }
  int32_t SetDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t startScan,
                            int32_t lines, const void* bits, const BitmapInfo* info, uint32_t usage) override {
    calls.push_back("SetDIBitsToDevice");
    largestBlock = std::max<int64_t>(largestBlock, int64_t{w} * h);
    widestBlock = std::max(widestBlock, w);
    if (failSetDIBitsToDevice) return 0;
    return SurfaceDevice::SetDIBitsToDevice(x, y, w, h, sx, sy, startScan, lines, bits, info, usage);
  }
  std::unique_ptr<DeviceBitmap> CreateCompatibleBitmap(int32_t w, int32_t h) override {
    calls.push_back("CreateCompatibleBitmap");
    return failCreateBitmap ? nullptr : SurfaceDevice::CreateCompatibleBitmap(w, h);
  }
  int32_t SetDIBits(DeviceBitmap& bitmap, int32_t start, int32_t lines, const void* bits, const BitmapInfo* info,
                    uint32_t usage) override {
    calls.push_back("SetDIBits");
    return failSetDIBits ? 0 : SurfaceDevice::SetDIBits(bitmap, start, lines, bits, info, usage);
  }
  bool StretchBlt(int32_t x, int32_t y, int32_t dw, int32_t dh, const DeviceBitmap& bitmap, int32_t sx, int32_t sy,
                  int32_t sw, int32_t sh, uint32_t rop) override {
    calls.push_back("StretchBlt");
    return !failStretchBlt && SurfaceDevice::StretchBlt(x, y, dw, dh, bitmap, sx, sy, sw, sh, rop);
  }

  int32_t technology = DT_RASDISPLAY;
  int32_t caps = RC_DIBTODEV;
  bool failStretchDIBits = false, failSetDIBitsToDevice = false, failCreateBitmap = false, failSetDIBits = false,
       failStretchBlt = false;
  std::vector<std::string> calls;
  std::vector<PaintRects> stretched;
  int32_t lastBitCount = 0;
  int64_t largestBlock = 0;
  int32_t widestBlock = 0;
};

// Colour that nearest-neighbour scaling of the whole picture to dw × dh gives
// device pixel (i, j).
uint32_t Nearest(const dib& p, int64_t dw, int64_t dh, int64_t i, int64_t j) {
  return DibPixelColour(p, static_cast<int32_t>(DibWidth(&p) * i / dw), static_cast<int32_t>(DibHeight(&p) * j / dh));
}

// The same for the software scaling, which spreads both ends over both ends.
uint32_t Spread(const dib& p, int64_t dw, int64_t dh, int64_t i, int64_t j) {
  const int64_t w = DibWidth(&p), h = DibHeight(&p);
  const int64_t col = dw > 1 ? (w - 1) * i / (dw - 1) : 0;
  const int64_t fromBottom = dh > 1 ? (h - 1) * (dh - 1 - j) / (dh - 1) : 0;
  return DibPixelColour(p, static_cast<int32_t>(col), static_cast<int32_t>(h - 1 - fromBottom));
}

void PaintWhole(DrawingDevice& device, const dib& p, int32_t dw, int32_t dh) {
  PaintDib(device, 0, 0, dw, dh, &p, 0, 0, DibWidth(&p), DibHeight(&p), false, SRCCOPY);
}

struct ScreenBits {
  explicit ScreenBits(int32_t bits) { SetScreenBitsPerPixel(bits); }
  ~ScreenBits() { SetScreenBitsPerPixel(24); }
};

TEST(ScreenBits, DefaultsTo24AndFollowsTheSetting) {
  EXPECT_EQ(ScreenBitsPerPixel(), 24);
  {
    const ScreenBits screen(8);
    EXPECT_EQ(ScreenBitsPerPixel(), 8);
  }
  EXPECT_EQ(ScreenBitsPerPixel(), 24);
}

TEST(RoundRatio, HalvesToEvenAndStaysDefined) {
  EXPECT_EQ(RoundRatio(-5, 1, 2), -2);
  EXPECT_EQ(RoundRatio(2000000000, 2000000000, 3), INT32_MAX);
  EXPECT_EQ(RoundRatio(9, 9, 0), 0);
}

struct ClipCase {
  PaintRects in;
  int32_t width, height;
  PaintRects out;
};

class ClipSource : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ClipSource, ScalesTheDestinationWithTheCut) {
  const ClipCase& c = GetParam();
  EXPECT_EQ(ClipSourceRect(c.in, c.width, c.height), c.out);
}

INSTANTIATE_TEST_SUITE_P(Steps, ClipSource,
                         ::testing::Values(
                             // Whole picture: no step applies.
                             ClipCase{{0, 0, 300, 240, 0, 0, 100, 80}, 100, 80, {0, 0, 300, 240, 0, 0, 100, 80}},
                             // Left edge: dw 180, x moves 20 right.
                             ClipCase{{5, 7, 200, 50, -10, 0, 100, 80}, 100, 80, {25, 7, 180, 50, 0, 0, 90, 80}},
                             // Top: a quarter of sh beyond H moves the top down by a quarter of dh.
                             ClipCase{{0, 0, 10, 160, 0, 40, 10, 80}, 10, 100, {0, 40, 10, 120, 0, 40, 10, 60}},
                             // Bottom: the top edge stays.
                             ClipCase{{0, 3, 10, 160, 0, -20, 10, 80}, 10, 100, {0, 3, 10, 120, 0, 0, 10, 60}},
                             // Right edge, rounding 2.5, 3.5 and 1.5 to even.
                             ClipCase{{0, 0, 5, 1, 9, 0, 2, 1}, 10, 1, {0, 0, 2, 1, 9, 0, 1, 1}},
                             ClipCase{{0, 0, 7, 1, 9, 0, 2, 1}, 10, 1, {0, 0, 4, 1, 9, 0, 1, 1}},
                             ClipCase{{0, 0, 3, 1, 9, 0, 2, 1}, 10, 1, {0, 0, 2, 1, 9, 0, 1, 1}},
                             // All four sides at once, each step on the values of the one before.
                             ClipCase{{0, 0, 40, 40, -5, -5, 30, 30}, 20, 20, {7, 7, 26, 26, 0, 0, 20, 20}},
                             // Wholly outside: nothing left to draw.
                             ClipCase{{0, 0, 50, 50, 120, 0, 10, 10}, 100, 100, {0, 0, -100, 50, 120, 0, -20, 10}}));

TEST(PaintDib, ThirtyPercentOfAThousandColumnsTakesEveryThirdAndAHalf) {
  OwnedDib p(1000, 2, 24);
  FillPattern(p.d);
  PixelSurface s;
  s.SetSize(300, 1);
  TestDevice device(s);
  PaintWhole(device, p.d, 300, 1);
  const int32_t columns[] = {0, 3, 6, 10, 13};
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(s.Pixel(i, 0), DibPixelColour(p.d, columns[i], 0));
  EXPECT_EQ(s.Pixel(299, 0), DibPixelColour(p.d, 996, 0));
  EXPECT_EQ(device.calls, std::vector<std::string>{"SetDIBitsToDevice"});
  EXPECT_EQ(device.StretchBltMode(), COLORONCOLOR);
}

TEST(PaintDib, HandsOnTheClippedRectanglesAndDrawsNothingWhenEmpty) {
  OwnedDib p(100, 80, 24);
  PixelSurface s;
  s.SetSize(10, 10);
  TestDevice device(s);
  PaintDib(device, 0, 0, 0, 5, &p.d, 0, 0, 100, 80, false, SRCCOPY);  // a zoom that rounds to 0
  PaintDib(device, 0, 0, 5, 0, &p.d, 0, 0, 100, 80, false, SRCCOPY);
  PaintDib(device, 0, 0, 5, 5, &p.d, 120, 0, 10, 20, false, SRCCOPY);
  PaintDib(device, 0, 0, 5, 5, &p.d, 0, -30, 100, 20, false, SRCCOPY);
  dib empty{};
  PaintDib(device, 0, 0, 5, 5, &empty, 0, 0, 1, 1, false, SRCCOPY);
  EXPECT_TRUE(device.calls.empty());
  EXPECT_EQ(device.StretchBltMode(), COLORONCOLOR);

  device.technology = DT_RASPRINTER;
  PaintDib(device, 5, 7, 200, 50, &p.d, -10, 0, 100, 80, false, SRCCOPY);
  ASSERT_EQ(device.stretched.size(), 1u);
  EXPECT_EQ(device.stretched[0], (PaintRects{25, 7, 180, 50, 0, 0, 90, 80}));
}

struct BranchCase {
  int32_t bits, technology;
  bool halftone;
  int32_t screenBits;
  const char* firstCall;
};

class Branches : public ::testing::TestWithParam<BranchCase> {};

TEST_P(Branches, FirstRuleThatAppliesWins) {
  const BranchCase& c = GetParam();
  const ScreenBits screen(c.screenBits);
  OwnedDib p(6, 4, c.bits);
  PixelSurface s;
  s.SetSize(12, 8);
  TestDevice device(s);
  device.technology = c.technology;
  PaintDib(device, 0, 0, 12, 8, &p.d, 0, 0, 6, 4, c.halftone, SRCCOPY);
  ASSERT_FALSE(device.calls.empty());
  EXPECT_EQ(device.calls.front(), c.firstCall);
  if (c.bits == 24 && c.halftone && c.screenBits <= 8) {
    EXPECT_EQ(device.lastBitCount, 8) << "draws the halftoned copy";
  }
}

INSTANTIATE_TEST_SUITE_P(Rules, Branches,
                         ::testing::Values(BranchCase{24, DT_RASDISPLAY, false, 24, "SetDIBitsToDevice"},
                                           BranchCase{24, DT_RASPRINTER, false, 24, "StretchDIBits"},
                                           BranchCase{8, DT_RASDISPLAY, false, 24, "SetDIBitsToDevice"},
                                           BranchCase{8, DT_RASPRINTER, false, 24, "StretchDIBits"},
                                           BranchCase{16, DT_RASDISPLAY, false, 24, "StretchDIBits"},
                                           BranchCase{32, DT_RASDISPLAY, false, 24, "StretchDIBits"},
                                           BranchCase{4, DT_RASDISPLAY, false, 24, "StretchDIBits"},
                                           BranchCase{1, DT_RASDISPLAY, false, 24, "StretchDIBits"},
                                           BranchCase{24, DT_RASPRINTER, true, 8, "StretchDIBits"},
                                           BranchCase{24, DT_RASDISPLAY, true, 24, "SetDIBitsToDevice"},
                                           BranchCase{8, DT_RASDISPLAY, true, 8, "SetDIBitsToDevice"}));

TEST(PaintDib, HalftonesAtThePictureSizeOrAtTheReducedSize) {
  const ScreenBits screen(8);
  OwnedDib p(8, 6, 24);
  FillPattern(p.d);
  for (const int32_t scale : {1, 2}) {  // 100 % and reduced to 50 %
    const int32_t dw = 8 / scale, dh = 6 / scale;
    dib t;
    DIBHalftoneDIBXY(&t, p.d, dw, dh);
    PixelSurface s;
    s.SetSize(dw, dh);
    SurfaceDevice device(s);
    PaintDib(device, 0, 0, dw, dh, &p.d, 0, 0, 8, 6, true, SRCCOPY);
    for (int32_t j = 0; j < dh; ++j)
      for (int32_t i = 0; i < dw; ++i) EXPECT_EQ(s.Pixel(i, j), DibPixelColour(t, i, j));
    deldib(t);
  }
}

TEST(PaintDib, DeviceBitmapFailuresShowTheirMessageAndStop) {
  struct Case {
    int fail;  // 0 CreateCompatibleBitmap, 1 SetDIBits, 2 StretchBlt
    const char* text;
    size_t calls;
  };
  for (const Case c :
       {Case{0, "Could not create bitmap.", 2}, Case{1, "The device does not support the Funtkion setdibits!", 3},
        Case{2, "The device does not support the function StretchBlt!", 4}}) {
    OwnedDib p(4, 4, 16);
    PixelSurface s;
    s.SetSize(8, 8);
    TestDevice device(s);
    device.caps = 0;
    device.failStretchDIBits = true;
    device.failCreateBitmap = c.fail == 0;
    device.failSetDIBits = c.fail == 1;
    device.failStretchBlt = c.fail == 2;
    testing::RecordingMessages messages;
    PaintWhole(device, p.d, 8, 8);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, c.text);
    EXPECT_EQ(messages.shown[0].caption, "");
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(messages.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(device.calls.size(), c.calls) << "no drawing after the message";
  }
}

// One way of drawing, reached through the picture's depth and the device's
// kind, capabilities and failures, and the pixels it must give.
enum class Expect { Nearest, Spread };
struct Way {
  const char* name;
  int32_t bits, technology, caps;
  bool failStretch, failRows;
  Expect expect;
};

class Viewports : public ::testing::TestWithParam<std::tuple<Way, std::pair<int32_t, int32_t>>> {};

// A pane draws the whole destination into a viewport device; each viewport
// must show exactly its part of the whole drawing, which itself must be right.
TEST_P(Viewports, ShowExactlyTheirPartOfTheWholeDrawing) {
  const auto& [way, size] = GetParam();
  const auto [dw, dh] = size;
  OwnedDib p(13, 9, way.bits);
  FillPattern(p.d);
  constexpr uint32_t kMarker = 0x1E3C5A;  // outside the destination nothing may change
  auto paint = [&](PixelSurface& s, int32_t ox, int32_t oy, int32_t w, int32_t h) {
    s.SetSize(w, h);
    for (int32_t j = 0; j < h; ++j)
      for (int32_t i = 0; i < w; ++i) std::memcpy(s.Row(j) + 3 * i, "\x1E\x3C\x5A", 3);
    TestDevice device(s, ox, oy);
    device.technology = way.technology;
    device.caps = way.caps;
    device.failStretchDIBits = way.failStretch;
    device.failSetDIBitsToDevice = way.failRows;
    PaintWhole(device, p.d, dw, dh);
    EXPECT_LE(device.largestBlock, int64_t{w} * h) << "buffers follow the visible area";
  };
  PixelSurface whole;
  paint(whole, 0, 0, dw, dh);
  for (int32_t j = 0; j < dh; ++j)
    for (int32_t i = 0; i < dw; ++i) {
      const uint32_t want = way.expect == Expect::Nearest ? Nearest(p.d, dw, dh, i, j) : Spread(p.d, dw, dh, i, j);
      ASSERT_EQ(whole.Pixel(i, j), want) << way.name << " " << dw << "x" << dh << " at " << i << "," << j;
    }

  struct View {
    int32_t ox, oy, w, h;
  };
  for (const View v : {View{3, 2, 5, 4}, View{dw - 7, dh - 3, 10, 10}, View{-5, -4, 8, 8}, View{dw / 2, 1, 1, dh},
                       View{dw + 5, 0, 4, 4}}) {
    PixelSurface part;
    paint(part, v.ox, v.oy, v.w, v.h);
    for (int32_t j = 0; j < v.h; ++j)
      for (int32_t i = 0; i < v.w; ++i) {
        const int32_t X = v.ox + i, Y = v.oy + j;
        const bool inside = X >= 0 && Y >= 0 && X < dw && Y < dh;
        ASSERT_EQ(part.Pixel(i, j), inside ? whole.Pixel(X, Y) : kMarker)
            << way.name << " " << dw << "x" << dh << ", view at " << v.ox << "," << v.oy << ", pixel " << X << "," << Y;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllWays, Viewports,
    ::testing::Combine(
        ::testing::Values(Way{"rows24", 24, DT_RASDISPLAY, RC_DIBTODEV, false, false, Expect::Nearest},
                          Way{"rows8", 8, DT_RASDISPLAY, RC_DIBTODEV, false, false, Expect::Nearest},
                          Way{"stretch", 24, DT_RASPRINTER, RC_DIBTODEV, false, false, Expect::Nearest},
                          Way{"software1", 1, DT_RASPRINTER, RC_DIBTODEV, true, false, Expect::Spread},
                          Way{"software4", 4, DT_RASPRINTER, RC_DIBTODEV, true, false, Expect::Spread},
                          Way{"software8", 8, DT_RASPRINTER, RC_DIBTODEV, true, false, Expect::Spread},
                          Way{"software24", 24, DT_RASPRINTER, RC_DIBTODEV, true, false, Expect::Spread},
                          Way{"software16", 16, DT_RASDISPLAY, RC_DIBTODEV, true, false, Expect::Spread},
                          Way{"software32", 32, DT_RASDISPLAY, RC_DIBTODEV, true, false, Expect::Spread},
                          Way{"bitmap", 8, DT_RASPRINTER, 0, true, false, Expect::Nearest},
                          Way{"bitmapAfterRows", 24, DT_RASPRINTER, RC_DIBTODEV, true, true, Expect::Nearest}),
        // 30 %, 100 %, 250 % and 1000 %, and a single pixel.
        ::testing::Values(std::pair{4, 3}, std::pair{13, 9}, std::pair{33, 23}, std::pair{130, 90}, std::pair{1, 1})));

TEST(PaintDib, EveryWayTakesTheSourceRectangleCountedFromTheBottom) {
  // Columns 2-6 and rows 1-4 from the bottom (2-5 from the top) of a 9 × 7 picture.
  constexpr int32_t sx = 2, sy = 1, sw = 5, sh = 4, dw = 10, dh = 8;
  for (const Way& way : {Way{"rows24", 24, DT_RASDISPLAY, RC_DIBTODEV, false, false, Expect::Nearest},
                         Way{"stretch", 24, DT_RASPRINTER, RC_DIBTODEV, false, false, Expect::Nearest},
                         Way{"bitmap", 24, DT_RASPRINTER, 0, true, false, Expect::Nearest},
                         Way{"software24", 24, DT_RASPRINTER, RC_DIBTODEV, true, false, Expect::Spread},
                         Way{"software1", 1, DT_RASPRINTER, RC_DIBTODEV, true, false, Expect::Spread}}) {
    OwnedDib p(9, 7, way.bits);
    FillPattern(p.d);
    PixelSurface s;
    s.SetSize(dw, dh);
    TestDevice device(s);
    device.technology = way.technology;
    device.caps = way.caps;
    device.failStretchDIBits = way.failStretch;
    PaintDib(device, 0, 0, dw, dh, &p.d, sx, sy, sw, sh, false, SRCCOPY);
    for (int32_t j = 0; j < dh; ++j)
      for (int32_t i = 0; i < dw; ++i) {
        const int32_t col = way.expect == Expect::Nearest ? sx + sw * i / dw : sx + (sw - 1) * i / (dw - 1);
        const int32_t row =
            way.expect == Expect::Nearest ? 7 - sy - sh + sh * j / dh : 6 - (sy + (sh - 1) * (dh - 1 - j) / (dh - 1));
        ASSERT_EQ(s.Pixel(i, j), DibPixelColour(p.d, col, row)) << way.name << " at " << i << "," << j;
      }
  }
}

TEST(PaintDib, LargestZoomWorksOnTheVisiblePartOnly) {
  OwnedDib p(4000, 3000, 24);
  setpixel(p.d, 2000, 1500, 0x0000FF);
  setpixel(p.d, 3999, 2999, 0x00FF00);
  constexpr int32_t dw = 400000, dh = 300000;
  struct Case {
    int32_t ox, oy, technology;
    bool failStretch;
    int64_t visibleRows;
    int32_t X, Y;  // a device pixel inside the view showing a set pixel
    uint32_t colour;
  };
  for (const Case c : {Case{200000 - 640, 150000 - 400, DT_RASDISPLAY, false, 800, 200050, 150099, 0x0000FF},
                       Case{dw - 1000, dh - 500, DT_RASDISPLAY, false, 500, dw - 1, dh - 1, 0x00FF00},
                       Case{dw - 1000, dh - 500, DT_RASPRINTER, false, 0, dw - 1, dh - 1, 0x00FF00},
                       Case{dw - 1000, dh - 500, DT_RASPRINTER, true, 0, dw - 1, dh - 1, 0x00FF00}}) {
    PixelSurface s;
    s.SetSize(1280, 800);
    TestDevice device(s, c.ox, c.oy);
    device.technology = c.technology;
    device.failStretchDIBits = c.failStretch;
    PaintWhole(device, p.d, dw, dh);
    EXPECT_LE(device.largestBlock, 1280 * 800);
    EXPECT_LE(device.widestBlock, 1280);
    if (c.visibleRows > 0) {
      EXPECT_EQ(static_cast<int64_t>(device.calls.size()), c.visibleRows) << "one row-draw per visible row";
    }
    EXPECT_EQ(s.Pixel(c.X - c.ox, c.Y - c.oy), c.colour);
    EXPECT_EQ(s.Pixel(c.X - c.ox - 100, c.Y - c.oy - 100), 0u);
  }
}

}  // namespace
}  // namespace trellimap
