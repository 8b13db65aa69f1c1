#pragma once
// IFF interleaved and chunky bitmaps (FORM ILBM and FORM PBM): a reader for
// the common kinds of picture and a 24-bit writer.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads the IFF picture in `bytes` into `picture`, which is overwritten
// (release any picture it held first). Pictures of 1 to 8 colour planes
// (extra half-bright included) and chunky 8-bit pictures arrive paletted at 1,
// 4 or 8 bits by the number of colours the planes can index (a missing colour
// map gives a grey ramp, entries the map lacks are black); hold-and-modify
// (6 or 8 planes) and 24/32-plane pictures arrive at 24 bits. On anything
// but Done `picture.poi` is null and no memory is held. Tells `progress`
// nothing.
Outcome ReadIlbm(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

// Writes `picture` (any depth; colours as DibPixelColour gives them) as a
// 24-plane FORM ILBM with every plane row run-length compressed. Fails,
// leaving `out` empty, for an empty picture or one whose sides or encoded size
// the format cannot hold (a side over 65535, a file over 4 GiB).
bool EncodeIlbm(const dib& picture, std::vector<uint8_t>* out);

}  // namespace trellimap
