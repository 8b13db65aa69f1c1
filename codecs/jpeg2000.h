#pragma once
// JPEG 2000 pictures in memory, read and written through OpenJPEG.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// Decodes the JPEG 2000 picture in data[0, size): a JP2 file or a bare
// codestream (starting FF 4F FF 51). Delivers a 24-bit picture: one component
// is grey, two are grey and alpha, three are red, green and blue (converted
// from YCbCr when the file says so), four add alpha; alpha is flattened onto
// white, every component is scaled to 8 bits and subsampled components are
// widened by repetition. CMYK and e-YCC pictures are refused. Sides of 1 to
// 65535 and at most 2^28 pixels are read (with four components, three
// quarters of that); the header is checked against these limits and the
// file's length before the decoder allocates anything by it. Never reads
// outside the buffer. On failure `out->poi` is null and `*reason` (when
// given) says why.
bool DecodeJpeg2000(const uint8_t* data, size_t size, dib* out, std::string* reason);

// Writes `picture` (any depth, at most 2^28 pixels) as a lossless JP2 file of
// 8-bit red, green and blue into `out`. On failure `out` is empty and
// `*reason` (when given) says why.
bool EncodeJpeg2000(const dib& picture, std::vector<uint8_t>* out, std::string* reason);

}  // namespace trellimap
