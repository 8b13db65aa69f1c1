#include "codecs/faxcoding.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

// A TIFF file in memory, which the library writes and reads back through
// these functions.
struct MemoryFile {
  std::vector<uint8_t> bytes;
  toff_t at = 0;
};

tsize_t ReadBytes(thandle_t handle, tdata_t data, tsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  const auto n = static_cast<tsize_t>(
      std::min<toff_t>(static_cast<toff_t>(size), file->bytes.size() - std::min<toff_t>(file->at, file->bytes.size())));
  if (n > 0) std::memcpy(data, file->bytes.data() + file->at, static_cast<size_t>(n));
  file->at += static_cast<toff_t>(n);
  return n;
}

tsize_t WriteBytes(thandle_t handle, tdata_t data, tsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  const toff_t end = file->at + static_cast<toff_t>(size);
  if (end > file->bytes.size()) file->bytes.resize(end);
  std::memcpy(file->bytes.data() + file->at, data, static_cast<size_t>(size));
  file->at = end;
  return size;
}

toff_t SeekTo(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  const toff_t from = whence == SEEK_CUR ? file->at : whence == SEEK_END ? file->bytes.size() : 0;
  file->at = from + offset;
  return file->at;
}

int CloseFile(thandle_t) { return 0; }
toff_t SizeOf(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes.size(); }
int NoMapping(thandle_t, tdata_t*, toff_t*) { return 0; }
void NoUnmapping(thandle_t, tdata_t, toff_t) {}

TIFF* Open(MemoryFile& file, const char* mode) {
  return TIFFClientOpen("page", mode, &file, ReadBytes, WriteBytes, SeekTo, CloseFile, SizeOf, NoMapping, NoUnmapping);
}

}  // namespace

bool IsBlackAndWhite(const dib& picture) {
  if (picture.poi == nullptr || picture.pmi == nullptr || DibBitCount(&picture) != 1) return false;
  const auto is = [&](int index, uint8_t level) {
    const RgbQuad& q = picture.pmi->bmiColors[index];
    return q.rgbRed == level && q.rgbGreen == level && q.rgbBlue == level;
  };
  return (is(0, 0) && is(1, 255)) || (is(0, 255) && is(1, 0));
}

std::vector<uint8_t> WhiteBitRows(const dib& picture) {
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  const size_t rowBytes = (static_cast<size_t>(w) + 7) / 8;
  const RgbQuad* table = picture.pmi->bmiColors;
  const auto level = [](const RgbQuad& q) { return q.rgbRed + q.rgbGreen + q.rgbBlue; };
  const bool lighterFirst = level(table[0]) > level(table[1]);
  std::vector<uint8_t> rows(rowBytes * static_cast<size_t>(h));
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = picture.poi + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(picture.bytew);
    std::transform(in, in + rowBytes, rows.begin() + static_cast<ptrdiff_t>(rowBytes * static_cast<size_t>(y)),
                   [lighterFirst](uint8_t b) { return lighterFirst ? static_cast<uint8_t>(~b) : b; });
  }
  return rows;
}

std::vector<uint8_t> FaxTiff(const std::vector<uint8_t>& rows, int32_t width, int32_t height) {
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  if (width <= 0 || height <= 0 || rows.size() < rowBytes * static_cast<size_t>(height)) return {};
  // Fax codes runs of 0 as white: the rows go in with white as 0, one strip.
  std::vector<uint8_t> strip(rows.begin(), rows.begin() + static_cast<ptrdiff_t>(rowBytes * height));
  for (uint8_t& b : strip) b = static_cast<uint8_t>(~b);
  MemoryFile file;
  TIFF* out = Open(file, "w");
  if (out == nullptr) return {};
  TIFFSetField(out, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
  TIFFSetField(out, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height));
  TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(height));
  TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
  TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(out, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(out, TIFFTAG_XRESOLUTION, 72.0f);
  TIFFSetField(out, TIFFTAG_YRESOLUTION, 72.0f);
  TIFFSetField(out, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  const bool written = TIFFWriteEncodedStrip(out, 0, strip.data(), static_cast<tmsize_t>(strip.size())) >= 0;
  TIFFClose(out);
  return written ? file.bytes : std::vector<uint8_t>{};
}

std::vector<uint8_t> FaxGroup4(const std::vector<uint8_t>& rows, int32_t width, int32_t height) {
  MemoryFile file{FaxTiff(rows, width, height)};
  if (file.bytes.empty()) return {};
  TIFF* in = Open(file, "r");
  if (in == nullptr) return {};
  std::vector<uint8_t> coded(static_cast<size_t>(std::max<tmsize_t>(0, TIFFRawStripSize(in, 0))));
  const bool read = !coded.empty() && TIFFReadRawStrip(in, 0, coded.data(), static_cast<tmsize_t>(coded.size())) ==
                                          static_cast<tmsize_t>(coded.size());
  TIFFClose(in);
  return read ? coded : std::vector<uint8_t>{};
}

}  // namespace trellimap
