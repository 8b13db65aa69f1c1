#pragma once
// JPEG XL pictures (a bare codestream or its container) read through libjxl:
// the first frame as it is shown, 8 to 32 bits per sample, with alpha.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib.h"

namespace trellimap {

// Decodes data[0, size) into a 24-bit `out`: samples of more than 8 bits are
// scaled to the nearest 8-bit value, alpha is laid onto white. The size the
// header declares is checked against the pixel budget before the picture is
// decoded. `goesOn` hears the share of the data read and stops the reading by
// answering false. On failure `why` says what went wrong and `out` may hold a
// picture to be released.
bool DecodeJpegXl(const uint8_t* data, size_t size, dib* out, std::string* why, bool (*goesOn)(double));

}  // namespace trellimap
