#pragma once
// A demonstration workspace drawn by the program itself: two pictures, both
// outlines (one with a bent side) and both results rendered.

#include "workspace/workspace.h"

namespace trellimap {

void BuildDemoWorkspace(Workspace& ws);

}  // namespace trellimap
