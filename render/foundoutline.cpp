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

std::vector<PointPress> InsetPresses(int32_t width, int32_t height, double share) {
  const auto inset = [share](int32_t size) {
    return std::clamp(static_cast<int32_t>(std::lround(share * size)), 0, std::max(0, (size - 1) / 2));
  };
  const int32_t left = inset(width), top = inset(height);
  const int32_t right = std::max(left, width - 1 - left), bottom = std::max(top, height - 1 - top);
  return {{left, top, MouseButton::Left},
          {right, top, MouseButton::Left},
          {right, bottom, MouseButton::Left},
          {left, bottom, MouseButton::Left}};
}

std::vector<PointPress> OutlinePresses(ConstSideRef side) {
  std::vector<PointPress> presses;
  const uint32_t points = side.corners == 4 && side.outline.count > 0 ? side.outline.count - 1 : side.outline.count;
  for (uint32_t i = 0; i < points; ++i) {
    const TOutlinePoint& p = PointAt(side.outline, i);
    presses.push_back({p.x, p.y, p.iscorner ? MouseButton::Left : MouseButton::Right});
  }
  return presses;
}

void PlaceOutline(SideRef side, const std::vector<PointPress>& presses) {
  side.outline.Clear();
  side.corners = 0;
  for (const PointPress& p : presses) PressOnOutline(side.outline, side.corners, p.button, p.x, p.y);
}

}  // namespace trellimap
