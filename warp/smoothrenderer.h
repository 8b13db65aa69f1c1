#pragma once
// The smooth renderer: the same map as the exact renderer, continued between
// its grid points, drawn by resampling. Every destination pixel the mapped
// region covers gets the source averaged over the pixel's preimage (bilinear
// reads, more samples and a prefiltered source where the source is minified),
// pixels on the region's rim are blended with the background by their
// coverage, and where the region folds over itself the later (s, r) wins.

#include "warp/renderer.h"

namespace trellimap {

// Renders one direction smoothly, with RenderExact's contract.
bool RenderSmooth(const DirectionParts& parts, const RenderOptions& options);

}  // namespace trellimap
