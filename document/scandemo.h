#pragma once
// The scanning job shown by the program itself: a letter photographed at an
// angle on a wooden table under a warm lamp, a shadow across it, drawn by
// the program's own warp; its outline on picture 1, and the page made flat
// and clean as result 1.

#include <vector>

#include "document/projectdocument.h"
#include "workspace/pointlist.h"

namespace trellimap {

// The photographed letter alone (24 bits); the caller releases it. Its
// page's corners, from the top left on round clockwise, go to `corners`.
dib DrawPhotographedLetter(std::vector<PointPress>* corners = nullptr);

// `doc` becomes the demonstration: the photo as picture 1 with the page's
// outline, picture 2 its blank flat page, result 1 the page flat and clean.
// False when there was no memory for it.
bool BuildScanDemo(ProjectDocument& doc);

}  // namespace trellimap
