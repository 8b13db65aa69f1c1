#pragma once
// The exact renderer over the perspective-true map: every result pixel whose
// centre lies inside the destination outline takes the source pixel nearest
// to its preimage (pixel centres at integers), so the region has no holes.
// Between two bends of either outline both maps are bilinear patches in
// their squares; each such strip covers a quadrilateral of the destination
// (the views keep lines straight), whose pixels are taken back through the
// destination's view, out of its patch, into the source's patch and through
// the source's view. Where the region folds, the later strip wins.

#include "warp/renderer.h"
#include "warp/smoothmap.h"

namespace trellimap {

// Renders one direction, with RenderExact's contract, through the maps of
// both outlines seen in perspective (OutlineMaps with their views).
bool RenderPerspectiveExact(const DirectionParts& parts, const RenderOptions& options, const OutlineMap& destination,
                            const OutlineMap& source);

}  // namespace trellimap
