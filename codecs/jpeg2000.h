#pragma once
// JPEG 2000 pictures in memory, read and written through OpenJPEG.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads the JPEG 2000 picture in `bytes` into `picture`: a JP2 file or a bare
// codestream (starting FF 4F FF 51). Delivers a 24-bit picture: one component
// is grey, two are grey and alpha, three are red, green and blue (converted
// from YCbCr when the file says so), four add alpha; alpha is flattened onto
// white, every component is scaled to 8 bits and subsampled components are
// widened by repetition. CMYK and e-YCC pictures are refused. Sides of 1 to
// 65535 and at most 2^28 pixels are read (with four components, three
// quarters of that); the header is checked against these limits and the
// file's length before the decoder allocates anything by it. Never reads
// outside the buffer. On anything but Done `picture.poi` is null. Tells
// `progress` nothing.
Outcome ReadJpeg2000(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

// Writes `picture` (any depth, at most 2^28 pixels) as a lossless JP2 file of
// 8-bit red, green and blue into `out`. On failure `out` is empty and the
// outcome's detail says why. Tells `progress` nothing.
Outcome EncodeJpeg2000(const dib& picture, std::vector<uint8_t>* out, Progress* progress);

}  // namespace trellimap
