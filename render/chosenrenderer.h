#pragma once
// The renderer the workspace's `smooth` option chooses: the smooth one, or the
// exact one; and a render taken from the workspace to run on another thread.

#include "foundation/outlinepoint.h"
#include "foundation/progress.h"
#include "render/workspacerender.h"

namespace trellimap {

// RenderDirectionSmooth or RenderDirectionExact, as the workspace chooses.
bool RenderAsChosen(Workspace& ws, WarpDirection direction, int threads = 0);

enum class RenderOutcome {
  Rendered,    // the new result is in `made`
  Unfinished,  // an outline is not complete: nothing was rendered
  Stopped,     // stopped through the progress: `made` is empty
};

// One direction's render as RenderAsChosen would do it, taken from the
// workspace before it runs: copies of both outlines and the options, and the
// two pictures lent, which the caller leaves unchanged until the render ends.
// Rendering reads nothing else of the workspace, so a worker may render while
// the window repaints (a repaint reads the outlines) and the result is put in
// place by the caller afterwards.
class DirectionSnapshot {
 public:
  DirectionSnapshot(const Workspace& ws, WarpDirection direction);
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

}  // namespace trellimap
