#include "render/dragpreview.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "tests/support/outlines.h"
#include "warp/renderer.h"

namespace trellimap {
namespace {

using testing::FillOutline;
using testing::PointSpec;

void Replace(dib& d, int32_t w, int32_t h, int32_t bits, uint32_t seed) {
  std::mt19937 random(seed);
  BitmapInfo colours{};
  for (RgbQuad& c : colours.bmiColors) c = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
  ReleaseDib(&d);
  newdib(&d, w, h, bits, &colours, 256);
  for (int64_t i = 0; i < int64_t{h} * d.bytew; ++i) d.poi[i] = static_cast<uint8_t>(random());
}

// A 24-bit picture's pixel bytes, without the row padding.
std::vector<uint8_t> Pixels(const dib& d) {
  std::vector<uint8_t> bytes;
  for (int64_t y = 0; y < DibHeight(&d); ++y)
    bytes.insert(bytes.end(), d.poi + y * d.bytew, d.poi + y * d.bytew + 3 * int64_t{DibWidth(&d)});
  return bytes;
}

// Corners (x0, y0), (x1, y0), (x1, y1), (x0, y1), sides 1 and 3 bent by `bend`.
std::vector<PointSpec> Bent(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t bend) {
  const int32_t mx = (x0 + x1) / 2;
  return {{x0, y0, true},         {mx, y0 + bend, false}, {x1, y0, true}, {x1, y1, true},
          {mx, y1 - bend, false}, {x0, y1, true},         {x0, y0, true}};
}

TEST(DragPreview, RendersTheExactWarpOnReducedPictures) {
  // Small pictures are not reduced: the preview is the exact result, at any depth and option.
  for (int32_t bits : {24, 8})
    for (int options = 0; options < 4; ++options) {
      Workspace ws;
      Replace(ws.di1, 60, 40, bits, 1);
      Replace(ws.di2, 45, 52, 24, 2);
      FillOutline(ws.punkte1, Bent(3, 2, 55, 37, 6));
      FillOutline(ws.punkte2, Bent(-4, 5, 40, 50, -9));
      ws.ecken1 = ws.ecken2 = 4;
      ws.showoriginal = options & 1;
      ws.transparent = options & 2;
      DragPreview preview;
      preview.Begin(ws);
      ASSERT_TRUE(preview.Render(ws));
      ASSERT_TRUE(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
      ASSERT_TRUE(RenderDirectionExact(ws, WarpDirection::TwoIntoOne));
      EXPECT_EQ(Pixels(preview.Result(WarpDirection::OneIntoTwo)), Pixels(ws.di3))
          << bits << " bits, options " << options;
      EXPECT_EQ(Pixels(preview.Result(WarpDirection::TwoIntoOne)), Pixels(ws.di4))
          << bits << " bits, options " << options;
    }

  // Picture 1 is reduced by 2 (to 501 × 300), picture 2 (500 × 300) is not; the
  // outlines cover the same reduced rectangle, so each result shows the other
  // picture's reduced pixels in place inside it.
  Workspace ws;
  Replace(ws.di1, 1001, 600, 24, 3);
  Replace(ws.di2, 500, 300, 24, 4);
  FillOutline(ws.punkte1, Bent(0, 0, 998, 598, 0));
  FillOutline(ws.punkte2, Bent(0, 0, 499, 299, 0));
  ws.ecken1 = 4;
  ws.ecken2 = 3;
  DragPreview preview;
  EXPECT_FALSE(preview.Render(ws));
  EXPECT_FALSE(preview.Active());
  preview.Begin(ws);
  EXPECT_TRUE(preview.Active());
  EXPECT_FALSE(preview.Render(ws));
  EXPECT_EQ(preview.Result(WarpDirection::OneIntoTwo).poi, nullptr);
  ws.ecken2 = 4;
  ASSERT_TRUE(preview.Render(ws));
  const dib &r1 = preview.Result(WarpDirection::OneIntoTwo), &r2 = preview.Result(WarpDirection::TwoIntoOne);
  ASSERT_EQ((std::array{DibWidth(&r1), DibHeight(&r1), DibWidth(&r2), DibHeight(&r2)}),
            (std::array{500, 300, 501, 300}));
  for (int32_t y = 1; y < 299; ++y)  // the renderer leaves parts of the outline's edge alone
    for (int32_t x = 1; x < 499; ++x) {
      ASSERT_EQ(getpixel(r1, x, y), getpixel(ws.di1, 2 * x, 2 * y)) << x << ", " << y;
      ASSERT_EQ(getpixel(r2, x, y), getpixel(ws.di2, x, y)) << x << ", " << y;
    }

  // The reduction stops at the limit exactly.
  for (auto [w, h, rw, rh] : {std::array{1000, 500, 1000, 500}, {1000, 501, 500, 251}, {2001, 1000, 667, 334}}) {
    Replace(ws.di2, w, h, 24, 5);
    preview.Begin(ws);
    ASSERT_TRUE(preview.Render(ws));
    EXPECT_EQ(DibWidth(&preview.Result(WarpDirection::OneIntoTwo)), rw) << w << " x " << h;
    EXPECT_EQ(DibHeight(&preview.Result(WarpDirection::OneIntoTwo)), rh) << w << " x " << h;
  }

  preview.End();
  EXPECT_FALSE(preview.Active());
  EXPECT_EQ(preview.Result(WarpDirection::TwoIntoOne).poi, nullptr);
  EXPECT_FALSE(preview.Render(ws));
}

}  // namespace
}  // namespace trellimap
