#include "warp/renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "image/pixmill3.h"
#include "warp/edgewalk.h"
#include "warp/warpmath.h"

namespace trellimap {
namespace {

// One coordinate of the grid point (x or y, on the read or the write outline)
// as a function of the row v, per column u: c(v) = ((t − b) × v) ÷ H + b.
// The fast path evaluates slope × v + b in double precision; where that lies
// within `tolerance` of a rounding boundary (a half-integer) the exact extended
// evaluation decides, so the rounded result is always that of the exact one.
struct Axis {
  std::vector<double> t, b, slope, tolerance;

  void Resize(size_t n) {
    for (auto* v : {&t, &b, &slope, &tolerance}) v->resize(n);
  }
  void Set(size_t u, double top, double bottom, int32_t H) {
    t[u] = top;
    b[u] = bottom;
    const long double difference = static_cast<long double>(top) - bottom;
    slope[u] = static_cast<double>(difference / H);
    // The double evaluation is within a few units of 2^-53 of the magnitudes
    // involved; 2^-40 leaves a wide margin.
    tolerance[u] = (std::fabs(bottom) + std::fabs(static_cast<double>(difference)) + 1) * 0x1p-40;
  }

  // Pixel coordinates of row v for every column.
  void Row(int32_t v, int32_t H, int32_t* out) const {
    const size_t n = t.size();
    const double dv = v;
    for (size_t u = 0; u < n; ++u) {
      const double a = slope[u] * dv + b[u];
      const double floor = std::floor(a);
      const double fraction = a - floor;
      if (std::fabs(fraction - 0.5) > tolerance[u] && std::fabs(a) < kFarAway - 1)
        out[u] = static_cast<int32_t>(floor) + (fraction > 0.5 ? 1 : 0);
      else
        out[u] = ToPixel(GridCoordinate(t[u], b[u], v, H));
    }
  }
};

// The points on sides 1 and 3 of one outline depend only on the column.
void SampleColumns(TDynaArray& outline, int32_t W, int32_t H, Axis& x, Axis& y) {
  const SideLengthSet lengths = SideLengths(outline);
  x.Resize(static_cast<size_t>(W));
  y.Resize(static_cast<size_t>(W));
  for (int32_t u = 0; u < W; ++u) {
    // A point that is not found (a malformed outline) is taken as (0, 0).
    double tx = 0, ty = 0, bx = 0, by = 0;
    PointOnSide(outline, 1, SampleDistance(u, lengths.L1, W), tx, ty);
    PointOnSide(outline, 3, SampleDistance(W - 1 - u, lengths.L3, W), bx, by);
    x.Set(static_cast<size_t>(u), tx, bx, H);
    y.Set(static_cast<size_t>(u), ty, by, H);
  }
}

// Where a band of rows writes: the result itself, or (for bands running in
// parallel with an earlier one) a private buffer of the same layout with a
// mask of the pixels written, merged afterwards in band order.
struct Target {
  uint8_t* pixels;
  uint8_t* mask;  // null when writing straight into the result
};

struct Job {
  const dib* source;
  const dib* destination;
  int32_t W, H, bytew;
  bool transparent;
  const Axis *readX, *readY, *writeX, *writeY;
};

// The colour of a picture at (x, y), 0 outside; 24-bit rows are read directly.
inline uint32_t ReadColour(const dib& d, int32_t w, int32_t h, bool is24, int32_t x, int32_t y) {
  if (!is24) return DibPixelColour(d, x, y);
  if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(w) || static_cast<uint32_t>(y) >= static_cast<uint32_t>(h))
    return 0;
  const uint8_t* p = d.poi + static_cast<int64_t>(h - 1 - y) * d.bytew + 3 * static_cast<int64_t>(x);
  return p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
}

void RenderRows(const Job& job, int32_t firstRow, int32_t endRow, const Target& target) {
  const size_t W = static_cast<size_t>(job.W);
  std::vector<int32_t> rx(W), ry(W), wx(W), wy(W);
  const int32_t sw = DibWidth(job.source), sh = DibHeight(job.source);
  const bool source24 = DibBitCount(job.source) == 24 && job.source->poi != nullptr;
  const bool destination24 = DibBitCount(job.destination) == 24 && job.destination->poi != nullptr;
  for (int32_t v = firstRow; v < endRow; ++v) {
    job.readX->Row(v, job.H, rx.data());
    job.readY->Row(v, job.H, ry.data());
    job.writeX->Row(v, job.H, wx.data());
    job.writeY->Row(v, job.H, wy.data());
    for (size_t u = 0; u < W; ++u) {
      const int32_t x = wx[u], y = wy[u];
      if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(job.W) ||
          static_cast<uint32_t>(y) >= static_cast<uint32_t>(job.H))
        continue;  // off the result: nothing is written
      uint32_t value = ReadColour(*job.source, sw, sh, source24, rx[u], ry[u]);
      if (job.transparent) {
        const uint32_t partner = ReadColour(*job.destination, job.W, job.H, destination24, x, y);
        value = ((value & 0xFF) + (partner & 0xFF)) >> 1 | (((value >> 8 & 0xFF) + (partner >> 8 & 0xFF)) >> 1) << 8 |
                (((value >> 16 & 0xFF) + (partner >> 16 & 0xFF)) >> 1) << 16;
      }
      const int64_t row = job.H - 1 - y;
      uint8_t* p = target.pixels + row * job.bytew + 3 * static_cast<int64_t>(x);
      p[0] = static_cast<uint8_t>(value >> 16);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value);
      if (target.mask) target.mask[row * job.W + x] = 1;
    }
  }
}

