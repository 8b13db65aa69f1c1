#pragma once
// The warp done the straightforward way, as the reference the fast renderer
// must match byte for byte: four walks along the outlines per grid point,
// exact extended arithmetic for every coordinate, one pixel at a time.

#include "render/workspacerender.h"

namespace trellimap::testing {

bool LiteralRenderDirection(Workspace& ws, WarpDirection direction);

}  // namespace trellimap::testing
