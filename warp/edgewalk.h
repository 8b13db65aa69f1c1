#pragma once
// The arc-length walk along an outline: the lengths of its four sides, and the
// point at a given distance along one side, both measured along the polyline.
// Both only read the list: its cursor stays where it is.

#include <cstdint>

#include "foundation/dynaarray.h"
#include "foundation/outlinepoint.h"

namespace trellimap {

struct SideLengthSet {
  double L1, L2, L3, L4;
};

// The lengths of sides 1 to 4 of the outline in `list` (records of
// TOutlinePoint): side k runs from the k-th corner record to the next one.
SideLengthSet SideLengths(const TDynaArray& list);

// The point at distance `t` along side `k` (1 to 4) from its first corner.
// Returns false, leaving X and Y alone, when the side is shorter than `t` or
// missing. The sum reached at the end of side k is bit for bit the length
// SideLengths gives, so any t up to that length is found.
bool PointOnSide(const TDynaArray& list, int32_t k, double t, double& X, double& Y);

// Length of the segment from p to r in extended precision. The squared
// differences are summed exactly (no 32-bit overflow for any coordinates).
long double SegmentLength(const TOutlinePoint& p, const TOutlinePoint& r);

}  // namespace trellimap
