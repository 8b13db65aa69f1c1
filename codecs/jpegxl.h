#pragma once
// JPEG XL pictures (a bare codestream or its container) read through libjxl:
// the first frame as it is shown, 8 to 32 bits per sample, with alpha.

#include <cstdint>
#include <span>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads `bytes` into a 24-bit `picture`: samples of more than 8 bits are
// scaled to the nearest 8-bit value, alpha is laid onto white. The size the
// header declares is checked against the pixel budget before the picture is
// decoded. `progress` hears the share of the data read, and a stop from it
// ends the reading (Stopped). On anything but Done `picture.poi` is null.
Outcome ReadJpegXl(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

}  // namespace trellimap
