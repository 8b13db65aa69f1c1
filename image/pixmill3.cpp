#include "image/pixmill3.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace trellimap {
namespace {

// Handles only need to be non-zero while a block is held; a serial number
// keeps them distinct, which helps when reading records in a debugger.
std::atomic<uint32_t> nextHandle{1};

uint32_t NewHandle() {
  uint32_t h = nextHandle.fetch_add(1);
  return h == 0 ? nextHandle.fetch_add(1) : h;
}

bool ValidDepth(int32_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Address of row y counted from the top, or null when (x, y) is outside.
uint8_t* RowOf(const dib& d, int32_t x, int32_t y) {
  if (d.poi == nullptr || d.pmi == nullptr) return nullptr;
  const BitmapInfoHeader& h = d.pmi->bmiHeader;
  if (x < 0 || y < 0 || x >= h.biWidth || y >= h.biHeight) return nullptr;
  return d.poi + static_cast<int64_t>(h.biHeight - 1 - y) * d.bytew;
}

// Asks the system to back the whole pages of a large block with huge pages:
// pictures are read along curves across many rows, and with small pages the
// address cache misses on almost every row.
void AdviseHugePages(uint8_t* block, size_t bytes) {
  constexpr uintptr_t kPage = 4096;
  if (block == nullptr || bytes < (size_t{2} << 20)) return;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(block) + kPage - 1) / kPage * kPage;
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) / kPage * kPage;
  madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);  // advice only
}

}  // namespace

int64_t RowBytes(int64_t width, int64_t bitcount) { return (width * bitcount + 31) / 32 * 4; }

void newdib(dib* d, int32_t width, int32_t height, int32_t bitcount, const BitmapInfo* colours, int32_t ncolours) {
  std::memset(d, 0, sizeof(dib));
  if (width <= 0 || height <= 0 || !ValidDepth(bitcount)) return;
  const int64_t bytew = RowBytes(width, bitcount);
  if (bytew > kMaxPixelBytes / height) return;  // the block would not fit (nor its size in 64 bits)

  auto* info = static_cast<BitmapInfo*>(std::calloc(1, sizeof(BitmapInfo)));
  const size_t blockBytes = static_cast<size_t>(bytew * height) + kPixelBlockSlack;
  auto* pixels = static_cast<uint8_t*>(std::calloc(blockBytes, 1));
  AdviseHugePages(pixels, blockBytes);
  if (info == nullptr || pixels == nullptr) {
    std::free(info);
    std::free(pixels);
    return;
  }
  BitmapInfoHeader& h = info->bmiHeader;
  h.biSize = sizeof(BitmapInfoHeader);
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<uint16_t>(bitcount);
  h.biSizeImage = static_cast<uint32_t>(bytew * height);
  if (bitcount <= 8) {
    const int32_t entries = 1 << bitcount;
    h.biClrUsed = static_cast<uint32_t>(entries);
    if (colours != nullptr && ncolours > 0) {
      const int32_t n = ncolours < entries ? ncolours : entries;
      std::memcpy(info->bmiColors, colours->bmiColors, sizeof(RgbQuad) * static_cast<size_t>(n));
    }
    // The logical palette mirrors the colour table, red first.
    d->pal.ver = 0x300;
    d->pal.num = static_cast<uint16_t>(entries);
    for (int32_t i = 0; i < entries; ++i) {
      d->pal.rgb0[i][0] = info->bmiColors[i].rgbRed;
      d->pal.rgb0[i][1] = info->bmiColors[i].rgbGreen;
      d->pal.rgb0[i][2] = info->bmiColors[i].rgbBlue;
    }
    d->ispal = 1;
  }
  d->pmi = info;
  d->pmih = NewHandle();
  d->poi = pixels;
  d->poih = NewHandle();
  d->bytew = static_cast<int32_t>(bytew);
  d->zoom = 100;
}

