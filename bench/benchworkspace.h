#pragma once
// The benchmarks' workspace: two pictures of noise and outlines with eight
// bends on sides 1 and 3, shaped as fractions of the picture so that one shape
// serves every size.

#include <random>
#include <vector>

#include "image/pixmill3.h"
#include "tests/support/outlines.h"
#include "workspace/workspace.h"

namespace trellimap {

// Corners and bends as fractions of the picture, so one shape serves every size.
struct Shape {
  double corners[4][2];
  double bend;
};

inline std::vector<testing::PointSpec> Outline(const Shape& s, int32_t w, int32_t h) {
  auto at = [&](double fx, double fy, bool corner) {
    return testing::PointSpec{static_cast<int32_t>(fx * w), static_cast<int32_t>(fy * h), corner};
  };
  std::vector<testing::PointSpec> p{at(s.corners[0][0], s.corners[0][1], true)};
  // Eight bends along side 1 (corner 1 to 2) and side 3 (corner 3 to 4).
  for (int side = 0; side < 2; ++side) {
    const double* a = s.corners[side * 2];
    const double* b = s.corners[side * 2 + 1];
    if (side == 1) p.push_back(at(a[0], a[1], true));
    for (int i = 1; i <= 8; ++i) {
      const double f = i / 9.0;
      const double wave = s.bend * (i % 2 ? 1 : -1);
      p.push_back(at(a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f + wave, false));
    }
    p.push_back(at(b[0], b[1], true));
  }
  p.push_back(p.front());
  return p;
}

const Shape kShape1{{{0.08, 0.10}, {0.90, 0.06}, {0.94, 0.92}, {0.05, 0.88}}, 0.02};
const Shape kShape2{{{0.15, 0.05}, {0.80, 0.12}, {0.88, 0.95}, {0.10, 0.80}}, 0.03};

inline void Prepare(Workspace& ws, int32_t w, int32_t h) {
  std::mt19937 random(1);
  for (dib* d : {&ws.di1, &ws.di2}) {
    ReleaseDib(d);
    newdib(d, w, h, 24, nullptr, 0);
    for (int64_t i = 0; i < int64_t{h} * d->bytew; ++i) d->poi[i] = static_cast<uint8_t>(random());
  }
  testing::FillOutline(ws.punkte1, Outline(kShape1, w, h));
  testing::FillOutline(ws.punkte2, Outline(kShape2, w, h));
  ws.ecken1 = ws.ecken2 = 4;
}

}  // namespace trellimap
