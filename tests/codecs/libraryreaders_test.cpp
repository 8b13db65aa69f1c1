// The readers over the formats' own libraries (WebP, HEIF, AVIF, JPEG XL):
// files made by each format's own command-line encoder, read as its own
// decoder reads them; deep samples come to the nearest 8-bit value; damaged,
// disguised and oversized files are refused with one message, the workspace
// untouched.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "codecs/pictureopening.h"
#include "codecs/picturewriter.h"
#include "i18n/plainreasons.h"
#include "image/pixmill3.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::TempFolder;

constexpr int kW = 40, kH = 30;

uint8_t Channel(int x, int y, int c) { return static_cast<uint8_t>((x * 6 + y * 3 + c * 85 + (x * y % 7) * 9) % 256); }

// Alpha across the picture: wholly transparent, half and opaque columns.
uint8_t Alpha(int x, int) { return static_cast<uint8_t>(x < 4 ? 0 : x >= 36 ? 255 : x * 6); }

// A 10-bit value for each of the 32 × 32 pixels of the deep sources.
uint32_t Deep(int i, int c) { return static_cast<uint32_t>(c == 0 ? i : c == 1 ? 1023 - i : i * 7 % 1024); }

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A PPM or PAM file: its samples, red, green, blue (and alpha) in turn.
struct Netpbm {
  int w = 0, h = 0, depth = 0;
  uint32_t max = 0;
  std::vector<uint32_t> samples;
  uint32_t At(int x, int y, int c) const { return samples[(static_cast<size_t>(y) * w + x) * depth + c]; }
};

Netpbm ReadNetpbm(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadAll(path);
  std::string text(bytes.begin(), bytes.end());
  Netpbm p;
  size_t at = 0;
  if (text.starts_with("P6")) {
    std::istringstream header(text.substr(0, 64));
    std::string magic;
    header >> magic >> p.w >> p.h >> p.max;
    p.depth = 3;
    at = static_cast<size_t>(header.tellg()) + 1;
  } else {
    at = text.find("ENDHDR\n") + 7;
    std::istringstream header(text.substr(0, at));
    for (std::string key; header >> key;) {
      if (key == "WIDTH") header >> p.w;
      if (key == "HEIGHT") header >> p.h;
      if (key == "DEPTH") header >> p.depth;
      if (key == "MAXVAL") header >> p.max;
    }
  }
  const size_t bytesPer = p.max > 255 ? 2 : 1;
  for (size_t i = at; i + bytesPer <= bytes.size(); i += bytesPer)
    p.samples.push_back(bytesPer == 1 ? bytes[i] : uint32_t{bytes[i]} << 8 | bytes[i + 1]);
  return p;
}

// The reference's pixel as a picture of ours holds it: scaled to the nearest
// 8-bit value, alpha laid onto white.
uint32_t Expected(const Netpbm& p, int x, int y) {
  uint32_t colour = 0;
  for (int c = 0; c < 3; ++c) {
    const double v = p.At(x, y, c) / double(p.max), a = p.depth == 4 ? p.At(x, y, 3) / double(p.max) : 1;
    colour |= static_cast<uint32_t>(std::lround((v * a + 1 - a) * 255)) << (8 * c);
  }
  return colour;
}

struct Case {
  const char* name;
  const char* file;
  const char* make;       // {src}, {alpha}, {deep}, {other} are the sources, {out} the file
  const char* reference;  // writes {ref}.png from {out}
  int tolerance;          // levels each channel may differ by
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ToolMade : public ::testing::TestWithParam<Case> {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    std::ofstream ppm(folder_->Path("src.ppm"), std::ios::binary), pgm(folder_->Path("alpha.pgm"), std::ios::binary);
    std::ofstream deep(folder_->Path("deep.ppm"), std::ios::binary);
    ppm << "P6\n" << kW << " " << kH << "\n255\n";
    pgm << "P5\n" << kW << " " << kH << "\n255\n";
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        for (int c = 0; c < 3; ++c) ppm.put(static_cast<char>(Channel(x, y, c)));
        pgm.put(static_cast<char>(Alpha(x, y)));
      }
    // 16-bit samples whose top 10 bits and nearest 10-bit value are both the 10-bit value.
    deep << "P6\n32 32\n65535\n";
    for (int i = 0; i < 1024; ++i)
      for (int c = 0; c < 3; ++c) {
        const auto v = static_cast<uint32_t>(std::lround(Deep(i, c) * 65535.0 / 1023));
        deep.put(static_cast<char>(v >> 8)).put(static_cast<char>(v & 0xFF));
      }
    ppm.close(), pgm.close(), deep.close();
    Run("pnmtopng {src}.ppm > {src}.png && pnmtopng -alpha={alpha}.pgm {src}.ppm > {alpha}.png && "
        "pnminvert {src}.ppm | pnmtopng > {other}.png && pnmtopng {deep}.ppm > {deep}.png");
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  // Runs `command` with the names put in; true when it succeeded.
  static bool Run(std::string command, const std::string& file = "") {
    for (const auto& [key, value] :
         std::initializer_list<std::pair<std::string, std::string>>{{"{src}", "src"},
                                                                    {"{alpha}", "alpha"},
                                                                    {"{deep}", "deep"},
                                                                    {"{other}", "other"},
                                                                    {"{out}", file},
                                                                    {"{ref}", file + ".ref"}})
      for (size_t at; (at = command.find(key)) != std::string::npos;)
        command.replace(at, key.size(), "'" + folder_->Path(value) + "'");
    return std::system(("cd '" + folder_->Path("") + "' && (" + command + ") >/dev/null 2>&1").c_str()) == 0;
  }
  static TempFolder* folder_;
  testing::RecordingMessages messages;
};
TempFolder* ToolMade::folder_ = nullptr;

