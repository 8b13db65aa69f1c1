#include "warp/homography.h"

namespace trellimap {

Homography Homography::Inverse() const {
  Homography r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      // Cofactor of (j, i): the adjugate is the transposed cofactor matrix.
      const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, d = (i + 2) % 3;
      r.m[i][j] = m[a][c] * m[b][d] - m[a][d] * m[b][c];
    }
  return r;
}

Homography Homography::After(const Homography& first) const {
  Homography r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      long double sum = 0;
      for (int k = 0; k < 3; ++k) sum += static_cast<long double>(m[i][k]) * first.m[k][j];
      r.m[i][j] = static_cast<double>(sum);
    }
  return r;
}

Homography Homography::WithPositiveWeightAt(const Vec& p) const {
  if (Weight(p) >= 0) return *this;
  Homography r = *this;
  for (auto& row : r.m)
    for (double& v : row) v = -v;
  return r;
}

std::optional<Homography> SquareOnto(const Vec corners[4]) {
  // Square corners (0,0), (1,0), (1,1), (0,1) in turn onto p0 … p3.
  const Vec p0 = corners[3], p1 = corners[2], p2 = corners[1], p3 = corners[0];
  const auto cross = [](const Vec& a, const Vec& b, const Vec& c) {
    return (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - a.y) -
           (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - a.x);
  };
  const Vec p[4] = {p0, p1, p2, p3};
  for (int i = 0; i < 4; ++i)
    if (cross(p[i], p[(i + 1) % 4], p[(i + 2) % 4]) == 0) return std::nullopt;
  const long double sx = static_cast<long double>(p0.x) - p1.x + p2.x - p3.x;
  const long double sy = static_cast<long double>(p0.y) - p1.y + p2.y - p3.y;
  const long double dx1 = static_cast<long double>(p1.x) - p2.x, dx2 = static_cast<long double>(p3.x) - p2.x;
  const long double dy1 = static_cast<long double>(p1.y) - p2.y, dy2 = static_cast<long double>(p3.y) - p2.y;
  const long double det = dx1 * dy2 - dx2 * dy1;
  if (det == 0) return std::nullopt;
  const long double g = (sx * dy2 - dx2 * sy) / det, h = (dx1 * sy - sx * dy1) / det;
  Homography r;
  r.m[0][0] = static_cast<double>(p1.x - p0.x + g * p1.x);
  r.m[0][1] = static_cast<double>(p3.x - p0.x + h * p3.x);
  r.m[0][2] = p0.x;
  r.m[1][0] = static_cast<double>(p1.y - p0.y + g * p1.y);
  r.m[1][1] = static_cast<double>(p3.y - p0.y + h * p3.y);
  r.m[1][2] = p0.y;
  r.m[2][0] = static_cast<double>(g);
  r.m[2][1] = static_cast<double>(h);
  r.m[2][2] = 1;
  return r;
}

}  // namespace trellimap
