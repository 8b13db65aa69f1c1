#pragma once
// What the status bar tells the user about the outlines: the next step for
// each picture, and warnings that need no answer (mirrored results, an
// outline that crosses itself, a point off its picture). Texts come through
// the translation table.

#include <string>
#include <vector>

#include "workspace/workspace.h"

namespace trellimap {

// The next step on picture `picture` (1 or 2), whose outline is `list` with
// `corners` corners placed.
std::string OutlineGuidance(int picture, const TDynaArray& list, int32_t corners);

// The warnings the workspace gives reason for now, in a fixed order.
std::vector<std::string> OutlineWarnings(const Workspace& ws);

// The warning for a render asked for while an outline is not complete.
std::string UnfinishedOutlineWarning();

// Twice the signed area of the polygon through the outline's points in list
// order (positive when it turns clockwise on the screen, y pointing down).
long double OutlineTurn(const TDynaArray& list);

// True when two sides of the outline's polygon that do not meet at a point
// cross or touch each other (a bow tie).
bool OutlineCrossesItself(const TDynaArray& list);

}  // namespace trellimap