TEST_P(ToolMade, ReadsAsTheFormatsOwnDecoderDoes) {
  const Case& c = GetParam();
  if (*c.make != 0) {
    ASSERT_TRUE(Run(c.make, c.file)) << c.make;
  } else {  // written by the program itself
    dib source;
    OpenDib(&source, folder_->Path("src.png").c_str(), 0, nullptr);
    const Outcome written = WritePictureFile(source, folder_->Path(c.file));
    ASSERT_TRUE(written.done()) << written.detail;
    ReleaseDib(&source);
    // At quality 90, as the format's own encoder writes it.
    ASSERT_TRUE(Run("cwebp -q 90 {src}.png -o {out}", "cwebp.webp"));
    EXPECT_EQ(ReadAll(folder_->Path(c.file)), ReadAll(folder_->Path("cwebp.webp")));
  }
  ASSERT_TRUE(Run(std::string(c.reference) + " && pngtopam -alphapam {ref}.png > {ref}.pam", c.file)) << c.reference;
  const Netpbm reference = ReadNetpbm(folder_->Path(std::string(c.file) + ".ref.pam"));
  dib d;
  OpenDib(&d, folder_->Path(c.file).c_str(), 0, nullptr);
  ASSERT_NE(d.poi, nullptr) << (messages.shown.empty() ? "" : messages.shown[0].text);
  ASSERT_EQ(DibWidth(&d), reference.w);
  ASSERT_EQ(DibHeight(&d), reference.h);
  int worst = 0;
  for (int y = 0; y < reference.h; ++y)
    for (int x = 0; x < reference.w; ++x) {
      const uint32_t got = DibPixelColour(d, x, y), want = Expected(reference, x, y);
      for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)));
    }
  EXPECT_LE(worst, c.tolerance);
  ReleaseDib(&d);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
  std::string name = param.param.name;
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(
    WebP, ToolMade,
    ::testing::Values(Case{"lossy", "lossy.webp", "cwebp -q 80 {src}.png -o {out}", "dwebp {out} -o {ref}.png", 0},
                      Case{"lossless", "lossless.webp", "cwebp -lossless {src}.png -o {out}",
                           "dwebp {out} -o {ref}.png", 0},
                      Case{"alpha", "alpha.webp", "cwebp -q 80 {alpha}.png -o {out}", "dwebp {out} -o {ref}.png", 0},
                      Case{"first frame", "anim.webp", "img2webp -lossless {src}.png {other}.png -o {out}",
                           "webpmux -get frame 1 {out} -o {ref}.webp && dwebp {ref}.webp -o {ref}.png", 0},
                      Case{"written by us", "ours.webp", "", "dwebp {out} -o {ref}.png", 0}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Heif, ToolMade,
    ::testing::Values(
        Case{"heic", "p.heic", "heif-enc -q 80 {src}.png -o {out}", "heif-convert {out} {ref}.png", 2},
        Case{"heic alpha", "a.heic", "heif-enc -q 80 {alpha}.png -o {out}", "heif-convert {out} {ref}.png", 2},
        Case{"heic 10 bits", "d.heic", "heif-enc -b 10 -q 90 {deep}.png -o {out}", "heif-convert {out} {ref}.png", 2},
        Case{"avif", "p.avif", "avifenc {src}.png {out}", "avifdec {out} {ref}.png", 2},
        Case{"avif alpha", "a.avif", "avifenc {alpha}.png {out}", "avifdec {out} {ref}.png", 2},
        Case{"avif 10 bits", "d.avif", "avifenc -d 10 {deep}.png {out}", "avifdec -d 16 {out} {ref}.png", 2}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    JpegXl, ToolMade,
    ::testing::Values(Case{"lossless", "p.jxl", "cjxl -d 0 {src}.png {out}", "djxl {out} {ref}.png", 0},
                      Case{"lossy", "l.jxl", "cjxl -d 1 {src}.png {out}", "djxl {out} {ref}.png", 2},
                      Case{"alpha", "a.jxl", "cjxl -d 0 {alpha}.png {out}", "djxl {out} {ref}.png", 0},
                      Case{"16 bits", "d.jxl", "cjxl -d 0 {deep}.png {out}", "djxl {out} {ref}.png", 0}),
    CaseName);

// Samples of more than 8 bits come to the 8-bit value nearest to v × 255 /
// (2^bits − 1), not to their top byte: 10-bit AVIF, 16-bit PNG, TIFF and JPEG XL.
TEST_F(ToolMade, DeepSamplesComeToTheNearestByte) {
  for (const auto& [file, make] : {std::pair{"d16.png", "cp {deep}.png {out}"},
                                   {"d16.tif", "pnmtotiff {deep}.ppm > {out}"},
                                   {"d10.avif", "avifenc -l -d 10 {deep}.png {out}"},
                                   {"d16.jxl", "cjxl -d 0 {deep}.png {out}"}}) {
    ASSERT_TRUE(Run(make, file)) << make;
    dib d;
    OpenDib(&d, folder_->Path(file).c_str(), 0, nullptr);
    ASSERT_NE(d.poi, nullptr) << file;
    for (int i = 0; i < 1024; ++i) {
      uint32_t want = 0;
      for (int c = 0; c < 3; ++c) want |= static_cast<uint32_t>(std::lround(Deep(i, c) * 255.0 / 1023)) << (8 * c);
      ASSERT_EQ(DibPixelColour(d, i % 32, i / 32), want) << file << " at " << i;
    }
    ReleaseDib(&d);
  }
}

// Bad files change nothing: each is refused with one message naming the file
// and the kind of problem, and the picture in place stays; a file whose
// content is another format than its name says is read as what it is.
TEST_F(ToolMade, BadFilesAreRefusedAndDisguisedOnesReadAsWhatTheyAre) {
  ASSERT_TRUE(Run("cwebp -q 80 {src}.png -o {out}", "good.webp") &&
              Run("heif-enc -q 80 {src}.png -o {out}", "good.heic") && Run("avifenc {src}.png {out}", "good.avif") &&
              Run("cjxl -d 1 {src}.png {out}", "good.jxl"));
  const auto file = [&](const char* name) { return ReadAll(folder_->Path(name)); };
  const auto half = [&](const char* name) {
    std::vector<uint8_t> bytes = file(name);
    bytes.resize(bytes.size() / 2);
    return bytes;
  };
  std::vector<uint8_t> chunk = file("good.webp");
  chunk[16] = chunk[17] = chunk[18] = 0xF0;  // the VP8 chunk claims far more bytes than there are
  // An animation's header declaring a canvas of 30000 × 30000 (sides less one, 24 bits each).
  std::vector<uint8_t> huge = {'R', 'I', 'F', 'F', 36, 0,    0, 0, 'W', 'E',  'B',  'P', 'V',  'P',  '8',
                               'X', 10,  0,   0,   0,  0x02, 0, 0, 0,   0x2F, 0x75, 0,   0x2F, 0x75, 0};
  huge.insert(huge.end(), {'A', 'N', 'I', 'M', 6, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    FileProblem problem;  // None: read
  } cases[] = {
      {"cut.heic", half("good.heic"), FileProblem::Damaged}, {"chunk.webp", chunk, FileProblem::Damaged},
      {"cut.jxl", half("good.jxl"), FileProblem::Damaged},   {"huge.webp", huge, FileProblem::TooLarge},
      {"avif.jpg", file("good.avif"), FileProblem::None},
  };
  for (const auto& c : cases) {
    const std::string path = folder_->Write(c.name, c.bytes);
    dib field;
    newdib(&field, 2, 2, 24, nullptr, 0);
    setpixel(field, 1, 1, 0x123456);
    const uint8_t* before = field.poi;
    const bool read = TryToOpenFile(&field, path);
    EXPECT_EQ(read, c.problem == FileProblem::None) << c.name;
    if (read) {
      EXPECT_EQ(DibWidth(&field), kW) << c.name;
      EXPECT_TRUE(messages.shown.empty()) << c.name;
    } else {
      EXPECT_EQ(field.poi, before) << c.name;
      EXPECT_EQ(getpixel(field, 1, 1), 0x123456u) << c.name;
      ASSERT_EQ(messages.shown.size(), 1u) << c.name;
      EXPECT_NE(messages.shown[0].text.find(path), std::string::npos) << messages.shown[0].text;
      EXPECT_NE(messages.shown[0].text.find(PlainReason(c.problem)), std::string::npos) << messages.shown[0].text;
    }
    messages.shown.clear();
    ReleaseDib(&field);
  }
}

}  // namespace
}  // namespace trellimap
