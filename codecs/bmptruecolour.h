#pragma once
// Uncompressed 16- and 32-bit Windows bitmaps, read here rather than by the
// graphics library: each channel mask widens to 8 bits by the standard
// scaling (5-bit 31 is 255, 5-bit 12 is 99), and the fourth byte of a 32-bit
// pixel is alpha only where the header declares an alpha mask.

#include <cstdint>
#include <span>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// True for a BMP with a Windows information header (40, 52, 56, 108 or 124 bytes) at 16
// or 32 bits per pixel, stored as plain pixels or bit fields: the kind
// ReadTrueColourBmp reads.
bool IsTrueColourBmp(std::span<const uint8_t> bytes);

// Reads such a bitmap into a 24-bit `picture` (overwritten). Alpha, when the
// file carries it, is blended onto white, unless every pixel's alpha is 0:
// such a file means no transparency and is shown opaque. On anything but
// Done `picture` holds no picture. Tells `progress` nothing.
Outcome ReadTrueColourBmp(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

}  // namespace trellimap
