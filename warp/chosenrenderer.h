#pragma once
// The renderer the workspace's `smooth` option chooses: the smooth one, or the
// exact one.

#include "foundation/progress.h"
#include "warp/renderer.h"

namespace trellimap {

// RenderSmooth or RenderDirection, as the workspace chooses.
bool RenderAsChosen(Workspace& ws, WarpDirection direction, int threads = 0);

enum class RenderOutcome {
  Rendered,    // the new result is in `made`
  Unfinished,  // an outline is not complete: nothing was rendered
  Stopped,     // stopped through the progress: `made` is empty
};

// Renders one direction as RenderAsChosen would, into `made` instead of the
// workspace's result, telling `progress` how far it got; the caller puts
// `made` in the result's place, so that a render that is stopped leaves the
// old result as it was. The workspace is only read.
RenderOutcome RenderAside(Workspace& ws, WarpDirection direction, dib& made, Progress& progress);

}  // namespace trellimap
