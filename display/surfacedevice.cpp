#include "display/surfacedevice.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

// Bottom-up device-independent rows, of which rows [first, first + lines)
// counted from the bottom are present, read as blue, green, red.
class DibRows {
 public:
  // False when the rows cannot be read: no rows or header, a top-down or
  // compressed layout, an unknown depth, or palette-index usage.
  bool Open(const void* bits, const BitmapInfo* info, uint32_t usage, int64_t first, int64_t lines) {
    if (bits == nullptr || info == nullptr || usage != DIB_RGB_COLORS || lines < 0) return false;
    const BitmapInfoHeader& h = info->bmiHeader;
    const int bitCount = h.biBitCount;
    if (h.biWidth <= 0 || h.biHeight <= 0 || h.biCompression != 0) return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
      return false;
    bits_ = static_cast<const uint8_t*>(bits);
    info_ = info;
    bitCount_ = bitCount;
    width_ = h.biWidth;
    height_ = h.biHeight;
    stride_ = RowBytes(width_, bitCount);
    first_ = std::max<int64_t>(first, 0);
    end_ = std::min<int64_t>(first + lines, height_);
    rowsBase_ = first;
    return true;
  }

  int64_t height() const { return height_; }

  // The pixel at column x of row y counted from the top; false when absent.
  bool Pixel(int64_t x, int64_t y, uint8_t bgr[3]) const {
    const int64_t fromBottom = height_ - 1 - y;
    if (x < 0 || x >= width_ || fromBottom < first_ || fromBottom >= end_) return false;
    const uint8_t* row = bits_ + (fromBottom - rowsBase_) * stride_;
    switch (bitCount_) {
      case 1:
        return Indexed((row[x >> 3] >> (7 - (x & 7))) & 1, bgr);
      case 4:
        return Indexed((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4, bgr);
      case 8:
        return Indexed(row[x], bgr);
      case 16: {
        // 5 bits each of blue (low), green and red, widened to 8 bits.
        const unsigned v = row[2 * x] | unsigned{row[2 * x + 1]} << 8;
        const unsigned b = v & 31, g = (v >> 5) & 31, r = (v >> 10) & 31;
        bgr[0] = static_cast<uint8_t>(b << 3 | b >> 2);
        bgr[1] = static_cast<uint8_t>(g << 3 | g >> 2);
        bgr[2] = static_cast<uint8_t>(r << 3 | r >> 2);
        return true;
      }
      case 24:
        std::memcpy(bgr, row + 3 * x, 3);
        return true;
      default:
        std::memcpy(bgr, row + 4 * x, 3);
        return true;
    }
  }

 private:
  bool Indexed(unsigned index, uint8_t bgr[3]) const {
    const RgbQuad& q = info_->bmiColors[index];
    bgr[0] = q.rgbBlue;
    bgr[1] = q.rgbGreen;
    bgr[2] = q.rgbRed;
    return true;
  }

  const uint8_t* bits_ = nullptr;
  const BitmapInfo* info_ = nullptr;
  int bitCount_ = 0;
  int64_t width_ = 0, height_ = 0, stride_ = 0;
  int64_t first_ = 0, end_ = 0;  // rows present, clipped to the picture
  int64_t rowsBase_ = 0;         // the row that `bits_` points at
};

class SurfaceBitmap final : public DeviceBitmap {
 public:
  PixelSurface pixels;
};

// One channel under a ternary raster operation: bit P·4 + S·2 + D of the
// operation's code gives the result for that combination of pattern, source
// and destination bits. The device has no brush selected, so the pattern is
// the platform's default white brush.
uint8_t Ternary(uint8_t code, uint8_t s, uint8_t d) {
  constexpr unsigned p = 0xFF;
  unsigned r = 0;
  for (int i = 0; i < 8; ++i)
    if ((code >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~unsigned{s}) & ((i & 1) ? d : ~unsigned{d});
  return static_cast<uint8_t>(r);
}

void Put(uint8_t* dst, const uint8_t bgr[3], uint32_t rop) {
  if (rop == SRCCOPY) {
    std::memcpy(dst, bgr, 3);
    return;
  }
  const auto code = static_cast<uint8_t>(rop >> 16);
  for (int k = 0; k < 3; ++k) dst[k] = Ternary(code, bgr[k], dst[k]);
}

}  // namespace

int32_t SurfaceDevice::SetStretchBltMode(int32_t mode) {
  if (mode < 1 || mode > 4) return 0;
  const int32_t previous = stretchMode_;
  stretchMode_ = mode;
  return previous;
}

DeviceRect SurfaceDevice::ClipBox() const {
  return {originX_, originY_, int64_t{originX_} + surface_.width(), int64_t{originY_} + surface_.height()};
}

template <class Fetch>
void SurfaceDevice::Stretch(int64_t x, int64_t y, int64_t dw, int64_t dh, int64_t sx, int64_t sy, int64_t sw,
                            int64_t sh, uint32_t rop, const Fetch& fetch) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  const DeviceRect clip = ClipBox();
  const IndexSpan cols = VisibleSpan(x, dw, clip.left, clip.right);
  const IndexSpan rows = VisibleSpan(y, dh, clip.top, clip.bottom);
  if (cols.Empty() || rows.Empty()) return;
  uint8_t bgr[3];
  for (int64_t j = rows.begin; j < rows.end; ++j) {
    const int64_t sourceRow = sy + j * sh / dh;
    uint8_t* out = surface_.Row(static_cast<int32_t>(y + j - originY_));
    for (int64_t i = cols.begin; i < cols.end; ++i)
      if (fetch(sx + i * sw / dw, sourceRow, bgr)) Put(out + 3 * (x + i - originX_), bgr, rop);
  }
}

