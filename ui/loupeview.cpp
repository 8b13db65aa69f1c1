#include "ui/loupeview.h"

#include <QImage>
#include <QPainter>

#include "foundation/outlinepoint.h"
#include "view/panecomposition.h"

namespace trellimap {

TLoupeView::TLoupeView(QWidget* view) : QWidget(view) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_OpaquePaintEvent);
  hide();
}

void TLoupeView::Show(const dib& picture, const TDynaArray& outline, const LoupePlacement& loupe) {
  // The picture drawn at the loupe's magnification, nearest neighbour, as a pane draws it; black beyond it.
  ComposePane(picture, 100 * kLoupeMagnification, nullptr,
              {loupe.source.x * kLoupeMagnification, loupe.source.y * kLoupeMagnification,
               loupe.source.width * kLoupeMagnification, loupe.source.height * kLoupeMagnification},
              pixels_);
  mark_ = loupe.mark;
  sides_.clear();
  for (uint32_t i = 0; i < outline.count; ++i) {
    const TOutlinePoint& p = PointAt(outline, i);
    const LoupeSpot spot = ToLoupe(loupe, p.x, p.y);
    sides_ << QPointF(spot.x, spot.y);
  }
  setGeometry(loupe.place.x, loupe.place.y, loupe.place.width, loupe.place.height);
  raise();
  show();
  update();
}

void TLoupeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QImage image(pixels_.Row(0), pixels_.width(), pixels_.height(), pixels_.stride(), QImage::Format_BGR888);
  painter.drawImage(rect(), image);
  // The outline's sides, thin and crisp, to line a point up with an edge in the picture.
  painter.setPen(QPen(Qt::red, 1));
  painter.drawPolyline(sides_);
  // A 1-pixel pen strokes a rectangle one pixel wider and higher than its size.
  painter.setPen(Qt::black);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  const QRect pixel(mark_.x, mark_.y, mark_.width, mark_.height);
  painter.drawRect(pixel.adjusted(-1, -1, 0, 0));
  painter.setPen(Qt::white);
  painter.drawRect(pixel.adjusted(-2, -2, 1, 1));
}

}  // namespace trellimap
