#pragma once
// A pane's drawing area: it has the zoomed picture's size (so the scroll box
// scrolls over it), but composes only the part the platform asks to paint,
// through its owner, and copies that to the screen in one step. It passes the
// pointer's presses, moves, releases and Ctrl+wheel turns on to its owner, and
// draws short labels (the corner numbers) over the picture.

#include <QPoint>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "display/pixelsurface.h"
#include "view/panecomposition.h"
#include "workspace/outlineediting.h"

namespace trellimap {

class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  // Composes the given area of the pane into a surface and returns it, or
  // returns null after resizing the box (a fresh paint follows). The area is
  // in device pixels, `scale` of them to a pane pixel each way.
  using Composer = std::function<const PixelSurface*(const PaneArea& area, int32_t scale)>;
  // A mouse button went down at pane position (x, y).
  using PressHandler = std::function<void(MouseButton button, int x, int y)>;
  // The pointer moved to (x, y) with the left button held, or the left button
  // went up there.
  using PointerHandler = std::function<void(int x, int y)>;
  // The wheel turned `notches` (positive away from the user) with Ctrl held,
  // the pointer at (x, y).
  using ZoomHandler = std::function<void(int notches, int x, int y)>;
  // A text drawn with its left end at (x, y), its baseline below y.
  struct Label {
    QString text;
    int x, y;
  };
  using LabelSource = std::function<std::vector<Label>()>;
  // Where the selected point is drawn, if the pane has one.
  using SelectionSource = std::function<std::optional<QPoint>()>;
  // Tab (forward) or Shift+Tab pressed while the box has the keyboard.
  using StepHandler = std::function<void(bool forward)>;

  TPaintBox(const QString& name, QWidget* parent = nullptr);
  void SetComposer(Composer composer) { composer_ = std::move(composer); }
  void SetPressHandler(PressHandler handler) { press_ = std::move(handler); }
  void SetDragHandlers(PointerHandler move, PointerHandler release) {
    move_ = std::move(move);
    release_ = std::move(release);
  }
  void SetZoomHandler(ZoomHandler handler) { zoom_ = std::move(handler); }
  void SetLabelSource(LabelSource labels) { labels_ = std::move(labels); }
  void SetSelectionSource(SelectionSource selection) { selection_ = std::move(selection); }
  void SetStepHandler(StepHandler step) { step_ = std::move(step); }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  Composer composer_;
  PressHandler press_;
  PointerHandler move_, release_;
  ZoomHandler zoom_;
  LabelSource labels_;
  SelectionSource selection_;
  StepHandler step_;
};

// The ring drawn round a selected point: its radius, in pane pixels.
inline constexpr int kSelectionRadius = 8;

}  // namespace trellimap
