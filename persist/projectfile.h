#pragma once
// The project file: both outline lists with their corner counters, the four
// pictures and the three option states, one after the other, little-endian.

#include <string>

#include "foundation/progress.h"
#include "workspace/workspace.h"

namespace trellimap {

enum class ProjectStatus {
  Done,
  CannotCreate,  // saving: the file could not be created (nothing else happened)
  CannotOpen,    // opening: the file could not be opened (the workspace is unchanged)
  Stopped,       // saving: stopped on request; the file that was there is untouched
};

// Writes the workspace to `fname`. The file is written beside the target and
// renamed over it when complete, so a failed save leaves the previous file.
// Write errors throw InOutError.
// `progress`, when given, hears after each picture and may stop the save.
ProjectStatus SaveProjectfile(Workspace& ws, const std::string& fname, Progress* progress = nullptr);

// Replaces the workspace by the contents of `fname`; it does not render.
// A file that ends early throws InOutError ("Read beyond end of file") where it
// is found, and a picture block with impossible values (size, depth, colour
// count) throws InOutError::Damaged naming the file and the picture: what was
// read before stays, the picture being read becomes a new 320 × 200 picture,
// the rest is as it was. Two-bit pictures arrive promoted to 24 bits.
ProjectStatus OpenProjectfile(Workspace& ws, const std::string& fname);

}  // namespace trellimap
