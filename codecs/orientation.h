#pragma once
// Turning a picture upright: the eight orientations EXIF records (as phones
// write portrait shots: stored on their side, with a tag that says so).

#include "image/dib.h"

namespace trellimap {

// Replaces `picture` by the same picture as it is to be shown under EXIF
// orientation 1 to 8 (5 to 8 swap width and height); the depth and colour
// table stay. Orientation 1, and any value out of range, leave it as it is.
// False, the picture unchanged, when no memory can be had for the turned copy.
bool ApplyOrientation(dib& picture, int orientation);

}  // namespace trellimap