// The destination's colours as the result's background.
void CopyBackground(const dib& from, dib& to) {
  if (DibBitCount(&from) == 24 && from.bytew == to.bytew) {
    std::memcpy(to.poi, from.poi, static_cast<size_t>(to.bytew) * static_cast<size_t>(DibHeight(&to)));
    return;
  }
  const int32_t w = DibWidth(&to), h = DibHeight(&to);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) setpixel(to, x, y, DibPixelColour(from, x, y));
}

struct Band {
  int32_t first, end;
  std::unique_ptr<uint8_t[]> pixels;
  std::unique_ptr<uint8_t, decltype(&std::free)> mask{nullptr, &std::free};
};

int ThreadCount(int requested, int64_t pixels) {
  if (requested > 0) return requested;
  if (pixels < (int64_t{1} << 16)) return 1;  // not worth a thread
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

bool RenderDirection(Workspace& ws, WarpDirection direction, int threads) {
  if (ws.ecken2 != 4 || ws.ecken1 != 4) return false;
  const bool oneIntoTwo = direction == WarpDirection::OneIntoTwo;
  const dib& source = oneIntoTwo ? ws.di1 : ws.di2;
  const dib& destination = oneIntoTwo ? ws.di2 : ws.di1;
  dib& result = oneIntoTwo ? ws.di3 : ws.di4;
  TDynaArray& readOutline = oneIntoTwo ? ws.punkte1 : ws.punkte2;
  TDynaArray& writeOutline = oneIntoTwo ? ws.punkte2 : ws.punkte1;

  const int32_t W = DibWidth(&destination), H = DibHeight(&destination);
  ReleaseDib(&result);
  newdib(&result, W, H, 24, nullptr, 0);
  if (result.poi == nullptr) return true;  // no memory: the result stays empty
  if (ws.showoriginal) CopyBackground(destination, result);

  Axis readX, readY, writeX, writeY;
  SampleColumns(readOutline, W, H, readX, readY);
  SampleColumns(writeOutline, W, H, writeX, writeY);
  const Job job{&source, &destination, W, H, result.bytew, ws.transparent, &readX, &readY, &writeX, &writeY};

  // Rows are split into bands, one per thread. The first band writes into the
  // result; later bands write privately and are merged in band order, so a
  // later grid point wins over an earlier one exactly as in a single pass.
  const int bandCount = std::min<int64_t>(ThreadCount(threads, int64_t{W} * H), H);
  std::vector<Band> bands(static_cast<size_t>(bandCount));
  const size_t resultBytes = static_cast<size_t>(result.bytew) * static_cast<size_t>(H);
  for (int i = 0; i < bandCount; ++i) {
    Band& band = bands[static_cast<size_t>(i)];
    band.first = static_cast<int32_t>(int64_t{H} * i / bandCount);
    band.end = static_cast<int32_t>(int64_t{H} * (i + 1) / bandCount);
    if (i > 0) {
      band.pixels.reset(new (std::nothrow) uint8_t[resultBytes]);
      band.mask.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(W) * static_cast<size_t>(H), 1)));
      if (!band.pixels || !band.mask) {  // short of memory: one band does it all
        bands.resize(1);
        bands[0].end = H;
        break;
      }
    }
  }
  std::vector<std::thread> workers;
  for (size_t i = 1; i < bands.size(); ++i)
    workers.emplace_back(RenderRows, std::cref(job), bands[i].first, bands[i].end,
                         Target{bands[i].pixels.get(), bands[i].mask.get()});
  RenderRows(job, bands[0].first, bands[0].end, Target{result.poi, nullptr});
  for (std::thread& w : workers) w.join();

  for (size_t i = 1; i < bands.size(); ++i) {
    const uint8_t* mask = bands[i].mask.get();
    const uint8_t* pixels = bands[i].pixels.get();
    for (int64_t row = 0; row < H; ++row)
      for (int64_t x = 0; x < W; ++x)
        if (mask[row * W + x])
          std::memcpy(result.poi + row * result.bytew + 3 * x, pixels + row * result.bytew + 3 * x, 3);
  }
  return true;
}

}  // namespace trellimap
