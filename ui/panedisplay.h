#pragma once
// What the window's four panes show: each its picture at its zoom, the
// picture panes with their outlines, a result faded while it is out of date
// or in reduced form while a point is dragged; zooming to fit and by the
// wheel; and the loupe over a picture pane.

#include <array>
#include <cstddef>
#include <cstdint>

#include "display/pixelsurface.h"
#include "document/projectdocument.h"
#include "ui/editgestures.h"
#include "view/panecomposition.h"

namespace trellimap {

struct MainFrame;

class PaneDisplay {
 public:
  // The panes of `frame` show `document`; `editing` gives the previews of a drag.
  PaneDisplay(const MainFrame& frame, const ProjectDocument& document, const TEditGestures& editing);

  // The zoom in force for a pane (0 to 3), read afresh from its edit.
  int32_t Zoom(size_t pane) const;
  // The zooms of the four panes; setting them leaves a pane given 0 as it is.
  std::array<int32_t, 4> Zooms() const;
  void SetZooms(const std::array<int32_t, 4>& zooms);
  // Sizes the pane's drawing area to the zoomed picture, or redraws it.
  void Paint(size_t pane);
  // The pane's area `area` in device pixels, `scale` of them to a pane pixel;
  // null after resizing the drawing area (a fresh paint follows).
  const PixelSurface* Compose(size_t pane, const PaneArea& area, int32_t scale);
  // Result pane `pane` (2 or 3) shows its result faded while `stale`.
  void ShowStale(size_t pane, bool stale);
  // Sets a pane's zoom so that its whole picture fits the pane.
  void Fit(size_t pane);
  // Fit, when the pane's picture at its zoom is larger than the pane.
  void FitIfLarger(size_t pane);
  // `notches` steps in or out, keeping the picture point under (x, y) of the
  // drawing area in place.
  void WheelZoom(size_t pane, int notches, int x, int y);
  // Picture pane `pane` shows the loupe for picture pixel (x, y), the pointer
  // at (pointerX, pointerY) of its drawing area.
  void ShowLoupe(size_t pane, int32_t x, int32_t y, int pointerX, int pointerY);
  void HideLoupe();
  // Whether the pointer is over pane `pane`.
  bool PointerOver(size_t pane) const;
  // The off-screen bitmap the pane was last composed into.
  const PixelSurface& Bitmap(size_t pane) const { return *bitmaps_[pane]; }

 private:
  const MainFrame& frame_;
  const ProjectDocument& document_;
  const TEditGestures& editing_;
  // Off-screen bitmaps of panes 1, 2, 3 and 4.
  PixelSurface bit0, bit2, bit3, bit4;
  const std::array<PixelSurface*, 4> bitmaps_{&bit0, &bit2, &bit3, &bit4};
  std::array<bool, 2> shownStale_{};      // result panes 3 and 4
  std::array<ReducedCopies, 4> reduced_;  // of each pane's picture, for drawing it below 100 %
};

}  // namespace trellimap
