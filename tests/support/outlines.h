#pragma once
// Outline point lists for tests.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "foundation/dynaarray.h"
#include "foundation/outlinepoint.h"

namespace trellimap::testing {

struct PointSpec {
  int32_t x, y;
  bool corner;
};

// Fills `list` with the points in order.
inline void FillOutline(TDynaArray& list, const std::vector<PointSpec>& points) {
  list.Clear();
  for (const PointSpec& p : points) {
    auto* r = static_cast<TOutlinePoint*>(list.Add());
    r->x = p.x;
    r->y = p.y;
    r->iscorner = p.corner;
  }
}

// A list of its own, for the edge walk.
struct Outline {
  explicit Outline(const std::vector<PointSpec>& points) { FillOutline(list, points); }
  TOutlinePoint* current = nullptr;
  TDynaArray list{sizeof(TOutlinePoint), &current};
};

// How far (x, y) lies from the closed polygon through `points`, and whether
// it lies inside (even-odd).
struct PolygonPlace {
  double distance;
  bool inside;
};
inline PolygonPlace PlaceInPolygon(const std::vector<PointSpec>& points, double x, double y) {
  PolygonPlace place{1e300, false};
  for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
    const double xi = points[i].x, yi = points[i].y, xj = points[j].x, yj = points[j].y;
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) place.inside = !place.inside;
    const double dx = xj - xi, dy = yj - yi, squared = dx * dx + dy * dy;
    const double t = squared > 0 ? std::clamp(((x - xi) * dx + (y - yi) * dy) / squared, 0.0, 1.0) : 0.0;
    place.distance = std::min(place.distance, std::hypot(x - xi - t * dx, y - yi - t * dy));
  }
  return place;
}

}  // namespace trellimap::testing
