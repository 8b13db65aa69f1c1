#include "render/snapshots.h"

#include "image/pixmill3.h"
#include "warp/smoothrenderer.h"
#include "workspace/edithistory.h"

namespace trellimap {

DirectionSnapshot::DirectionSnapshot(const Workspace& ws, WarpDirection direction, int threads)
    : source_(ws.Side(SourceSide(direction)).picture),
      destination_(ws.Side(DestinationSide(direction)).picture),
      complete_(OutlinesComplete(ws)),
      smooth_(ws.smooth),
      options_(OptionsOf(ws, threads)) {
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

LentWorkspace::LentWorkspace(const Workspace& from) {
  RestoreState(ws_, CaptureState(from));
  ws_.renderautomatically = from.renderautomatically;
  ws_.smooth = from.smooth;
  ws_.flatPage = from.flatPage;
  ws_.paneZooms = from.paneZooms;
  for (size_t i = 0; i < 4; ++i) {
    ReleaseDib(ws_.Pictures()[i]);
    *ws_.Pictures()[i] = *from.Pictures()[i];
  }
}

LentWorkspace::~LentWorkspace() {
  for (dib* d : ws_.Pictures()) *d = dib{};
}

}  // namespace trellimap
