#pragma once
// IFF interleaved and chunky bitmaps (FORM ILBM and FORM PBM): a reader for
// the common kinds of picture and a 24-bit writer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// Decodes the IFF picture in data[0, size) into `out`, which is overwritten
// (release any picture it held first). Pictures of 1 to 8 colour planes
// (extra half-bright included) and chunky 8-bit pictures arrive paletted at 1,
// 4 or 8 bits by the number of colours the planes can index (a missing colour
// map gives a grey ramp, entries the map lacks are black); hold-and-modify
// (6 or 8 planes) and 24/32-plane pictures arrive at 24 bits. On failure `out->poi` is null and `*reason` (when given)
// says why; no memory is held.
bool DecodeIlbm(const uint8_t* data, size_t size, dib* out, std::string* reason);

// Writes `picture` (any depth; colours as DibPixelColour gives them) as a
// 24-plane FORM ILBM with every plane row run-length compressed. Fails,
// leaving `out` empty, for an empty picture or one whose sides or encoded size
// the format cannot hold (a side over 65535, a file over 4 GiB).
bool EncodeIlbm(const dib& picture, std::vector<uint8_t>* out);

}  // namespace trellimap
