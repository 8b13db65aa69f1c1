// Measures dragging a point: corner 2 of picture 1 moves a few pixels at a
// time over two 4000 × 3000 pictures with bent outlines; each step renders the
// drag preview and composes what both result panes show of it (a 640 × 400
// visible area at 30 %). Prints the updates per second as `drag_fps`.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "display/paintdib.h"
#include "display/surfacedevice.h"
#include "image/pixmill3.h"
#include "render/dragpreview.h"
#include "tests/support/outlines.h"
#include "view/panecomposition.h"
#include "view/panegeometry.h"

namespace trellimap {
namespace {

// Corners as fractions of the picture; sides 1 and 3 waved by eight bends.
std::vector<testing::PointSpec> Outline(const double (&corners)[4][2], double bend, int32_t w, int32_t h) {
  auto at = [&](double fx, double fy, bool corner) {
    return testing::PointSpec{static_cast<int32_t>(fx * w), static_cast<int32_t>(fy * h), corner};
  };
  std::vector<testing::PointSpec> p{at(corners[0][0], corners[0][1], true)};
  for (int side = 0; side < 2; ++side) {
    const double* a = corners[side * 2];
    const double* b = corners[side * 2 + 1];
    if (side == 1) p.push_back(at(a[0], a[1], true));
    for (int i = 1; i <= 8; ++i) {
      const double f = i / 9.0;
      p.push_back(at(a[0] + (b[0] - a[0]) * f, a[1] + (b[1] - a[1]) * f + bend * (i % 2 ? 1 : -1), false));
    }
    p.push_back(at(b[0], b[1], true));
  }
  p.push_back(p.front());
  return p;
}

// Smooth gradients with a texture of stripes and some noise.
void Paint(dib& d, int32_t w, int32_t h, uint32_t seed) {
  ReleaseDib(&d);
  newdib(&d, w, h, 24, nullptr, 0);
  uint32_t noise = seed;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = d.poi + static_cast<int64_t>(y) * d.bytew;
    for (int32_t x = 0; x < w; ++x) {
      noise = noise * 1664525u + 1013904223u;
      row[3 * x] = static_cast<uint8_t>(x * 255 / w + (noise >> 28));
      row[3 * x + 1] = static_cast<uint8_t>(y * 255 / h + ((x / 40 + y / 40) % 2) * 60);
      row[3 * x + 2] = static_cast<uint8_t>((x ^ y) + seed * 70);
    }
  }
}

}  // namespace
}  // namespace trellimap

int main() {
  using namespace trellimap;
  constexpr int32_t kWidth = 4000, kHeight = 3000, kZoom = 30, kSteps = 200;
  const double shape1[4][2] = {{0.08, 0.10}, {0.90, 0.06}, {0.94, 0.92}, {0.05, 0.88}};
  const double shape2[4][2] = {{0.15, 0.05}, {0.80, 0.12}, {0.88, 0.95}, {0.10, 0.80}};
  Workspace ws;
  Paint(ws.di1, kWidth, kHeight, 1);
  Paint(ws.di2, kWidth, kHeight, 2);
  testing::FillOutline(ws.punkte1, Outline(shape1, 0.02, kWidth, kHeight));
  testing::FillOutline(ws.punkte2, Outline(shape2, 0.03, kWidth, kHeight));
  ws.ecken1 = ws.ecken2 = 4;

  // Corner 2 follows the eight bends of side 1.
  auto* corner2 = static_cast<TOutlinePoint*>(ws.punkte1.GetObject(9));
  const int32_t startX = corner2->x, startY = corner2->y;

  DragPreview preview;
  preview.Begin(ws);
  PixelSurface panes[2];
  // Both results have the other picture's full size: 1200 × 900 at 30 %.
  const int32_t zoomedW = Zoomed(kWidth, kZoom), zoomedH = Zoomed(kHeight, kZoom);
  const PaneArea area{zoomedW / 2 - 320, zoomedH / 2 - 200, 640, 400};

  const auto start = std::chrono::steady_clock::now();
  for (int step = 0; step < kSteps; ++step) {
    corner2->x = startX - 3 * step;
    corner2->y = startY + static_cast<int32_t>(40 * std::sin(step * 0.1));
    preview.Render(ws);
    for (int i = 0; i < 2; ++i) {
      const dib& result = preview.Result(kBothDirections[i]);
      panes[i].SetSize(area.width, area.height);
      SurfaceDevice device(panes[i], area.left, area.top);
      PaintDib(device, 0, 0, zoomedW, zoomedH, &result, 0, 0, DibWidth(&result), DibHeight(&result), false, SRCCOPY);
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("drag_fps: %.1f\n", kSteps / seconds);
  preview.End();
  return 0;
}
