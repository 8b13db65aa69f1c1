#pragma once
// What the edit gestures need of the window that hosts them: its workspace,
// the picture panes' zoom and painting, the plain click, rendering and the
// status bar. The main window implements it; the gestures know nothing else of it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/paintbox.h"
#include "workspace/workspace.h"

class QStatusBar;

namespace trellimap {

class EditHost {
 public:
  virtual Workspace& EditedWorkspace() = 0;
  // The zoom in force for pane `pane` (0 to 3).
  virtual int32_t PaneZoom(size_t pane) const = 0;
  // Picture pane `pane` (0 or 1) is pressed as a plain click presses it.
  virtual void ClickPicture(size_t pane, MouseButton button, int x, int y) = 0;
  // Pane `pane` (0 to 3) is drawn again.
  virtual void RepaintPane(size_t pane) = 0;
  // Both results rendered exactly, each on its own.
  virtual void RenderBoth() = 0;
  // Both results rendered when both outlines are complete and "Render automatically" is on.
  virtual void RenderBothIfAutomatic() = 0;
  virtual bool RendersAutomatically() const = 0;
  // True while the program itself sets the option boxes.
  virtual bool SettingOptions() const = 0;
  // The option boxes and all panes show the workspace as it stands.
  virtual void ShowWorkspace() = 0;
  // Whether picture pane `pane` (0 or 1) still shows the empty picture the window started with.
  virtual bool PictureMissing(size_t pane) const = 0;
  // Whether the pointer is over picture pane `pane` (0 or 1).
  virtual bool PointerOver(size_t pane) const = 0;
  virtual QStatusBar* StatusBar() = 0;
  // The outlines or options changed (an edit, an undo or a redo).
  virtual void WorkspaceChanged() = 0;
  // Lines the status bar shows before the outline warnings.
  virtual std::vector<std::string> StatusNotes() const = 0;
  // Picture pane `pane` (0 or 1) shows the loupe for the point at picture
  // pixel (x, y), the pointer at pane position (pointerX, pointerY).
  virtual void ShowLoupe(size_t pane, int32_t x, int32_t y, int pointerX, int pointerY) = 0;
  // No pane shows the loupe.
  virtual void HideLoupe() = 0;
  // An undo or redo brought another picture into side `side` (0 or 1).
  virtual void PictureSwapped(size_t side) = 0;

 protected:
  ~EditHost() = default;
};

}  // namespace trellimap
