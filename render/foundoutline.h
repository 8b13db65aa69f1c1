#pragma once
// A page found in a picture becomes that side's outline, as if its points had
// been clicked.

#include <cstdint>

#include "detect/pageoutline.h"
#include "workspace/workspace.h"

namespace trellimap {

// Replaces the outline of `side` by `page`'s points, each rounded to the
// nearest pixel (halves to even), in its order: corners as left clicks place
// them, bending points as right clicks do. A bending point that rounds to the
// pixel of the point before it is left out. The result is complete: four
// corners, the closing copy of corner 1, the corner counter 4. `page` must
// hold four corners.
void PlaceFoundOutline(SideRef side, const PageOutline& page);

}  // namespace trellimap
