#pragma once
// A JPEG reader of our own, driving libjpeg directly: grey, YCbCr and RGB
// streams of 8-bit samples come out as 24-bit pictures, each row decoded
// straight into its place in the picture, blue first. A large photograph
// then costs one pass and no copy of the whole picture. Streams in other
// colour spaces (CMYK, YCCK) or of other precisions are left to the picture
// library.

#include <cstdint>
#include <span>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Whether ReadJpeg takes `bytes`: a grey, YCbCr or RGB stream of 8-bit
// samples by its header, or a stream whose header libjpeg cannot read (which
// ReadJpeg then refuses as damaged).
bool IsPlainJpeg(std::span<const uint8_t> bytes);

// Reads such a stream into `picture`. `progress` is told the share done from
// time to time, and a stop from it ends the reading (Stopped). On anything
// but Done `picture.poi` is null.
Outcome ReadJpeg(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

// The same, decoded at a half, a quarter or an eighth of its size, the
// smallest whose longer side is still at least `leastSide` (libjpeg leaves out
// what a smaller picture cannot show, which makes it several times faster);
// `*factor` is set to what the sides were divided by.
Outcome ReadJpegReduced(std::span<const uint8_t> bytes, dib& picture, Progress* progress, int32_t leastSide,
                        int32_t* factor);

}  // namespace trellimap
