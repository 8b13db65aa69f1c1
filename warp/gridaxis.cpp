#include "warp/gridaxis.h"

#include <cmath>

#include "warp/warpmath.h"

namespace trellimap {

GridAxis::GridAxis(size_t columns, int32_t rows)
    : rows_(rows), top_(columns), bottom_(columns), slope_(columns), margin_(columns) {}

void GridAxis::SetColumn(size_t u, double top, double bottom) {
  top_[u] = top;
  bottom_[u] = bottom;
  const long double difference = static_cast<long double>(top) - bottom;
  slope_[u] = static_cast<double>(difference / rows_);
  // The double evaluation and the exact one both lie within a few units of
  // 2^-53 of |b| + |t − b| of the true value; 2^-40 leaves a wide margin. A
  // value nearer than that to a half-integer is evaluated exactly.
  const double bound = (std::fabs(bottom) + std::fabs(static_cast<double>(difference)) + 1) * 0x1p-40;
  margin_[u] = 0.5 - bound;
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
__attribute__((target_clones("avx2", "default"))) void GridAxis::Row(int32_t v, size_t begin, size_t end,
                                                                     int32_t* out) const {
  const size_t n = end - begin;
  const double dv = v;
  const double* slope = slope_.data() + begin;
  const double* bottom = bottom_.data() + begin;
  const double* margin = margin_.data() + begin;
  // Kept in double lanes throughout: mixing in 32-bit masks would cost the
  // vector loop more than the arithmetic.
  int64_t unsettled = 0;
  for (size_t u = 0; u < n; ++u) {
    const double a = slope[u] * dv + bottom[u];
    const double nearest = (a + kRoundingShift) - kRoundingShift;
    const bool settled = (std::fabs(a - nearest) < margin[u]) & (std::fabs(a) < kFarAway);
    out[u] = static_cast<int32_t>(settled ? nearest : kUnsettled);
    unsettled |= settled ? 0 : 1;
  }
  if (unsettled == 0) return;
  for (size_t u = 0; u < n; ++u)
    if (out[u] == kUnsettled) out[u] = ToPixel(GridCoordinate(top_[begin + u], bottom_[begin + u], v, rows_));
}

}  // namespace trellimap
