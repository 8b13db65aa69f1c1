#pragma once
// "Mockups...": the designs the user chooses put whole into the outline on
// picture 2 of the window's workspace, each written to a file of its own in
// a folder, as trellimap-cli mockup writes them. The workspace is only read.

#include <QString>

namespace trellimap {

class FileHost;
struct MainFrame;

class MockupCommand {
 public:
  // The picture filter is the frame's.
  MockupCommand(FileHost& host, const MainFrame& frame) : host_(host), frame_(frame) {}

  // Needs outline 2 complete. Asks for the designs and the folder, makes the
  // mockups with progress and Cancel (which keeps the files written so far),
  // tells what failed, and says in the status bar how many were written where.
  void Run();

 private:
  FileHost& host_;
  const MainFrame& frame_;
  QString designFolder_, outputFolder_;  // the dialog's choices last time, where it starts next
};

}  // namespace trellimap
