#include "display/paintdib.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/messagebox.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

std::atomic<int32_t> screenBits{24};

bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }
int32_t I32(int64_t v) { return static_cast<int32_t>(v); }

// The device's kept area, limited to coordinates the device calls can name.
DeviceRect KeptArea(const DrawingDevice& device) {
  const DeviceRect clip = device.ClipBox();
  constexpr int64_t lo = INT32_MIN, hi = int64_t{INT32_MAX} + 1;
  return {std::clamp(clip.left, lo, hi), std::clamp(clip.top, lo, hi), std::clamp(clip.right, lo, hi),
          std::clamp(clip.bottom, lo, hi)};
}

void Report(const char* text) { ShowMessage(text, "", MsgIcon::None, MsgButtons::Ok); }

// Row-routine core for pictures of kBytes bytes per pixel (3 or 1).
template <int kBytes>
void PaintRows(DrawingDevice& device, int32_t x, int32_t y, int32_t dw, int32_t dh, const dib* picture, int32_t sx,
               int32_t top, int32_t sw, int32_t sh) {
  if (dw <= 0 || dh <= 0) return;
  if (picture == nullptr || picture->poi == nullptr || DibBitCount(picture) != 8 * kBytes) return;
  const int64_t width = DibWidth(picture), height = DibHeight(picture);

  // Whole-destination indexes of the pixels the device keeps; everything
  // below is computed for those alone.
  const DeviceRect clip = KeptArea(device);
  const IndexSpan cols = VisibleSpan(x, dw, clip.left, clip.right);
  const IndexSpan rows = VisibleSpan(y, dh, clip.top, clip.bottom);
  if (cols.Empty() || rows.Empty()) return;
  const int64_t visibleWidth = cols.Size();

  dib line;
  if constexpr (kBytes == 3)
    newdib(&line, I32(visibleWidth), 1, 24, nullptr, 0);
  else
    newdib(&line, I32(visibleWidth), 1, 8, picture->pmi, 256);
  if (line.poi == nullptr) {
    deldib(line);
    return;
  }

  // Byte offset within a source row for each visible column. The mapping is
  // monotonic, so the columns inside the picture form one run [first, last].
  std::vector<int64_t> offsets(static_cast<size_t>(visibleWidth));
  int64_t first = visibleWidth, last = -1;
  for (int64_t c = 0; c < visibleWidth; ++c) {
    const int64_t offset = kBytes * (sx + int64_t{sw} * (cols.begin + c) / dw);
    offsets[static_cast<size_t>(c)] = offset;
    if (offset >= 0 && offset < kBytes * width) {
      first = std::min(first, c);
      last = c;
    }
  }

  bool haveRow = false;
  int64_t previousRow = 0;
  for (int64_t r = rows.begin; r < rows.end; ++r) {
    const int64_t sourceRow = top + int64_t{sh} * r / dh;
    if (sourceRow < 0 || sourceRow >= height) {
      std::memset(line.poi, 0, static_cast<size_t>(line.bytew));
    } else if (!haveRow || sourceRow != previousRow) {
      // Rows repeated by enlargement are drawn again from the same line.
      const uint8_t* source = picture->poi + (height - 1 - sourceRow) * picture->bytew;
      for (int64_t c = first; c <= last; ++c)
        std::memcpy(line.poi + kBytes * c, source + offsets[static_cast<size_t>(c)], kBytes);
    }
    haveRow = true;
    previousRow = sourceRow;
    device.SetDIBitsToDevice(I32(x + cols.begin), I32(y + r), I32(visibleWidth), 1, 0, 0, 0, 1, line.poi, line.pmi,
                             DIB_RGB_COLORS);
  }
  deldib(line);
}

void PaintHalftoned(DrawingDevice& device, const PaintRects& a, const dib* picture, uint32_t rop) {
  const int32_t width = DibWidth(picture), height = DibHeight(picture);
  const bool reduced = a.sw > a.dw || a.sh > a.dh;
  dib t;
  if (reduced)
    DIBHalftoneDIBXY(&t, *picture, I32(RoundRatio(width, a.dw, a.sw)), I32(RoundRatio(height, a.dh, a.sh)));
  else
    DIBHalftoneDIB(&t, *picture);
  if (t.poi != nullptr) {
    if (reduced) {
      // t is the whole picture at this scale, so the rectangle is drawn 1:1.
      const int64_t tx = RoundRatio(DibWidth(&t), a.sx, width), ty = RoundRatio(DibHeight(&t), a.sy, height);
      device.StretchDIBits(I32(a.x), I32(a.y), I32(a.dw), I32(a.dh), I32(tx), I32(ty), I32(a.dw), I32(a.dh), t.poi,
                           t.pmi, DIB_RGB_COLORS, rop);
    } else {
      device.StretchDIBits(I32(a.x), I32(a.y), I32(a.dw), I32(a.dh), I32(a.sx), I32(a.sy), I32(a.sw), I32(a.sh), t.poi,
                           t.pmi, DIB_RGB_COLORS, rop);
    }
  }
  deldib(t);
}

