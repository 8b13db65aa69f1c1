#pragma once
// The warp renderer: maps a W × H grid (the destination picture's size)
// through both outlines, reading the source picture at the grid point on the
// source outline and writing it at the grid point on the destination outline.

#include "foundation/progress.h"
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

// What a render does besides the pictures: the two options, how many threads
// (0: one per core; the result does not depend on it), and whom to tell how
// far it got, who may stop it.
struct RenderOptions {
  bool showoriginal = false;
  bool transparent = false;
  int threads = 0;
  Progress* progress = nullptr;
};

// RenderDirection's work on the parts of one direction, whose outlines are
// complete. False when stopped through the progress: the result is then
// incomplete.
bool RenderExact(const DirectionParts& parts, const RenderOptions& options);

// Whether both outlines are complete (four corners each), as every render needs.
inline bool OutlinesComplete(const Workspace& ws) { return ws.ecken1 == 4 && ws.ecken2 == 4; }

// The options a render of the workspace takes from it.
inline RenderOptions OptionsOf(const Workspace& ws, int threads, Progress* progress = nullptr) {
  return RenderOptions{ws.showoriginal, ws.transparent, threads, progress};
}

// Renders one direction of the workspace into its result with `render`
// (RenderExact or RenderSmooth): false, rendering nothing, unless both
// outlines are complete.
bool RenderWith(bool (*render)(const DirectionParts&, const RenderOptions&), Workspace& ws, WarpDirection direction,
                int threads);

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
