#pragma once
// Turning presses on a picture pane into outline points: four corners in
// order, intermediate points on sides 1 and 3, and the closing record.

#include <cstdint>

#include "foundation/dynaarray.h"

namespace trellimap {

enum class MouseButton { Left, Right, Middle };

enum class PressEffect {
  Ignored,    // a right or middle press while side 2 is being drawn
  Added,      // a point was added
  Completed,  // the fourth corner was placed and the outline closed
};

// Applies a press at picture coordinates (x, y) to the outline in `list`
// (TOutlinePoint records) with `corners` corners placed. A press on a complete
// outline starts a new one. The first point is always a corner; later left
// presses add corners, other buttons intermediate points (ignored on side 2).
PressEffect PressOnOutline(TDynaArray& list, int32_t& corners, MouseButton button, int32_t x, int32_t y);

// Whether the last record of `list` is the closing copy of corner 1 that a
// complete outline (`corners` 4) ends in.
inline bool HasClosingRecord(const TDynaArray& list, int32_t corners) { return corners == 4 && list.count >= 2; }

// Moves point `index` of `list` to picture coordinates (x, y); it keeps its
// kind and place. Corner 1 and the closing record of a complete outline
// (`corners` 4) move together. An index outside the list changes nothing.
void MovePoint(TDynaArray& list, int32_t corners, int32_t index, int32_t x, int32_t y);

// Removes point `index` of `list` when it is an intermediate point (one that
// bends side 1 or side 3); corners, the closing record and indexes outside
// the list stay. True when it was removed.
bool RemoveBendPoint(TDynaArray& list, int32_t corners, int32_t index);

// Removes the last point placed: on a complete outline corner 4, with the
// closing record, so the outline is open again. A removed corner lowers
// `corners`. False when the list is empty.
bool RemoveLastPoint(TDynaArray& list, int32_t& corners);

}  // namespace trellimap
