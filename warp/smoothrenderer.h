#pragma once
// The smooth renderer: the same map as the exact renderer, continued between
// its grid points, drawn by resampling. Every destination pixel the mapped
// region covers gets the source averaged over the pixel's preimage (bilinear
// reads, more samples and a prefiltered source where the source is minified),
// pixels on the region's rim are blended with the background by their
// coverage, and where the region folds over itself the later (s, r) wins.

#include "warp/renderer.h"

namespace trellimap {

// Renders one direction smoothly. The same contract as RenderDirection: false
// unless both outlines are complete; the result takes the destination's size,
// starts as the background (the destination with `showoriginal`, else black)
// and with `transparent` the warped colour is taken half and half with the
// destination. `threads` 0 means one per core; the result does not depend on it.
bool RenderSmooth(Workspace& ws, WarpDirection direction, int threads = 0);

// RenderSmooth's work on the parts of one direction, whose outlines are
// complete. False when stopped through the progress: the result is then
// incomplete.
bool RenderSmooth(const DirectionParts& parts, const RenderOptions& options);

}  // namespace trellimap