// Index 0 … d − 1 spread evenly over 0 … s − 1, ends included. A single
// destination pixel takes the first source pixel.
int64_t Spread(int64_t s, int64_t i, int64_t d) { return d > 1 ? (s - 1) * i / (d - 1) : 0; }

// Scales the visible part of the destination in memory and draws it unscaled.
// Returns whether the device took the rows (true when nothing is visible).
bool ScaleInSoftware(DrawingDevice& device, const PaintRects& a, const dib* picture) {
  const DeviceRect clip = KeptArea(device);
  const IndexSpan cols = VisibleSpan(a.x, a.dw, clip.left, clip.right);
  const IndexSpan rows = VisibleSpan(a.y, a.dh, clip.top, clip.bottom);
  if (cols.Empty() || rows.Empty()) return true;
  const int64_t w = cols.Size(), h = rows.Size();
  const int32_t bits = DibBitCount(picture), height = DibHeight(picture);
  const int32_t colours = DibColorCount(picture);

  dib n;
  newdib(&n, I32(w), I32(h), bits, picture->pmi, colours <= 256 ? colours : 0);
  bool drawn = false;
  if (n.poi != nullptr) {
    // Rows j are in memory order over the whole destination (j = 0 at its
    // bottom), so device row r is j = dh − 1 − r; n holds the visible ones.
    const int64_t firstJ = a.dh - rows.end;
    for (int64_t k = 0; k < h; ++k) {
      const int64_t sourceRow = a.sy + Spread(a.sh, firstJ + k, a.dh);  // from the bottom
      const uint8_t* source = picture->poi + sourceRow * picture->bytew;
      uint8_t* target = n.poi + k * n.bytew;
      for (int64_t c = 0; c < w; ++c) {
        const int64_t sourceCol = a.sx + Spread(a.sw, cols.begin + c, a.dw);
        switch (bits) {
          case 1:
            // getpixel and setpixel count rows from the top.
            setpixel(n, I32(c), I32(h - 1 - k), getpixel(*picture, I32(sourceCol), I32(height - 1 - sourceRow)));
            break;
          case 4: {
            const uint8_t b = source[sourceCol >> 1];
            const auto nibble = static_cast<uint8_t>((sourceCol & 1) ? b & 0x0F : b >> 4);
            target[c >> 1] |= static_cast<uint8_t>((c & 1) ? nibble : nibble << 4);
            break;
          }
          case 8:
            target[c] = source[sourceCol];
            break;
          case 16:
          case 24:
          case 32: {
            // Whole pixels of 2, 3 or 4 bytes are copied as they are.
            const int64_t bytes = bits / 8;
            std::memcpy(target + bytes * c, source + bytes * sourceCol, static_cast<size_t>(bytes));
            break;
          }
          default:
            break;
        }
      }
    }
    drawn = device.SetDIBitsToDevice(I32(a.x + cols.begin), I32(a.y + rows.begin), I32(w), I32(h), 0, 0, 0, I32(h),
                                     n.poi, n.pmi, DIB_RGB_COLORS) != 0;
  }
  deldib(n);
  return drawn;
}

void DrawThroughDeviceBitmap(DrawingDevice& device, const PaintRects& a, const dib* picture, uint32_t rop) {
  const int32_t width = DibWidth(picture), height = DibHeight(picture);
  const std::unique_ptr<DeviceBitmap> bitmap = device.CreateCompatibleBitmap(width, height);
  if (!bitmap) {
    Report("Could not create bitmap.");
    return;
  }
  if (device.SetDIBits(*bitmap, 0, height, picture->poi, picture->pmi, DIB_RGB_COLORS) == 0) {
    Report("The device does not support the Funtkion setdibits!");
    return;
  }
  // The device bitmap counts rows from the top.
  if (!device.StretchBlt(I32(a.x), I32(a.y), I32(a.dw), I32(a.dh), *bitmap, I32(a.sx), I32(height - a.sy - a.sh),
                         I32(a.sw), I32(a.sh), rop))
    Report("The device does not support the function StretchBlt!");
}

