#include "detect/pageoutline.h"

namespace trellimap {

std::vector<Vec> PageOutline::Corners() const {
  std::vector<Vec> corners;
  for (const PagePoint& p : points)
    if (p.corner) corners.push_back(p.at);
  return corners;
}

std::vector<Vec> PageOutline::Side(int side) const {
  // Side 1 runs from the first corner to the second, side 3 from the third to the fourth.
  const int first = side == 1 ? 0 : 2;
  std::vector<Vec> points_;
  int corner = -1;
  for (const PagePoint& p : points) {
    if (p.corner) ++corner;
    if (corner == first || (corner == first + 1 && p.corner)) points_.push_back(p.at);
  }
  return points_;
}

std::optional<PageOutline> FindPageOutline(const dib&) { return std::nullopt; }

}  // namespace trellimap
