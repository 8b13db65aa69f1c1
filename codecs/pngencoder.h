#pragma once
// A PNG writer of our own for 24-bit results: each row filtered with the
// filter that leaves the smallest sum of differences, and the rows deflated
// in bands on all cores at once, the bands joined into one zlib stream.

#include <cstdint>
#include <vector>

#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Encodes `picture` (any depth; colours as DibPixelColour gives them) as an
// 8-bit truecolour PNG into `out`. `threads` 0 means one per core; the file
// does not depend on it. False for an empty picture.
// `progress`, when given, hears as bands are done and may stop the encoding
// (false then, and `out` holds nothing).
bool EncodePng(const dib& picture, std::vector<uint8_t>* out, int threads = 0, Progress* progress = nullptr);

}  // namespace trellimap
