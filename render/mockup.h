#pragma once
// Mockups: a flat design put whole into the outline on a template picture (a
// wall, a screen, a page photographed at an angle), perspective-true and
// smooth, over the template picture.

#include "foundation/dynaarray.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Fills `outline` with the four corners of a w × h picture's corner pixels,
// from the top left on round clockwise on the screen: the outline of the
// whole picture.
void PictureEdgeOutline(int32_t w, int32_t h, TDynaArray& outline);

// Renders `design` (24 bits) into `result`: the design's whole picture as
// outline 1, the template's complete outline `templateOutline` on
// `templatePicture` as outline 2, with perspective, smooth results and the
// template picture in the background, on `threads` threads (0: one per core).
// The result is left empty when no memory can be had for it. `progress`, when
// given, hears how far the render got; false when it was stopped there (the
// result is then incomplete).
bool RenderMockup(const dib& design, const dib& templatePicture, const TDynaArray& templateOutline, dib& result,
                  int threads, Progress* progress = nullptr);

}  // namespace trellimap
