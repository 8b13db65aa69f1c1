#include "display/pixelsurface.h"

#include "image/pixmill3.h"

namespace trellimap {

void PixelSurface::SetSize(int32_t width, int32_t height) {
  width_ = width > 0 ? width : 0;
  height_ = height > 0 ? height : 0;
  stride_ = static_cast<int32_t>(RowBytes(width_, 24));
  pixels_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height_), 0);
}

uint32_t PixelSurface::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* p = Row(y) + 3 * static_cast<int64_t>(x);
  return p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
}

void Fade(PixelSurface& surface) {
  const size_t bytes = static_cast<size_t>(3 * surface.width());
  for (int32_t y = 0; y < surface.height(); ++y) {
    uint8_t* row = surface.Row(y);
    for (size_t i = 0; i < bytes; ++i) row[i] = static_cast<uint8_t>(row[i] / 2 + 100);
  }
}

}  // namespace trellimap
