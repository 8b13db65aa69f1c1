#pragma once
// Enhanced Metafiles read as pictures: converted to SVG by libemf2svg and
// drawn by librsvg onto white.

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib.h"

namespace trellimap {

// True when data[0, size) starts like an Enhanced Metafile: a header record
// (type 1) whose signature " EMF" lies at offset 40.
bool LooksLikeEmf(const uint8_t* data, size_t size);

// The largest side DecodeEmf delivers; larger frames are scaled down to fit.
inline constexpr int64_t kMaxEmfSide = 16000;

// Decodes the Enhanced Metafile in data[0, size) into `out`, which is
// overwritten (release any picture it held first). The picture is the header's
// frame at 96 dots per inch (at least 1 pixel a side), scaled down
// proportionally when a side would exceed kMaxEmfSide, drawn on white and
// delivered at 24 bits. The header and every record size are checked against
// the bytes there before the converter sees the file. A metafile whose bounds
// say nothing is drawn gives a white picture. On failure `out->poi` is null,
// no memory is held and `*reason` (when given) says why.
bool DecodeEmf(const uint8_t* data, size_t size, dib* out, std::string* reason);

}  // namespace trellimap
