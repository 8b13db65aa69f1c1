#pragma once
// A JPEG writer of our own for 24-bit pictures, driving libjpeg directly:
// quality 90 with full colour resolution, as the picture library would write
// them but without its copies of the picture.

#include <string>

#include "codecs/plainencoders.h"

namespace trellimap {

inline constexpr int kJpegQuality = 90;

// Encodes `picture`, which PlainlyEncodable takes, as a baseline JPEG.
// False, with `reason`, when the encoder fails.
bool EncodeJpeg24(const dib& picture, const ByteSink& sink, std::string* reason);

}  // namespace trellimap
