#pragma once
// The window's commands on files: opening and saving projects, opening
// pictures, saving results and making mockups, each through its dialog, the
// document doing the work and a message telling what failed. They reach the
// rest of the window through a small host.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/projectdocument.h"
#include "foundation/workrunner.h"
#include "ui/editgestures.h"
#include "ui/mockupcommand.h"

class QWidget;

namespace trellimap {

struct MainFrame;

class FileHost {
 public:
  virtual ProjectDocument& Document() = 0;
  // Runs long work with progress and Cancel.
  virtual WorkRunner& Runner() = 0;
  virtual TEditGestures& Editing() = 0;
  // The option boxes and all panes show the workspace as it stands.
  virtual void ShowWorkspace() = 0;
  // The title, the results' marks and the status bar follow a change.
  virtual void ShowChanges() = 0;
  virtual void RepaintPane(size_t pane) = 0;
  // Pane `pane` shows its picture whole, zooming out where it is larger than the pane.
  virtual void ShowWhole(size_t pane) = 0;
  // The four panes' zooms; setting them leaves a pane given 0 as it is.
  virtual std::array<int32_t, 4> PaneZooms() const = 0;
  virtual void ZoomPanes(const std::array<int32_t, 4>& zooms) = 0;
  // The window the commands' dialogs belong to.
  virtual QWidget* DialogParent() = 0;

 protected:
  ~FileHost() = default;
};

class FileCommands {
 public:
  // The dialogs are the frame's.
  FileCommands(FileHost& host, const MainFrame& frame) : host_(host), frame_(frame), mockups_(host, frame) {}

  // "Open project...": unsaved changes are asked about first.
  void OpenProject();
  // To the project's file, else as SaveProjectAs does.
  void SaveProject();
  // "Save project as...".
  void SaveProjectAs();
  // "Open picture..." of picture pane `pane` (0 or 1).
  void OpenPicture(size_t pane);
  // "Save picture..." of a result; one not rendered from what is shown now is asked about first.
  void SaveResult(WarpDirection direction);
  // "Mockups..." (see MockupCommand).
  void MakeMockups() { mockups_.Run(); }

  // Opens the project `fname` in place of the work; a message when it cannot.
  void OpenProjectfile(const std::string& fname);
  // Saves the work as the project `fname`; a message when it cannot.
  void SaveProjectfile(const std::string& fname);
  // Picture pane `pane` (0 or 1) loads `fname` and is repainted.
  void LoadPicture(size_t pane, const std::string& fname);
  // Files dropped over picture pane `pane` (-1: elsewhere on the window) are
  // opened as the drop rules say; false when the drop is refused.
  bool Dropped(const std::vector<std::string>& files, int pane);
  // Asks what to do with unsaved changes; false when the user keeps the work
  // (or its save failed).
  bool MayLeaveWork();

 private:
  // The project dialogs start in the folder of the project opened or saved last.
  void RememberProjectFolder() const;

  FileHost& host_;
  const MainFrame& frame_;
  MockupCommand mockups_;
};

}  // namespace trellimap
