#pragma once
// Pictures tagged with a colour profile other than sRGB (a wide-gamut camera
// or display profile, Adobe RGB) are converted to sRGB when read, so that
// their colours show and warp as they were meant to: relative colorimetric,
// with black-point compensation. sRGB-tagged and untagged pictures, and
// profiles that cannot be used, leave the picture as it is.

#include <cstdint>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// Converts `picture` (24 bits, or paletted: its colour table) from the
// colours of `profile` (ICC bytes; RGB or grey) to sRGB. False when the
// profile is sRGB already, unusable, or of another kind, and the picture unchanged.
bool ConvertToSrgb(dib& picture, const std::vector<uint8_t>& profile);

}  // namespace trellimap
