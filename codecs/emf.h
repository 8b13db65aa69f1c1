#pragma once
// Enhanced Metafiles read as pictures: converted to SVG by libemf2svg and
// drawn by librsvg onto white.

#include <cstddef>
#include <cstdint>
#include <span>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// True when data[0, size) starts like an Enhanced Metafile: a header record
// (type 1) whose signature " EMF" lies at offset 40.
bool LooksLikeEmf(const uint8_t* data, size_t size);

// The largest side ReadEmf delivers; larger frames are scaled down to fit.
inline constexpr int64_t kMaxEmfSide = 16000;

// Reads the Enhanced Metafile in `bytes` into `picture`, which is
// overwritten (release any picture it held first). The picture is the header's
// frame at 96 dots per inch (at least 1 pixel a side), scaled down
// proportionally when a side would exceed kMaxEmfSide, drawn on white and
// delivered at 24 bits. The header and every record size are checked against
// the bytes there before the converter sees the file. A metafile whose bounds
// say nothing is drawn gives a white picture. On anything but Done
// `picture.poi` is null and no memory is held. Tells `progress` nothing.
Outcome ReadEmf(std::span<const uint8_t> bytes, dib& picture, Progress* progress);

}  // namespace trellimap
