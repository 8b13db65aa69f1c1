#pragma once
// HEIF pictures (HEIC and the other brands of the format) read through
// libheif: the primary picture, 8 to 16 bits per sample, with alpha.

#include <cstdint>
#include <span>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads `bytes` into a 24-bit `picture`: samples of more than 8 bits are
// scaled to the nearest 8-bit value, alpha is laid onto white. The primary
// picture's size is checked against the pixel budget before it is decoded.
// `progress` hears the share done; a stop from it ends the reading
// (Stopped) once the library returns. On anything but Done `picture.poi` is
// null.
Outcome ReadHeif(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

}  // namespace trellimap
