#pragma once
// The project file: both outline lists with their corner counters, the four
// pictures and the three option states, one after the other, little-endian.

#include <string>

#include "workspace/workspace.h"

namespace trellimap {

enum class ProjectStatus {
  Done,
  CannotCreate,  // saving: the file could not be created (nothing else happened)
  CannotOpen,    // opening: the file could not be opened (the workspace is unchanged)
};

// Writes the workspace to `fname`. The file is written beside the target and
// renamed over it when complete, so a failed save leaves the previous file.
// Write errors throw InOutError.
ProjectStatus SaveProjectfile(Workspace& ws, const std::string& fname);

// Replaces the workspace by the contents of `fname`; it does not render.
// A file that ends early or holds impossible sizes throws InOutError
// ("Read beyond end of file") where it is found: what was read before stays,
// the picture being read becomes a new 320 × 200 picture, the rest is as it was.
ProjectStatus OpenProjectfile(Workspace& ws, const std::string& fname);

}  // namespace trellimap
