#include "codecs/bmprle8.h"

#include <cstring>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kColourTableBytes = 256 * sizeof(RgbQuad);
constexpr size_t kPixelOffset = kFileHeaderBytes + sizeof(BitmapInfoHeader) + kColourTableBytes;
constexpr size_t kMaxCount = 255;  // pixels one count byte can cover
constexpr uint32_t kRle8 = 1;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

bool StartsRun(const uint8_t* px, size_t i, size_t n) { return i + 2 < n && px[i] == px[i + 1] && px[i] == px[i + 2]; }

// One row: encoded runs for 3 or more equal pixels, absolute mode for the
// stretches between. Absolute mode cannot hold fewer than 3 pixels (those
// counts are escapes), so a stretch of 1 or 2 goes as runs of one colour.
void EncodeRow(const uint8_t* px, size_t n, std::vector<uint8_t>* out) {
  size_t i = 0;
  while (i < n) {
    size_t run = 1;
    while (i + run < n && run < kMaxCount && px[i + run] == px[i]) ++run;
    if (run >= 3) {
      out->push_back(static_cast<uint8_t>(run));
      out->push_back(px[i]);
      i += run;
      continue;
    }
    const size_t start = i;
    while (i < n && i - start < kMaxCount && !StartsRun(px, i, n)) ++i;
    const size_t length = i - start;
    if (length >= 3) {
      out->push_back(0);
      out->push_back(static_cast<uint8_t>(length));
      out->insert(out->end(), px + start, px + i);
      if (length & 1) out->push_back(0);  // absolute runs end on a 16-bit boundary
    } else if (length == 2 && px[start] == px[start + 1]) {
      out->insert(out->end(), {2, px[start]});
    } else {
      for (size_t k = start; k < i; ++k) out->insert(out->end(), {1, px[k]});
    }
  }
}

}  // namespace

bool EncodeBmpRle8(const dib& paletted8, std::vector<uint8_t>* out) {
  out->clear();
  const int32_t w = DibWidth(&paletted8), h = DibHeight(&paletted8);
  if (paletted8.poi == nullptr || DibBitCount(&paletted8) != 8 || w <= 0 || h <= 0) return false;

  std::vector<uint8_t> pixels;
  // Rows in memory are already bottom-up, as the file wants them.
  for (int32_t y = 0; y < h; ++y) {
    EncodeRow(paletted8.poi + static_cast<int64_t>(y) * paletted8.bytew, static_cast<size_t>(w), &pixels);
    pixels.insert(pixels.end(), {0, 0});  // end of line
    if (pixels.size() > UINT32_MAX - kPixelOffset) return false;
  }
  pixels.insert(pixels.end(), {0, 1});  // end of bitmap
  if (pixels.size() > UINT32_MAX - kPixelOffset) return false;

  const BitmapInfoHeader& from = paletted8.pmi->bmiHeader;
  out->reserve(kPixelOffset + pixels.size());
  out->insert(out->end(), {'B', 'M'});
  Put32(*out, static_cast<uint32_t>(kPixelOffset + pixels.size()));
  Put32(*out, 0);  // reserved
  Put32(*out, static_cast<uint32_t>(kPixelOffset));
  Put32(*out, sizeof(BitmapInfoHeader));
  Put32(*out, static_cast<uint32_t>(w));
  Put32(*out, static_cast<uint32_t>(h));  // positive: bottom-up
  Put16(*out, 1);                         // planes
  Put16(*out, 8);
  Put32(*out, kRle8);
  Put32(*out, static_cast<uint32_t>(pixels.size()));
  Put32(*out, static_cast<uint32_t>(from.biXPelsPerMeter));
  Put32(*out, static_cast<uint32_t>(from.biYPelsPerMeter));
  Put32(*out, 256);  // colours used
  Put32(*out, 0);    // all colours important
  for (const RgbQuad& q : paletted8.pmi->bmiColors) out->insert(out->end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
  out->insert(out->end(), pixels.begin(), pixels.end());
  return true;
}

}  // namespace trellimap
