#pragma once
// HEIF pictures (HEIC and the other brands of the format) read through
// libheif: the primary picture, 8 to 16 bits per sample, with alpha.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib.h"

namespace trellimap {

// Decodes data[0, size) into a 24-bit `out`: samples of more than 8 bits are
// scaled to the nearest 8-bit value, alpha is laid onto white. The primary
// picture's size is checked against the pixel budget before it is decoded.
// `goesOn` hears the share done; answering false stops the reading once the
// library returns. On failure `why` says what went wrong and `out` may hold a
// picture to be released.
bool DecodeHeif(const uint8_t* data, size_t size, dib* out, std::string* why, bool (*goesOn)(double));

}  // namespace trellimap
