#include "workspace/changetracker.h"

namespace trellimap {

bool ChangeTracker::Stamp::operator==(const Stamp& other) const {
  return outlines == other.outlines && smooth == other.smooth && pictureLoads[0] == other.pictureLoads[0] &&
         pictureLoads[1] == other.pictureLoads[1];
}

ChangeTracker::Stamp ChangeTracker::StampOf(const Workspace& ws) const {
  return {CaptureState(ws), ws.smooth, {pictureLoads_[0], pictureLoads_[1]}};
}

void ChangeTracker::Saved(const Workspace& ws, bool resultsCurrent) {
  saved_ = StampOf(ws);
  if (resultsCurrent)
    for (std::optional<Stamp>& r : rendered_) r = saved_;
}

bool ChangeTracker::Modified(const Workspace& ws) const { return !saved_ || !(StampOf(ws) == *saved_); }

bool ChangeTracker::Stale(const Workspace& ws, WarpDirection direction) const {
  const std::optional<Stamp>& rendered = rendered_[Index(direction)];
  return rendered && !(*rendered == StampOf(ws));
}

}  // namespace trellimap
