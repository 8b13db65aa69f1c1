#pragma once
// What the user is told when perspective is asked for and an outline has no
// perspective view: one warning per such outline, naming the problem. The
// render then uses the arc-length map for both outlines.

#include <string>
#include <vector>

#include "workspace/workspace.h"

namespace trellimap {

// The warning for the complete outline on picture `picture` (1 or 2), or
// empty when it has a perspective view.
std::string PerspectiveWarning(const TDynaArray& outline, int picture);

// The warnings for the workspace's complete outlines while its `perspective`
// option is on (none while it is off), through the translation table.
std::vector<std::string> PerspectiveWarnings(const Workspace& ws);

}  // namespace trellimap
