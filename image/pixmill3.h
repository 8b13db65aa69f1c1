#pragma once
// The image library: making and releasing picture buffers, single
// pixel access and halftoning, plus the small operations on a buffer.

#include <cstdint>

#include "image/dib.h"

namespace trellimap {

// Makes a new zero-filled buffer of width × height at `bitcount` bits (1, 2,
// 4, 8, 16, 24 or 32). Depths up to 8 bits get a full colour table; when
// `colours` is given, its first `ncolours` entries are copied into it.
// On failure (bad size or depth, no memory) poi is null and poih is 0.
void newdib(dib* d, int32_t width, int32_t height, int32_t bitcount, const BitmapInfo* colours, int32_t ncolours);

// Releases the memory `d` names. Accepts a record left by a failed newdib.
void deldib(const dib& d);

// The pixel at column x, row y counted from the top: red + 256 × green +
// 65536 × blue at 24 bits, the colour index at 1, 2, 4 and 8 bits, the raw value
// at 16 and 32 bits. Returns 0 outside the picture or for an empty buffer.
uint32_t getpixel(const dib& d, int32_t x, int32_t y);

// Writes `value`, packed as getpixel returns it, at column x, row y from the
// top. Writes nothing outside the picture or into an empty buffer.
void setpixel(const dib& d, int32_t x, int32_t y, uint32_t value);

// A new 8-bit buffer holding `src` ordered-dithered to a fixed colour cube,
// at the source's size (DIBHalftoneDIB) or scaled to width × height
// (DIBHalftoneDIBXY). On failure `out->poi` is null.
void DIBHalftoneDIB(dib* out, const dib& src);
void DIBHalftoneDIBXY(dib* out, const dib& src, int32_t width, int32_t height);

// The colour at column x, row y from the top as red + 256 × green + 65536 ×
// blue, whatever the depth (colour table for paletted pictures). 0 outside.
uint32_t DibPixelColour(const dib& d, int32_t x, int32_t y);

// deldib, then poi (and the other owning fields) reset to null/0.
void ReleaseDib(dib* d);

// `*field` is released and takes `picture`, which it owns from here on.
void ReplacePicture(dib* field, const dib& picture);

// Header values; 0 for a record that holds no header block.
int32_t DibWidth(const dib* d);
int32_t DibHeight(const dib* d);
int32_t DibBitCount(const dib* d);

// 1 doubled n times in 32-bit arithmetic (wrapping); 1 for n <= 0.
int32_t PowerOfTwo(int32_t n);

// PowerOfTwo(DibBitCount(d)): 2, 16, 256, 65536, 16777216, and 0 for 32 bits.
int32_t DibColorCount(const dib* d);

// Bytes per row of a picture: width × bits rounded up to whole 32-bit words.
// 64-bit so that any header values can be checked before use.
int64_t RowBytes(int64_t width, int64_t bitcount);

// The largest pixel block newdib makes, so that row offsets fit 32 bits.
inline constexpr int64_t kMaxPixelBytes = INT32_MAX - 16;

// Bytes newdib allocates beyond a pixel block, so that a 24-bit pixel may be
// read as one 32-bit word wherever it lies.
inline constexpr int64_t kPixelBlockSlack = 4;

}  // namespace trellimap
