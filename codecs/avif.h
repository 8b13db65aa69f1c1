#pragma once
// AVIF pictures read through libavif (dav1d decodes, libyuv converts): the
// primary picture or an animation's first frame, 8 to 12 bits per sample,
// with alpha.

#include <cstdint>
#include <span>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads `bytes` into a 24-bit `picture`: samples of more than 8 bits are
// scaled to the nearest 8-bit value, alpha is laid onto white. The size the
// file declares is checked against the pixel budget before the picture is
// decoded. `progress` hears the start of the decoding, and a stop from it
// ends the reading (Stopped). On anything but Done `picture.poi` is null.
Outcome ReadAvif(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

}  // namespace trellimap
