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

// A `width` × `height` JPEG of `components` samples a pixel in `given`, stored in `stored`.
std::vector<uint8_t> MakeJpeg(J_COLOR_SPACE given, int components, J_COLOR_SPACE stored, int width = kW,
                              int height = kH) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = components;
  info.in_color_space = given;
  jpeg_set_defaults(&info);
  jpeg_set_colorspace(&info, stored);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(static_cast<size_t>(width * components));
  for (int y = 0; y < height; ++y) {
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

double MeanGreen(const dib& picture) {
  double sum = 0;
  for (int32_t y = 0; y < DibHeight(&picture); ++y)
    for (int32_t x = 0; x < DibWidth(&picture); ++x) sum += (DibPixelColour(picture, x, y) >> 8) & 0xFF;
  return sum / (static_cast<double>(DibWidth(&picture)) * DibHeight(&picture));
}

// Read for a use that needs only so many pixels, a JPEG comes at the
// smallest of a half, a quarter and an eighth of its size whose longer side
// is still that long, showing the same picture; other formats come whole.
TEST(JpegReader, ReadsReducedWhereLessIsNeeded) {
  constexpr int kWidth = 100, kHeight = 60;
  testing::TempFolder folder;
  const std::string jpeg = folder.Write("p.jpg", MakeJpeg(JCS_RGB, 3, JCS_YCbCr, kWidth, kHeight));
  dib whole;
  ASSERT_TRUE(ReadPicture(jpeg, whole).done());
  for (const int32_t least : {0, 1, 12, 13, 14, 25, 26, 50, 51, 100, 101, 1000}) {
    SCOPED_TRACE(least);
    int32_t expected = 1;
    while (expected < 8 && least > 0 && (kWidth + 2 * expected - 1) / (2 * expected) >= least) expected *= 2;
    Reduction reduction{least};
    dib reduced;
    ASSERT_TRUE(ReadPicture(jpeg, reduced, nullptr, &reduction).done());
    EXPECT_EQ(reduction.factor, expected);
    EXPECT_EQ(DibWidth(&reduced), (kWidth + expected - 1) / expected);
    EXPECT_EQ(DibHeight(&reduced), (kHeight + expected - 1) / expected);
    // The same picture: reduced or whole, the same mean colour.
    EXPECT_NEAR(MeanGreen(reduced), MeanGreen(whole), 2);
    ReleaseDib(&reduced);
  }
  ReleaseDib(&whole);
  Reduction reduction{10};
  dib bmp;
  ASSERT_TRUE(ReadPicture(folder.Write("p.bmp", testing::MakeBmp(kWidth, kHeight, 24, {}, [](int, int) { return 0u; })),
                          bmp, nullptr, &reduction)
                  .done());
  EXPECT_EQ(reduction.factor, 1);
  EXPECT_EQ(DibWidth(&bmp), kWidth);
  ReleaseDib(&bmp);
}

}  // namespace
}  // namespace trellimap
