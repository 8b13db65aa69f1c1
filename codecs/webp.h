#pragma once
// WebP pictures read through libwebp: lossy, lossless, with alpha, and the
// first frame of an animation (through libwebpdemux, as the animation shows it).

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib.h"

namespace trellimap {

// Decodes data[0, size) into a 24-bit `out`, alpha laid onto white. The
// canvas size is checked against the pixel budget before anything is
// allocated by it. `goesOn` hears the share done and stops the reading by
// answering false. On failure `why` says what went wrong and `out` may hold
// a picture to be released.
bool DecodeWebp(const uint8_t* data, size_t size, dib* out, std::string* why, bool (*goesOn)(double));

}  // namespace trellimap
