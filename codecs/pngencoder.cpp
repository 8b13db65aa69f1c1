#include "codecs/pngencoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "codecs/faxcoding.h"
#include "foundation/workers.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

constexpr int kLevel = 6;                       // zlib's own default balance of size and speed
constexpr int32_t kBandRows = 64;               // rows deflated together
constexpr size_t kIdatBytes = size_t{1} << 20;  // data per IDAT chunk
constexpr uInt kWindow = 32768;                 // a band starts from the bytes before it

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t length) {
  Put32(out, static_cast<uint32_t>(length));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  if (length > 0) out.insert(out.end(), data, data + length);
  Put32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// How the picture's rows are written: 8-bit truecolour, or, for a 1-bit
// picture, 1-bit grey (its table black then white, or white then black:
// the bits flipped) or 1-bit with a palette of its two colours.
struct Layout {
  bool bilevel = false;
  bool flipped = false;
  uint8_t colourType = 2;
  size_t rowBytes = 0;
  size_t pixelBytes = 3;  // the byte a filter predicts from lies this far back
};

constexpr uint32_t kWhite = 0xFFFFFF;

uint32_t TableColour(const dib& picture, int index) {
  const RgbQuad& q = picture.pmi->bmiColors[index];
  return q.rgbRed | (uint32_t{q.rgbGreen} << 8) | (uint32_t{q.rgbBlue} << 16);
}

Layout LayoutOf(const dib& picture) {
  const auto w = static_cast<size_t>(DibWidth(&picture));
  if (DibBitCount(&picture) != 1) return {.rowBytes = w * 3};
  const bool grey = IsBlackAndWhite(picture);
  return {.bilevel = true,
          .flipped = grey && TableColour(picture, 0) == kWhite,
          .colourType = static_cast<uint8_t>(grey ? 0 : 3),
          .rowBytes = (w + 7) / 8,
          .pixelBytes = 1};
}

// Row y of a 1-bit picture as PNG packs it: the leftmost pixel in the
// highest bit, as in the picture itself; the bits after the last pixel 0.
void BitRow(const dib& picture, const Layout& layout, int32_t y, uint8_t* out) {
  const uint8_t* p = picture.poi + static_cast<int64_t>(DibHeight(&picture) - 1 - y) * picture.bytew;
  for (size_t i = 0; i < layout.rowBytes; ++i) out[i] = layout.flipped ? static_cast<uint8_t>(~p[i]) : p[i];
  if (const int spare = static_cast<int>(layout.rowBytes * 8) - DibWidth(&picture); spare > 0)
    out[layout.rowBytes - 1] &= static_cast<uint8_t>(0xFF << spare);
}

// Row y of the picture as red, green, blue bytes.
void RgbRow(const dib& picture, int32_t y, uint8_t* out) {
  const int32_t w = DibWidth(&picture);
  if (DibBitCount(&picture) == 24) {
    const uint8_t* p = picture.poi + static_cast<int64_t>(DibHeight(&picture) - 1 - y) * picture.bytew;
    for (int32_t x = 0; x < w; ++x, p += 3, out += 3) {
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
    }
    return;
  }
  for (int32_t x = 0; x < w; ++x, out += 3) {
    const uint32_t c = DibPixelColour(picture, x, y);
    out[0] = static_cast<uint8_t>(c);
    out[1] = static_cast<uint8_t>(c >> 8);
    out[2] = static_cast<uint8_t>(c >> 16);
  }
}

// Row y in the layout's bytes.
void LaidOutRow(const dib& picture, const Layout& layout, int32_t y, uint8_t* out) {
  if (layout.bilevel)
    BitRow(picture, layout, y, out);
  else
    RgbRow(picture, y, out);
}

// The prediction of filter f (0 none, 1 left, 2 above, 3 average, 4 Paeth)
// for byte i of a row whose pixels are `step` bytes apart.
inline int Predicted(int f, const uint8_t* row, const uint8_t* above, size_t i, size_t step) {
  const int a = i >= step ? row[i - step] : 0, b = above[i], c = i >= step ? above[i - step] : 0;
  switch (f) {
    case 1:
      return a;
    case 2:
      return b;
    case 3:
      return (a + b) / 2;
    case 4:
      return Paeth(a, b, c);
    default:
      return 0;
  }
}

// Row `row` filtered against `above` (zeros for the first row): the filter
// byte, then the row, whichever of the five filters leaves the smallest sum
// of absolute (signed) bytes. Rows of bits are left unfiltered, as they
// compress best.
void FilterRow(const uint8_t* row, const uint8_t* above, const Layout& layout, uint8_t* out) {
  const size_t bytes = layout.rowBytes, step = layout.pixelBytes;
  int chosen = 0;
  if (!layout.bilevel) {
    std::array<uint64_t, 5> sums{};
    for (size_t i = 0; i < bytes; ++i)
      for (int f = 0; f < 5; ++f)
        sums[static_cast<size_t>(f)] +=
            static_cast<uint64_t>(std::abs(static_cast<int8_t>(row[i] - Predicted(f, row, above, i, step))));
    chosen = static_cast<int>(std::min_element(sums.begin(), sums.end()) - sums.begin());
  }
  out[0] = static_cast<uint8_t>(chosen);
  for (size_t i = 0; i < bytes; ++i) out[1 + i] = static_cast<uint8_t>(row[i] - Predicted(chosen, row, above, i, step));
}

struct Band {
  std::vector<uint8_t> raw;         // filtered rows
  z_off_t length = 0;               // their bytes
  std::vector<uint8_t> compressed;  // raw deflate, ended by a full flush (the last: finished)
  uLong adler = 1;
};

// Filters and deflates rows [first, end); the band before it lends its last
// window as the dictionary, so the bands compress as well as one stream would.
void MakeBand(const dib& picture, const Layout& layout, int32_t first, int32_t end, bool last, Band& band) {
  const size_t bytes = layout.rowBytes;
  std::vector<uint8_t> row(bytes), above(bytes, 0);
  if (first > 0) LaidOutRow(picture, layout, first - 1, above.data());
  // The window before the band, re-made from the rows before it.
  std::vector<uint8_t> window;
  for (int32_t y = std::max(0, first - 1 - static_cast<int32_t>(kWindow / (bytes + 1)) - 1); y < first; ++y) {
    std::vector<uint8_t> before(bytes), beforeAbove(bytes, 0), filtered(bytes + 1);
    LaidOutRow(picture, layout, y, before.data());
    if (y > 0) LaidOutRow(picture, layout, y - 1, beforeAbove.data());
    FilterRow(before.data(), beforeAbove.data(), layout, filtered.data());
    window.insert(window.end(), filtered.begin(), filtered.end());
  }
  band.raw.resize((bytes + 1) * static_cast<size_t>(end - first));
  for (int32_t y = first; y < end; ++y) {
    LaidOutRow(picture, layout, y, row.data());
    FilterRow(row.data(), above.data(), layout, band.raw.data() + (bytes + 1) * static_cast<size_t>(y - first));
    std::swap(row, above);
  }
  band.adler = adler32(1, band.raw.data(), static_cast<uInt>(band.raw.size()));
  band.length = static_cast<z_off_t>(band.raw.size());

  z_stream z{};
  deflateInit2(&z, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  if (!window.empty()) {
    const size_t keep = std::min<size_t>(window.size(), kWindow);
    deflateSetDictionary(&z, window.data() + window.size() - keep, static_cast<uInt>(keep));
  }
  band.compressed.resize(deflateBound(&z, static_cast<uLong>(band.raw.size())) + 16);
  z.next_in = band.raw.data();
  z.avail_in = static_cast<uInt>(band.raw.size());
  z.next_out = band.compressed.data();
  z.avail_out = static_cast<uInt>(band.compressed.size());
  deflate(&z, last ? Z_FINISH : Z_FULL_FLUSH);
  band.compressed.resize(band.compressed.size() - z.avail_out);
  deflateEnd(&z);
  band.raw = {};
}

}  // namespace

bool EncodePng(const dib& picture, std::vector<uint8_t>* out, int threads, Progress* progress) {
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  if (picture.poi == nullptr || w <= 0 || h <= 0) return false;
  const int32_t bandCount = (h + kBandRows - 1) / kBandRows;
  std::vector<Band> bands(static_cast<size_t>(bandCount));
  const Layout layout = LayoutOf(picture);
  // The bands take most of the time; the calling thread, worker 0, tells the
  // progress (a reporter need not be thread-safe).
  PartProgress deflating(progress, 0, 0.95);
  const auto deflate = [&](Turns& turns) {
    while (const std::optional<size_t> band = turns.Next()) {
      const auto b = static_cast<int32_t>(*band);
      MakeBand(picture, layout, b * kBandRows, std::min(h, (b + 1) * kBandRows), b == bandCount - 1, bands[*band]);
    }
  };
  if (!TakeInTurn(static_cast<size_t>(bandCount), ThreadsFor(threads, int64_t{w} * h), &deflating, deflate)) {
    out->clear();
    return false;
  }

  // One zlib stream: its header, the bands' deflate data, the Adler-32 of all rows.
  std::vector<uint8_t> stream = {0x78, 0x9C};
  uLong adler = 1;
  for (const Band& band : bands) {
    stream.insert(stream.end(), band.compressed.begin(), band.compressed.end());
    adler = adler32_combine(adler, band.adler, band.length);
  }
  Put32(stream, static_cast<uint32_t>(adler));

  const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out->assign(signature, signature + 8);
  std::vector<uint8_t> header;
  Put32(header, static_cast<uint32_t>(w));
  Put32(header, static_cast<uint32_t>(h));
  // Bits per sample, colour type, deflate, adaptive filters, no interlace.
  header.insert(header.end(), {static_cast<uint8_t>(layout.bilevel ? 1 : 8), layout.colourType, 0, 0, 0});
  Chunk(*out, "IHDR", header.data(), header.size());
  if (layout.colourType == 3) {
    std::vector<uint8_t> palette;
    for (int i = 0; i < 2; ++i) {
      const uint32_t c = TableColour(picture, i);
      palette.insert(palette.end(),
                     {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)});
    }
    Chunk(*out, "PLTE", palette.data(), palette.size());
  }
  for (size_t at = 0; at < stream.size(); at += kIdatBytes)
    Chunk(*out, "IDAT", stream.data() + at, std::min(kIdatBytes, stream.size() - at));
  Chunk(*out, "IEND", nullptr, 0);
  return true;
}

}  // namespace trellimap
