// Every offered picture format opens, with files written by tools that share
// no code with the program (ImageMagick's convert, netpbm) or built byte by
// byte here, and a damaged file of each gives one clear message.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "codecs/pictureopening.h"
#include "image/pixmill3.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::TempFolder;

constexpr int kW = 23, kH = 17;

// 16 colours in blocks, so paletted encodings are lossless too.
uint32_t Colour(int x, int y) {
  const int i = (x / 3 + y / 3 * 8) % 16;
  return static_cast<uint32_t>((i * 16) | ((255 - i * 13) << 8) | ((i * 5 % 256) << 16));
}

struct Case {
  const char* name;
  const char* file;     // the name written, its extension as a user's
  const char* command;  // {in} and {out} are replaced; empty: built by the test
  bool exact;           // lossless: every pixel equals the source
};

class FormatMatrix : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    std::ofstream ppm(folder_->Path("source.ppm"), std::ios::binary);
    ppm << "P6\n" << kW << " " << kH << "\n255\n";
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const uint32_t c = Colour(x, y);
        ppm.put(static_cast<char>(c & 0xFF)).put(static_cast<char>(c >> 8 & 0xFF)).put(static_cast<char>(c >> 16));
      }
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::string Make(const Case& c) {
    std::string command = c.command;
    const std::string out = folder_->Path(c.file);
    for (const auto& [key, value] :
         {std::pair<std::string, std::string>{"{in}", folder_->Path("source.ppm")}, {"{out}", out}})
      for (size_t at; (at = command.find(key)) != std::string::npos;)
        command.replace(at, key.size(), "'" + value + "'");
    EXPECT_EQ(std::system((command + " 2>/dev/null").c_str()), 0) << command;
    return out;
  }
  static TempFolder* folder_;
};
TempFolder* FormatMatrix::folder_ = nullptr;

