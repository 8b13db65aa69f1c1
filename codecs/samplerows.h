#pragma once
// Rows of decoded samples, as the libraries of WebP, HEIF and JPEG XL hand
// them over, delivered into a 24-bit picture: each sample scaled to the
// nearest 8-bit value, alpha laid onto white.

#include <cstddef>
#include <cstdint>

#include "image/dib.h"

namespace trellimap {

enum class SampleType {
  kByte,   // 8 bits
  kWord,   // 16 bits, little-endian, of 0 to `max`
  kFloat,  // 32-bit floating point of 0 to 1
};

struct SampleRows {
  const uint8_t* top = nullptr;  // the first row, the picture's top one
  size_t stride = 0;             // bytes from one row to the next
  int channels = 3;              // red, green, blue, then alpha when 4
  SampleType type = SampleType::kByte;
  uint32_t max = 255;          // the largest value of an integer sample
  bool blueFirst = false;      // blue, green, red (bytes only)
  bool premultiplied = false;  // colours already multiplied by alpha
};

// Writes `rows` into `out`, a 24-bit picture of their size. Alpha counts
// only where some pixel is not wholly transparent: a picture transparent
// everywhere had its alpha left unused by its writer and is opaque, as the
// picture library's readers take it.
void DeliverSampleRows(const SampleRows& rows, dib* out);

}  // namespace trellimap
