#include "view/panecomposition.h"

#include "display/paintdib.h"
#include "display/surfacedevice.h"
#include "image/pixmill3.h"
#include "view/outlinedrawing.h"
#include "view/panegeometry.h"

namespace trellimap {

PaneArea ZoomedPicture(const dib& picture, int32_t zoom) {
  if (picture.poi == nullptr) return {0, 0, 0, 0};
  return {0, 0, Zoomed(DibWidth(&picture), zoom), Zoomed(DibHeight(&picture), zoom)};
}

void ComposeStretched(const dib& picture, const PaneArea& whole, const PaneArea& area, PixelSurface& surface) {
  surface.SetSize(area.width, area.height);
  SurfaceDevice device(surface, area.left, area.top);
  PaintDib(device, 0, 0, whole.width, whole.height, &picture, 0, 0, DibWidth(&picture), DibHeight(&picture), false,
           SRCCOPY);
}

void ComposePane(const dib& picture, int32_t zoom, const TDynaArray* outline, const PaneArea& area,
                 PixelSurface& surface, int32_t scale) {
  ComposeStretched(picture, ZoomedPicture(picture, zoom * scale), area, surface);
  if (outline != nullptr) DrawOutline(surface, area.left, area.top, *outline, zoom, scale);
}

}  // namespace trellimap
