#pragma once
// The point record of the outline lists. Project files store it byte for byte
// (little-endian), so its layout is fixed.

#include <cstddef>
#include <cstdint>

#include "foundation/dynaarray.h"

namespace trellimap {

struct TOutlinePoint {
  int32_t x;            // picture column in picture pixels (not zoomed), from the left edge
  int32_t y;            // picture row in picture pixels, from the top edge
  bool iscorner;        // corner of the quadrilateral, otherwise an intermediate outline point
  uint8_t reserved[3];  // always zero: records are handed out zero-filled and these bytes are never written
};

static_assert(sizeof(TOutlinePoint) == 12);
static_assert(sizeof(bool) == 1);
static_assert(offsetof(TOutlinePoint, x) == 0);
static_assert(offsetof(TOutlinePoint, y) == 4);
static_assert(offsetof(TOutlinePoint, iscorner) == 8);
static_assert(offsetof(TOutlinePoint, reserved) == 9);

// Record `index` (< list.count) of an outline list, read without moving its cursor.
inline const TOutlinePoint& PointAt(const TDynaArray& list, uint32_t index) {
  return *static_cast<const TOutlinePoint*>(list.At(index));
}

// Makes `to` hold copies of the records of `from`, whose cursor stays where it is.
// False, with `to` holding the records copied so far, when memory runs out
// (the list has reported it).
bool CopyOutline(const TDynaArray& from, TDynaArray& to);

}  // namespace trellimap
