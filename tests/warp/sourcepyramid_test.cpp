#include "warp/sourcepyramid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Keeping only the part of the picture that reads centred in a box can reach
// changes no read in the box, at any level of detail.
TEST(SourcePyramid, ReadsAgreeWhateverIsKeptAndHowManyAtATime) {
  dib picture{};
  newdib(&picture, 200, 160, 24, nullptr, 0);
  for (int32_t y = 0; y < 160; ++y)
    for (int32_t x = 0; x < 200; ++x)
      setpixel(picture, x, y,
               static_cast<uint32_t>((x * 37 + y * 11) % 256) | static_cast<uint32_t>((x * y) % 256) << 8 |
                   static_cast<uint32_t>((x ^ y) % 256) << 16);
  const ReadBox box{71.3, 51.6, 140.8, 111.2};
  const SourcePyramid kept(picture, box, 3, 2);
  const SourcePyramid whole(picture, ReadBox{NAN, NAN, NAN, NAN}, 3, 1);
  for (const float detail : {0.0f, 0.6f, 1.5f, 2.9f})
    for (double v = box.top; v <= box.bottom; v += 0.93)
      for (double u = box.left; u <= box.right; u += 0.71) {
        const Colour a = kept.Read(u, v, detail), b = whole.Read(u, v, detail);
        for (int k = 0; k < 3; ++k) ASSERT_NEAR(a[k], b[k], 1e-3) << detail << " at " << u << "," << v;
      }
  // Reads many at a time, at every width the processor has, give what reads
  // one at a time give, off the level and at points that are no numbers too.
  std::vector<float> us, vs;
  for (double v = box.top - 3; v <= box.bottom + 3; v += 0.87)
    for (double u = box.left - 3; u <= box.right + 3; u += 0.93) {
      us.push_back(static_cast<float>(u));
      vs.push_back(static_cast<float>(v));
    }
  us.push_back(NAN);
  vs.push_back(10);
  const auto count = static_cast<int>(us.size());
  for (const int widest : {1, 8, 16}) {
    std::vector<float> red(us.size()), green(us.size()), blue(us.size());
    kept.Base().ReadBilinear(us.data(), vs.data(), count, red.data(), green.data(), blue.data(), widest);
    for (size_t i = 0; i < us.size(); ++i) {
      const Colour one = kept.Base().Bilinear(us[i], vs[i]);
      ASSERT_NEAR(red[i], one[0], 1e-3) << widest << " at " << us[i] << "," << vs[i];
      ASSERT_NEAR(green[i], one[1], 1e-3) << widest;
      ASSERT_NEAR(blue[i], one[2], 1e-3) << widest;
    }
  }
  // Sums of four reads a pixel agree with the reads one at a time, points
  // that are not numbers left out: from a level at every width the
  // processor has, and from the picture where it lies, off its edges too.
  std::vector<float> pu, pv;
  for (double v = -3; v <= 163; v += 0.87)
    for (double u = -3; u <= 203; u += 0.93) {
      pu.push_back(pu.size() % 7 == 3 ? NAN : static_cast<float>(u));
      pv.push_back(static_cast<float>(v));
    }
  const int pixels = static_cast<int>(pu.size() / 4);
  const float *u0 = pu.data(), *v0 = pv.data(), *u1 = u0 + 2 * pixels, *v1 = v0 + 2 * pixels;
  using Sums = std::function<void(float*, float*, float*, float*)>;
  std::vector<std::pair<const char*, Sums>> readers;
  for (const auto& [name, widest] : {std::pair{"one", 1}, std::pair{"eight", 8}, std::pair{"sixteen", 16}})
    readers.emplace_back(name, [&, widest = widest](float* t, float* r, float* g, float* b) {
      whole.Base().SumBilinear2x2(u0, v0, u1, v1, pixels, t, r, g, b, widest);
    });
  const PictureReads inPlace(picture);
  if (PictureReads::Suits(picture))
    readers.emplace_back("in place", [&](float* t, float* r, float* g, float* b) {
      inPlace.SumBilinear2x2(u0, v0, u1, v1, pixels, t, r, g, b);
    });
  for (const auto& [name, read] : readers) {
    std::vector<float> taken(static_cast<size_t>(pixels)), sums[3];
    for (std::vector<float>& plane : sums) plane.resize(static_cast<size_t>(pixels));
    read(taken.data(), sums[0].data(), sums[1].data(), sums[2].data());
    for (int i = 0; i < pixels; ++i) {
      Colour sum{0, 0, 0, 0};
      float numbers = 0;
      for (const int at : {2 * i, 2 * i + 1, 2 * pixels + 2 * i, 2 * pixels + 2 * i + 1}) {
        if (std::isnan(pu[static_cast<size_t>(at)])) continue;
        sum += whole.Base().Bilinear(pu[static_cast<size_t>(at)], pv[static_cast<size_t>(at)]);
        numbers += 1;
      }
      const auto at = static_cast<size_t>(i);
      ASSERT_EQ(taken[at], numbers) << name << " at pixel " << i;
      for (int k = 0; k < 3; ++k) ASSERT_NEAR(sums[k][at], sum[k], 4 * 0.03) << name << " at pixel " << i;
    }
  }
  ReleaseDib(&picture);
}

}  // namespace
}  // namespace trellimap
