#pragma once
// Composing a pane's pixels: its picture drawn at the pane's zoom and, for the
// picture panes, the outline over it.

#include <cstdint>

#include "display/pixelsurface.h"
#include "foundation/dynaarray.h"
#include "image/dib.h"
#include "view/reducedcopies.h"

namespace trellimap {

struct PaneArea {
  int32_t left, top, width, height;  // in pane pixels
};

// The zoomed size of `picture` at `zoom` percent (0 × 0 without a picture).
PaneArea ZoomedPicture(const dib& picture, int32_t zoom);

// Composes `area` of the pane into `surface`, which is resized to the area:
// the whole picture drawn at `zoom` percent with its top-left at the pane's
// origin, then `outline` (when not null) over it. Only the area is computed,
// and every pixel is the one a composition of the whole pane has there, so
// memory stays bounded by the area at any zoom. With `scale` s the pane is
// composed at s × s device pixels for each of its pixels (`area` is then in
// device pixels): the picture at zoom × s, the outline as DrawOutline draws it.
// Below 100 % (zoom × s) every pixel of a 24-bit picture is the mean of the
// picture pixels it covers, so that fine lines and text keep their weight
// instead of coming and going with the zoom; `copies` of the picture, kept
// between paints, spare reading all those pixels each time.
void ComposePane(const dib& picture, int32_t zoom, const TDynaArray* outline, const PaneArea& area,
                 PixelSurface& surface, int32_t scale = 1, ReducedCopies* copies = nullptr);

// Composes `area` of a pane that shows `picture` (24 bits) shrunk to `whole`,
// no larger than the picture either way: each pane pixel the mean of the
// picture's pixels whose columns and rows fall to it (every picture pixel
// falls to exactly one). Pixels beyond `whole` are black.
void ComposeAveraged(const dib& picture, const PaneArea& whole, const PaneArea& area, PixelSurface& surface);

// Composes `area` of a pane that shows `picture` stretched over `whole` (its
// top-left at the pane's origin), for a stand-in picture of another size.
void ComposeStretched(const dib& picture, const PaneArea& whole, const PaneArea& area, PixelSurface& surface);

}  // namespace trellimap