void PaintStretched(DrawingDevice& device, const PaintRects& a, const dib* picture, uint32_t rop) {
  const bool takesRows = (device.RasterCaps() & RC_DIBTODEV) != 0;
  if (device.StretchDIBits(I32(a.x), I32(a.y), I32(a.dw), I32(a.dh), I32(a.sx), I32(a.sy), I32(a.sw), I32(a.sh),
                           picture->poi, picture->pmi, DIB_RGB_COLORS, rop) != GDI_ERROR)
    return;
  if (takesRows && ScaleInSoftware(device, a, picture)) return;
  DrawThroughDeviceBitmap(device, a, picture, rop);
}

}  // namespace

int32_t ScreenBitsPerPixel() { return screenBits.load(); }
void SetScreenBitsPerPixel(int32_t bits) { screenBits.store(bits); }

int64_t RoundRatio(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const long double q = std::nearbyintl(static_cast<long double>(a) * static_cast<long double>(b) / c);
  return static_cast<int64_t>(std::clamp<long double>(q, INT32_MIN, INT32_MAX));
}

PaintRects ClipSourceRect(PaintRects r, int32_t width, int32_t height) {
  if (r.sx + r.sw > width) {
    r.dw = RoundRatio(r.dw, width - r.sx, r.sw);
    r.sw = width - r.sx;
  }
  if (r.sy < 0) {
    r.dh = RoundRatio(r.dh, r.sh + r.sy, r.sh);
    r.sh += r.sy;
    r.sy = 0;
  }
  if (r.sy + r.sh > height) {
    const int64_t n = RoundRatio(r.dh, height - r.sy, r.sh);
    r.y += r.dh - n;
    r.dh = n;
    r.sh = height - r.sy;
  }
  if (r.sx < 0) {
    const int64_t n = RoundRatio(r.dw, r.sx + r.sw, r.sw);
    r.x += r.dw - n;
    r.dw = n;
    r.sw += r.sx;
    r.sx = 0;
  }
  return r;
}

void PaintDib(DrawingDevice& device, int32_t x, int32_t y, int32_t dw, int32_t dh, const dib* picture, int32_t sx,
              int32_t sy, int32_t sw, int32_t sh, bool halftone, uint32_t rop) {
  const bool printer = device.Technology() == DT_RASPRINTER;
  device.SetStretchBltMode(COLORONCOLOR);
  if (picture == nullptr || picture->poi == nullptr) return;
  const int32_t width = DibWidth(picture), height = DibHeight(picture);
  if (width <= 0 || height <= 0) return;

  const PaintRects a = ClipSourceRect({x, y, dw, dh, sx, sy, sw, sh}, width, height);
  // After clipping a non-empty source lies inside the picture; an empty one
  // (wholly outside, or not positive to begin with) has nothing to show.
  if (a.sw <= 0 || a.sh <= 0 || a.dw <= 0 || a.dh <= 0) return;
  if (!FitsInt32(a.x) || !FitsInt32(a.y)) return;

  const int32_t bits = DibBitCount(picture);
  const int32_t top = I32(height - a.sy - a.sh);
  if (bits == 24 && ScreenBitsPerPixel() <= 8 && halftone)
    PaintHalftoned(device, a, picture, rop);
  else if (bits == 24 && !printer)
    PaintDibRows24(device, I32(a.x), I32(a.y), I32(a.dw), I32(a.dh), picture, I32(a.sx), top, I32(a.sw), I32(a.sh));
  else if (bits == 8 && !printer)
    PaintDibRows8(device, I32(a.x), I32(a.y), I32(a.dw), I32(a.dh), picture, I32(a.sx), top, I32(a.sw), I32(a.sh));
  else
    PaintStretched(device, a, picture, rop);
}

void PaintDibRows24(DrawingDevice& device, int32_t x, int32_t y, int32_t dw, int32_t dh, const dib* picture, int32_t sx,
                    int32_t top, int32_t sw, int32_t sh) {
  PaintRows<3>(device, x, y, dw, dh, picture, sx, top, sw, sh);
}

void PaintDibRows8(DrawingDevice& device, int32_t x, int32_t y, int32_t dw, int32_t dh, const dib* picture, int32_t sx,
                   int32_t top, int32_t sw, int32_t sh) {
  PaintRows<1>(device, x, y, dw, dh, picture, sx, top, sw, sh);
}

}  // namespace trellimap
