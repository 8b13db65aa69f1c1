#pragma once
// The drawing operations that PaintDib needs of a device: its kind, whether it
// takes device-independent rows, stretched and unscaled drawing of such rows,
// and drawing through a bitmap kept by the device. A device may be a viewport
// onto a larger coordinate space: ClipBox tells which part is really kept, so
// that callers can skip work whose result would be discarded.

#include <cstdint>
#include <memory>

#include "image/dib.h"

namespace trellimap {

// Answers of Technology().
inline constexpr int32_t DT_RASDISPLAY = 1;
inline constexpr int32_t DT_RASPRINTER = 2;

// Bit of RasterCaps(): the device draws device-independent rows directly.
inline constexpr int32_t RC_DIBTODEV = 0x200;

// Stretch modes. COLORONCOLOR drops or repeats whole rows and columns.
inline constexpr int32_t BLACKONWHITE = 1;
inline constexpr int32_t COLORONCOLOR = 3;

// StretchDIBits's failure result (all 32 bits set).
inline constexpr int32_t GDI_ERROR = -1;

// Raster operation that copies the source, and the colour-table usage that
// reads the table as RGB entries.
inline constexpr uint32_t SRCCOPY = 0x00CC0020;
inline constexpr uint32_t DIB_RGB_COLORS = 0;

// Device coordinates [left, right) × [top, bottom). 64-bit so that an origin
// near the end of the 32-bit range plus a size cannot overflow.
struct DeviceRect {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;

  bool Empty() const { return left >= right || top >= bottom; }
};

// A run of indexes [begin, end).
struct IndexSpan {
  int64_t begin = 0;
  int64_t end = 0;

  bool Empty() const { return begin >= end; }
  int64_t Size() const { return Empty() ? 0 : end - begin; }
};

// Which of the `size` pixels of a run starting at device coordinate `pos` fall
// in [lo, hi), as indexes into the run.
IndexSpan VisibleSpan(int64_t pos, int64_t size, int64_t lo, int64_t hi);

// A bitmap in the device's own format; only the device that made it knows
// what is inside. Released by destroying it.
class DeviceBitmap {
 public:
  virtual ~DeviceBitmap();
};

// Every "bits" argument is a block of bottom-up rows laid out as `info`
// describes (rows of RowBytes(width, bit count) bytes), the first of them the
// row named by the call. Source rows are counted from the bottom, destination
// rows from the top, as the platform's device-independent bitmaps do.
class DrawingDevice {
 public:
  virtual ~DrawingDevice();

  // DT_RASDISPLAY or DT_RASPRINTER.
  virtual int32_t Technology() const = 0;

  // Capability bits; RC_DIBTODEV when SetDIBitsToDevice can be relied on.
  virtual int32_t RasterCaps() const = 0;

  // Sets how stretching combines pixels; returns the previous mode, 0 on failure.
  virtual int32_t SetStretchBltMode(int32_t mode) = 0;

  // Draws the source rectangle (sx, sy from the bottom, sw × sh) of the rows
  // scaled into (x, y, dw × dh). Returns the number of rows used, GDI_ERROR on
  // failure.
  virtual int32_t StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw,
                                int32_t sh, const void* bits, const BitmapInfo* info, uint32_t usage, uint32_t rop) = 0;

  // Draws the w × h source rectangle whose lower-left pixel is (sx, sy) 1:1
  // at (x, y). `bits` holds `lines` rows starting at row `startScan`; only
  // those can be drawn. Returns the number of rows given, 0 on failure.
  virtual int32_t SetDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                                    int32_t startScan, int32_t lines, const void* bits, const BitmapInfo* info,
                                    uint32_t usage) = 0;

  // A w × h bitmap in the device's format, or null when none can be made.
  virtual std::unique_ptr<DeviceBitmap> CreateCompatibleBitmap(int32_t w, int32_t h) = 0;

  // Fills rows of a bitmap made by this device from `lines` device-independent
  // rows starting at row `start` (from the bottom); the picture's top row goes
  // to the bitmap's top row. Returns the number of rows set, 0 on failure.
  virtual int32_t SetDIBits(DeviceBitmap& bitmap, int32_t start, int32_t lines, const void* bits,
                            const BitmapInfo* info, uint32_t usage) = 0;

  // Draws the rectangle (sx, sy from the top, sw × sh) of a bitmap made by
  // this device scaled into (x, y, dw × dh). Returns false on failure.
  virtual bool StretchBlt(int32_t x, int32_t y, int32_t dw, int32_t dh, const DeviceBitmap& bitmap, int32_t sx,
                          int32_t sy, int32_t sw, int32_t sh, uint32_t rop) = 0;

  // The device coordinates whose pixels are kept; drawing elsewhere is discarded.
  virtual DeviceRect ClipBox() const = 0;
};

}  // namespace trellimap
