#include "warp/chosenrenderer.h"

#include "image/pixmill3.h"
#include "warp/smoothrenderer.h"

namespace trellimap {

bool RenderAsChosen(Workspace& ws, WarpDirection direction, int threads) {
  return ws.smooth ? RenderSmooth(ws, direction, threads) : RenderDirection(ws, direction, threads);
}

RenderOutcome RenderAside(Workspace& ws, WarpDirection direction, dib& made, Progress& progress) {
  if (!OutlinesComplete(ws)) return RenderOutcome::Unfinished;
  const DirectionParts parts = PartsOf(ws, direction);
  const DirectionParts aside{parts.source, parts.sourceOutline, parts.destination, parts.destinationOutline, made};
  const RenderOptions options = OptionsOf(ws, 0, &progress);
  if (ws.smooth ? RenderSmooth(aside, options) : RenderExact(aside, options)) return RenderOutcome::Rendered;
  if (made.poi != nullptr) ReleaseDib(&made);
  return RenderOutcome::Stopped;
}

}  // namespace trellimap
