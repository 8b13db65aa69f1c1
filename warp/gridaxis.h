#pragma once
// One coordinate of the warp's grid points (x or y, on one outline) as a
// function of the row, per column: c(u, v) = ((t_u − b_u) × v) ÷ H + b_u in
// extended precision, rounded to the nearest integer with halves to even.
//
// Rows are evaluated as slope × v + b in double precision. Wherever that value
// lies within its error bound of a rounding boundary (a half-integer), the
// extended evaluation decides, so every pixel coordinate equals that of the
// exact formula while almost all of them cost a multiply and an add.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trellimap {

class GridAxis {
 public:
  GridAxis(size_t columns, int32_t rows);

  // Sets column u from its points on side 1 (top) and side 3 (bottom).
  void SetColumn(size_t u, double top, double bottom);

  // The pixel coordinates of row v for columns [begin, end) into out[0 ...];
  // kOutside (see warpmath.h) for coordinates far outside every picture.
  void Row(int32_t v, size_t begin, size_t end, int32_t* out) const;

 private:
  int32_t rows_;
  std::vector<double> top_, bottom_, slope_, margin_;
};

}  // namespace trellimap
