#pragma once
// A PCX writer of our own for 24-bit pictures: three run-length coded planes
// a row, rows from the top, as the picture library would write them but
// several times faster.

#include "codecs/plainencoders.h"

namespace trellimap {

// Encodes `picture`, which PlainlyEncodable takes, as a version 5 PCX.
void EncodePcx24(const dib& picture, const ByteSink& sink);

}  // namespace trellimap
