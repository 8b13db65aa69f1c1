#pragma once
// A PNG writer of our own: each row filtered with the filter that leaves the
// smallest sum of differences, and the rows deflated in bands on all cores at
// once, the bands joined into one zlib stream. Black-and-white pages (1-bit
// pictures) are written at 1 bit a pixel.

#include <cstdint>
#include <vector>

#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Encodes `picture` (any depth; colours as DibPixelColour gives them) as an
// 8-bit truecolour PNG into `out`, or a 1-bit picture as a 1-bit PNG (grey
// where its two colours are black and white, else with their palette). `threads` 0 means one per core; the file
// does not depend on it. False for an empty picture.
// `progress`, when given, hears as bands are done and may stop the encoding
// (false then, and `out` holds nothing).
bool EncodePng(const dib& picture, std::vector<uint8_t>* out, int threads = 0, Progress* progress = nullptr);

}  // namespace trellimap
