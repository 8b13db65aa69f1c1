#pragma once
// The picture buffer record: a device-independent bitmap (header, colour
// table, bottom-up pixel rows) with a logical palette and fields kept by the
// image library. Copying the record copies its pointers; exactly one copy owns
// the memory and releases it once (deldib or ReleaseDib).

#include <cstddef>
#include <cstdint>

namespace trellimap {

// The 40-byte little-endian bitmap information header, as stored in files.
struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;  // positive: rows stored bottom-up
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(offsetof(BitmapInfoHeader, biWidth) == 4 && offsetof(BitmapInfoHeader, biHeight) == 8);
static_assert(offsetof(BitmapInfoHeader, biBitCount) == 14);

// A colour-table entry: blue, green, red, reserved.
struct RgbQuad {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};
static_assert(sizeof(RgbQuad) == 4);

// Header followed by the colour table. The library always allocates room for
// 256 entries, so any index below 256 is addressable whatever the depth.
struct BitmapInfo {
  BitmapInfoHeader bmiHeader;
  RgbQuad bmiColors[256];
};
static_assert(offsetof(BitmapInfo, bmiColors) == 40);

// Logical palette: entries in the order red, green, blue, flags.
struct LPAL {
  uint16_t ver;
  uint16_t num;
  uint8_t rgb0[256][4];
};
static_assert(sizeof(LPAL) == 1028);

struct dib {
  BitmapInfo* pmi;  // header and colour table
  uint32_t poih;    // not 0 while the record holds pixel memory
  uint32_t pmih;    // not 0 while the record holds a header block
  uint8_t* poi;     // first byte of the bottom row; null: no picture
  int32_t bytew;    // bytes per row, a multiple of 4
  uint8_t ispal;    // 1 for a paletted picture
  uint8_t reserved1;
  LPAL pal;
  uint16_t reserved2;
  uint32_t NOTUSEDINFIXEDMEMlp;
  int32_t zoom;
  int32_t scx;
  int32_t scy;
  int32_t mx1;
  int32_t my1;
  int32_t mx2;
  int32_t my2;
};

}  // namespace trellimap
