#pragma once
// A point or a direction in the plane.

namespace trellimap {

struct Vec {
  double x, y;
};

}  // namespace trellimap
