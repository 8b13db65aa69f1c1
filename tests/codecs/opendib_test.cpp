#include <gtest/gtest.h>
#include <magick/api.h>

#include <cerrno>

#include "codecs/codergate.h"
#include "codecs/picturedecoder.h"
#include "codecs/pictureformat.h"
#include "codecs/pictureopening.h"
#include "i18n/plainreasons.h"
#include "image/pixmill3.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::EncodePicture;
using testing::MakeBmp;
using testing::RecordingMessages;
using testing::Rgb;
using testing::Rgba16;
using testing::TempFolder;

class OpenDibTest : public ::testing::Test {
 protected:
  ~OpenDibTest() override {
    if (picture.poi) ReleaseDib(&picture);
  }
  // Opens `path`; expects success and no message.
  void Open(const std::string& path) {
    OpenDib(&picture, path.c_str(), 0, nullptr);
    ASSERT_NE(picture.poi, nullptr) << (messages.shown.empty() ? "" : messages.shown[0].text);
    EXPECT_TRUE(messages.shown.empty());
  }
  // Opens `path`; expects failure with one error message naming the file
  // and, when given, saying `problem` in the user's words.
  void ExpectFailure(const std::string& path, FileProblem problem = FileProblem::None) {
    OpenDib(&picture, path.c_str(), 0, nullptr);
    EXPECT_EQ(picture.poi, nullptr) << path;
    ASSERT_EQ(messages.shown.size(), 1u) << path;
    EXPECT_NE(messages.shown[0].text.find(path), std::string::npos);
    if (problem != FileProblem::None) {
      EXPECT_NE(messages.shown[0].text.find(PlainReason(problem)), std::string::npos) << messages.shown[0].text;
    }
    EXPECT_EQ(messages.shown[0].icon, MsgIcon::Error);
    messages.shown.clear();
  }

  TempFolder folder;
  RecordingMessages messages;
  dib picture{};
};

std::vector<Rgb> Ramp(int n) {
  std::vector<Rgb> palette;
  for (int i = 0; i < n; ++i)
    palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
  return palette;
}

TEST_F(OpenDibTest, PalettedBitmapsKeepTheirDepthIndexesAndColours) {
  for (const int bits : {1, 4, 8}) {
    std::vector<Rgb> palette = Ramp(1 << bits);
    palette[0] = {30, 20, 10};
    const auto index = [bits](int x, int y) { return static_cast<uint32_t>((x * 3 + y) % (1 << bits)); };
    Open(folder.Write("p" + std::to_string(bits) + ".bmp", MakeBmp(7, 3, bits, palette, index)));
    EXPECT_EQ(DibBitCount(&picture), bits);
    EXPECT_EQ(DibWidth(&picture), 7);
    EXPECT_EQ(DibHeight(&picture), 3);
    EXPECT_EQ(picture.pal.rgb0[0][0], 30);  // red, green, blue order
    EXPECT_EQ(picture.pal.rgb0[0][1], 20);
    EXPECT_EQ(picture.pal.rgb0[0][2], 10);
    EXPECT_EQ(picture.pmi->bmiColors[0].rgbBlue, 10);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(getpixel(picture, x, y), index(x, y)) << bits << " bits";
    ReleaseDib(&picture);
  }
}

