#pragma once
// The warp renderer: maps a W × H grid (the destination picture's size)
// through both outlines, reading the source picture at the grid point on the
// source outline and writing it at the grid point on the destination outline.

#include "workspace/workspace.h"

namespace trellimap {

enum class WarpDirection {
  OneIntoTwo,  // picture 1's outlined area into picture 2's outline: result 1 (di3)
  TwoIntoOne,  // picture 2's outlined area into picture 1's outline: result 2 (di4)
};

// What one direction reads and writes: the source picture and its outline,
// the destination picture and its outline, and the result.
struct DirectionParts {
  const dib& source;
  TDynaArray& sourceOutline;
  const dib& destination;
  TDynaArray& destinationOutline;
  dib& result;
};
DirectionParts PartsOf(Workspace& ws, WarpDirection direction);

// Renders one direction. Does nothing and returns false unless both outlines
// are complete (4 corners each). Otherwise the result is replaced by a new
// 24-bit picture of the destination picture's size (black, or a copy of the
// destination with `showoriginal`), the warped pixels written into it
// (blended half and half with the destination with `transparent`), and true
// returned; a result that cannot be allocated is left empty (poi null).
// `threads` 0 means one per core; the result does not depend on it.
bool RenderDirection(Workspace& ws, WarpDirection direction, int threads = 0);

// Makes `result` a 24-bit picture of the destination's size holding the
// background a render starts from: a copy of `destination` with
// `showoriginal`, else black. A result of that size already is reused.
// Returns false (the result left empty) when no block could be had.
bool StartResult(dib& result, const dib& destination, bool showoriginal);

}  // namespace trellimap
