#pragma once
// A photographed rectangle's true proportions, from its four corners in the
// picture and a pinhole camera whose principal point is the picture's centre.

#include <cstdint>
#include <vector>

#include "warp/vec.h"

namespace trellimap {

// Width : height of the flat rectangle whose corners the picture shows at
// `corners` (corner 1 at its top left, then clockwise), in a picture of
// `pictureWidth` × `pictureHeight` pixels. The camera's focal length comes from
// the two vanishing points; where they cannot tell it (two sides parallel in
// the picture, no real or an absurd focal length) a usual focal length is
// taken, which for a view with both pairs of sides parallel gives the average
// lengths of opposite sides; corners that make no convex quadrilateral get
// those averages alone. `top` and `bottom`, when given (sides 1 and 3 with
// their bending points), lengthen the width by how much longer than their
// chords those curved edges are in space, for a page bent across its width
// only (an open book's). Always a finite
// positive number, 1 where nothing can be told.
double TrueProportion(const std::vector<Vec>& corners, int32_t pictureWidth, int32_t pictureHeight,
                      const std::vector<Vec>& top = {}, const std::vector<Vec>& bottom = {});

}  // namespace trellimap
