#pragma once
// Drawing an outline over a zoomed picture: a hollow square marker at every
// point and lines joining the points in list order, in plain red. Corners get
// a 2-pixel pen, intermediate points (and the line leading to them) 1 pixel;
// a page found in doubt is drawn in orange.

#include <cstdint>

#include "display/pixelsurface.h"
#include "foundation/dynaarray.h"

namespace trellimap {

// Draws the outline in `list` at `zoom` percent onto `surface`, which shows
// the pane's pixels from (originX, originY) on; anything outside is clipped,
// so every part of the pane gets exactly the pixels of a whole-pane drawing.
// With `scale` s the surface has s × s pixels for each pane pixel (a screen
// of that device pixel ratio): positions follow zoom × s, and the lines and
// markers are s times as wide, so the outline looks the same, only sharper.
// In `colour` (red + 256 × green + 65536 × blue).
inline constexpr uint32_t kOutlineRed = 0x0000FF;
inline constexpr uint32_t kDoubtfulOrange = 0x0098FF;  // a page found in doubt
void DrawOutline(PixelSurface& surface, int32_t originX, int32_t originY, const TDynaArray& list, int32_t zoom,
                 int32_t scale = 1, uint32_t colour = kOutlineRed);

}  // namespace trellimap
