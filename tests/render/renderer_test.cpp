#include "warp/renderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "tests/render/literalwarp.h"
#include "tests/support/outlines.h"

namespace trellimap {
namespace {

using testing::FillOutline;
using testing::PointSpec;

// A picture whose every pixel differs from its neighbours.
void Paint(dib& d, uint32_t seed) {
  std::mt19937 random(seed);
  const int32_t h = DibHeight(&d);
  for (int32_t i = 0; i < h * d.bytew; ++i) d.poi[i] = static_cast<uint8_t>(random());
}

void Replace(dib& d, int32_t w, int32_t h, int32_t bits, uint32_t seed) {
  ReleaseDib(&d);
  newdib(&d, w, h, bits, nullptr, 0);
  Paint(d, seed);
}

// A complete outline: 4 corners, bends on sides 1 and 3, the closing record.
std::vector<PointSpec> Quad(std::vector<PointSpec> side1, std::vector<PointSpec> side3, PointSpec c1, PointSpec c2,
                            PointSpec c3, PointSpec c4) {
  std::vector<PointSpec> p{c1};
  p.insert(p.end(), side1.begin(), side1.end());
  p.push_back(c2);
  p.push_back(c3);
  p.insert(p.end(), side3.begin(), side3.end());
  p.push_back(c4);
  p.push_back(c1);
  return p;
}

std::vector<uint8_t> Pixels(const dib& d) { return {d.poi, d.poi + DibHeight(&d) * d.bytew}; }

struct Scene {
  const char* name;
  std::vector<PointSpec> outline1, outline2;
};

std::vector<Scene> Scenes() {
  std::vector<Scene> s;
  s.push_back({"straight", Quad({}, {}, {2, 3, 1}, {30, 4, 1}, {29, 20, 1}, {1, 19, 1}),
               Quad({}, {}, {5, 5, 1}, {15, 2, 1}, {18, 35, 1}, {3, 30, 1})});
  s.push_back({"bent", Quad({{10, 0, 0}, {20, 8, 0}}, {{15, 25, 0}}, {0, 0, 1}, {36, 2, 1}, {30, 22, 1}, {2, 20, 1}),
               Quad({{9, 1, 0}}, {{12, 30, 0}, {7, 28, 0}}, {1, 1, 1}, {22, 3, 1}, {20, 38, 1}, {0, 36, 1})});
  s.push_back({"opposite turning", Quad({}, {}, {0, 0, 1}, {36, 0, 1}, {36, 22, 1}, {0, 22, 1}),
               Quad({}, {}, {0, 0, 1}, {0, 40, 1}, {22, 40, 1}, {22, 0, 1})});
  s.push_back({"identical axis-aligned", Quad({}, {}, {4, 4, 1}, {20, 4, 1}, {20, 16, 1}, {4, 16, 1}),
               Quad({}, {}, {4, 4, 1}, {20, 4, 1}, {20, 16, 1}, {4, 16, 1})});
  s.push_back({"degenerate", Quad({{5, 5, 0}, {5, 5, 0}}, {}, {5, 5, 1}, {5, 5, 1}, {9, 9, 1}, {9, 9, 1}),
               Quad({}, {{3, 3, 0}}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1})});
  s.push_back({"outside the pictures", Quad({{-50, 90, 0}}, {}, {-10, -10, 1}, {60, -5, 1}, {70, 50, 1}, {-20, 45, 1}),
               Quad({}, {{100, 100, 0}}, {37, 23, 1}, {-3, 0, 1}, {40, 41, 1}, {0, 41, 1})});
  s.push_back({"extreme", Quad({{INT32_MAX, 0, 0}}, {}, {INT32_MIN, 3, 1}, {4, INT32_MAX, 1}, {9, 9, 1}, {0, 9, 1}),
               Quad({}, {}, {0, 0, 1}, {INT32_MAX, INT32_MAX, 1}, {INT32_MIN, 1, 1}, {1, INT32_MIN, 1})});
  // Lists that do not have the shape of an outline, as a damaged project may hold.
  s.push_back({"malformed", {{3, 3, false}, {9, 9, false}}, {{1, 1, true}, {5, 5, true}}});
  s.push_back({"no corners",
               {},
               {{2, 2, true},
                {3, 3, false},
                {4, 4, true},
                {5, 5, true},
                {6, 6, true},
                {7, 7, true},
                {8, 8, true},
                {9, 9, true}}});
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> coordinate(-8, 48);
  for (int i = 0; i < 12; ++i) {
    auto p = [&](bool corner) { return PointSpec{coordinate(random), coordinate(random), corner}; };
    s.push_back({"random", Quad({p(false), p(false)}, {p(false)}, p(true), p(true), p(true), p(true)),
                 Quad({p(false)}, {p(false), p(false), p(false)}, p(true), p(true), p(true), p(true))});
  }
  return s;
}

// Pictures tall enough that the grid is worked in several chunks, with
// outlines that cross themselves over their whole height.
std::vector<Scene> TallScenes() {
  return {{"tall upright", Quad({{30, 40, 0}}, {}, {0, 0, 1}, {63, 0, 1}, {63, 4999, 1}, {0, 4999, 1}),
           Quad({}, {{20, 4500, 0}}, {0, 0, 1}, {49, 10, 1}, {49, 4599, 1}, {0, 4599, 1})},
          {"tall upside down", Quad({}, {}, {0, 4999, 1}, {63, 4999, 1}, {63, 0, 1}, {0, 0, 1}),
           Quad({}, {}, {0, 4599, 1}, {49, 4599, 1}, {49, 0, 1}, {0, 0, 1})},
          {"tall bow tie", Quad({{30, 2500, 0}}, {}, {0, 0, 1}, {63, 4999, 1}, {0, 4999, 1}, {63, 0, 1}),
           Quad({}, {{10, 2000, 0}}, {49, 0, 1}, {0, 4599, 1}, {49, 4599, 1}, {0, 0, 1})}};
}

TEST(Renderer, MatchesTheStraightforwardWarpByteForByte) {
  for (const bool tall : {false, true})
    for (const Scene& scene : tall ? TallScenes() : Scenes())
      for (int options = 0; options < 4; ++options) {
        Workspace fast, literal;
        for (Workspace* ws : {&fast, &literal}) {
          Replace(ws->di1, tall ? 64 : 37, tall ? 5000 : 22, 24, 1);
          Replace(ws->di2, tall ? 50 : 23, tall ? 4600 : 40, 24, 2);
          FillOutline(ws->punkte1, scene.outline1);
          FillOutline(ws->punkte2, scene.outline2);
          ws->ecken1 = ws->ecken2 = 4;
          ws->showoriginal = options & 1;
          ws->transparent = options & 2;
        }
        for (WarpDirection d : {WarpDirection::OneIntoTwo, WarpDirection::TwoIntoOne}) {
          ASSERT_TRUE(testing::LiteralRenderDirection(literal, d));
          const dib& expected = d == WarpDirection::OneIntoTwo ? literal.di3 : literal.di4;
          for (int threads : {1, 2, 3}) {
            const dib& got = d == WarpDirection::OneIntoTwo ? fast.di3 : fast.di4;
            // A result of the right size is reused: whatever it held must go.
            if (got.poi != nullptr) std::memset(got.poi, 0x5A, static_cast<size_t>(DibHeight(&got) * got.bytew));
            ASSERT_TRUE(RenderDirectionExact(fast, d, threads));
            ASSERT_EQ(DibWidth(&got), DibWidth(&expected));
            ASSERT_EQ(DibHeight(&got), DibHeight(&expected));
            ASSERT_EQ(Pixels(got), Pixels(expected)) << scene.name << ", options " << options << ", direction "
                                                     << static_cast<int>(d) << ", " << threads << " threads";
          }
        }
      }
}

class RendererOptions : public ::testing::Test {
 protected:
  RendererOptions() {
    Replace(ws.di1, 20, 10, 24, 3);
    Replace(ws.di2, 20, 10, 24, 4);
    const auto same = Quad({}, {}, {2, 2, 1}, {17, 2, 1}, {17, 7, 1}, {2, 7, 1});
    FillOutline(ws.punkte1, same);
    FillOutline(ws.punkte2, same);
    ws.ecken1 = ws.ecken2 = 4;
  }
  Workspace ws;
};

TEST_F(RendererOptions, IdenticalOutlinesCopyOrAverageInPlaceAndLeaveTheRestAlone) {
  ASSERT_TRUE(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
  EXPECT_EQ(getpixel(ws.di3, 5, 5), getpixel(ws.di1, 5, 5));
  EXPECT_EQ(getpixel(ws.di3, 0, 0), 0u);  // outside the outline: black

  ws.showoriginal = true;
  ws.transparent = true;
  ASSERT_TRUE(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
  const uint32_t a = getpixel(ws.di1, 5, 5), b = getpixel(ws.di2, 5, 5);
  uint32_t average = 0;
  for (int shift = 0; shift < 24; shift += 8) average |= ((a >> shift & 0xFF) + (b >> shift & 0xFF)) / 2 << shift;
  EXPECT_EQ(getpixel(ws.di3, 5, 5), average);
  EXPECT_EQ(getpixel(ws.di3, 0, 0), getpixel(ws.di2, 0, 0));  // background
}

TEST_F(RendererOptions, IncompleteOutlinesRenderNothing) {
  const std::vector<uint8_t> before = Pixels(ws.di3);
  ws.ecken2 = 3;
  EXPECT_FALSE(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
  EXPECT_EQ(Pixels(ws.di3), before);
  EXPECT_EQ(DibWidth(&ws.di3), 320);
}

TEST_F(RendererOptions, ResultTakesTheDestinationsSizeAndColours) {
  // An 8-bit destination: the background shows its colours, read within its block.
  BitmapInfo colours{};
  colours.bmiColors[1] = {10, 20, 30, 0};
  ReleaseDib(&ws.di2);
  newdib(&ws.di2, 9, 31, 8, &colours, 256);
  ws.di2.poi[0] = 1;
  ws.showoriginal = true;
  ASSERT_TRUE(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
  EXPECT_EQ(DibWidth(&ws.di3), 9);
  EXPECT_EQ(DibHeight(&ws.di3), 31);
  EXPECT_EQ(getpixel(ws.di3, 0, 30), 0x0A141Eu);
  ASSERT_TRUE(RenderDirectionExact(ws, WarpDirection::TwoIntoOne));
  EXPECT_EQ(DibWidth(&ws.di4), 20);

  // A destination without a picture leaves the result empty instead of failing.
  ReleaseDib(&ws.di2);
  EXPECT_TRUE(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
  EXPECT_EQ(ws.di3.poi, nullptr);
}

}  // namespace
}  // namespace trellimap
