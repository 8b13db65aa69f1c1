// Halftoning for screens of 8 bits or fewer: an ordered (Bayer) dither to a
// 6 × 6 × 6 colour cube held in the first 216 entries of an 8-bit colour table.

#include <cstring>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr int kLevels = 6;
constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

BitmapInfo CubeColours() {
  BitmapInfo info;
  std::memset(&info, 0, sizeof info);
  for (int r = 0; r < kLevels; ++r)
    for (int g = 0; g < kLevels; ++g)
      for (int b = 0; b < kLevels; ++b) {
        RgbQuad& q = info.bmiColors[(r * kLevels + g) * kLevels + b];
        q.rgbRed = static_cast<uint8_t>(r * 255 / (kLevels - 1));
        q.rgbGreen = static_cast<uint8_t>(g * 255 / (kLevels - 1));
        q.rgbBlue = static_cast<uint8_t>(b * 255 / (kLevels - 1));
      }
  return info;
}

// One channel reduced to a cube level, rounded up where its remainder beats
// the dither threshold of this screen position.
int Level(uint32_t value, int threshold) {
  const int scaled = static_cast<int>(value) * (kLevels - 1);
  const int base = scaled / 255;
  const int rest = scaled % 255;
  return base + (rest * 32 > (2 * threshold + 1) * 255 ? 1 : 0);
}

}  // namespace

void DIBHalftoneDIBXY(dib* out, const dib& src, int32_t width, int32_t height) {
  static const BitmapInfo cube = CubeColours();
  const int32_t sw = DibWidth(&src), sh = DibHeight(&src);
  if (src.poi == nullptr || sw <= 0 || sh <= 0) {
    std::memset(out, 0, sizeof(dib));
    return;
  }
  newdib(out, width, height, 8, &cube, 256);
  if (out->poi == nullptr) return;
  for (int32_t y = 0; y < height; ++y) {
    const auto sy = static_cast<int32_t>(static_cast<int64_t>(y) * sh / height);
    uint8_t* row = out->poi + static_cast<int64_t>(height - 1 - y) * out->bytew;
    for (int32_t x = 0; x < width; ++x) {
      const auto sx = static_cast<int32_t>(static_cast<int64_t>(x) * sw / width);
      const uint32_t c = DibPixelColour(src, sx, sy);
      const int t = kBayer[y & 3][x & 3];
      const int r = Level(c & 0xFF, t), g = Level((c >> 8) & 0xFF, t), b = Level((c >> 16) & 0xFF, t);
      row[x] = static_cast<uint8_t>((r * kLevels + g) * kLevels + b);
    }
  }
}

void DIBHalftoneDIB(dib* out, const dib& src) { DIBHalftoneDIBXY(out, src, DibWidth(&src), DibHeight(&src)); }

}  // namespace trellimap
