#include "codecs/plainencoders.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "foundation/processor.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Appends `value` little-endian in `bytes` bytes.
void PutLe(std::vector<uint8_t>* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

size_t RowBytesOf(const dib& picture) { return 3 * static_cast<size_t>(DibWidth(&picture)); }

// The rows from the bottom in blue, green, red order, without the padding
// the picture keeps.
void PutRowsFromBottom(const dib& picture, const ByteSink& sink) {
  const auto h = static_cast<size_t>(DibHeight(&picture));
  if (static_cast<size_t>(picture.bytew) == RowBytesOf(picture)) {
    sink(picture.poi, RowBytesOf(picture) * h);
    return;
  }
  for (size_t y = 0; y < h; ++y) sink(picture.poi + y * static_cast<size_t>(picture.bytew), RowBytesOf(picture));
}

// Copies pixels of three bytes with their first and third byte swapped, five
// at a time (each 16-byte store's last byte is written again by the next) as
// far as a 16-byte load stays within the `bytes`. Returns how many bytes it did.
__attribute__((target("avx2"))) size_t SwapRedAndBlueAvx2(const uint8_t* from, uint8_t* to, size_t bytes) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  size_t x = 0;
  for (; x + 16 <= bytes; x += 15)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x),
                     _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x)), order));
  return x;
}

}  // namespace

bool PlainlyEncodable(const dib& picture) {
  constexpr int32_t kMaxSide = 65535;       // TGA's sizes have 16 bits
  constexpr int64_t kMaxBytes = 1LL << 31;  // BMP's and TIFF's offsets and sizes have 32
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  return picture.poi != nullptr && DibBitCount(&picture) == 24 && w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide &&
         int64_t{picture.bytew} * h < kMaxBytes;
}

void EncodeBmp24(const dib& picture, const ByteSink& sink) {
  constexpr uint32_t kHeaders = 14 + 40;
  constexpr uint32_t kPixelsPerMetre = 2925;  // as the picture library writes it
  const uint64_t pixelBytes = static_cast<uint64_t>(picture.bytew) * static_cast<uint64_t>(DibHeight(&picture));
  std::vector<uint8_t> header{'B', 'M'};
  PutLe(&header, kHeaders + pixelBytes, 4);
  PutLe(&header, 0, 4);
  PutLe(&header, kHeaders, 4);
  PutLe(&header, 40, 4);
  PutLe(&header, static_cast<uint32_t>(DibWidth(&picture)), 4);
  PutLe(&header, static_cast<uint32_t>(DibHeight(&picture)), 4);
  PutLe(&header, 1, 2);
  PutLe(&header, 24, 2);
  PutLe(&header, 0, 4);  // no compression
  PutLe(&header, pixelBytes, 4);
  PutLe(&header, kPixelsPerMetre, 4);
  PutLe(&header, kPixelsPerMetre, 4);
  PutLe(&header, 0, 8);  // no colour table
  sink(header.data(), header.size());
  // BMP rows keep their padding to four bytes, as the picture's do.
  sink(picture.poi, pixelBytes);
}

void EncodeTga24(const dib& picture, const ByteSink& sink) {
  std::vector<uint8_t> header;
  PutLe(&header, 0, 2);  // no identification field, no colour map
  PutLe(&header, 2, 1);  // uncompressed true colour
  PutLe(&header, 0, 5);  // no colour map: its first entry, length and entry size
  PutLe(&header, 0, 4);  // origin
  PutLe(&header, static_cast<uint32_t>(DibWidth(&picture)), 2);
  PutLe(&header, static_cast<uint32_t>(DibHeight(&picture)), 2);
  PutLe(&header, 24, 1);
  PutLe(&header, 0, 1);  // rows from the bottom
  sink(header.data(), header.size());
  PutRowsFromBottom(picture, sink);
}

void EncodeTiff24(const dib& picture, const ByteSink& sink) {
  const auto w = static_cast<uint32_t>(DibWidth(&picture)), h = static_cast<uint32_t>(DibHeight(&picture));
  const size_t rowBytes = RowBytesOf(picture);
  const uint64_t pixelBytes = uint64_t{rowBytes} * h;
  // The header, the directory, the blocks its values point to, the strip.
  constexpr uint16_t kEntries = 13;
  constexpr uint32_t kDirectory = 8, kBitsAt = kDirectory + 2 + kEntries * 12 + 4;
  constexpr uint32_t kResolutionAt = kBitsAt + 6, kStripAt = kResolutionAt + 8;  // where the rows start
  std::vector<uint8_t> header{'I', 'I'};
  PutLe(&header, 42, 2);
  PutLe(&header, kDirectory, 4);
  PutLe(&header, kEntries, 2);
  const auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint64_t value) {
    PutLe(&header, tag, 2);
    PutLe(&header, type, 2);
    PutLe(&header, count, 4);
    PutLe(&header, value, 4);
  };
  constexpr uint16_t kShort = 3, kLong = 4, kRational = 5;
  entry(256, kLong, 1, w);                  // width
  entry(257, kLong, 1, h);                  // length
  entry(258, kShort, 3, kBitsAt);           // bits per sample: 8, 8, 8
  entry(259, kShort, 1, 1);                 // no compression
  entry(262, kShort, 1, 2);                 // red, green, blue
  entry(273, kLong, 1, kStripAt);           // where the strip starts
  entry(277, kShort, 1, 3);                 // samples per pixel
  entry(278, kLong, 1, h);                  // one strip of all rows
  entry(279, kLong, 1, pixelBytes);         // its length
  entry(282, kRational, 1, kResolutionAt);  // 72 dots per inch across
  entry(283, kRational, 1, kResolutionAt);  // and down
  entry(284, kShort, 1, 1);                 // samples interleaved
  entry(296, kShort, 1, 2);                 // resolution in inches
  PutLe(&header, 0, 4);                     // no further directory
  for (int i = 0; i < 3; ++i) PutLe(&header, 8, 2);
  PutLe(&header, 72, 4);
  PutLe(&header, 1, 4);
  sink(header.data(), header.size());
  // Rows from the top, each turned from blue, green, red to red, green, blue,
  // passed on some megabytes at a time.
  const size_t rowsAtOnce = std::max<size_t>(1, (size_t{4} << 20) / rowBytes);
  std::vector<uint8_t> rows(rowsAtOnce * rowBytes);
  for (uint32_t y = 0; y < h;) {
    size_t filled = 0;
    for (; filled < rowsAtOnce && y < h; ++filled, ++y) {
      const uint8_t* from = picture.poi + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(picture.bytew);
      uint8_t* to = rows.data() + filled * rowBytes;
      for (size_t x = HasAvx2() ? SwapRedAndBlueAvx2(from, to, rowBytes) : 0; x < rowBytes; x += 3) {
        to[x] = from[x + 2];
        to[x + 1] = from[x + 1];
        to[x + 2] = from[x];
      }
    }
    sink(rows.data(), filled * rowBytes);
  }
}

}  // namespace trellimap
