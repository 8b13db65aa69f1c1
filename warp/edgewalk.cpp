#include "warp/edgewalk.h"

#include <cmath>

namespace trellimap {
namespace {

// Running sums are kept as doubles, each addition done in extended precision.
double Accumulate(double sum, long double length) {
  return static_cast<double>(static_cast<long double>(sum) + length);
}

}  // namespace

long double SegmentLength(const TOutlinePoint& p, const TOutlinePoint& r) {
  // Differences below 2^32 square exactly into the 64-bit mantissa.
  const auto dx = static_cast<long double>(static_cast<int64_t>(r.x) - p.x);
  const auto dy = static_cast<long double>(static_cast<int64_t>(r.y) - p.y);
  return std::sqrt(dx * dx + dy * dy);
}

SideLengthSet SideLengths(const TDynaArray& list) {
  double lengths[5] = {0, 0, 0, 0, 0};  // index = side number
  int32_t n = 0;
  TOutlinePoint previous{};
  for (uint32_t i = 0; i < list.count; ++i) {
    const TOutlinePoint& r = PointAt(list, i);
    if (r.iscorner) {
      ++n;
      if (n >= 2 && n <= 5) lengths[n - 1] = Accumulate(lengths[n - 1], SegmentLength(previous, r));
    } else if (n >= 1 && n <= 4) {
      lengths[n] = Accumulate(lengths[n], SegmentLength(previous, r));
    }
    previous = r;
  }
  return {lengths[1], lengths[2], lengths[3], lengths[4]};
}

bool PointOnSide(const TDynaArray& list, int32_t k, double t, double& X, double& Y) {
  int32_t n = 0;
  double s = 0;
  TOutlinePoint p{};
  for (uint32_t i = 0; i < list.count; ++i) {
    const TOutlinePoint& r = PointAt(list, i);
    const double before = s;
    bool onSide = false;
    if (r.iscorner) {
      ++n;
      onSide = n == k + 1;  // r closes side k
    } else {
      onSide = n == k;  // r lies on side k
    }
    if (onSide) {
      s = Accumulate(s, SegmentLength(p, r));
      if (s >= t) {
        const auto a = static_cast<double>(static_cast<long double>(t) - before);
        const auto d = static_cast<double>(static_cast<long double>(s) - before);
        // d is 0 only for t = 0 on a first segment of length 0: the side's
        // first corner is the point then.
        if (d == 0) {
          X = p.x;
          Y = p.y;
        } else {
          X = static_cast<double>(static_cast<long double>(static_cast<int64_t>(r.x) - p.x) * a / d + p.x);
          Y = static_cast<double>(static_cast<long double>(static_cast<int64_t>(r.y) - p.y) * a / d + p.y);
        }
        return true;
      }
    }
    p = r;
  }
  return false;
}

}  // namespace trellimap
