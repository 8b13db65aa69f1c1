#include "render/chosenrenderer.h"

#include "image/pixmill3.h"
#include "warp/smoothrenderer.h"

namespace trellimap {

bool RenderAsChosen(Workspace& ws, WarpDirection direction, int threads) {
  return ws.smooth ? RenderDirectionSmooth(ws, direction, threads) : RenderDirectionExact(ws, direction, threads);
}

DirectionSnapshot::DirectionSnapshot(const Workspace& ws, WarpDirection direction)
    : source_(ws.Side(SourceSide(direction)).picture),
      destination_(ws.Side(DestinationSide(direction)).picture),
      complete_(OutlinesComplete(ws)),
      smooth_(ws.smooth),
      options_(OptionsOf(ws, 0)) {
  // A copy cut short by a lack of memory (already reported) renders nothing.
  complete_ = complete_ && CopyOutline(ws.Side(SourceSide(direction)).outline, sourceOutline_) &&
              CopyOutline(ws.Side(DestinationSide(direction)).outline, destinationOutline_);
}

RenderOutcome DirectionSnapshot::Render(dib& made, Progress& progress) const {
  if (!complete_) return RenderOutcome::Unfinished;
  const DirectionParts parts{source_, sourceOutline_, destination_, destinationOutline_, made};
  RenderOptions options = options_;
  options.progress = &progress;
  if (smooth_ ? RenderSmooth(parts, options) : RenderExact(parts, options)) return RenderOutcome::Rendered;
  if (made.poi != nullptr) ReleaseDib(&made);
  return RenderOutcome::Stopped;
}

}  // namespace trellimap