int32_t SurfaceDevice::StretchDIBits(int32_t x, int32_t y, int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw,
                                     int32_t sh, const void* bits, const BitmapInfo* info, uint32_t usage,
                                     uint32_t rop) {
  DibRows rows;
  if (!rows.Open(bits, info, usage, 0, info ? info->bmiHeader.biHeight : 0)) return GDI_ERROR;
  // The rectangle's top row, counted from the top of the picture.
  const int64_t top = rows.height() - sy - int64_t{sh};
  Stretch(x, y, dw, dh, sx, top, sw, sh, rop,
          [&rows](int64_t c, int64_t r, uint8_t bgr[3]) { return rows.Pixel(c, r, bgr); });
  return std::max(sh, 0);
}

int32_t SurfaceDevice::SetDIBitsToDevice(int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy,
                                         int32_t startScan, int32_t lines, const void* bits, const BitmapInfo* info,
                                         uint32_t usage) {
  DibRows rows;
  if (lines <= 0 || !rows.Open(bits, info, usage, startScan, lines)) return 0;
  const int64_t top = rows.height() - sy - int64_t{h};
  Stretch(x, y, w, h, sx, top, w, h, SRCCOPY,
          [&rows](int64_t c, int64_t r, uint8_t bgr[3]) { return rows.Pixel(c, r, bgr); });
  return lines;
}

std::unique_ptr<DeviceBitmap> SurfaceDevice::CreateCompatibleBitmap(int32_t w, int32_t h) {
  if (w <= 0 || h <= 0 || RowBytes(w, 24) * h > kMaxPixelBytes) return nullptr;
  try {
    auto bitmap = std::make_unique<SurfaceBitmap>();
    bitmap->pixels.SetSize(w, h);
    return bitmap;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int32_t SurfaceDevice::SetDIBits(DeviceBitmap& bitmap, int32_t start, int32_t lines, const void* bits,
                                 const BitmapInfo* info, uint32_t usage) {
  auto* target = dynamic_cast<SurfaceBitmap*>(&bitmap);
  DibRows rows;
  if (target == nullptr || lines <= 0 || !rows.Open(bits, info, usage, start, lines)) return 0;
  PixelSurface& pixels = target->pixels;
  const int64_t height = std::min<int64_t>(rows.height(), pixels.height());
  int32_t set = 0;
  for (int64_t t = 0; t < height; ++t) {
    bool any = false;
    uint8_t* out = pixels.Row(static_cast<int32_t>(t));
    for (int64_t c = 0; c < pixels.width(); ++c) any = rows.Pixel(c, t, out + 3 * c) || any;
    set += any ? 1 : 0;
  }
  return set;
}

bool SurfaceDevice::StretchBlt(int32_t x, int32_t y, int32_t dw, int32_t dh, const DeviceBitmap& bitmap, int32_t sx,
                               int32_t sy, int32_t sw, int32_t sh, uint32_t rop) {
  const auto* source = dynamic_cast<const SurfaceBitmap*>(&bitmap);
  if (source == nullptr) return false;
  const PixelSurface& pixels = source->pixels;
  Stretch(x, y, dw, dh, sx, sy, sw, sh, rop, [&pixels](int64_t c, int64_t r, uint8_t bgr[3]) {
    if (c < 0 || r < 0 || c >= pixels.width() || r >= pixels.height()) return false;
    std::memcpy(bgr, pixels.Row(static_cast<int32_t>(r)) + 3 * c, 3);
    return true;
  });
  return true;
}

}  // namespace trellimap
