#include "tests/support/testfiles.h"

#include <magick/api.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

#include "codecs/picturedecoder.h"

namespace trellimap::testing {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

uint32_t Crc32(const uint8_t* data, size_t n) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBig32(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBig32(out, Crc32(body.data(), body.size()));
}

}  // namespace

std::vector<uint8_t> MakeGreyPng(int width, int height, int depth, const std::vector<std::vector<uint8_t>>& rows) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig32(header, static_cast<uint32_t>(width));
  PutBig32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {static_cast<uint8_t>(depth), 0, 0, 0, 0});
  PutChunk(out, "IHDR", header);
  std::vector<uint8_t> raw;
  for (const auto& row : rows) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), row.begin(), row.end());
  }
  // zlib stream of one stored block, then the Adler-32 of the raw data.
  std::vector<uint8_t> z = {0x78,
                            0x01,
                            0x01,
                            static_cast<uint8_t>(raw.size()),
                            static_cast<uint8_t>(raw.size() >> 8),
                            static_cast<uint8_t>(~raw.size()),
                            static_cast<uint8_t>(~raw.size() >> 8)};
  z.insert(z.end(), raw.begin(), raw.end());
  uint32_t a = 1, b = 0;
  for (uint8_t v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  PutBig32(z, b << 16 | a);
  PutChunk(out, "IDAT", z);
  PutChunk(out, "IEND", {});
  return out;
}

TempFolder::TempFolder() {
  static int serial = 0;
  root_ = std::filesystem::temp_directory_path() /
          ("trellimap-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
  std::filesystem::remove_all(root_);
  std::filesystem::create_directories(root_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string TempFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  const std::string path = Path(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::vector<uint8_t> MakeBmp(int width, int height, int bits, const std::vector<Rgb>& palette,
                             const std::function<uint32_t(int x, int y)>& pixel) {
  const uint32_t rowBytes = static_cast<uint32_t>((width * bits + 31) / 32 * 4);
  const uint32_t colours = bits <= 8 ? static_cast<uint32_t>(palette.size()) : 0;
  const uint32_t offset = 14 + 40 + 4 * colours;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + rowBytes * static_cast<uint32_t>(height));
  Put32(out, 0);
  Put32(out, offset);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(bits));
  Put32(out, 0);  // uncompressed
  Put32(out, rowBytes * static_cast<uint32_t>(height));
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
  for (uint32_t i = 0; i < colours; ++i) {
    out.push_back(palette[i].b);
    out.push_back(palette[i].g);
    out.push_back(palette[i].r);
    out.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(rowBytes, 0);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = pixel(x, y);
      switch (bits) {
        case 1:
          row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
          break;
        case 4:
          row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 ? 0 : 4));
          break;
        case 8:
          row[x] = static_cast<uint8_t>(v);
          break;
        default:
          row[3 * x] = static_cast<uint8_t>(v >> 16);
          row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
          row[3 * x + 2] = static_cast<uint8_t>(v);
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

std::vector<uint8_t> EncodePicture(const std::string& format, int width, int height, int depth, bool withAlpha,
                                   const std::function<Rgba16(int x, int y)>& pixel) {
  std::vector<uint16_t> samples;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgba16 p = pixel(x, y);
      samples.insert(samples.end(), {p.r, p.g, p.b});
      if (withAlpha) samples.push_back(p.a);
    }
  InitializePictureLibrary();
  ExceptionInfo exception;
  GetExceptionInfo(&exception);
  Image* image = ConstituteImage(static_cast<unsigned long>(width), static_cast<unsigned long>(height),
                                 withAlpha ? "RGBA" : "RGB", ShortPixel, samples.data(), &exception);
  if (image == nullptr) throw std::runtime_error("cannot constitute test picture");
  image->depth = static_cast<unsigned>(depth);
  ImageInfo* info = CloneImageInfo(nullptr);
  std::strncpy(info->magick, format.c_str(), MaxTextExtent - 1);
  std::strncpy(image->magick, format.c_str(), MaxTextExtent - 1);
  info->depth = static_cast<unsigned>(depth);
  size_t length = 0;
  void* blob = ImageToBlob(info, image, &length, &exception);
  std::vector<uint8_t> out;
  if (blob != nullptr) {
    const auto* bytes = static_cast<const uint8_t*>(blob);
    out.assign(bytes, bytes + length);
    MagickFree(blob);
  }
  DestroyImage(image);
  DestroyImageInfo(info);
  DestroyExceptionInfo(&exception);
  if (out.empty()) throw std::runtime_error("cannot encode test picture as " + format);
  return out;
}

}  // namespace trellimap::testing