TEST_P(FormatMatrix, OpensWithItsPixels) {
  const Case& c = GetParam();
  const std::string path = Make(c);
  testing::RecordingMessages messages;
  dib d;
  OpenDib(&d, path.c_str(), 0, nullptr);
  ASSERT_NE(d.poi, nullptr) << (messages.shown.empty() ? "" : messages.shown[0].text);
  EXPECT_EQ(DibWidth(&d), kW);
  EXPECT_EQ(DibHeight(&d), kH);
  int64_t error = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint32_t got = DibPixelColour(d, x, y), want = Colour(x, y);
      for (int shift = 0; shift < 24; shift += 8)
        error += std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF));
      if (c.exact) {
        ASSERT_EQ(got, want) << c.name << " at " << x << "," << y;
      }
    }
  EXPECT_LT(error / (kW * kH * 3), 24) << c.name;  // lossy encodings stay close
  ReleaseDib(&d);

  // The same file cut in half, and with its first bytes spoilt, is refused with one message.
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  for (const bool cut : {true, false}) {
    std::vector<uint8_t> bad = bytes;
    if (cut)
      bad.resize(bad.size() / 2);
    else
      for (size_t i = 0; i < 40 && i < bad.size(); ++i) bad[i] = static_cast<uint8_t>(bad[i] ^ 0xA5);
    const std::string damaged = folder_->Write(std::string("damaged-") + c.file, bad);
    testing::RecordingMessages refused;
    OpenDib(&d, damaged.c_str(), 0, nullptr);
    EXPECT_EQ(d.poi, nullptr) << c.name << (cut ? " cut" : " spoilt");
    EXPECT_EQ(refused.shown.size(), 1u) << c.name;
    if (d.poi) ReleaseDib(&d);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, FormatMatrix,
    ::testing::Values(Case{"bmp24", "rgb.bmp", "convert {in} -type TrueColor BMP3:{out}", true},
                      Case{"bmp8", "pal8.bmp", "convert {in} -type Palette -depth 8 BMP3:{out}", true},
                      Case{"bmp4", "pal4.bmp", "convert {in} -colors 16 -type Palette BMP3:{out}", true},
                      Case{"bmp rle8", "rle8.rle", "convert {in} -type Palette -compress RLE BMP3:{out}", true},
                      Case{"os2 bmp", "os2.bmp", "convert {in} BMP2:{out}", true},
                      Case{"dib", "rgb.dib", "convert {in} -type TrueColor BMP3:{out}", true},
                      Case{"gif", "pal.gif", "convert {in} {out}", true},
                      Case{"jpeg", "photo.jpg", "convert {in} -quality 95 {out}", false},
                      Case{"jpeg progressive", "photo.jif", "convert {in} -quality 95 -interlace JPEG JPEG:{out}",
                           false},
                      Case{"jpeg cmyk", "cmyk.jpg", "convert {in} -colorspace CMYK -quality 95 {out}", false},
                      Case{"pcx 24", "rgb.pcx", "ppmtopcx -24bit {in} > {out}", true},
                      Case{"pcx 8", "pal8.pcx", "ppmtopcx -8bit {in} > {out}", true},
                      Case{"pcx 4", "pal4.pcx", "convert {in} -colors 16 -type Palette PCX:{out}", true},
                      Case{"tga", "rgb.tga", "pamtotga -rgb -norle {in} > {out}", true},
                      Case{"tga rle", "rle.tga", "pamtotga -rgb {in} > {out}", true},
                      Case{"tga colour map", "pal.tga", "pamtotga -cmap {in} > {out}", true},
                      Case{"tiff rgb", "rgb.tif", "convert {in} -type TrueColor {out}", true},
                      Case{"tiff palette", "pal.tif", "convert {in} -type Palette {out}", true},
                      Case{"tiff 16", "deep.tif", "convert {in} -depth 16 {out}", true},
                      Case{"png palette", "pal.png", "convert {in} PNG8:{out}", true},
                      Case{"png 16", "deep.png", "convert {in} -depth 16 PNG48:{out}", true},
                      Case{"png alpha", "alpha.png", "convert {in} -alpha on PNG32:{out}", true},
                      Case{"jpeg 2000", "picture.jp2", "convert {in} -quality 100 {out}", false},
                      Case{"ilbm 24", "deep.iff", "ppmtoilbm -24force {in} > {out}", true},
                      Case{"ilbm colour map", "pal.lbm", "ppmtoilbm {in} > {out}", true}),
    [](const ::testing::TestParamInfo<Case>& param) {
      std::string name = param.param.name;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// Small files whose variants the outside tools do not write.
class HandMadeFormats : public ::testing::Test {
 protected:
  TempFolder folder;
  testing::RecordingMessages messages;
};

std::vector<uint8_t> Targa(bool topDown, bool rle) {
  std::vector<uint8_t> t = {0, 0,  static_cast<uint8_t>(rle ? 10 : 2),      0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2,
                            0, 24, static_cast<uint8_t>(topDown ? 0x20 : 0)};
  // Rows as stored: the first row is the top one in a top-down file.
  const uint32_t rows[2][3] = {{0x0000FF, 0x00FF00, 0xFF0000}, {0xFFFFFF, 0x000000, 0x808080}};
  for (int r = 0; r < 2; ++r) {
    if (rle) t.push_back(2);  // a raw packet of three pixels
    for (uint32_t c : rows[r]) t.insert(t.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  }
  return t;
}

TEST_F(HandMadeFormats, TargaRowsFollowTheirOrientation) {
  for (const bool topDown : {false, true})
    for (const bool rle : {false, true}) {
      dib d;
      const std::string path = folder.Write("t.tga", Targa(topDown, rle));
      OpenDib(&d, path.c_str(), 0, nullptr);
      ASSERT_NE(d.poi, nullptr);
      EXPECT_EQ(getpixel(d, 0, topDown ? 0 : 1), 0x0000FFu) << topDown << rle;
      EXPECT_EQ(getpixel(d, 2, topDown ? 1 : 0), 0x808080u) << topDown << rle;
      ReleaseDib(&d);
    }
}

TEST_F(HandMadeFormats, Rle4BitmapsDecode) {
  // 4 × 2 pixels, 4-bit RLE: a run of 4 × index 1 on the bottom row, then
  // an absolute run 2,3,2,3 on the top row.
  const std::vector<uint8_t> data = {4, 0x11, 0, 0, 0, 4, 0x23, 0x23, 0, 0, 0, 1};
  std::vector<uint8_t> b = {'B', 'M'};
  auto put32 = [&b](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  const uint32_t offset = 14 + 40 + 16 * 4;
  put32(offset + static_cast<uint32_t>(data.size()));
  put32(0);
  put32(offset);
  put32(40);
  put32(4);
  put32(2);
  b.insert(b.end(), {1, 0, 4, 0});
  put32(2);  // RLE4
  put32(static_cast<uint32_t>(data.size()));
  put32(0);
  put32(0);
  put32(16);
  put32(0);
  for (int i = 0; i < 16; ++i) b.insert(b.end(), {uint8_t(i * 16), uint8_t(i * 8), uint8_t(i), 0});
  b.insert(b.end(), data.begin(), data.end());
  dib d;
  const std::string path = folder.Write("r.rle", b);
  OpenDib(&d, path.c_str(), 0, nullptr);
  ASSERT_NE(d.poi, nullptr) << (messages.shown.empty() ? "" : messages.shown[0].text);
  EXPECT_EQ(DibPixelColour(d, 0, 1), 0x100801u);  // bottom row, index 1: red 1, green 8, blue 16
  EXPECT_EQ(DibPixelColour(d, 1, 0), 0x301803u);  // top row, index 3
  ReleaseDib(&d);
}

TEST_F(HandMadeFormats, TransparentGifFlattensOntoWhiteAndTakesTheFirstFrame) {
  TempFolder& f = folder;
  ASSERT_EQ(std::system(("convert -size 4x3 xc:red -fill blue -draw 'point 1,1' -transparent blue '" + f.Path("a.gif") +
                         "' && convert -size 4x3 xc:green '" + f.Path("b.gif") + "' && convert '" + f.Path("a.gif") +
                         "' '" + f.Path("b.gif") + "' '" + f.Path("anim.gif") + "' 2>/dev/null")
                            .c_str()),
            0);
  dib d;
  OpenDib(&d, f.Path("anim.gif").c_str(), 0, nullptr);
  ASSERT_NE(d.poi, nullptr);
  EXPECT_EQ(DibPixelColour(d, 0, 0), 0x0000FFu);  // red from the first frame
  EXPECT_EQ(DibPixelColour(d, 1, 1), 0xFFFFFFu);  // transparent: white
  ReleaseDib(&d);
}

TEST_F(HandMadeFormats, BilevelAndGreyFilesOpen) {
  const std::string halves = "convert -size 9x5 xc:white -fill black -draw 'rectangle 0,0 3,4' -type Bilevel ";
  const std::string ppm = folder.Path("bw.ppm");
  for (const auto& [command, name] :
       {std::pair{halves + "BMP3:", "bw.bmp"}, {halves + "PPM:", "bw.ppm"}, {"ppmtopcx '" + ppm + "' >", "bw.pcx"}}) {
    const std::string out = folder.Path(name);
    ASSERT_EQ(std::system((command + "'" + out + "' 2>/dev/null").c_str()), 0);
    if (out == ppm) continue;  // the source of the PCX file
    dib d;
    OpenDib(&d, out.c_str(), 0, nullptr);
    ASSERT_NE(d.poi, nullptr) << name;
    EXPECT_EQ(DibBitCount(&d), 1) << name;
    EXPECT_EQ(DibPixelColour(d, 0, 0), 0u) << name;
    EXPECT_EQ(DibPixelColour(d, 8, 0), 0xFFFFFFu) << name;
    ReleaseDib(&d);
  }
  const std::string grey = folder.Path("grey.jpg");
  ASSERT_EQ(std::system(("convert -size 16x8 gradient:black-white -quality 95 '" + grey + "'").c_str()), 0);
  dib d;
  OpenDib(&d, grey.c_str(), 0, nullptr);
  ASSERT_NE(d.poi, nullptr);
  EXPECT_EQ(DibBitCount(&d), 24);
  for (int y = 0; y < 8; ++y) {
    const uint32_t c = DibPixelColour(d, 5, y);
    EXPECT_EQ(c & 0xFF, c >> 8 & 0xFF);
    EXPECT_EQ(c & 0xFF, c >> 16);
  }
  ReleaseDib(&d);
}

TEST_F(HandMadeFormats, DamagedMetafilesGetAClearMessage) {
  std::vector<uint8_t> emf(88, 0);
  emf[0] = 1;
  emf[40] = ' ';
  emf[41] = 'E';
  emf[42] = 'M';
  emf[43] = 'F';
  dib d;
  const std::string path = folder.Write("drawing.emf", emf);
  OpenDib(&d, path.c_str(), 0, nullptr);
  EXPECT_EQ(d.poi, nullptr);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].text.find("drawing.emf"), std::string::npos);
}

}  // namespace
}  // namespace trellimap
