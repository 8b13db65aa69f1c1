#include "render/foundoutline.h"

#include <algorithm>
#include <cmath>

#include "foundation/outlinepoint.h"
#include "workspace/outlineediting.h"

namespace trellimap {
namespace {

// The pixel nearest to a coordinate, halves to even, within the 32-bit range.
int32_t Pixel(double v) {
  const double clamped = std::clamp(std::nearbyint(v), double{INT32_MIN}, double{INT32_MAX});
  return static_cast<int32_t>(std::isnan(clamped) ? 0 : clamped);
}

}  // namespace

void PlaceFoundOutline(SideRef side, const PageOutline& page) {
  side.outline.Clear();
  side.corners = 0;
  for (const PagePoint& p : page.points) {
    const int32_t x = Pixel(p.at.x), y = Pixel(p.at.y);
    if (!p.corner && side.outline.count > 0) {
      const TOutlinePoint& previous = PointAt(side.outline, side.outline.count - 1);
      if (previous.x == x && previous.y == y) continue;
    }
    PressOnOutline(side.outline, side.corners, p.corner ? MouseButton::Left : MouseButton::Right, x, y);
  }
}

}  // namespace trellimap
