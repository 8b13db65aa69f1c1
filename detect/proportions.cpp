#include "detect/proportions.h"

#include <cmath>

namespace trellimap {

double TrueAspect(const std::vector<Vec>& corners, int32_t, int32_t, const std::vector<Vec>&,
                  const std::vector<Vec>&) {
  const auto length = [&](int a, int b) { return std::hypot(corners[b].x - corners[a].x, corners[b].y - corners[a].y); };
  return (length(0, 1) + length(3, 2)) / (length(1, 2) + length(0, 3));
}

}  // namespace trellimap
