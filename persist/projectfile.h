#pragma once
// The project file: both outline lists with their corner counters, the four
// pictures and the three option states, one after the other, little-endian.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/progress.h"
#include "workspace/workspace.h"

namespace trellimap {

enum class ProjectStatus {
  Done,
  CannotCreate,  // saving: the file could not be created (nothing else happened)
  CannotOpen,    // opening: the file could not be opened (the workspace is unchanged)
  Stopped,       // stopped on request: the file that was there, or the workspace, is untouched
  Unreadable,    // opening: the file is no whole project (the workspace is unchanged; the problem says why)
};

// Writes the workspace to `fname`. The file is written beside the target and
// renamed over it when complete, so a failed save leaves the previous file.
// Write errors throw InOutError.
// `progress`, when given, hears after each picture and may stop the save.
ProjectStatus SaveProjectfile(const Workspace& ws, const std::string& fname, Progress* progress = nullptr);

// Replaces the workspace by the contents of `fname`; it does not render.
// A file that ends early throws InOutError ("Read beyond end of file") where it
// is found, and a picture block with impossible values (size, depth, colour
// count) throws InOutError::Damaged naming the file and the picture: what was
// read before stays, the picture being read becomes a new 320 × 200 picture,
// the rest is as it was. Two-bit pictures arrive promoted to 24 bits.
// The file is read apart and taken into the workspace when the read ends, so
// that `progress`, when given, hears how far it got and may stop it with the
// workspace untouched.
ProjectStatus OpenProjectfile(Workspace& ws, const std::string& fname, Progress* progress = nullptr);

// What has been read of a project file, held apart from any workspace: a read
// that is stopped changes nothing, and one that fails hands over what it read
// as a read into the workspace would have left it.
class ProjectRead {
 public:
  ProjectRead() = default;
  ProjectRead(const ProjectRead&) = delete;
  ProjectRead& operator=(const ProjectRead&) = delete;
  ~ProjectRead();

  // Puts what was read in the workspace's place; the pictures move there.
  void HandTo(Workspace& ws);

  std::optional<std::vector<TOutlinePoint>> points[2];
  std::optional<int32_t> cornerCounts[2];
  dib pictures[4] = {};
  bool pictureRead[4] = {};  // the picture replaces the workspace's, also when its read failed
  std::optional<bool> options[3];
};

// OpenProjectfile's reading, into `read` alone, so that it can run on another thread.
ProjectStatus ReadProjectfile(const std::string& fname, ProjectRead& read, Progress* progress);

// Reads `fname` into `read` whole or not at all: an error in the file is
// caught, and Unreadable returned with `*problem` saying in the user's words
// which file and what is wrong with it (cut short, damaged, not a project
// file). Nothing is handed to any workspace; the caller hands `read` over
// when the status is Done.
ProjectStatus ReadWholeProject(const std::string& fname, ProjectRead& read, Progress* progress, std::string* problem);

// Runs `reading`, which reads into the ProjectRead it is given, and hands what
// it read to the workspace as OpenProjectfile does: when it returns Done, or
// when it throws (the exception then goes on). Returns what `reading` returned.
ProjectStatus TakeProject(Workspace& ws, const std::function<ProjectStatus(ProjectRead&)>& reading);

}  // namespace trellimap
