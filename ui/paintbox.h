#pragma once
// A pane's drawing area: it has the zoomed picture's size (so the scroll box
// scrolls over it), but composes only the part the platform asks to paint,
// through its owner, and copies that to the screen in one step.

#include <QWidget>
#include <functional>

#include "image/pixelsurface.h"
#include "workspace/outlineediting.h"
#include "workspace/panecomposition.h"

namespace trellimap {

class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  // Composes the given area of the pane into a surface and returns it, or
  // returns null after resizing the box (a fresh paint follows).
  using Composer = std::function<const PixelSurface*(const PaneArea& area)>;
  // A mouse button went down at pane position (x, y).
  using PressHandler = std::function<void(MouseButton button, int x, int y)>;

  TPaintBox(const QString& name, QWidget* parent = nullptr);
  void SetComposer(Composer composer) { composer_ = std::move(composer); }
  void SetPressHandler(PressHandler handler) { press_ = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  Composer composer_;
  PressHandler press_;
};

}  // namespace trellimap
