#pragma once
// The exact renderer over the perspective-true map: every result pixel whose
// centre lies inside the destination outline takes the source pixel nearest
// to its preimage (pixel centres at integers), so the region has no holes.
// The map is cut into triangles on which it is one projective map each: the
// outlines' sides in their squares are followed by a mesh (straight sides
// need a single cell), and a triangle's affine piece of it there, seen
// through both views, is projective. Where the region folds, the later
// (s, r) wins.

#include "warp/renderer.h"
#include "warp/smoothmap.h"

namespace trellimap {

// Renders one direction, with RenderExact's contract, through the maps of
// both outlines seen in perspective (OutlineMaps with their views).
bool RenderPerspectiveExact(const DirectionParts& parts, const RenderOptions& options, const OutlineMap& destination,
                            const OutlineMap& source);

}  // namespace trellimap
