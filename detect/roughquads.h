#pragma once
// First guesses of where a page lies: regions of the working copy that no
// edge stronger than some threshold crosses, and blocks of text, each
// reduced to the quadrilateral that best covers it.

#include <array>
#include <vector>

#include "detect/workingcopy.h"

namespace trellimap {

using Quad = std::array<Vec, 4>;  // clockwise on the screen, in working pixels

// Guesses, the likeliest first, without two that nearly coincide.
std::vector<Quad> RoughQuads(const WorkingCopy& copy);

// The quad that best covers the convex hull of `points`.
Quad QuadAround(const std::vector<Vec>& points);

// The quad's corners turned clockwise on the screen (y counted downwards).
Quad Clockwise(Quad quad);
double Area(const Quad& quad);

// Whether both points lie near the same border of a picture `width` ×
// `height`: within `within.x` of its left or right, or `within.y` of its top
// or bottom.
bool AlongOneBorder(const Vec& a, const Vec& b, double width, double height, const Vec& within);

// Whether each corner of one quad lies within `reach` of the other's.
bool NearlySame(const Quad& a, const Quad& b, double reach);

}  // namespace trellimap
