#include "image/depthpromotion.h"

#include "image/pixmill3.h"

namespace trellimap {

bool PromotedCopy(const dib& picture, dib& copy) {
  const int32_t b = DibBitCount(&picture);
  copy = dib{};
  if (b != 1 && b != 2 && b != 4 && b != 8) return false;
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  newdib(&copy, w, h, 24, nullptr, 0);
  if (copy.poih == 0) return false;

  if (b == 1) {
    const RgbQuad& q0 = picture.pmi->bmiColors[0];
    const RgbQuad& q1 = picture.pmi->bmiColors[1];
    const uint32_t c0 = q0.rgbRed | uint32_t{q0.rgbGreen} << 8 | uint32_t{q0.rgbBlue} << 16;
    const uint32_t c1 = q1.rgbRed | uint32_t{q1.rgbGreen} << 8 | uint32_t{q1.rgbBlue} << 16;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) setpixel(copy, x, y, getpixel(picture, x, y) == 0 ? c0 : c1);
    return true;
  }
  for (int32_t r = 0; r < h; ++r) {
    const uint8_t* src = picture.poi + static_cast<int64_t>(r) * picture.bytew;
    uint8_t* dst = copy.poi + static_cast<int64_t>(r) * copy.bytew;
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t i = b == 8   ? src[x]
                        : b == 4 ? ((x & 1) ? src[x / 2] & 0x0F : src[x / 2] >> 4)
                                 : (src[x / 4] >> (6 - 2 * (x & 3))) & 3;
      dst[3 * x] = picture.pal.rgb0[i][2];
      dst[3 * x + 1] = picture.pal.rgb0[i][1];
      dst[3 * x + 2] = picture.pal.rgb0[i][0];
    }
  }
  return true;
}

void DepthUpTo(int32_t bitcount, dib* picture) {
  if (DibBitCount(picture) == bitcount || bitcount != 24) return;
  dib promoted;
  if (!PromotedCopy(*picture, promoted)) return;
  ReleaseDib(picture);
  *picture = promoted;
}

}  // namespace trellimap
