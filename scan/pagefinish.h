#pragma once
// How a flat page is finished: the look it is given and the margin trimmed
// off it.

namespace trellimap {

// As photographed; clean (the paper even and white, the light's cast and
// shadows gone, ink in its own colours); the same in grey levels; black and
// white, for text.
enum class Look { Photo, Clean, Grey, BlackWhite };

// The margin trimmed off every side of a flat page: `amount` pixels, or, as
// a share, `amount` percent of the page's width off its left and right and
// of its height off its top and bottom.
struct PageInset {
  double amount = 0;
  bool percent = false;
};

}  // namespace trellimap
