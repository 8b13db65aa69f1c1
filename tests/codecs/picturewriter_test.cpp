#include "codecs/picturewriter.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <filesystem>
#include <string_view>

#include "codecs/pictureopening.h"
#include "codecs/pngencoder.h"
#include "image/pixmill3.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::TempFolder;

// At most 64 colours, so the formats that reduce to 256 colours keep them all.
dib Picture(int32_t w, int32_t h) {
  dib d;
  newdib(&d, w, h, 24, nullptr, 0);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      setpixel(d, x, y, static_cast<uint32_t>((x % 4) * 80 | ((y % 4) * 80) << 8 | (((x + y) % 4) * 80) << 16));
  return d;
}

TEST(PictureWriter, ExtensionsSelectFormats) {
  EXPECT_EQ(FormatForExtension(".BMP"), PictureFileFormat::Bmp);
  EXPECT_EQ(FormatForExtension(".dib"), PictureFileFormat::Bmp);
  EXPECT_EQ(FormatForExtension(".rle"), PictureFileFormat::BmpRle8);
  EXPECT_EQ(FormatForExtension(".Lbm"), PictureFileFormat::Ilbm);
  EXPECT_EQ(FormatForExtension(".jif"), PictureFileFormat::Jpeg);
  EXPECT_EQ(FormatForExtension(".jp2"), PictureFileFormat::Jpeg2000);
  EXPECT_EQ(FormatForExtension(".png"), PictureFileFormat::Png);
  EXPECT_EQ(FormatForExtension(".WebP"), PictureFileFormat::WebP);
  EXPECT_FALSE(FormatForExtension(".avif"));
  EXPECT_FALSE(FormatForExtension(".xyz"));
  EXPECT_FALSE(FormatForExtension(""));
  EXPECT_EQ(WithDefaultExtension("/a.b/result"), "/a.b/result.bmp");
  EXPECT_EQ(WithDefaultExtension("result.tif"), "result.tif");
}

class LosslessRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(LosslessRoundTrip, ReadsBackTheSamePixels) {
  TempFolder folder;
  testing::RecordingMessages messages;
  for (const auto& [w, h] : {std::pair{1, 1}, {13, 7}, {64, 33}, {37, 150}}) {  // 150 rows: several PNG bands
    dib picture = Picture(w, h);
    const std::string path = folder.Path(std::string("out") + GetParam());
    const Outcome written = WritePictureFile(picture, path);
    ASSERT_TRUE(written.done()) << GetParam() << ": " << written.detail;
    dib back;
    OpenDib(&back, path.c_str(), 0, nullptr);
    ASSERT_NE(back.poi, nullptr) << GetParam() << (messages.shown.empty() ? "" : messages.shown[0].text);
    ASSERT_EQ(DibWidth(&back), w);
    ASSERT_EQ(DibHeight(&back), h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        ASSERT_EQ(DibPixelColour(back, x, y), getpixel(picture, x, y)) << GetParam() << " at " << x << "," << y;
    ReleaseDib(&back);
    ReleaseDib(&picture);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessRoundTrip,
                         ::testing::Values(".bmp", ".dib", ".gif", ".iff", ".lbm", ".pcx", ".rle", ".tga", ".tif",
                                           ".jp2", ".png"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param + 1);
                         });

TEST(PictureWriter, PngBytesDoNotDependOnTheThreadsAndAStoppedWriteLeavesTheFile) {
  dib picture = Picture(37, 150);
  std::vector<uint8_t> one, three;
  ASSERT_TRUE(EncodePng(picture, &one, 1));
  ASSERT_TRUE(EncodePng(picture, &three, 3));
  EXPECT_EQ(one, three);

  TempFolder folder;
  const std::string path = folder.Write("old.png", {'o', 'l', 'd'});
  struct Stop final : Progress {
    bool Report(double) override { return false; }
  } stop;
  EXPECT_TRUE(WritePictureFile(picture, path, &stop).stopped());
  EXPECT_EQ(std::filesystem::file_size(path), 3u);
  ReleaseDib(&picture);
}

// A 1-bit picture is written at 1 bit a pixel: in PNG grey when its colours
// are black and white (either way round), else with its two colours'
// palette; in TIFF fax-coded when they are black and white. It reads back
// the same whatever its width's bits past a whole byte hold.
TEST(PictureWriter, OneBitPicturesStayAtOneBit) {
  const struct {
    RgbQuad first, second;
    uint8_t colourType;
  } tables[] = {{{0, 0, 0, 0}, {255, 255, 255, 0}, 0},
                {{255, 255, 255, 0}, {0, 0, 0, 0}, 0},
                {{200, 10, 30, 0}, {0, 90, 255, 0}, 3}};
  for (const auto& t : tables)
    for (const int32_t w : {1, 8, 13, 70}) {
      BitmapInfo colours{};
      colours.bmiColors[0] = t.first;
      colours.bmiColors[1] = t.second;
      dib picture;
      newdib(&picture, w, 130, 1, &colours, 2);
      std::fill(picture.poi, picture.poi + picture.bytew * 130, 0xFF);  // the row's padding set too
      for (int32_t y = 0; y < 130; ++y)
        for (int32_t x = 0; x < w; ++x) setpixel(picture, x, y, (x * 7 + y * y) % 5 < 2 ? 0u : 1u);
      std::vector<uint8_t> png;
      ASSERT_TRUE(EncodePng(picture, &png, 2));
      EXPECT_EQ(png[24], 1) << "bit depth";
      EXPECT_EQ(png[25], t.colourType);
      TempFolder folder;
      const bool blackAndWhite = t.colourType == 0;
      for (const char* name : {"bits.png", "bits.tif"}) {
        const std::string path = folder.Path(name);
        ASSERT_TRUE(WritePictureFile(picture, path).done()) << name;
        if (std::string_view(name).ends_with(".tif")) {
          TIFF* tiff = TIFFOpen(path.c_str(), "r");
          ASSERT_NE(tiff, nullptr);
          uint16_t bits = 0, coding = 0;
          TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
          TIFFGetField(tiff, TIFFTAG_COMPRESSION, &coding);
          TIFFClose(tiff);
          EXPECT_EQ(bits, blackAndWhite ? 1 : 8) << w;
          EXPECT_EQ(coding, blackAndWhite ? COMPRESSION_CCITTFAX4 : COMPRESSION_NONE) << w;
        }
        dib back;
        OpenDib(&back, path.c_str(), 0, nullptr);
        ASSERT_NE(back.poi, nullptr);
        for (int32_t y = 0; y < 130; ++y)
          for (int32_t x = 0; x < w; ++x)
            ASSERT_EQ(DibPixelColour(back, x, y), DibPixelColour(picture, x, y))
                << name << " " << w << " at " << x << "," << y;
        ReleaseDib(&back);
      }
      ReleaseDib(&picture);
    }
}

// A TIFF result of any depth, black and white apart, is the file our own
// writer makes of the same colours at 24 bits, every byte of it written.
TEST(PictureWriter, TiffOfAnyDepthIsWrittenAt24Bits) {
  BitmapInfo colours{};
  for (int i = 0; i < 256; ++i) colours.bmiColors[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0};
  for (const int bits : {1, 4, 8, 16, 32}) {
    dib deep, wide;
    newdib(&deep, 7, 3, bits, bits <= 8 ? &colours : nullptr, bits <= 8 ? 1 << bits : 0);
    newdib(&wide, 7, 3, 24, nullptr, 0);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 7; ++x) {
        setpixel(deep, x, y, static_cast<uint32_t>((x * 37 + y * 101) * 2654435761u) % (bits < 32 ? 1u << bits : ~0u));
        setpixel(wide, x, y, DibPixelColour(deep, x, y));
      }
    std::vector<uint8_t> fromDeep, fromWide;
    ASSERT_TRUE(EncodePicture(deep, PictureFileFormat::Tiff, &fromDeep).done()) << bits;
    ASSERT_TRUE(EncodePicture(wide, PictureFileFormat::Tiff, &fromWide).done());
    EXPECT_EQ(fromDeep, fromWide) << bits << " bits";
    ReleaseDib(&deep);
    ReleaseDib(&wide);
  }
}

TEST(PictureWriter, JpegIsCloseAndFailuresLeaveNoFile) {
  TempFolder folder;
  testing::RecordingMessages messages;
  dib picture = Picture(16, 16);
  const Outcome written = WritePictureFile(picture, folder.Path("p.jpg"));
  ASSERT_TRUE(written.done()) << written.detail;
  dib back;
  OpenDib(&back, folder.Path("p.jpg").c_str(), 0, nullptr);
  ASSERT_NE(back.poi, nullptr);
  ReleaseDib(&back);

  // A failure of the file itself names its problem; the others have none
  // and say why in the writer's words.
  dib empty{};
  std::filesystem::create_directory(folder.Path("dir.png"));
  const struct {
    const dib* picture;
    const char* file;
    FileProblem problem;
    const char* says;
  } failures[] = {
      {&picture, "p.xyz", FileProblem::None, ".xyz"},
      {&empty, "e.png", FileProblem::None, "no picture"},
      {&picture, "missing/p.png", FileProblem::NoSuchFile, "could not be created"},
      {&picture, "dir.png", FileProblem::Folder, ""},
  };
  for (const auto& f : failures) {
    const Outcome refused = WritePictureFile(*f.picture, folder.Path(f.file));
    EXPECT_TRUE(refused.failed()) << f.file;
    EXPECT_EQ(refused.problem, f.problem) << f.file;
    EXPECT_NE(refused.detail.find(f.says), std::string::npos) << f.file << ": " << refused.detail;
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Path("e.png")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path("")), {}), 2);  // only p.jpg and dir.png
  ReleaseDib(&picture);
}

}  // namespace
}  // namespace trellimap
