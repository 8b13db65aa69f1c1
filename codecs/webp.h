#pragma once
// WebP pictures read through libwebp: lossy, lossless, with alpha, and the
// first frame of an animation (through libwebpdemux, as the animation shows it).

#include <cstdint>
#include <span>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads `bytes` into a 24-bit `picture`, alpha laid onto white. The canvas
// size is checked against the pixel budget before anything is allocated by
// it. A still picture tells `progress` the share done, and a stop from it
// ends the reading (Stopped). On anything but Done `picture.poi` is null.
Outcome ReadWebp(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

}  // namespace trellimap
