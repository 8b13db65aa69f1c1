#pragma once
// "Find outline", "Flatten...", and turning the flat page and choosing its
// look: the commands for photographed pages. They work on the window's
// document through a small host, so that they know nothing else of the
// window.

#include <cstddef>
#include <functional>
#include <string>

#include "document/projectdocument.h"
#include "foundation/workrunner.h"
#include "ui/editgestures.h"

class QWidget;

namespace trellimap {

class PageHost {
 public:
  virtual ProjectDocument& Document() = 0;
  // Runs long work with progress and Cancel.
  virtual WorkRunner& Runner() = 0;
  // The picture pane (0 or 1) a command from the menu or a key acts on.
  virtual size_t CommandPane() const = 0;
  // Whether picture pane `pane` still shows the empty picture the window started with.
  virtual bool PictureMissing(size_t pane) const = 0;
  // Where undo steps are recorded.
  virtual TEditGestures& Editing() = 0;
  // The window the commands' dialogs belong to.
  virtual QWidget* DialogParent() = 0;
  // Renders one direction and shows it; false when cancelled.
  virtual bool RenderResult(WarpDirection direction) = 0;
  // Both directions, when both outlines are complete and "Render automatically" is on.
  virtual void RenderBothIfAutomatic() = 0;
  // Pane `pane` zoomed so that its picture shows whole, where it would not.
  virtual void ShowWhole(size_t pane) = 0;
  // The file the window keeps its own settings in; with `create`, its folder is made.
  virtual std::string WindowSettingsFile(bool create) = 0;

 protected:
  ~PageHost() = default;
};

class PageCommands {
 public:
  explicit PageCommands(PageHost& host) : host_(host) {}

  // The outline of the command pane becomes the page found in its picture,
  // as one step; where no page stands out, the whole picture a little in
  // from its edges, corner 1 selected, for the user to adjust.
  void FindOutline();
  // Asks for the page's size and finish (offering the choice made last),
  // then makes picture 2 a blank page of that size with outline 2 on its
  // corners, Perspective and Smooth on, as one step, and renders result 1,
  // the flat page finished, shown whole. Needs outline 1 complete.
  void FlattenPage();
  // Turns the flat page a quarter turn from how it shows (1: clockwise, 3:
  // anticlockwise), or gives it `look`: each one step, result 1 rendered
  // again. Needs a flat page.
  void TurnPage(int quarters);
  void GiveLook(Look look);

 private:
  // Changes the finish as `change` does, as one step, and renders result 1 again.
  void ChangeFinish(const std::function<void(PageFinish&)>& change);

  PageHost& host_;
};

}  // namespace trellimap
