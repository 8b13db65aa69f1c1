#include "render/foundoutline.h"

#include <algorithm>
#include <cmath>

#include "workspace/outlineediting.h"

namespace trellimap {
namespace {

// The pixel nearest to a coordinate, halves to even, within the 32-bit range.
int32_t Pixel(double v) {
  const double clamped = std::clamp(std::nearbyint(v), double{INT32_MIN}, double{INT32_MAX});
  return static_cast<int32_t>(std::isnan(clamped) ? 0 : clamped);
}

}  // namespace

std::vector<PointPress> FoundPresses(const PageOutline& page) {
  std::vector<PointPress> presses;
  for (const PagePoint& p : page.points) {
    const int32_t x = Pixel(p.at.x), y = Pixel(p.at.y);
    if (!p.corner && !presses.empty() && presses.back().x == x && presses.back().y == y) continue;
    presses.push_back({x, y, p.corner ? MouseButton::Left : MouseButton::Right});
  }
  return presses;
}

void PlaceOutline(SideRef side, const std::vector<PointPress>& presses) {
  side.outline.Clear();
  side.corners = 0;
  for (const PointPress& p : presses) PressOnOutline(side.outline, side.corners, p.button, p.x, p.y);
}

}  // namespace trellimap
