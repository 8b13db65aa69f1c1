#include "codecs/bmptruecolour.h"

#include <bit>

#include "codecs/decodeinto.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr size_t kFileHeader = 14;
constexpr uint32_t kPlain = 0, kBitFields = 3, kAlphaBitFields = 6;

uint32_t U32(const uint8_t* p) { return p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// One channel's mask: the value under it, scaled to 0..255 with rounding.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;  // the largest value under the mask; 0 for no channel

  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  uint64_t Raw(uint32_t pixel) const { return (pixel & mask) >> shift; }
  uint8_t Byte(uint32_t pixel) const { return max == 0 ? 0 : static_cast<uint8_t>((Raw(pixel) * 255 + max / 2) / max); }
};

struct Layout {
  int32_t width = 0, height = 0;  // height as stored: negative for top-down rows
  int bits = 0;
  uint32_t offset = 0;
  uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// A channel value seen through `opacity` (0 to 1) against white.
uint8_t OnWhite(uint8_t value, double opacity) {
  return static_cast<uint8_t>(value * opacity + 255 * (1 - opacity) + 0.5);
}

bool ReadLayout(const uint8_t* d, size_t size, Layout* l) {
  if (size < kFileHeader + 40 || d[0] != 'B' || d[1] != 'M') return false;
  // The Windows headers only: OS/2 headers give compression other meanings.
  const uint32_t headerSize = U32(d + kFileHeader);
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) return false;
  const uint8_t* h = d + kFileHeader;
  l->bits = U16(h + 14);
  const uint32_t compression = U32(h + 16);
  if ((l->bits != 16 && l->bits != 32) || U16(h + 12) != 1) return false;
  if (compression != kPlain && compression != kBitFields && compression != kAlphaBitFields) return false;
  l->width = static_cast<int32_t>(U32(h + 4));
  l->height = static_cast<int32_t>(U32(h + 8));
  l->offset = U32(d + 10);
  if (compression == kPlain) {
    // Plain pixels: 5-5-5 or 8-8-8, and never alpha, whatever the header says.
    l->red = l->bits == 16 ? 0x7C00 : 0xFF0000;
    l->green = l->bits == 16 ? 0x03E0 : 0xFF00;
    l->blue = l->bits == 16 ? 0x001F : 0xFF;
    return true;
  }
  // Masks lie in the longer headers, or right after the 40-byte one.
  const size_t masks = kFileHeader + 40;
  const size_t count = headerSize >= 56 || compression == kAlphaBitFields ? 4 : 3;
  if (size < masks + 4 * count) return false;
  l->red = U32(d + masks);
  l->green = U32(d + masks + 4);
  l->blue = U32(d + masks + 8);
  l->alpha = count == 4 ? U32(d + masks + 12) : 0;
  return true;
}

Outcome Decode(const uint8_t* d, size_t size, dib* out) {
  Layout l;
  if (!ReadLayout(d, size, &l)) return FailedDamaged("the bitmap header is damaged");
  const int64_t rows = l.height < 0 ? -int64_t{l.height} : l.height;
  if (l.width <= 0 || rows == 0 || l.width > kMaxPictureSide || rows > kMaxPictureSide ||
      int64_t{l.width} * rows > kMaxPicturePixels)
    return FailedTooLarge("the picture's size is out of range");
  const int64_t stride = RowBytes(l.width, l.bits);
  if (l.offset > size || static_cast<uint64_t>(stride * rows) > size - l.offset)
    return FailedDamaged("the file ends before its last pixel row");
  const Channel red(l.red), green(l.green), blue(l.blue), alpha(l.alpha);
  const int bytes = l.bits / 8;
  const auto pixelAt = [&](int64_t fileRow, int32_t x) {
    const uint8_t* p = d + l.offset + fileRow * stride + int64_t{x} * bytes;
    return bytes == 2 ? uint32_t{U16(p)} : U32(p);
  };
  // A file whose alpha is 0 everywhere means no transparency at all.
  bool blend = false;
  for (int64_t r = 0; alpha.max != 0 && r < rows && !blend; ++r)
    for (int32_t x = 0; x < l.width && !blend; ++x) blend = alpha.Raw(pixelAt(r, x)) != 0;

  newdib(out, l.width, static_cast<int32_t>(rows), 24, nullptr, 0);
  if (out->poi == nullptr) return FailedNoMemory();
  for (int64_t r = 0; r < rows; ++r) {
    // Memory rows run bottom-up, as bottom-up files store them.
    uint8_t* row = out->poi + (l.height < 0 ? rows - 1 - r : r) * out->bytew;
    for (int32_t x = 0; x < l.width; ++x, row += 3) {
      const uint32_t pixel = pixelAt(r, x);
      const double opacity = blend ? static_cast<double>(alpha.Raw(pixel)) / static_cast<double>(alpha.max) : 1.0;
      row[0] = OnWhite(blue.Byte(pixel), opacity);
      row[1] = OnWhite(green.Byte(pixel), opacity);
      row[2] = OnWhite(red.Byte(pixel), opacity);
    }
  }
  return Outcome::Done();
}

}  // namespace

bool IsTrueColourBmp(std::span<const uint8_t> bytes) {
  Layout layout;
  return ReadLayout(bytes.data(), bytes.size(), &layout);
}

Outcome ReadTrueColourBmp(std::span<const uint8_t> bytes, dib& picture, Progress* /*progress*/) {
  return DecodeInto(picture, [&](dib& out) { return Decode(bytes.data(), bytes.size(), &out); });
}

}  // namespace trellimap
