// Which JPEG files our own reader takes: the streams of plain colours it
// decodes, and those whose header libjpeg cannot read, which it refuses; the
// picture library reads the others.

#include "codecs/jpegdecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// libjpeg's header needs the standard I/O declarations first.
#include <jpeglib.h>

#include "codecs/picturedecoder.h"
#include "image/pixmill3.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

constexpr int kW = 16, kH = 8;

// A kW × kH JPEG of `components` samples a pixel in `given`, stored in `stored`.
std::vector<uint8_t> MakeJpeg(J_COLOR_SPACE given, int components, J_COLOR_SPACE stored) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = kW;
  info.image_height = kH;
  info.input_components = components;
  info.in_color_space = given;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, stored);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(kW * components));
  for (int y = 0; y < kH; ++y) {
    for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<JSAMPLE>(i * 13 + static_cast<size_t>(y) * 29);
    JSAMPROW rows[] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> file(buffer, buffer + size);
  std::free(buffer);
  jpeg_destroy_compress(&info);
  return file;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

struct Case {
  const char* name;
  std::vector<uint8_t> file;
  bool ours;        // IsPlainJpeg
  bool readByOurs;  // ReadJpeg gives a picture; it refuses the others
};

TEST(JpegReader, TakesPlainColoursAndUnreadableHeadersAndLeavesTheRest) {
  const std::vector<uint8_t> ycbcr = MakeJpeg(JCS_RGB, 3, JCS_YCbCr);
  const Case cases[] = {
      {"grey", MakeJpeg(JCS_GRAYSCALE, 1, JCS_GRAYSCALE), true, true},
      {"YCbCr", ycbcr, true, true},
      {"RGB", MakeJpeg(JCS_RGB, 3, JCS_RGB), true, true},
      {"CMYK", MakeJpeg(JCS_CMYK, 4, JCS_CMYK), false, false},
      {"YCCK", MakeJpeg(JCS_CMYK, 4, JCS_YCCK), false, false},
      {"header cut short", Cut(ycbcr, 30), true, false},
  };
  testing::TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsPlainJpeg(c.file), c.ours);
    dib own;
    const Outcome byOurs = ReadJpeg(c.file, own, nullptr);
    EXPECT_EQ(byOurs.done(), c.readByOurs) << byOurs.detail;
    if (byOurs.done()) {
      EXPECT_EQ(DibWidth(&own), kW);
    }
    if (byOurs.failed()) {
      EXPECT_EQ(byOurs.problem, FileProblem::Damaged);
    }
    if (own.poi != nullptr) ReleaseDib(&own);
    // The whole reading: what our reader takes goes no further, the rest is
    // read by the library.
    dib picture;
    const Outcome read = ReadPicture(folder.Write("p.jpg", c.file), picture);
    EXPECT_EQ(read.done(), c.readByOurs || !c.ours) << read.detail;
    if (c.ours && !c.readByOurs) {
      EXPECT_EQ(read.detail, byOurs.detail);
    }
    if (read.done()) {
      EXPECT_EQ(DibHeight(&picture), kH);
    }
    if (picture.poi != nullptr) ReleaseDib(&picture);
  }
}

}  // namespace
}  // namespace trellimap
