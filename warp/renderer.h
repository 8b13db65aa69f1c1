#pragma once
// The warp renderer: maps a W × H grid (the destination picture's size)
// through both outlines, reading the source picture at the grid point on the
// source outline and writing it at the grid point on the destination outline.

#include "foundation/dynaarray.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// What one direction reads and writes: the source picture and its outline,
// the destination picture and its outline, and the result.
struct DirectionParts {
  const dib& source;
  const TDynaArray& sourceOutline;
  const dib& destination;
  const TDynaArray& destinationOutline;
  dib& result;
};

// What a render does besides the pictures: the options, how many threads
// (0: one per core; the result does not depend on it), and whom to tell how
// far it got, who may stop it.
struct RenderOptions {
  bool showoriginal = false;
  bool transparent = false;
  // The perspective-true map, where both outlines allow it (else the arc-length map).
  bool perspective = false;
  int threads = 0;
  Progress* progress = nullptr;
};

// Renders one direction, whose outlines are complete (4 corners each): the
// result is replaced by a 24-bit picture of the destination picture's size
// (black, or a copy of the destination with `showoriginal`), the warped pixels
// written into it (blended half and half with the destination with
// `transparent`); a result that cannot be allocated is left empty (poi null).
// False when stopped through the progress: the result is then incomplete.
bool RenderExact(const DirectionParts& parts, const RenderOptions& options);

// Makes `result` a 24-bit W × H picture; one of that size already is kept
// as it is (`reused` then true), as clearing it costs less than a fresh block.
// Returns false (the result left empty) when no block could be had.
bool ReuseOrMake(dib& result, int32_t W, int32_t H, bool& reused);

// Writes the background a render starts from into the pixels [x0, x1) ×
// [y0, y1) of `result`, which has the destination's size: the destination's
// pixels with `showoriginal`, else black.
void FillBackground(dib& result, const dib& destination, bool showoriginal, int32_t x0, int32_t y0, int32_t x1,
                    int32_t y1);

}  // namespace trellimap
