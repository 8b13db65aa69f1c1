#pragma once
// Rendering one direction of a whole workspace: the pictures and outlines it
// reads, the result it writes, and the options it takes from the workspace.

#include "warp/renderer.h"
#include "workspace/workspace.h"

namespace trellimap {

// What `direction` of the workspace reads and writes.
DirectionParts PartsOf(Workspace& ws, WarpDirection direction);

// Whether both outlines are complete (four corners each), as every render needs.
inline bool OutlinesComplete(const Workspace& ws) { return ws.Side(0).corners == 4 && ws.Side(1).corners == 4; }

// The options a render of the workspace takes from it.
inline RenderOptions OptionsOf(const Workspace& ws, int threads, Progress* progress = nullptr) {
  return RenderOptions{ws.showoriginal, ws.transparent, ws.perspective, threads, progress};
}

// A renderer of one direction's parts: RenderExact or RenderSmooth.
using PartsRenderer = bool (*)(const DirectionParts&, const RenderOptions&);

// Renders one direction of the workspace into its result with `render`:
// false, rendering nothing, unless both outlines are complete.
bool RenderWith(PartsRenderer render, Workspace& ws, WarpDirection direction, int threads);

// Renders one direction exactly. Does nothing and returns false unless both
// outlines are complete (4 corners each). Otherwise the result is replaced by
// a new 24-bit picture of the destination picture's size (black, or a copy of
// the destination with `showoriginal`), the warped pixels written into it
// (blended half and half with the destination with `transparent`), and true
// returned; a result that cannot be allocated is left empty (poi null).
// `threads` 0 means one per core; the result does not depend on it.
bool RenderDirectionExact(Workspace& ws, WarpDirection direction, int threads = 0);

// Renders one direction smoothly, with RenderDirectionExact's contract.
bool RenderDirectionSmooth(Workspace& ws, WarpDirection direction, int threads = 0);

// RenderDirectionSmooth or RenderDirectionExact, as the workspace's `smooth` option chooses.
bool RenderAsChosen(Workspace& ws, WarpDirection direction, int threads = 0);

}  // namespace trellimap
