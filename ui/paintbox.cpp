#include "ui/paintbox.h"

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace trellimap {

TPaintBox::TPaintBox(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  // Every pixel is painted from the composed surface.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
  if (!composer_) return;
  const QRect area = event->rect().intersected(rect());
  if (area.isEmpty()) return;
  const PixelSurface* surface = composer_({area.x(), area.y(), area.width(), area.height()});
  if (surface == nullptr) return;
  const QImage image(surface->Row(0), surface->width(), surface->height(), surface->stride(), QImage::Format_BGR888);
  QPainter(this).drawImage(area.topLeft(), image);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
  // Only the three main buttons edit outlines; side buttons (back, forward)
  // and any others do nothing.
  MouseButton button;
  switch (event->button()) {
    case Qt::LeftButton:
      button = MouseButton::Left;
      break;
    case Qt::RightButton:
      button = MouseButton::Right;
      break;
    case Qt::MiddleButton:
      button = MouseButton::Middle;
      break;
    default:
      return;
  }
  if (!press_) return;
  const QPoint at = event->position().toPoint();
  press_(button, at.x(), at.y());
}

}  // namespace trellimap
