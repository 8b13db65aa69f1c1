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

namespace {

TOutlinePoint* At(TDynaArray& list, int32_t index) {
  if (index < 0 || static_cast<uint32_t>(index) >= list.count) return nullptr;
  return static_cast<TOutlinePoint*>(list.GetObject(static_cast<uint32_t>(index)));
}

}  // namespace

void MovePoint(TDynaArray& list, int32_t corners, int32_t index, int32_t x, int32_t y) {
  const bool closed = HasClosingRecord(list, corners);
  if (closed && index == static_cast<int32_t>(list.count) - 1) index = 0;
  TOutlinePoint* point = At(list, index);
  if (point == nullptr) return;
  point->x = x;
  point->y = y;
  if (closed && index == 0) {
    TOutlinePoint* closing = At(list, static_cast<int32_t>(list.count) - 1);
    closing->x = x;
    closing->y = y;
  }
}

bool RemoveLastPoint(TDynaArray& list, int32_t& corners) {
  if (list.count == 0) return false;
  if (HasClosingRecord(list, corners)) list.Delete(static_cast<int32_t>(list.count) - 1);
  const auto last = static_cast<int32_t>(list.count) - 1;
  if (At(list, last)->iscorner && corners > 0) --corners;
  list.Delete(last);
  return true;
}

bool RemoveBendPoint(TDynaArray& list, int32_t corners, int32_t index) {
  const auto points = static_cast<int32_t>(list.count) - (HasClosingRecord(list, corners) ? 1 : 0);
  if (index < 0 || index >= points || At(list, index)->iscorner) return false;
  list.Delete(index);
  return true;
}

}  // namespace trellimap
