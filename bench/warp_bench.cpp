// Measures the warp: both directions on two 4000 × 3000 pictures (with and
// without the perspective-true map), the
// straightforward reference on 1000 × 750, and a plain copy of the results
// (the memory floor). Prints `name: number` lines; with an output folder it
// also writes the pictures and the corner quads for the outside comparisons.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/benchworkspace.h"
#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "tests/render/literalwarp.h"
#include "tests/support/outlines.h"
#include "warp/renderer.h"
#include "warp/smoothrenderer.h"

namespace trellimap {
namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

template <class F>
double Best(int runs, F&& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    f();
    best = std::min(best, Milliseconds(start));
  }
  return best;
}

// The shortest time of each of `work`, run in turn `rounds` times.
std::vector<double> BestOfEach(int rounds, const std::vector<std::function<void()>>& work) {
  std::vector<double> best(work.size(), 1e300);
  for (int r = 0; r < rounds; ++r)
    for (size_t i = 0; i < work.size(); ++i) best[i] = std::min(best[i], Best(1, work[i]));
  return best;
}

void WritePpm(const std::string& path, const dib& d) {
  const int32_t w = DibWidth(&d), h = DibHeight(&d);
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << w << " " << h << "\n255\n";
  std::vector<char> row(static_cast<size_t>(w) * 3);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* p = d.poi + static_cast<int64_t>(h - 1 - y) * d.bytew;
    for (int32_t x = 0; x < w; ++x) {
      row[3 * x] = static_cast<char>(p[3 * x + 2]);
      row[3 * x + 1] = static_cast<char>(p[3 * x + 1]);
      row[3 * x + 2] = static_cast<char>(p[3 * x]);
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
}

void WriteQuads(const std::string& path, int32_t w, int32_t h) {
  std::ofstream out(path);
  for (const Shape* s : {&kShape1, &kShape2}) {
    for (const auto& c : s->corners)
      out << static_cast<int32_t>(c[0] * w) << " " << static_cast<int32_t>(c[1] * h) << " ";
    out << "\n";
  }
}

}  // namespace
}  // namespace trellimap

int main(int argc, char** argv) {
  using namespace trellimap;
  Workspace big;
  Prepare(big, 4000, 3000);
  // The four renders of both directions, taken in turn round after round so
  // that whatever else the machine does weighs on each alike.
  const auto both = [&](bool smooth, bool perspective) {
    return [&big, smooth, perspective] {
      big.perspective = perspective;
      for (const WarpDirection d : kBothDirections)
        smooth ? RenderDirectionSmooth(big, d) : RenderDirectionExact(big, d);
      big.perspective = false;
    };
  };
  const std::vector<double> best =
      BestOfEach(7, {both(false, false), both(true, false), both(false, true), both(true, true)});
  std::printf("warp_both_ms: %.1f\n", best[0]);
  std::printf("smooth_both_ms: %.1f\n", best[1]);
  std::printf("persp_exact_ratio: %.2f\n", best[2] / best[0]);
  std::printf("persp_smooth_ratio: %.2f\n", best[3] / best[1]);

  Workspace small;
  Prepare(small, 1000, 750);
  const double ours = Best(3, [&] {
    RenderDirectionExact(small, WarpDirection::OneIntoTwo, 1);
    RenderDirectionExact(small, WarpDirection::TwoIntoOne, 1);
  });
  const double literal = Best(1, [&] {
    testing::LiteralRenderDirection(small, WarpDirection::OneIntoTwo);
    testing::LiteralRenderDirection(small, WarpDirection::TwoIntoOne);
  });
  std::printf("warp_literal_ratio: %.1f\n", literal / ours);

  const size_t bytes = static_cast<size_t>(big.di3.bytew) * 3000;
  std::vector<uint8_t> copy3(bytes), copy4(bytes);
  const double copy = Best(5, [&] {
    std::memcpy(copy3.data(), big.di3.poi, bytes);
    std::memcpy(copy4.data(), big.di4.poi, bytes);
  });
  std::printf("warp_memcpy_ratio: %.1f\n", best[0] / copy);

  if (argc > 1) {
    const std::string folder = argv[1];
    WritePpm(folder + "/picture1.ppm", big.di1);
    WritePpm(folder + "/picture2.ppm", big.di2);
    WritePpm(folder + "/result1.ppm", big.di3);
    WriteQuads(folder + "/quads.txt", 4000, 3000);
  }
  return 0;
}
