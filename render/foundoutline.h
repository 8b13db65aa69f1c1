#pragma once
// A page found in a picture becomes that side's outline, as if its points had
// been clicked.

#include <vector>

#include "detect/pageoutline.h"
#include "workspace/pointlist.h"
#include "workspace/workspace.h"

namespace trellimap {

// The presses that place `page`: its points rounded to the nearest pixel
// (halves to even), in its order, corners as left clicks and bending points
// as right clicks. A bending point that rounds to the pixel of the point
// before it is left out.
std::vector<PointPress> FoundPresses(const PageOutline& page);

// The presses that outline a width × height picture `share` of its width and
// height in from each edge (at least on the picture): its four corners from
// the top left on round clockwise.
std::vector<PointPress> InsetPresses(int32_t width, int32_t height, double share);

// How far in from a picture's edges the outline proposed where no page is found lies.
inline constexpr double kProposedInset = 0.02;

// The presses that place `side`'s outline as it stands (its closing copy of
// corner 1 left out), which PlaceOutline turns back into the same outline.
std::vector<PointPress> OutlinePresses(ConstSideRef side);

// Replaces the outline of `side` by the one `presses` place, as the window's
// presses on a complete outline would.
void PlaceOutline(SideRef side, const std::vector<PointPress>& presses);

// Replaces the outline of `side` by `page`'s points. The result is complete:
// four corners, the closing copy of corner 1, the corner counter 4. `page`
// must hold four corners.
inline void PlaceFoundOutline(SideRef side, const PageOutline& page) { PlaceOutline(side, FoundPresses(page)); }

}  // namespace trellimap
