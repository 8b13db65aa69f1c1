#pragma once
// A JPEG writer of our own for 24-bit pictures, driving libjpeg directly:
// quality 90 with full colour resolution, as the picture library would write
// them but without its copies of the picture.

#include "codecs/plainencoders.h"
#include "foundation/outcome.h"

namespace trellimap {

inline constexpr int kJpegQuality = 90;

// Encodes `picture`, which PlainlyEncodable takes, as a baseline JPEG. A
// failure of the encoder has no FileProblem and its message as the detail;
// what `sink` throws is thrown again once the encoder is done.
Outcome EncodeJpeg24(const dib& picture, const ByteSink& sink);

// How a JPEG is coded: its quality (1 to 100); grey keeps one channel (the
// green, which is the grey level of a picture whose pixels are all grey);
// halfColour keeps colour at half the resolution across and down, as
// documents are sent, where the full resolution serves a picture's edits.
struct JpegCoding {
  int quality = kJpegQuality;
  bool grey = false;
  bool halfColour = false;
};

// The same, coded as `coding` says.
Outcome EncodeJpeg(const dib& picture, const ByteSink& sink, const JpegCoding& coding);

}  // namespace trellimap
