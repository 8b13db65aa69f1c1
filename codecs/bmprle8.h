#pragma once
// Writing 8-bit paletted pictures as run-length compressed Windows bitmaps.

#include <cstdint>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// Writes `paletted8` as a complete BMP file (file header, 40-byte information
// header, 256-entry colour table from pmi->bmiColors, RLE8 pixel data with
// rows bottom-up). Fails, leaving `out` empty, when the picture is empty or
// not 8 bits per pixel.
bool EncodeBmpRle8(const dib& paletted8, std::vector<uint8_t>* out);

}  // namespace trellimap
