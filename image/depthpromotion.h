#pragma once
// Promoting a paletted picture to 24 bits, the depth every pane and render works in.

#include <cstdint>

#include "image/dib.h"

namespace trellimap {

// Promotes a 1-, 2-, 4- or 8-bit picture to `bitcount` (only 24 is supported) in
// place: the new buffer is made first and replaces the old one when filled.
// Other depths, and a failed allocation, leave the picture as it is.
void DepthUpTo(int32_t bitcount, dib* picture);

// Makes `copy` (overwritten; the caller owns it) the 24-bit picture DepthUpTo
// would turn the 1-, 2-, 4- or 8-bit `picture` into, leaving `picture` alone.
// False, with `copy` empty, for other depths or when no memory can be had.
bool PromotedCopy(const dib& picture, dib& copy);

}  // namespace trellimap
