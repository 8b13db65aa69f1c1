#pragma once
// Black-and-white pages coded as fax machines code them (ITU-T T.6, "Group
// 4"): each row by how its changes from black to white differ from the row
// above's, which takes a page of text to a fraction of what deflating its
// bits gives. For a PDF's page, and for a TIFF file of one bit a pixel.

#include <cstdint>
#include <vector>

#include "image/dib.h"

namespace trellimap {

// Whether `picture` has one bit a pixel and a table of black and white, in
// either order.
bool IsBlackAndWhite(const dib& picture);

// The rows of a 1-bit `picture` from the top, each (width + 7) / 8 bytes, the
// leftmost pixel in the highest bit, 1 for the lighter of its two colours.
std::vector<uint8_t> WhiteBitRows(const dib& picture);

// `rows` (from the top, each (width + 7) / 8 bytes, the leftmost pixel in the
// highest bit, 1 white) coded in Group 4, as a PDF's CCITTFaxDecode filter
// reads it with K -1 and its other parameters left as they are. Empty when
// the coder fails.
std::vector<uint8_t> FaxGroup4(const std::vector<uint8_t>& rows, int32_t width, int32_t height);

// The same rows as a whole TIFF file: one strip in Group 4, black on white,
// 72 pixels an inch. Empty when the coder fails.
std::vector<uint8_t> FaxTiff(const std::vector<uint8_t>& rows, int32_t width, int32_t height);

}  // namespace trellimap
