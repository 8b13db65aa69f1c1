#pragma once
// What has changed in a workspace since it was last opened or saved, and
// since each result was rendered: the outlines, the option states and which
// pictures were loaded. A change undone counts as no change.

#include <cstdint>
#include <optional>

#include "workspace/edithistory.h"
#include "workspace/workspace.h"

namespace trellimap {

class ChangeTracker {
 public:
  // The workspace as it stands is what its file holds (after an open or a
  // save, or a new workspace): nothing is unsaved. With `resultsCurrent`
  // (an opened project) both results count as rendered from it.
  void Saved(const Workspace& ws, bool resultsCurrent);
  // Picture `side` (0 or 1) was replaced by another.
  void PictureReplaced(size_t side) { ++pictureLoads_[side]; }
  // `direction`'s result was rendered from the workspace as it stands.
  void Rendered(const Workspace& ws, WarpDirection direction) { rendered_[Index(direction)] = StampOf(ws); }

  // Whether outlines, options or pictures differ from what the file holds.
  bool Modified(const Workspace& ws) const;
  // Whether `direction`'s result was rendered, and from something else than
  // the workspace as it stands now.
  bool Stale(const Workspace& ws, WarpDirection direction) const;
  // Whether `direction`'s result was never rendered (or opened) since the start.
  bool NeverRendered(WarpDirection direction) const { return !rendered_[Index(direction)]; }

 private:
  struct Stamp {
    OutlineState outlines;
    bool smooth = false;
    uint64_t pictureLoads[2] = {0, 0};
    bool operator==(const Stamp& other) const;
  };
  Stamp StampOf(const Workspace& ws) const;
  static size_t Index(WarpDirection direction) { return SourceSide(direction); }

  uint64_t pictureLoads_[2] = {0, 0};
  std::optional<Stamp> saved_;
  std::optional<Stamp> rendered_[2];
};

}  // namespace trellimap
