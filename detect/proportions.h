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
// the two vanishing points; where that estimate degenerates (two sides
// parallel in the picture, or no real focal length) the average lengths of
// opposite sides take over. `top` and `bottom`, when given (sides 1 and 3 with
// their bending points), lengthen the width by how much longer than their
// chords those curved edges are.
double TrueAspect(const std::vector<Vec>& corners, int32_t pictureWidth, int32_t pictureHeight,
                  const std::vector<Vec>& top = {}, const std::vector<Vec>& bottom = {});

}  // namespace trellimap
