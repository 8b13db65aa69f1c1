#pragma once
// Editing beyond the plain click: dragging a point (with results that follow
// it, and a loupe while the button is held), undo and redo, taking back the
// last point, moving a point with the arrow keys, and the status bar that
// says what comes next. A press that does not drag keeps exactly the effect
// of a click. The window's picture panes hand their pointer events here; the
// logic lives in the core.

#include <QLabel>
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

#include "render/dragpreview.h"
#include "ui/edithost.h"
#include "ui/paintbox.h"
#include "workspace/edithistory.h"

namespace trellimap {

class TEditGestures : public QObject {
  Q_OBJECT
 public:
  // The status bar of `host` gets the guidance and warnings.
  TEditGestures(EditHost& host, QObject* parent);

  // Pointer events of picture pane `pane` (0 or 1), in pane pixels.
  void Press(size_t pane, MouseButton button, int x, int y);
  void Move(size_t pane, int x, int y);
  void Release(size_t pane, int x, int y);

  void Undo();
  void Redo();
  // Backspace: the last point of the picture under the pointer, else of the
  // picture last clicked.
  void RemoveLastPoint();
  // Arrow keys: the selected point, else the point last clicked or dragged,
  // by (dx, dy) picture pixels. A selected point shows in the loupe for a
  // moment after each step.
  void Nudge(int dx, int dy);
  // Tab and Shift+Tab: the next or the previous point of the picture under
  // the pointer (else of the picture last used) becomes the selected one.
  void StepSelection(bool forward);
  // Delete: the selected point goes when it bends a side; a corner stays.
  void RemoveSelectedPoint();
  // Point `index` of picture pane `pane` is the one the keys act on, drawn as selected.
  void SelectPoint(size_t pane, int32_t index);

  // An option box changed the workspace from `before`, unless the program set it.
  void OptionChanged(const OutlineState& before);
  // The window replaced the outline of picture `pane` (a found page): one step from `before`.
  void OutlineReplaced(size_t pane, const OutlineState& before);
  // The window replaced picture `pane`, formerly `replaced`, Smooth and the
  // flat page's record, formerly `smoothBefore` and `flatPageBefore`, with the
  // outlines and options changed from `before` (a flattened page): one step,
  // which owns `replaced` from here on.
  void PictureReplaced(size_t pane, const OutlineState& before, const dib& replaced, bool smoothBefore,
                       const std::optional<FlatPage>& flatPageBefore);
  // A new workspace (an opened project): nothing of the old one can be undone.
  void ForgetHistory();

  // While a drag shows reduced results, the one for result pane `pane` (2 or 3).
  const dib* PreviewFor(size_t pane) const;
  // The corner numbers of picture pane `pane`, beside their markers.
  std::vector<TPaintBox::Label> CornerLabels(size_t pane) const;
  // Where picture pane `pane` draws its selected point, if it has one.
  std::optional<QPoint> SelectedMark(size_t pane) const;

  // Shows what comes next on each picture and the warnings that hold now;
  // `notice` (a passing warning) goes first when given.
  void UpdateStatus(const std::string& notice = {});

 private:
  struct Grab {
    size_t pane;
    int32_t index;
    int x, y;  // where the press was
    bool dragging;
    OutlineState before;
  };
  struct Place {
    size_t pane = 0;
    int32_t index = -1;
  };
  // The point a held button shows in the loupe.
  struct Held {
    size_t pane;
    int32_t index;
  };

  SideRef Side(size_t pane) const;
  bool LiveResults() const;
  void RepaintResults();
  // A click's effect, recorded as one step.
  void Click(size_t pane, MouseButton button, int x, int y);
  // After a change from `before`: one step, the picture repainted, the status.
  void Changed(size_t pane, const OutlineState& before);
  // After an undo or redo from `before`, when the sides held the pictures of these handles.
  void Restored(const OutlineState& before, const uint32_t (&pictures)[2]);
  size_t PaneUnderPointer() const;
  // The loupe of the held point, for the pointer at (x, y) of pane `pane`.
  void ShowLoupe(size_t pane, int x, int y);
  // No point is held: no loupe, no grab.
  void LetGo();
  // The points of pane `pane` a selection can be, closing record left out.
  int32_t PointCount(size_t pane) const;

  EditHost& host_;
  EditHistory history_;
  DragPreview preview_;
  std::optional<Grab> grab_;
  std::optional<Held> held_;
  Place last_;
  bool selected_ = false;        // `last_` was selected (and is drawn so), not just placed
  QTimer* loupeTime_ = nullptr;  // how long the loupe stays after a step of the keys
  QLabel* guidance_ = nullptr;
  QLabel* warnings_ = nullptr;
};

// How long the loupe shows a point the arrow keys moved, in milliseconds.
inline constexpr int kNudgeLoupeMs = 1500;

// A press within this many screen pixels of a point grabs it, and moving it
// more than kDragThreshold pixels drags it.
inline constexpr int kGrabRadius = 6;
inline constexpr int kDragThreshold = 3;

}  // namespace trellimap
