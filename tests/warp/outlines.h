#pragma once
// Outline point lists for tests.

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

}  // namespace trellimap::testing
