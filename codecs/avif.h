#pragma once
// AVIF pictures read through libavif (dav1d decodes, libyuv converts): the
// primary picture or an animation's first frame, 8 to 12 bits per sample,
// with alpha.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib.h"

namespace trellimap {

// Decodes data[0, size) into a 24-bit `out`: samples of more than 8 bits are
// scaled to the nearest 8-bit value, alpha is laid onto white. The size the
// file declares is checked against the pixel budget before the picture is
// decoded. `goesOn` hears the start of the decoding and stops it by answering
// false. On failure `why` says what went wrong and `out` may hold a picture
// to be released.
bool DecodeAvif(const uint8_t* data, size_t size, dib* out, std::string* why, bool (*goesOn)(double));

}  // namespace trellimap
