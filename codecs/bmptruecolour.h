#pragma once
// Uncompressed 16- and 32-bit Windows bitmaps, read here rather than by the
// graphics library: each channel mask widens to 8 bits by the standard
// scaling (5-bit 31 is 255, 5-bit 12 is 99), and the fourth byte of a 32-bit
// pixel is alpha only where the header declares an alpha mask.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib.h"

namespace trellimap {

// True for a BMP with a Windows information header (40, 52, 56, 108 or 124 bytes) at 16
// or 32 bits per pixel, stored as plain pixels or bit fields: the kind
// DecodeBmpTrueColour reads.
bool IsTrueColourBmp(const uint8_t* data, size_t size);

// Decodes such a bitmap into a 24-bit `out` (overwritten). Alpha, when the
// file carries it, is blended onto white, unless every pixel's alpha is 0:
// such a file means no transparency and is shown opaque. On failure `out`
// holds no picture and `*reason` says why.
bool DecodeBmpTrueColour(const uint8_t* data, size_t size, dib* out, std::string* reason);

}  // namespace trellimap
