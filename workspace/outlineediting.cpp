#include "workspace/outlineediting.h"

#include "foundation/outlinepoint.h"

namespace trellimap {

PressEffect PressOnOutline(TDynaArray& list, int32_t& corners, MouseButton button, int32_t x, int32_t y) {
  // A complete outline, or a count no outline can have, starts over.
  if (corners >= 4 || corners < 0) {
    list.Clear();
    corners = 0;
  }
  const bool left = button == MouseButton::Left;
  if (!left && corners == 2) return PressEffect::Ignored;  // side 2 stays straight
  auto* point = static_cast<TOutlinePoint*>(list.Add());
  if (point == nullptr) return PressEffect::Ignored;  // out of memory, already reported
  point->x = x;
  point->y = y;
  point->iscorner = left || list.count == 1;
  if (point->iscorner) ++corners;
  if (corners != 4) return PressEffect::Added;

  const TOutlinePoint first = *static_cast<const TOutlinePoint*>(list.GetObject(0));
  auto* closing = static_cast<TOutlinePoint*>(list.Add());
  if (closing != nullptr) {
    closing->x = first.x;
    closing->y = first.y;
    closing->iscorner = true;
  }
  return PressEffect::Completed;
}

}  // namespace trellimap
