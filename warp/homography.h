#pragma once
// Projective maps of the plane: x' = (a·p) / (c·p) with p = (x, y, 1), held as
// a 3 × 3 matrix, and the one that takes the unit square onto four corners.

#include <optional>

#include "warp/vec.h"

namespace trellimap {

struct Homography {
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

  Vec Apply(const Vec& p) const {
    const double w = Weight(p);
    return {(m[0][0] * p.x + m[0][1] * p.y + m[0][2]) / w, (m[1][0] * p.x + m[1][1] * p.y + m[1][2]) / w};
  }
  // The homogeneous weight of p's image: its sign tells on which side of the
  // map's horizon p lies.
  double Weight(const Vec& p) const { return m[2][0] * p.x + m[2][1] * p.y + m[2][2]; }
  // The inverse, up to scale (the adjugate); not defined for a singular map.
  Homography Inverse() const;
  // This map after `first`: p ↦ this(first(p)).
  Homography After(const Homography& first) const;
  // The same map scaled so that p's weight is positive.
  Homography WithPositiveWeightAt(const Vec& p) const;
};

// The map taking the unit square's (0, 1), (1, 1), (1, 0), (0, 0) to
// corners[0 … 3], the points of (s, r) along an outline whose first side runs
// from corner 1 to corner 2 at r = 1 and whose third side runs back at r = 0.
// The weight is positive over the whole square when the corners make a convex
// quadrilateral; nothing when three of them lie on a line.
std::optional<Homography> SquareOnto(const Vec corners[4]);

}  // namespace trellimap
