#include "ui/paintbox.h"

#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>

namespace trellimap {

TPaintBox::TPaintBox(const QString& name, QWidget* parent) : QWidget(parent) {
  setObjectName(name);
  // Every pixel is painted from the composed surface.
  setAttribute(Qt::WA_OpaquePaintEvent);
  // A click gives the pane the keyboard, for the editing keys.
  setFocusPolicy(Qt::ClickFocus);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
  if (!composer_) return;
  const QRect area = event->rect().intersected(rect());
  if (area.isEmpty()) return;
  // Composed at the screen's resolution, so that on a scaled screen a picture
  // pixel is not drawn as a block of device pixels; a ratio between whole
  // numbers takes the nearer one, and the painter makes up the rest.
  const int32_t scale = std::max(1, qRound(devicePixelRatioF()));
  const PixelSurface* surface =
      composer_({area.x() * scale, area.y() * scale, area.width() * scale, area.height() * scale}, scale);
  if (surface == nullptr) return;
  QImage image(surface->Row(0), surface->width(), surface->height(), surface->stride(), QImage::Format_BGR888);
  image.setDevicePixelRatio(scale);
  QPainter painter(this);
  painter.drawImage(area.topLeft(), image);
  painter.setClipRect(area);
  painter.setRenderHint(QPainter::Antialiasing);
  // A white ring round a blue one, seen on any picture.
  if (const std::optional<QPoint> selected = selection_ ? selection_() : std::nullopt) {
    painter.setBrush(Qt::NoBrush);
    for (const QPen& pen : {QPen(Qt::white, 4), QPen(QColor(0, 110, 255), 2)}) {
      painter.setPen(pen);
      painter.drawEllipse(*selected, kSelectionRadius, kSelectionRadius);
    }
  }
  if (!labels_) return;
  // Bold red text with a white rim, readable on any picture at any zoom.
  QFont font = painter.font();
  font.setBold(true);
  QPainterPath path;
  for (const Label& label : labels_()) path.addText(label.x, label.y, font, label.text);
  if (path.isEmpty() || !path.boundingRect().intersects(area)) return;
  painter.strokePath(path, QPen(Qt::white, 3));
  painter.fillPath(path, Qt::red);
}

bool TPaintBox::event(QEvent* event) {
  // Tab steps through the outline's points here rather than through the window's controls.
  if (event->type() == QEvent::KeyPress && step_) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier;
    if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
      step_(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
      return true;
    }
  }
  return QWidget::event(event);
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

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (move_ && (event->buttons() & Qt::LeftButton)) move_(at.x(), at.y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (release_ && event->button() == Qt::LeftButton) release_(at.x(), at.y());
}

void TPaintBox::wheelEvent(QWheelEvent* event) {
  // Without Ctrl the wheel scrolls the pane, as the scroll box does it.
  const int notches = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
  if (!zoom_ || !(event->modifiers() & Qt::ControlModifier) || notches == 0) {
    event->ignore();
    return;
  }
  const QPoint at = event->position().toPoint();
  zoom_(notches, at.x(), at.y());
}

}  // namespace trellimap
