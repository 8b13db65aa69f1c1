#pragma once
// What the menus and their keys ask of the window.

#include <cstddef>

#include "workspace/workspace.h"

namespace trellimap {

class WindowCommands {
 public:
  virtual void OpenProject() = 0;
  virtual void SaveProject() = 0;  // to the project's file, else as SaveProjectAs does
  virtual void SaveProjectAs() = 0;
  virtual void OpenPicture(size_t side) = 0;
  virtual void SaveResult(WarpDirection direction) = 0;
  virtual void MakeMockups() = 0;
  virtual void ScanPages() = 0;
  virtual void Quit() = 0;
  virtual void Undo() = 0;
  virtual void Redo() = 0;
  virtual void RemoveLastPoint() = 0;
  virtual void RemoveSelectedPoint() = 0;
  virtual void FindOutline() = 0;
  virtual void FlattenPage() = 0;
  // The flat page turned by quarters from how it shows (1: clockwise, 3: anticlockwise), or given a look.
  virtual void TurnPage(int quarters) = 0;
  virtual void GiveLook(Look look) = 0;

 protected:
  ~WindowCommands() = default;
};

}  // namespace trellimap
