#pragma once
// A drawing device over a PixelSurface that shows one window of a larger
// device: device pixel (X, Y) lands in surface pixel (X − originX, Y − originY)
// and everything outside the surface is discarded. A pane that composes only
// its visible part draws the whole zoomed picture into such a device, and only
// the visible pixels are ever computed.

#include <cstdint>
#include <memory>

#include "display/drawingdevice.h"
#include "display/pixelsurface.h"

namespace trellimap {

class SurfaceDevice : public DrawingDevice {
 public:
  // `surface` must outlive the device; its size may change between calls.
  explicit SurfaceDevice(PixelSurface& surface, int32_t originX = 0, int32_t originY = 0)
      : surface_(surface), originX_(originX), originY_(originY) {}

  int32_t Technology() const override { return DT_RASDISPLAY; }
  int32_t RasterCaps() const override { return RC_DIBTODEV; }

  // Accepts the four platform modes; stretching is nearest-neighbour in all.
  int32_t SetStretchBltMode(int32_t mode) override;
  int32_t StretchBltMode() const { return stretchMode_; }

  // Nearest neighbour: destination column i takes source column
  // sx + i × sw div dw, destination row j the source rectangle's row j × sh div
  // dh counted from its top. Source pixels outside the picture leave the
  // destination unchanged. Sizes of 0 or less draw nothing (no mirroring).
  int32_t StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                        const void* bits, const BitmapInfo* info, uint32_t usage, uint32_t rop) override;
  int32_t SetDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t startScan,
                            int32_t lines, const void* bits, const BitmapInfo* info, uint32_t usage) override;

  // Bitmaps are 24-bit surfaces; null when the size is empty or too large.
  std::unique_ptr<DeviceBitmap> CreateCompatibleBitmap(int32_t w, int32_t h) override;
  int32_t SetDIBits(DeviceBitmap& bitmap, int32_t start, int32_t lines, const void* bits, const BitmapInfo* info,
                    uint32_t usage) override;
  bool StretchBlt(int32_t x, int32_t y, int32_t dw, int32_t dh, const DeviceBitmap& bitmap, int32_t sx, int32_t sy,
                  int32_t sw, int32_t sh, uint32_t rop) override;

  // [originX, originX + surface width) × [originY, originY + surface height).
  DeviceRect ClipBox() const override;

 private:
  // Writes every kept destination pixel of (x, y, dw × dh) from the source
  // pixel that nearest-neighbour scaling of (sx, sy, sw × sh) gives it, sy
  // counted from the top; `fetch`(column, row, bgr) returns false for a source
  // pixel that does not exist.
  template <class Fetch>
  void Stretch(int64_t x, int64_t y, int64_t dw, int64_t dh, int64_t sx, int64_t sy, int64_t sw, int64_t sh,
               uint32_t rop, const Fetch& fetch);

  PixelSurface& surface_;
  int32_t originX_;
  int32_t originY_;
  int32_t stretchMode_ = BLACKONWHITE;
};

}  // namespace trellimap
