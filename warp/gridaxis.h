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

  // The exact pixel coordinate of column u in row v.
  int32_t Exact(int32_t v, size_t u) const;

  // The double evaluation of column u in row v is slopes()[u] × v + bottoms()[u];
  // where it lies nearer than Margin() to a half-integer (always, for a
  // margin of -1), only the exact evaluation decides.
  const double* slopes() const { return slope_.data(); }
  const double* bottoms() const { return bottom_.data(); }
  double Margin() const;

 private:
  int32_t rows_;
  std::vector<double> top_, bottom_, slope_;
  double reach_ = 0;  // the largest magnitude any value of the axis can have
};

// Where the pixels of a bottom-up 24-bit picture lie.
struct PixelLayout {
  int32_t width, height, bytew;
};

// For columns [begin, end) of row v: the byte offset of the point (readX,
// readY) in a picture laid out as `read`, and of (writeX, writeY) in one laid
// out as `write`, or -1 for a point off its picture. One pass computes all
// four coordinates, so this is the cheapest way to map a row.
void MapRow(const GridAxis& readX, const GridAxis& readY, const GridAxis& writeX, const GridAxis& writeY, int32_t v,
            size_t begin, size_t end, const PixelLayout& read, const PixelLayout& write, int32_t* readAt,
            int32_t* writeAt);

}  // namespace trellimap
