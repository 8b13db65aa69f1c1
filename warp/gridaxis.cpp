#include "warp/gridaxis.h"

#include <algorithm>
#include <cmath>

#include "foundation/processor.h"
#include "warp/warpmath.h"

namespace trellimap {

GridAxis::GridAxis(size_t columns, int32_t rows) : rows_(rows), top_(columns), bottom_(columns), slope_(columns) {}

void GridAxis::SetColumn(size_t u, double top, double bottom) {
  top_[u] = top;
  bottom_[u] = bottom;
  const long double difference = static_cast<long double>(top) - bottom;
  slope_[u] = static_cast<double>(difference / rows_);
  // Every value of the column lies within |b| + |t − b| of 0.
  reach_ = std::max(reach_, std::fabs(bottom) + std::fabs(static_cast<double>(difference)));
}

namespace {

// Adding and subtracting 1.5 × 2^52 rounds a double of magnitude below 2^51 to
// the nearest integer, halves to even, in the default rounding mode. Unlike a
// library call it vectorises.
constexpr double kRoundingShift = 0x1.8p52;
constexpr int32_t kUnsettled = INT32_MIN + 1;

}  // namespace

// The plain loop is written for the vectoriser; the wider instruction set is
// chosen at run time where the processor has it.
TRELLIMAP_CLONES("avx512f", "avx2", "default")
void GridAxis::Row(int32_t v, size_t begin, size_t end, int32_t* out) const {
  const size_t n = end - begin;
  const double dv = v;
  const double* slope = slope_.data() + begin;
  const double* bottom = bottom_.data() + begin;
  const double margin = Margin();
  // Kept in double lanes throughout: mixing in 32-bit masks would cost the
  // vector loop more than the arithmetic.
  int64_t unsettled = 0;
  for (size_t u = 0; u < n; ++u) {
    const double a = slope[u] * dv + bottom[u];
    const double nearest = (a + kRoundingShift) - kRoundingShift;
    const bool settled = std::fabs(a - nearest) < margin;
    out[u] = static_cast<int32_t>(settled ? nearest : kUnsettled);
    unsettled |= settled ? 0 : 1;
  }
  if (unsettled == 0) return;
  for (size_t u = 0; u < n; ++u)
    if (out[u] == kUnsettled) out[u] = Exact(v, begin + u);
}

int32_t GridAxis::Exact(int32_t v, size_t u) const { return ToPixel(GridCoordinate(top_[u], bottom_[u], v, rows_)); }

// The double evaluation and the exact one both lie within a few units of 2^-53
// of the reach of the true value; 2^-40 leaves a wide margin. A value nearer
// than that to a half-integer is evaluated exactly, and so are all values of
// an axis that may reach far outside every picture.
double GridAxis::Margin() const { return reach_ < kFarAway ? 0.5 - (reach_ + 1) * 0x1p-40 : -1; }

namespace {

int32_t OffsetOf(int32_t x, int32_t y, const PixelLayout& p) {
  if (static_cast<uint32_t>(x) >= static_cast<uint32_t>(p.width) ||
      static_cast<uint32_t>(y) >= static_cast<uint32_t>(p.height))
    return -1;
  return (p.height - 1 - y) * p.bytew + 3 * x;
}

}  // namespace

// Offsets are formed in double lanes as well (they are exact below 2^31), so
// the only conversions are the two results.
TRELLIMAP_CLONES("avx512f", "avx2", "default")
void MapRow(const GridAxis& readX, const GridAxis& readY, const GridAxis& writeX, const GridAxis& writeY, int32_t v,
            size_t begin, size_t end, const PixelLayout& read, const PixelLayout& write, int32_t* readAt,
            int32_t* writeAt) {
  const size_t n = end - begin;
  const double dv = v;
  const double* s[4] = {readX.slopes() + begin, readY.slopes() + begin, writeX.slopes() + begin,
                        writeY.slopes() + begin};
  const double* b[4] = {readX.bottoms() + begin, readY.bottoms() + begin, writeX.bottoms() + begin,
                        writeY.bottoms() + begin};
  const double m0 = readX.Margin(), m1 = readY.Margin(), m2 = writeX.Margin(), m3 = writeY.Margin();
  const double rw = read.width, rh = read.height, rTop = read.height - 1, rBytes = read.bytew;
  const double ww = write.width, wh = write.height, wTop = write.height - 1, wBytes = write.bytew;
  int64_t unsettled = 0;
  for (size_t u = 0; u < n; ++u) {
    const double a0 = s[0][u] * dv + b[0][u], a1 = s[1][u] * dv + b[1][u];
    const double a2 = s[2][u] * dv + b[2][u], a3 = s[3][u] * dv + b[3][u];
    const double x0 = (a0 + kRoundingShift) - kRoundingShift, y0 = (a1 + kRoundingShift) - kRoundingShift;
    const double x1 = (a2 + kRoundingShift) - kRoundingShift, y1 = (a3 + kRoundingShift) - kRoundingShift;
    const bool settled =
        (std::fabs(a0 - x0) < m0) & (std::fabs(a1 - y0) < m1) & (std::fabs(a2 - x1) < m2) & (std::fabs(a3 - y1) < m3);
    const bool readInside = (x0 >= 0) & (x0 < rw) & (y0 >= 0) & (y0 < rh);
    const bool writeInside = (x1 >= 0) & (x1 < ww) & (y1 >= 0) & (y1 < wh);
    // Computed unconditionally and then selected, so the loop has no branches.
    const double readOffset = (rTop - y0) * rBytes + 3 * x0;
    const double writeOffset = (wTop - y1) * wBytes + 3 * x1;
    const double readResult = settled ? (readInside ? readOffset : -1.0) : kUnsettled;
    const double writeResult = writeInside ? writeOffset : -1.0;
    readAt[u] = static_cast<int32_t>(readResult);
    writeAt[u] = static_cast<int32_t>(writeResult);
    unsettled |= settled ? 0 : 1;
  }
  if (unsettled == 0) return;
  for (size_t u = 0; u < n; ++u) {
    if (readAt[u] != kUnsettled) continue;
    const size_t c = begin + u;
    readAt[u] = OffsetOf(readX.Exact(v, c), readY.Exact(v, c), read);
    writeAt[u] = OffsetOf(writeX.Exact(v, c), writeY.Exact(v, c), write);
  }
}

}  // namespace trellimap
