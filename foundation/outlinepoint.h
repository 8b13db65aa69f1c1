#pragma once
// The point record of the outline lists. Project files store it byte for byte
// (little-endian), so its layout is fixed.

#include <cstddef>
#include <cstdint>

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

}  // namespace trellimap
