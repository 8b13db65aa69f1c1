#pragma once
// A JPEG reader of our own, driving libjpeg directly: grey, YCbCr and RGB
// streams of 8-bit samples come out as 24-bit pictures, each row decoded
// straight into its place in the picture, blue first. A large photograph
// then costs one pass and no copy of the whole picture. Streams in other
// colour spaces (CMYK, YCCK) are left to the picture library.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib.h"

namespace trellimap {

enum class JpegReading { kRead, kFailed, kOtherColours };

// Reads the stream into `out`. `goesOn` is told the share done from time to
// time and stops the reading by answering false (kFailed). On kFailed `why`
// says what went wrong; `out` may hold a picture to be released.
JpegReading DecodeJpeg(const uint8_t* bytes, size_t size, dib* out, std::string* why, bool (*goesOn)(double));

}  // namespace trellimap
