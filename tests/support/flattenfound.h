#pragma once
// A page found on a photo, flattened as `trellimap-cli flatten` does with the
// automatic size: for tests and benchmarks that look at the flat page.

#include <optional>

#include "detect/pageoutline.h"
#include "image/pixmill3.h"
#include "render/flatten.h"
#include "render/foundoutline.h"
#include "render/workspacerender.h"

namespace trellimap::testing {

// The automatic size of the flat page of `found` on a picture of `picture`'s size.
inline FlatSize AutoSizeFound(const PageOutline& found, const dib& picture) {
  Workspace ws;
  PlaceFoundOutline(ws.Side(0), found);
  return FlatPageSize(PageSize{}, ws.punkte1, DibWidth(&picture), DibHeight(&picture));
}

// The flat page of `found` on `picture` (which the workspace takes), or
// nothing when it cannot be made. The caller releases the page.
inline std::optional<dib> FlattenFound(const PageOutline& found, dib& picture) {
  Workspace ws;
  ReplacePicture(&ws.di1, std::exchange(picture, dib{}));
  PlaceFoundOutline(ws.Side(0), found);
  if (ws.ecken1 != 4) return std::nullopt;
  const FlatSize flat = FlatPageSize(PageSize{}, ws.punkte1, DibWidth(&ws.di1), DibHeight(&ws.di1));
  if (!PrepareFlatten(ws, {PageSize{}, flat}) || !RenderDirectionSmooth(ws, WarpDirection::OneIntoTwo, 1))
    return std::nullopt;
  return std::exchange(ws.Result(WarpDirection::OneIntoTwo), dib{});
}

}  // namespace trellimap::testing
