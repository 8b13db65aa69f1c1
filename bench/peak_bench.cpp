// Memory of a big render: both directions of two 12000 × 9000 pictures, the
// peak resident size of the process against the four picture buffers.

#include <sys/resource.h>

#include <cstdio>

#include "bench/benchworkspace.h"
#include "render/workspacerender.h"

int main() {
  using namespace trellimap;
  Workspace ws;
  Prepare(ws, 12000, 9000);
  RenderDirectionExact(ws, WarpDirection::OneIntoTwo);
  RenderDirectionExact(ws, WarpDirection::TwoIntoOne);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double buffers = 4.0 * ws.di1.bytew * DibHeight(&ws.di1) / (1 << 20);
  std::printf("render_peak_mb: %.0f\n", static_cast<double>(usage.ru_maxrss) / 1024);
  std::printf("render_buffers_mb: %.0f\n", buffers);
  return 0;
}
