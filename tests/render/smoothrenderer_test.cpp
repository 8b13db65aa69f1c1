#include "warp/smoothrenderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "tests/support/outlines.h"

namespace trellimap {
namespace {

using testing::PointSpec;

// A workspace whose picture 1 (w1 × h1) holds colour(x, y), picture 2 (w2 × h2)
// a dark blue, and the two outlines given (each closed here).
struct SmoothCase {
  Workspace ws;

  SmoothCase(int32_t w1, int32_t h1, const std::function<uint32_t(int32_t, int32_t)>& colour, int32_t w2, int32_t h2,
             std::vector<PointSpec> one, std::vector<PointSpec> two) {
    Paint(ws.di1, w1, h1, colour);
    Paint(ws.di2, w2, h2, [](int32_t, int32_t) { return 0x400000u; });
    one.push_back(one.front());
    two.push_back(two.front());
    testing::FillOutline(ws.punkte1, one);
    testing::FillOutline(ws.punkte2, two);
    ws.ecken1 = ws.ecken2 = 4;
    ws.smooth = true;
  }
  static void Paint(dib& d, int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& colour) {
    ReleaseDib(&d);
    newdib(&d, w, h, 24, nullptr, 0);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, colour(x, y));
  }
  uint32_t Result(int32_t x, int32_t y) { return getpixel(ws.di3, x, y); }
};

uint32_t Grey(uint32_t v) { return v | v << 8 | v << 16; }

TEST(SmoothRenderer, ClosedFormMapsComeOutExactly) {
  // The identity gives a smooth picture back, its rim half covered.
  const auto ramp = [](int32_t x, int32_t y) { return Grey(static_cast<uint32_t>(3 * x + 2 * y)); };
  const std::vector<PointSpec> frame = {{0, 0, true}, {39, 0, true}, {39, 29, true}, {0, 29, true}};
  SmoothCase identity(40, 30, ramp, 40, 30, frame, frame);
  ASSERT_TRUE(RenderAsChosen(identity.ws, WarpDirection::OneIntoTwo));
  for (int32_t y = 1; y < 29; ++y)
    for (int32_t x = 1; x < 39; ++x) ASSERT_EQ(identity.Result(x, y), ramp(x, y)) << x << "," << y;
  EXPECT_EQ(identity.Result(10, 0) & 0xFF, (ramp(10, 0) & 0xFF) / 2);

  // Twice the size: a linear ramp stays linear, 5 per pixel where it was 10.
  SmoothCase twice(21, 21, [](int32_t x, int32_t) { return Grey(static_cast<uint32_t>(10 * x)); }, 41, 41,
                   {{0, 0, true}, {20, 0, true}, {20, 20, true}, {0, 20, true}},
                   {{0, 0, true}, {40, 0, true}, {40, 40, true}, {0, 40, true}});
  RenderDirectionSmooth(twice.ws, WarpDirection::OneIntoTwo);
  for (int32_t x = 1; x < 40; ++x) EXPECT_EQ(twice.Result(x, 20), Grey(static_cast<uint32_t>(5 * x))) << x;

  // The exact renderer is untouched when the option is off.
  identity.ws.smooth = false;
  RenderAsChosen(identity.ws, WarpDirection::OneIntoTwo);
  const std::vector<uint8_t> chosen(identity.ws.di3.poi, identity.ws.di3.poi + 30 * identity.ws.di3.bytew);
  RenderDirectionExact(identity.ws, WarpDirection::OneIntoTwo);
  EXPECT_TRUE(std::equal(chosen.begin(), chosen.end(), identity.ws.di3.poi));
}

// A strongly bent outline: no pixel inside is left as background, pixels
// well outside are background exactly, a uniform source stays uniform inside,
// and the options keep their meaning.
TEST(SmoothRenderer, BentOutlinesAreFilledWithoutHolesAndClearOutside) {
  const std::vector<PointSpec> bent = {{10, 40, true},  {30, 2, false},  {60, 45, false}, {90, 5, false},
                                       {110, 40, true}, {105, 75, true}, {60, 60, false}, {15, 78, true}};
  SmoothCase c(
      30, 20, [](int32_t, int32_t) { return 0x20A0F0u; }, 120, 90,
      {{0, 0, true}, {29, 0, true}, {29, 19, true}, {0, 19, true}}, bent);
  for (const bool showoriginal : {false, true}) {
    c.ws.showoriginal = showoriginal;
    ASSERT_TRUE(RenderDirectionSmooth(c.ws, WarpDirection::OneIntoTwo));
    const uint32_t background = showoriginal ? 0x400000u : 0u;
    for (int32_t y = 0; y < 90; ++y)
      for (int32_t x = 0; x < 120; ++x) {
        // Inside: the polygon of the outline, more than 1.5 pixels from its sides.
        const auto [distance, inside] = testing::PlaceInPolygon(bent, x, y);
        if (inside && distance > 1.5) {
          ASSERT_EQ(c.Result(x, y), 0x20A0F0u) << x << "," << y;
        } else if (!inside && distance > 2) {
          ASSERT_EQ(c.Result(x, y), background) << x << "," << y;
        }
      }
  }
  c.ws.transparent = true;
  RenderDirectionSmooth(c.ws, WarpDirection::OneIntoTwo);
  EXPECT_EQ(c.Result(60, 52), 0x305078u);  // half and half with the destination's 0x400000
}

}  // namespace
}  // namespace trellimap