void deldib(const dib& d) {
  std::free(d.poi);
  std::free(d.pmi);
}

void ReleaseDib(dib* d) {
  deldib(*d);
  d->poi = nullptr;
  d->pmi = nullptr;
  d->poih = 0;
  d->pmih = 0;
}

void ReplacePicture(dib* field, const dib& picture) {
  ReleaseDib(field);
  *field = picture;
}

uint32_t getpixel(const dib& d, int32_t x, int32_t y) {
  const uint8_t* row = RowOf(d, x, y);
  if (row == nullptr) return 0;
  switch (d.pmi->bmiHeader.biBitCount) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 2:
      return (row[x >> 2] >> (6 - 2 * (x & 3))) & 3u;
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8:
      return row[x];
    case 16:
      return row[2 * x] | uint32_t{row[2 * x + 1]} << 8;
    case 24: {
      const uint8_t* p = row + 3 * static_cast<int64_t>(x);
      return p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
    }
    case 32: {
      const uint8_t* p = row + 4 * static_cast<int64_t>(x);
      return p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16 | uint32_t{p[3]} << 24;
    }
  }
  return 0;
}

void setpixel(const dib& d, int32_t x, int32_t y, uint32_t value) {
  uint8_t* row = RowOf(d, x, y);
  if (row == nullptr) return;
  switch (d.pmi->bmiHeader.biBitCount) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
      row[x >> 3] = value ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      return;
    }
    case 2: {
      const int shift = 6 - 2 * (x & 3);
      row[x >> 2] = static_cast<uint8_t>((row[x >> 2] & ~(3u << shift)) | (value & 3u) << shift);
      return;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 0x0F))
                  : static_cast<uint8_t>((b & 0x0F) | (value & 0x0F) << 4);
      return;
    }
    case 8:
      row[x] = static_cast<uint8_t>(value);
      return;
    case 16:
      row[2 * x] = static_cast<uint8_t>(value);
      row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
      return;
    case 24: {
      uint8_t* p = row + 3 * static_cast<int64_t>(x);
      p[0] = static_cast<uint8_t>(value >> 16);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value);
      return;
    }
    case 32: {
      uint8_t* p = row + 4 * static_cast<int64_t>(x);
      p[0] = static_cast<uint8_t>(value >> 16);
      p[1] = static_cast<uint8_t>(value >> 8);
      p[2] = static_cast<uint8_t>(value);
      p[3] = static_cast<uint8_t>(value >> 24);
      return;
    }
  }
}

// A record without a header block (after a failed newdib) reads as 0 × 0.
int32_t DibWidth(const dib* d) { return d->pmi ? d->pmi->bmiHeader.biWidth : 0; }
int32_t DibHeight(const dib* d) { return d->pmi ? d->pmi->bmiHeader.biHeight : 0; }
int32_t DibBitCount(const dib* d) { return d->pmi ? d->pmi->bmiHeader.biBitCount : 0; }

uint32_t DibPixelColour(const dib& d, int32_t x, int32_t y) {
  const uint32_t v = getpixel(d, x, y);
  switch (DibBitCount(&d)) {
    case 1:
    case 2:
    case 4:
    case 8: {
      const RgbQuad& q = d.pmi->bmiColors[v & 0xFF];
      return q.rgbRed | uint32_t{q.rgbGreen} << 8 | uint32_t{q.rgbBlue} << 16;
    }
    case 16: {
      // 5 bits each of blue (low), green and red, widened to 8 bits.
      const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return (r << 3 | r >> 2) | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2) << 16;
    }
    default:
      return v & 0xFFFFFF;
  }
}

int32_t PowerOfTwo(int32_t n) {
  if (n <= 0) return 1;
  if (n >= 32) return 0;
  return static_cast<int32_t>(uint32_t{1} << n);
}

int32_t DibColorCount(const dib* d) { return PowerOfTwo(DibBitCount(d)); }

}  // namespace trellimap
