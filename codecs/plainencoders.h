#pragma once
// Writers for the formats that store pixels as they are: BMP, TGA and TIFF
// without compression. A 24-bit picture goes from its rows into the file
// without passing through the picture library, which costs several times as
// long; pictures of other depths are left to the library, or widened to 24
// bits first where the format's writer says so (TIFF).

#include <cstddef>
#include <cstdint>
#include <functional>

#include "image/dib.h"

namespace trellimap {

// Where the bytes of a file go, in order.
using ByteSink = std::function<void(const uint8_t* data, size_t size)>;

// Whether the writers below take `picture`: 24 bits, not empty, and small
// enough for each format's sizes and offsets.
bool PlainlyEncodable(const dib& picture);

// A BMP with a 40-byte header, rows from the bottom as the picture keeps them.
void EncodeBmp24(const dib& picture, const ByteSink& sink);

// An uncompressed true-colour TGA, rows from the bottom.
void EncodeTga24(const dib& picture, const ByteSink& sink);

// A little-endian baseline TIFF: red, green, blue rows from the top in one strip.
void EncodeTiff24(const dib& picture, const ByteSink& sink);

}  // namespace trellimap
