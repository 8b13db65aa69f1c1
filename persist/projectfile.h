#pragma once
// The project file: both outline lists with their corner counters, the four
// pictures and the three option states, one after the other, little-endian;
// then, only while one of them is in use, a block of the settings added
// later: Perspective, Smooth, the flat page picture 2 is and, riding along,
// the zooms the panes had.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "workspace/workspace.h"

namespace trellimap {

// Writes the workspace to `fname`. The file is written beside the target and
// renamed over it when complete, so a save that fails or is stopped leaves
// the previous file. Failed with CannotOpen when the file could not be
// created, else with the write error's problem and text ("Disk full", ...).
// `progress`, when given, hears after each picture and may stop the save.
Outcome SaveProjectfile(const Workspace& ws, const std::string& fname, Progress* progress = nullptr);

// What has been read of a project file, held apart from any workspace, so
// that a read may run on another thread and a read that is stopped or fails
// changes no workspace.
class ProjectRead {
 public:
  ProjectRead() = default;
  ProjectRead(const ProjectRead&) = delete;
  ProjectRead& operator=(const ProjectRead&) = delete;
  ~ProjectRead();

  // Puts what was read in the workspace's place; the pictures move there.
  // After a failed read this leaves the workspace as reading straight into
  // it would have: what was read before the error, a new 320 × 200 picture
  // for the picture being read, the rest as it was.
  void HandTo(Workspace& ws);

  std::optional<std::vector<TOutlinePoint>> points[2];
  std::optional<int32_t> cornerCounts[2];
  dib pictures[4] = {};
  bool pictureRead[4] = {};  // the picture replaces the workspace's, also when its read failed
  std::optional<bool> options[3];
  // What the block after the option bytes holds, once the file is read to its
  // end: without the block, Perspective and Smooth off and no flat page.
  struct Settings {
    bool perspective = false;
    bool smooth = false;
    std::optional<FlatPage> flatPage;
    std::array<int32_t, 4> zooms{};  // of the four panes; 0: not known
    bool operator==(const Settings&) const = default;
  };
  std::optional<Settings> settings;
};

// Reads the project file `fname` into `read`; it does not render. Two-bit
// pictures arrive promoted to 24 bits. Sizes are checked against the bytes
// left before anything is allocated from them. Failed with:
//  - CannotOpen when the file could not be opened;
//  - NotThisFormat when it fails before its first picture (no project's beginning);
//  - CutShort when it ends before all its pictures;
//  - Damaged when a picture block has impossible values (size, depth,
//    colour count), `detail` naming the file and the picture, or when what
//    follows the option bytes is anything but one settings block of a
//    version this program knows, with possible values, `detail` naming the file;
//  - the problem of any other error of the system;
// `detail` always the error's own text ("Read beyond end of file", ...).
// `progress`, when given, hears how far the read got and may stop it.
Outcome ReadProject(const std::string& fname, ProjectRead& read, Progress* progress = nullptr);

}  // namespace trellimap
