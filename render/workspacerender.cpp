#include "render/workspacerender.h"

#include "warp/smoothrenderer.h"

namespace trellimap {

DirectionParts PartsOf(Workspace& ws, WarpDirection direction) {
  const SideRef source = ws.Side(SourceSide(direction));
  const SideRef destination = ws.Side(DestinationSide(direction));
  return {source.picture, source.outline, destination.picture, destination.outline, ws.Result(direction)};
}

bool RenderWith(PartsRenderer render, Workspace& ws, WarpDirection direction, int threads) {
  if (!OutlinesComplete(ws)) return false;
  render(PartsOf(ws, direction), OptionsOf(ws, threads));
  return true;
}

bool RenderDirectionExact(Workspace& ws, WarpDirection direction, int threads) {
  return RenderWith(RenderExact, ws, direction, threads);
}

bool RenderDirectionSmooth(Workspace& ws, WarpDirection direction, int threads) {
  return RenderWith(RenderSmooth, ws, direction, threads);
}

bool RenderAsChosen(Workspace& ws, WarpDirection direction, int threads) {
  return ws.smooth ? RenderDirectionSmooth(ws, direction, threads) : RenderDirectionExact(ws, direction, threads);
}

}  // namespace trellimap
