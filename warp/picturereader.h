#pragma once
// A picture's pixels as the warp reads them: colours, black off the picture.

#include <cstdint>
#include <cstring>

#include "image/pixmill3.h"

namespace trellimap {

struct PictureReader {
  const dib* d;
  int32_t w, h;
  bool direct;  // 24 bits: rows are read in place

  explicit PictureReader(const dib& picture)
      : d(&picture),
        w(DibWidth(&picture)),
        h(DibHeight(&picture)),
        direct(DibBitCount(&picture) == 24 && picture.poi != nullptr) {}

  bool Inside(int32_t x, int32_t y) const {
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(w) && static_cast<uint32_t>(y) < static_cast<uint32_t>(h);
  }
  // Blue, green, red of (x, y) into bgr.
  void Read(int32_t x, int32_t y, uint8_t* bgr) const {
    if (!Inside(x, y)) {
      bgr[0] = bgr[1] = bgr[2] = 0;
    } else if (direct) {
      std::memcpy(bgr, d->poi + static_cast<int64_t>(h - 1 - y) * d->bytew + 3 * static_cast<int64_t>(x), 3);
    } else {
      const uint32_t c = DibPixelColour(*d, x, y);
      bgr[0] = static_cast<uint8_t>(c >> 16);
      bgr[1] = static_cast<uint8_t>(c >> 8);
      bgr[2] = static_cast<uint8_t>(c);
    }
  }
};

}  // namespace trellimap