TEST_F(OpenDibTest, TrueColourBitmapAndPngArriveExactlyAt24Bits) {
  const auto colour = [](int x, int y) { return static_cast<uint32_t>(x * 40 | (y * 50) << 8 | (x + y) * 20 << 16); };
  Open(folder.Write("t.bmp", MakeBmp(5, 4, 24, {}, colour)));
  EXPECT_EQ(DibBitCount(&picture), 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(getpixel(picture, x, y), colour(x, y));
  ReleaseDib(&picture);

  const auto wide = [&](int x, int y) {
    const uint32_t c = colour(x, y);
    return Rgba16{static_cast<uint16_t>((c & 0xFF) * 257), static_cast<uint16_t>((c >> 8 & 0xFF) * 257),
                  static_cast<uint16_t>((c >> 16) * 257), 65535};
  };
  Open(folder.Write("t.png", EncodePicture("PNG", 5, 4, 8, false, wide)));
  EXPECT_EQ(DibBitCount(&picture), 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(getpixel(picture, x, y), colour(x, y));
}

TEST_F(OpenDibTest, PalettedGifComesWithItsColourTable) {
  const Rgba16 colours[3] = {{65535, 0, 0, 65535}, {0, 65535, 0, 65535}, {0, 0, 65535, 65535}};
  Open(folder.Write("p.gif", EncodePicture("GIF", 6, 2, 8, false, [&](int x, int) { return colours[x % 3]; })));
  EXPECT_LE(DibBitCount(&picture), 8);
  EXPECT_EQ(DibPixelColour(picture, 0, 0), 0x0000FFu);
  EXPECT_EQ(DibPixelColour(picture, 1, 1), 0x00FF00u);
  EXPECT_EQ(DibPixelColour(picture, 5, 0), 0xFF0000u);
}

TEST_F(OpenDibTest, SixteenBitChannelsAndAlphaBecome24Bits) {
  Open(folder.Write(
      "deep.png", EncodePicture("PNG", 3, 1, 16, false, [](int x, int) {
        return Rgba16{static_cast<uint16_t>(x == 0 ? 65535 : 0x8080), 0, static_cast<uint16_t>(x * 0x1000), 65535};
      })));
  EXPECT_EQ(DibBitCount(&picture), 24);
  EXPECT_EQ(getpixel(picture, 0, 0), 0x0000FFu);
  EXPECT_EQ(getpixel(picture, 1, 0), 0x100080u);
  ReleaseDib(&picture);

  // Half-transparent black over white is mid grey; fully transparent is white.
  Open(folder.Write("alpha.png", EncodePicture("PNG", 2, 1, 8, true, [](int x, int) {
                      return Rgba16{0, 0, 0, static_cast<uint16_t>(x == 0 ? 0 : 0x8080)};
                    })));
  EXPECT_EQ(DibBitCount(&picture), 24);
  EXPECT_EQ(getpixel(picture, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(getpixel(picture, 1, 0), 0x7F7F7Fu);
}

// A 16- or 32-bit BMP of one row: `header` bytes of information header
// (40, 56, 108 or 124), `compression` 0 (plain) or 3 (bit fields) with
// `masks` (red, green, blue[, alpha]) in the header or after a 40-byte one.
std::vector<uint8_t> TrueColourBmp(int bits, uint32_t header, uint32_t compression, std::vector<uint32_t> masks,
                                   const std::vector<uint32_t>& pixels, bool topDown = false) {
  const auto width = static_cast<uint32_t>(pixels.size());
  const uint32_t stride = (width * bits / 8 + 3) / 4 * 4;
  const uint32_t maskBytes = header == 40 && compression == 3 ? 4 * static_cast<uint32_t>(masks.size()) : 0;
  const uint32_t offset = 14 + header + maskBytes;
  std::vector<uint8_t> b(offset + stride, 0);
  const auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, static_cast<uint32_t>(b.size()), 4);
  put(10, offset, 4);
  put(14, header, 4);
  put(18, width, 4);
  put(22, topDown ? ~0u : 1u, 4);
  put(26, 1, 2);
  put(28, static_cast<uint32_t>(bits), 2);
  put(30, compression, 4);
  masks.resize(header >= 56 ? 4 : masks.size());
  for (size_t i = 0; i < masks.size() && (header > 40 || compression == 3); ++i) put(54 + 4 * i, masks[i], 4);
  for (size_t x = 0; x < pixels.size(); ++x) put(offset + x * (bits / 8), pixels[x], bits / 8);
  return b;
}

struct TrueColourCase {
  const char* name;
  std::vector<uint8_t> file;
  std::vector<uint32_t> expected;  // getpixel values of the row
};

TEST_F(OpenDibTest, SixteenAndThirtyTwoBitBitmapsWidenChannelsAndUseAlphaOnlyWhereDeclared) {
  const std::vector<uint32_t> rgba = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  const TrueColourCase cases[] = {
      {"555 white and 12 in red", TrueColourBmp(16, 40, 0, {}, {0x7FFF, 12 << 10, 0x8000}), {0xFFFFFF, 99, 0}},
      {"565 full green and 25",
       TrueColourBmp(16, 40, 3, {0xF800, 0x07E0, 0x001F}, {0x07E0, 25 << 5, 0xFFFF}),
       {0x00FF00, 101 << 8, 0xFFFFFF}},
      {"1555 with alpha bit",
       TrueColourBmp(16, 56, 3, {0x7C00, 0x03E0, 0x001F, 0x8000}, {0x001F, 0x801F}),
       {0xFFFFFF, 0xFF0000}},
      {"top-down 555", TrueColourBmp(16, 40, 0, {}, {31}, true), {0xFF0000}},
      {"plain 32 with fourth byte 0", TrueColourBmp(32, 40, 0, {}, {0x00102030, 0x00FFFFFF}), {0x302010, 0xFFFFFF}},
      {"plain 32 in a V4 header naming alpha", TrueColourBmp(32, 108, 0, rgba, {0x00102030}), {0x302010}},
      {"bit fields without alpha", TrueColourBmp(32, 40, 3, {0xFF0000, 0xFF00, 0xFF}, {0x00102030}), {0x302010}},
      {"V5 alpha all 0", TrueColourBmp(32, 124, 3, rgba, {0x00102030, 0x00405060}), {0x302010, 0x605040}},
      {"V5 alpha in use",
       TrueColourBmp(32, 124, 3, rgba, {0x80000000, 0xFF102030, 0x00102030}),
       {0x7F7F7F, 0x302010, 0xFFFFFF}},
  };
  for (const TrueColourCase& c : cases) {
    SCOPED_TRACE(c.name);
    Open(folder.Write("t.bmp", c.file));
    ASSERT_EQ(DibBitCount(&picture), 24);
    ASSERT_EQ(DibWidth(&picture), static_cast<int32_t>(c.expected.size()));
    for (size_t x = 0; x < c.expected.size(); ++x)
      EXPECT_EQ(getpixel(picture, static_cast<int32_t>(x), 0), c.expected[x]) << x;
    ReleaseDib(&picture);
  }
  // The same rule for other formats: alpha 0 everywhere is no transparency.
  Open(folder.Write("clear.png", EncodePicture("PNG", 2, 1, 8, true, [](int x, int) {
                      return Rgba16{static_cast<uint16_t>(x * 0x1010), 0x2020, 0x3030, 0};
                    })));
  EXPECT_EQ(getpixel(picture, 1, 0), 0x302010u);
  ReleaseDib(&picture);
  std::vector<uint8_t> cut = TrueColourBmp(16, 40, 0, {}, {1, 2, 3});
  cut.resize(cut.size() - 4);
  ExpectFailure(folder.Write("cut.bmp", cut));
}

TEST_F(OpenDibTest, GreyPicturesBecome24BitsAtTheirShades) {
  Open(folder.Write("grey8.png", testing::MakeGreyPng(4, 1, 8, {{0, 80, 160, 240}})));
  EXPECT_EQ(DibBitCount(&picture), 24);
  EXPECT_EQ(getpixel(picture, 2, 0), 0xA0A0A0u);
  ReleaseDib(&picture);
  Open(folder.Write("grey1.png", testing::MakeGreyPng(8, 1, 1, {{0xAA}})));
  EXPECT_EQ(DibBitCount(&picture), 24);
  EXPECT_EQ(getpixel(picture, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(getpixel(picture, 1, 0), 0u);
}

TEST_F(OpenDibTest, DamagedMissingAndForeignFilesGiveOneClearMessage) {
  std::vector<uint8_t> bmp = MakeBmp(4, 4, 24, {}, [](int, int) { return 0u; });
  std::vector<uint8_t> png = EncodePicture("PNG", 4, 4, 8, false, [](int, int) { return Rgba16{1, 2, 3, 4}; });
  std::vector<uint8_t> gif = EncodePicture("GIF", 4, 4, 8, false, [](int, int) { return Rgba16{1, 2, 3, 4}; });

  std::vector<uint8_t> badBmp = bmp;
  badBmp[14] = 0xEE;  // header size no bitmap uses
  ExpectFailure(folder.Write("bad.bmp", badBmp), FileProblem::Damaged);
  std::vector<uint8_t> hugeBmp = bmp;
  hugeBmp[18] = hugeBmp[19] = hugeBmp[22] = hugeBmp[23] = 0xFF;  // 65535 × 65535 claimed, 48 bytes present
  hugeBmp[20] = hugeBmp[24] = 0x7F;
  ExpectFailure(folder.Write("huge.bmp", hugeBmp));
  ExpectFailure(folder.Write("cut.png", std::vector<uint8_t>(png.begin(), png.begin() + 40)), FileProblem::Damaged);
  std::vector<uint8_t> badPng = png;
  for (size_t i = 16; i < badPng.size(); ++i) badPng[i] ^= 0x5A;
  ExpectFailure(folder.Write("bad.png", badPng), FileProblem::Damaged);
  ExpectFailure(folder.Write("cut.gif", std::vector<uint8_t>(gif.begin(), gif.begin() + 13)), FileProblem::Damaged);
  ExpectFailure(folder.Write("empty.bmp", {}), FileProblem::Empty);
  ExpectFailure(folder.Write("notes.txt", {'h', 'e', 'l', 'l', 'o'}), FileProblem::NotThisFormat);
  ExpectFailure(folder.Write("notes.jpg", {'t', 'h', 'e', ' ', 'e', 'n', 'd'}), FileProblem::NotThisFormat);
  ExpectFailure(folder.Write("notes.png", {'t', 'h', 'e', ' ', 'e', 'n', 'd'}), FileProblem::NotThisFormat);
  ExpectFailure(folder.Path("missing.png"), FileProblem::NoSuchFile);
  ExpectFailure(folder.Path(""), FileProblem::Folder);  // a folder is no picture
}

// The system's error numbers in the user's terms.
TEST(FileProblems, ErrorNumbersInTheUsersTerms) {
  const std::pair<int, FileProblem> cases[] = {{ENOENT, FileProblem::NoSuchFile},  {EACCES, FileProblem::NoPermission},
                                               {EROFS, FileProblem::NoPermission}, {EISDIR, FileProblem::Folder},
                                               {ENOSPC, FileProblem::DiskFull},    {ENOMEM, FileProblem::NoMemory},
                                               {EIO, FileProblem::Other}};
  for (const auto& [code, problem] : cases) EXPECT_EQ(ProblemOfErrno(code), problem) << code;
  EXPECT_EQ(PlainReason(FileProblem::None), "");
  EXPECT_NE(PlainReason(FileProblem::Other), "");
}

TEST(PictureFormat, ContentFirstThenExtension) {
  const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const uint8_t pcx[] = {0x0A, 5, 1, 8};
  const uint8_t nothing[] = {0, 0, 2, 0};
  EXPECT_EQ(DetectPictureFormat(png, sizeof png, "photo.bmp"), PictureFormat::Png);
  EXPECT_EQ(DetectPictureFormat(pcx, sizeof pcx, "x"), PictureFormat::Pcx);
  EXPECT_EQ(DetectPictureFormat(pcx, sizeof pcx, "x.TGA"), PictureFormat::Tga);
  EXPECT_EQ(DetectPictureFormat(nothing, sizeof nothing, "dir.v2/x.TgA"), PictureFormat::Tga);
  EXPECT_EQ(DetectPictureFormat(nothing, sizeof nothing, "dir.tga/x"), PictureFormat::Unknown);
  EXPECT_EQ(DetectPictureFormat(nothing, 0, "a.JIF"), PictureFormat::Jpeg);
  EXPECT_EQ(DetectPictureFormat(reinterpret_cast<const uint8_t*>("BA"), 2, "a.x"), PictureFormat::Bmp);
  // WebP, the brands of ISO media files and both forms of JPEG XL, whatever the name says.
  const std::pair<std::string, PictureFormat> signatures[] = {
      {std::string("RIFF\0\0\0\0WEBPVP8 ", 16), PictureFormat::WebP},
      {std::string("RIFF\0\0\0\0WAVEfmt ", 16), PictureFormat::Unknown},
      {std::string("\0\0\0\x18"
                   "ftypheic",
                   12),
       PictureFormat::Heif},
      {std::string("\0\0\0\x18"
                   "ftypmif1",
                   12),
       PictureFormat::Heif},
      {std::string("\0\0\0\x18"
                   "ftypavis",
                   12),
       PictureFormat::Avif},
      {std::string("\0\0\0\x18"
                   "ftypisom",
                   12),
       PictureFormat::Unknown},
      {std::string("\xFF\x0A\xFA", 3), PictureFormat::JpegXl},
      {std::string("\0\0\0\x0CJXL \r\n\x87\n", 12), PictureFormat::JpegXl},
  };
  for (const auto& [head, format] : signatures)
    EXPECT_EQ(DetectPictureFormat(reinterpret_cast<const uint8_t*>(head.data()), head.size(), "a.jpg"),
              format == PictureFormat::Unknown ? PictureFormat::Jpeg : format)
        << head.substr(4, 8);
}

// The walls around the graphics library, each on its own: foreign coders are
// gone, no program may be started, and sniffing keeps a coder to its own kind.
TEST(CoderGate, OnlyTheChosenCodersRemainAndNoProgramRuns) {
  InitializePictureLibrary();
  ExceptionInfo exception;
  GetExceptionInfo(&exception);
  for (const char* foreign : {"SVG", "PS", "MSL", "PDF", "MNG", "TXT"})
    EXPECT_EQ(GetMagickInfo(foreign, &exception), nullptr) << foreign;
  for (const char* own : {"BMP", "BMP3", "GIF", "JPEG", "PCX", "PNG", "TGA", "TIFF", "WEBP", "HEIC", "AVIF", "JXL"})
    EXPECT_NE(GetMagickInfo(own, &exception), nullptr) << own;
  EXPECT_EQ(MagickConfirmAccess(FileExecuteConfirmAccessMode, "/bin/sh", &exception), MagickFail);
  EXPECT_EQ(MagickConfirmAccess(URLGetHTTPConfirmAccessMode, "http://localhost/", &exception), MagickFail);
  DestroyExceptionInfo(&exception);

  const std::string svg = "<?xml version=\"1.0\"?><svg/>", ps = "%!PS-Adobe-3.0", tga(18, '\0');
  const std::string png = "\x89PNG\r\n\x1a\n";
  const auto bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  std::string found;
  EXPECT_FALSE(CoderMaySee("PCX", bytes(svg), svg.size(), &found));
  EXPECT_EQ(found, "SVG");
  EXPECT_FALSE(CoderMaySee("TGA", bytes(ps), ps.size(), &found));
  EXPECT_FALSE(CoderMaySee("JPEG", bytes(png), png.size(), &found));
  EXPECT_TRUE(CoderMaySee("PNG", bytes(png), png.size(), &found));
  EXPECT_TRUE(CoderMaySee("TGA", bytes(tga), tga.size(), &found));
}

// Reading tells how far the decoding got, and a reading told to stop ends
// without a picture and without a message.
TEST_F(OpenDibTest, ReadingReportsProgressAndStopsWhenAsked) {
  const std::string path = folder.Write("rows.jpg", EncodePicture("JPEG", 40, 200, 8, false, [](int x, int y) {
                                          return Rgba16{static_cast<uint16_t>(x), static_cast<uint16_t>(y), 9, 0};
                                        }));
  struct Answer final : Progress {
    explicit Answer(bool answer) : go(answer) {}
    bool Report(double fraction) override {
      last = fraction;
      ++reports;
      return go;
    }
    bool go;
    double last = 0;
    int reports = 0;
  };
  Answer go(true), stop(false);
  ASSERT_TRUE(ReadPictureFile(path, picture, &go).done());
  EXPECT_GT(go.reports, 1);
  EXPECT_GT(go.last, 0.9);
  ReleaseDib(&picture);
  EXPECT_TRUE(ReadPictureFile(path, picture, &stop).stopped());
  EXPECT_EQ(picture.poi, nullptr);
  EXPECT_EQ(stop.reports, 1);
  EXPECT_TRUE(messages.shown.empty());
}

TEST(TryToOpenFile, ReplacesTheFieldOnlyWhenReadingWorked) {
  testing::TempFolder folder;
  testing::RecordingMessages messages;
  dib field;
  newdib(&field, 320, 200, 24, nullptr, 0);

  TryToOpenFile(&field, folder.Path("missing.bmp"));
  EXPECT_EQ(DibWidth(&field), 320);
  EXPECT_EQ(messages.shown.size(), 1u);

  const std::string path =
      folder.Write("two.bmp", testing::MakeBmp(4, 3, 1, {{255, 0, 0}, {0, 0, 255}}, [](int x, int) { return x & 1u; }));
  TryToOpenFile(&field, path);
  ASSERT_EQ(DibWidth(&field), 4);
  EXPECT_EQ(DibBitCount(&field), 24);
  EXPECT_EQ(getpixel(field, 0, 0), 0x0000FFu);
  EXPECT_EQ(getpixel(field, 1, 2), 0xFF0000u);
  ReleaseDib(&field);
}

}  // namespace
}  // namespace trellimap
