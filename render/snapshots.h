#pragma once
// Work taken from a workspace to run on another thread while the window
// keeps showing the workspace: a render of one direction, and a workspace
// lent for a save. Each copies the outlines, which a repaint walks (moving
// their cursors), and borrows the pictures, which the caller leaves
// unchanged until the work ends.

#include "foundation/outlinepoint.h"
#include "foundation/progress.h"
#include "render/workspacerender.h"

namespace trellimap {

enum class RenderOutcome {
  Rendered,    // the new result is in `made`
  Unfinished,  // an outline is not complete: nothing was rendered
  Stopped,     // stopped through the progress: `made` is empty
};

// One direction's render as RenderAsChosen would do it on `threads` threads,
// taken from the workspace before it runs: copies of both outlines and the
// options, and the two pictures lent. Rendering reads nothing else of the
// workspace, and the result is put in place by the caller afterwards.
class DirectionSnapshot {
 public:
  DirectionSnapshot(const Workspace& ws, WarpDirection direction, int threads = 0);
  DirectionSnapshot(const DirectionSnapshot&) = delete;
  DirectionSnapshot& operator=(const DirectionSnapshot&) = delete;

  // Renders into `made`, telling `progress` how far it got. A stopped render
  // leaves `made` empty, so the old result can stay as it was.
  RenderOutcome Render(dib& made, Progress& progress) const;

 private:
  const dib& source_;
  const dib& destination_;
  TDynaArray sourceOutline_{sizeof(TOutlinePoint)};
  TDynaArray destinationOutline_{sizeof(TOutlinePoint)};
  bool complete_;
  bool smooth_;
  RenderOptions options_;
};

// A workspace for a save on another thread: copies of the outlines and the
// options, and the lender's four pictures, which it never releases.
class LentWorkspace {
 public:
  explicit LentWorkspace(const Workspace& from);
  ~LentWorkspace();
  LentWorkspace(const LentWorkspace&) = delete;
  LentWorkspace& operator=(const LentWorkspace&) = delete;

  const Workspace& Get() const { return ws_; }

 private:
  Workspace ws_;
};

}  // namespace trellimap
