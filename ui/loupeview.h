#pragma once
// The loupe over a picture pane: the magnified pixels around a point, with
// the point's own pixel outlined in black and white so that it shows on any
// picture. It takes no pointer input; where it lies and what it shows come
// from the core (workspace/loupe.h).

#include <QPolygonF>
#include <QWidget>

#include "display/pixelsurface.h"
#include "foundation/dynaarray.h"
#include "image/dib.h"
#include "view/loupe.h"

namespace trellimap {

class TLoupeView : public QWidget {
  Q_OBJECT
 public:
  // Hidden until shown; `view` is the visible area of the pane it lies over.
  explicit TLoupeView(QWidget* view);
  // Shows `loupe` of `picture`, with the sides of `outline` (TOutlinePoint
  // records) drawn over it through the points they join.
  void Show(const dib& picture, const TDynaArray& outline, const LoupePlacement& loupe);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PixelSurface pixels_;
  LoupeRect mark_{};
  QPolygonF sides_;  // the outline's points, in loupe pixels
};

}  // namespace trellimap
