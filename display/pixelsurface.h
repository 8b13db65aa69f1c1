#pragma once
// An off-screen drawing surface of 24-bit pixels, rows from the top, each row
// padded to whole 32-bit words. The panes compose their pictures in these.

#include <cstdint>
#include <vector>

namespace trellimap {

class PixelSurface {
 public:
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t stride() const { return stride_; }

  // Resizes to width × height (negative sizes count as 0); content becomes black.
  void SetSize(int32_t width, int32_t height);

  uint8_t* Row(int32_t y) { return pixels_.data() + static_cast<int64_t>(y) * stride_; }
  const uint8_t* Row(int32_t y) const { return pixels_.data() + static_cast<int64_t>(y) * stride_; }

  // Colour at (x, y) as red + 256 × green + 65536 × blue; 0 outside.
  uint32_t Pixel(int32_t x, int32_t y) const;

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t stride_ = 0;
  std::vector<uint8_t> pixels_;
};

// Fades every pixel halfway towards a light grey, keeping it recognisable.
void Fade(PixelSurface& surface);

}  // namespace trellimap
