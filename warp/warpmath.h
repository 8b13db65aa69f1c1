#pragma once
// The arithmetic the warp shares between its fast path and its exact steps.

#include <cmath>
#include <cstdint>

namespace trellimap {

// Distance along a side sampled for column u of W: u × length ÷ W in
// extended precision, kept as a double.
inline double SampleDistance(int64_t u, double length, int64_t W) {
  return static_cast<double>(static_cast<long double>(u) * length / W);
}

// The grid point of row v (of H) between B (on side 3) and T (on side 1):
// ((T − B) × v) ÷ H + B in extended precision, kept as a double.
inline double GridCoordinate(double t, double b, int64_t v, int64_t H) {
  return static_cast<double>((static_cast<long double>(t) - b) * v / H + b);
}

// Coordinates this far out lie outside every picture; they (and NaN) map to
// kOutside, which every pixel operation treats as off the picture.
inline constexpr double kFarAway = 1 << 30;
inline constexpr int32_t kOutside = INT32_MIN;

// The nearest integer, halves to even, or kOutside.
inline int32_t ToPixel(double c) {
  return std::fabs(c) < kFarAway ? static_cast<int32_t>(std::nearbyint(c)) : kOutside;
}

}  // namespace trellimap
