#include "codecs/jpeg2000.h"

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "foundation/filebytes.h"
#include "image/pixmill3.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

// One component of a picture made by OpenJPEG's own encoder.
struct Plane {
  std::vector<int32_t> samples;  // rows of ceil(width / dx) samples
  uint32_t prec = 8;
  bool sgnd = false;
  uint32_t dx = 1, dy = 1;
  bool alpha = false;
};

// `planes` encoded losslessly by OpenJPEG itself into a file, independently of
// the code under test, as a JP2 file or a bare codestream.
std::vector<uint8_t> LibraryEncode(int width, int height, const std::vector<Plane>& planes, OPJ_CODEC_FORMAT format,
                                   OPJ_COLOR_SPACE space = OPJ_CLRSPC_SRGB) {
  std::vector<opj_image_cmptparm_t> parts(planes.size());  // zero-filled
  for (size_t i = 0; i < planes.size(); ++i) {
    parts[i].dx = planes[i].dx;
    parts[i].dy = planes[i].dy;
    parts[i].w = (width + planes[i].dx - 1) / planes[i].dx;
    parts[i].h = (height + planes[i].dy - 1) / planes[i].dy;
    parts[i].prec = planes[i].prec;
    parts[i].sgnd = planes[i].sgnd;
  }
  opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(planes.size()), parts.data(), space);
  image->x1 = width;
  image->y1 = height;
  for (size_t i = 0; i < planes.size(); ++i) {
    EXPECT_EQ(planes[i].samples.size(), size_t{parts[i].w} * parts[i].h);
    std::copy_n(planes[i].samples.begin(), std::min(planes[i].samples.size(), size_t{parts[i].w} * parts[i].h),
                image->comps[i].data);
    image->comps[i].alpha = planes[i].alpha;
  }
  opj_cparameters_t parameters;
  opj_set_default_encoder_parameters(&parameters);
  parameters.tcp_numlayers = 1;
  parameters.cp_disto_alloc = 1;
  parameters.numresolution = 1;
  opj_codec_t* codec = opj_create_compress(format);
  testing::TempFolder folder;
  opj_stream_t* stream = opj_stream_create_default_file_stream(folder.Path("p").c_str(), OPJ_FALSE);
  const bool ok = opj_setup_encoder(codec, &parameters, image) && opj_start_compress(codec, image, stream) &&
                  opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  std::vector<uint8_t> bytes;
  std::string why;
  EXPECT_TRUE(ok && ReadFileBytes(folder.Path("p"), 1 << 20, &bytes, &why)) << why;
  return bytes;
}

void Put(std::vector<uint8_t>* v, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) v->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> Box(const char* type, const std::vector<uint8_t>& content) {
  std::vector<uint8_t> box;
  Put(&box, static_cast<uint32_t>(content.size() + 8), 4);
  box.insert(box.end(), type, type + 4);
  box.insert(box.end(), content.begin(), content.end());
  return box;
}

// A JP2 file around `codestream` with our own header boxes: `channels` and
// colour space `enumcs` in the header, then `extra` boxes (palette, mapping).
std::vector<uint8_t> Jp2(int width, int height, int channels, uint32_t enumcs, const std::vector<uint8_t>& codestream,
                         const std::vector<uint8_t>& extra = {}) {
  std::vector<uint8_t> ihdr, colr = {1, 0, 0}, ftyp = {'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '};
  Put(&ihdr, height, 4);
  Put(&ihdr, width, 4);
  Put(&ihdr, channels, 2);
  ihdr.insert(ihdr.end(), {7, 7, 0, 0});
  Put(&colr, enumcs, 4);
  std::vector<uint8_t> header = Box("ihdr", ihdr), colour = Box("colr", colr);
  header.insert(header.end(), colour.begin(), colour.end());
  header.insert(header.end(), extra.begin(), extra.end());
  std::vector<uint8_t> file = Box("jP  ", {0x0D, 0x0A, 0x87, 0x0A});
  for (const auto& box : {Box("ftyp", ftyp), Box("jp2h", header), Box("jp2c", codestream)})
    file.insert(file.end(), box.begin(), box.end());
  return file;
}

// A decoding result that releases its picture.
struct Decoded {
  explicit Decoded(const std::vector<uint8_t>& bytes) : outcome(ReadJpeg2000(bytes, picture, nullptr)) {
    ok = outcome.done();
    reason = outcome.detail;
  }
  ~Decoded() {
    if (picture.poi) ReleaseDib(&picture);
  }
  // Red + 256 × green + 65536 × blue at (x, y) from the top.
  uint32_t At(int x, int y) const { return getpixel(picture, x, y); }
  dib picture{};
  Outcome outcome;
  bool ok = false;
  std::string reason;
};

// `bytes` with the big-endian 32-bit `value` written at `at`.
std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  return bytes;
}

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

// Fails cleanly (no picture, a reason) or gives a picture of sane size.
void ExpectCleanResult(const std::vector<uint8_t>& bytes, const std::string& what) {
  const Decoded d(bytes);
  if (d.ok) {
    EXPECT_EQ(DibBitCount(&d.picture), 24) << what;
    EXPECT_GT(DibWidth(&d.picture), 0) << what;
  } else {
    EXPECT_EQ(d.picture.poi, nullptr) << what;
    EXPECT_TRUE(d.outcome.failed()) << what;
    EXPECT_NE(d.outcome.problem, FileProblem::None) << what;
    EXPECT_FALSE(d.reason.empty()) << what;
  }
}

TEST(Jpeg2000RoundTrip, GivesBackTheColourOfEveryPixelAtAnyDepth) {
  std::mt19937 random(7);
  BitmapInfo colours{};
  for (int i = 0; i < 256; ++i) colours.bmiColors[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0};
  struct Case {
    int w, h, bits;
  };
  for (const Case c : {Case{1, 1, 24}, {7, 5, 24}, {64, 33, 24}, {9, 4, 8}, {9, 4, 1}}) {
    dib picture;
    newdib(&picture, c.w, c.h, c.bits, &colours, 256);
    const uint32_t mask = c.bits == 24 ? 0xFFFFFF : (1u << c.bits) - 1;
    for (int y = 0; y < c.h; ++y)  // noise on the left, a flat area on the right
      for (int x = 0; x < c.w; ++x) setpixel(picture, x, y, x < c.w / 2 ? random() & mask : 0x336699 & mask);
    std::vector<uint8_t> file;
    const Outcome encoded = EncodeJpeg2000(picture, &file, nullptr);
    ASSERT_TRUE(encoded.done()) << encoded.detail;
    ASSERT_GE(file.size(), 12u);
    EXPECT_EQ(std::memcmp(file.data(), "\0\0\0\x0CjP  \r\n\x87\n", 12), 0);
    const Decoded d(file);
    ASSERT_TRUE(d.ok) << d.reason;
    ASSERT_EQ(DibWidth(&d.picture), c.w);
    ASSERT_EQ(DibHeight(&d.picture), c.h);
    for (int y = 0; y < c.h; ++y)
      for (int x = 0; x < c.w; ++x)
        ASSERT_EQ(d.At(x, y), DibPixelColour(picture, x, y)) << c.w << "x" << c.h << "x" << c.bits;
    ReleaseDib(&picture);
  }
  std::vector<uint8_t> file = {1};
  const Outcome refused = EncodeJpeg2000(dib{}, &file, nullptr);
  EXPECT_TRUE(refused.failed());
  EXPECT_TRUE(file.empty());
  EXPECT_FALSE(refused.detail.empty());
}

TEST(Jpeg2000Decode, BareCodestreamGreyAndAlphaFlattenedOntoWhite) {
  const Plane red{{255, 0, 200, 0}}, green{{0, 255, 100, 0}}, blue{{0, 0, 0, 255}};
  const Decoded rgb(LibraryEncode(2, 2, {red, green, blue}, OPJ_CODEC_J2K));
  ASSERT_TRUE(rgb.ok) << rgb.reason;
  EXPECT_EQ(rgb.At(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(rgb.At(0, 1), Rgb(200, 100, 0));
  EXPECT_EQ(rgb.At(1, 1), Rgb(0, 0, 255));

  const Decoded grey(LibraryEncode(2, 1, {Plane{{0, 77}}}, OPJ_CODEC_JP2, OPJ_CLRSPC_GRAY));
  ASSERT_TRUE(grey.ok) << grey.reason;
  EXPECT_EQ(grey.At(0, 0), 0u);
  EXPECT_EQ(grey.At(1, 0), Rgb(77, 77, 77));

  Plane alpha{{0, 255, 128, 51}};
  alpha.alpha = true;
  const Decoded rgba(LibraryEncode(2, 2, {red, green, blue, alpha}, OPJ_CODEC_JP2));
  ASSERT_TRUE(rgba.ok) << rgba.reason;
  EXPECT_EQ(rgba.At(0, 0), Rgb(255, 255, 255));  // transparent
  EXPECT_EQ(rgba.At(1, 0), Rgb(0, 255, 0));      // opaque
  EXPECT_EQ(rgba.At(0, 1), Rgb(227, 177, 127));  // (200, 100, 0) at half
  EXPECT_EQ(rgba.At(1, 1), Rgb(204, 204, 255));  // blue at a fifth

  alpha.samples.resize(2);
  const Decoded greyAlpha(LibraryEncode(2, 1, {Plane{{0, 100}}, alpha}, OPJ_CODEC_JP2, OPJ_CLRSPC_GRAY));
  ASSERT_TRUE(greyAlpha.ok) << greyAlpha.reason;
  EXPECT_EQ(greyAlpha.At(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(greyAlpha.At(1, 0), Rgb(100, 100, 100));
}

TEST(Jpeg2000Decode, OtherPrecisionsAreScaledAndSignedOnesShifted) {
  struct Case {
    uint32_t prec;
    bool sgnd;
    int32_t sample;
    uint32_t grey;
  };
  for (const Case c : {Case{1, false, 1, 255},
                       {4, false, 1, 17},
                       {12, false, 4095, 255},
                       {12, false, 2048, 128},
                       {16, false, 25700, 100},
                       {8, true, -128, 0},
                       {8, true, 0, 128},
                       {8, true, 127, 255}}) {
    const Decoded d(LibraryEncode(1, 1, {Plane{{c.sample}, c.prec, c.sgnd}}, OPJ_CODEC_J2K));
    ASSERT_TRUE(d.ok) << d.reason;
    EXPECT_EQ(d.At(0, 0), Rgb(c.grey, c.grey, c.grey)) << c.prec << " bits, sample " << c.sample;
  }
}

TEST(Jpeg2000Decode, SubsampledYccIsWidenedAndConvertedToRgb) {
  // 5 x 3 luma and 3 x 2 chroma. YCbCr (124, 86, 182) is RGB (200, 100, 50); it
  // fills chroma samples (0, 0) and (2, 1), that is the top-left 2 x 2 block and
  // the bottom-right pixel; the rest is grey.
  Plane y{std::vector<int32_t>(15, 200)}, cb{{86, 128, 128, 128, 128, 86}, 8, false, 2, 2}, cr = cb;
  cr.samples[0] = cr.samples[5] = 182;
  for (const int i : {0, 1, 5, 6, 14}) y.samples[i] = 124;
  for (const OPJ_CODEC_FORMAT format : {OPJ_CODEC_JP2, OPJ_CODEC_J2K}) {
    const Decoded d(LibraryEncode(5, 3, {y, cb, cr}, format, OPJ_CLRSPC_SYCC));
    ASSERT_TRUE(d.ok) << d.reason;
    for (int row = 0; row < 3; ++row)
      for (int x = 0; x < 5; ++x) {
        const bool coloured = (x < 2 && row < 2) || (x == 4 && row == 2);
        EXPECT_EQ(d.At(x, row), coloured ? Rgb(200, 100, 50) : Rgb(200, 200, 200)) << x << "," << row;
      }
  }
}

TEST(Jpeg2000Decode, PaletteIsExpandedAndUnsupportedLayoutsAreRefused) {
  const std::vector<uint8_t> indexes = LibraryEncode(3, 1, {Plane{{0, 1, 2}}}, OPJ_CODEC_J2K);
  const auto palette = [](int channels) {
    std::vector<uint8_t> pclr = {0, 3, static_cast<uint8_t>(channels)}, cmap;
    pclr.insert(pclr.end(), channels, 7);
    for (int entry = 0; entry < 3; ++entry)
      for (int c = 0; c < channels; ++c) pclr.push_back(static_cast<uint8_t>(10 * entry + c + 1));
    for (int c = 0; c < channels; ++c) cmap.insert(cmap.end(), {0, 0, 1, static_cast<uint8_t>(c)});
    std::vector<uint8_t> boxes = Box("pclr", pclr), mapping = Box("cmap", cmap);
    boxes.insert(boxes.end(), mapping.begin(), mapping.end());
    return boxes;
  };
  const Decoded d(Jp2(3, 1, 3, 16, indexes, palette(3)));
  ASSERT_TRUE(d.ok) << d.reason;
  EXPECT_EQ(d.At(0, 0), Rgb(1, 2, 3));
  EXPECT_EQ(d.At(2, 0), Rgb(21, 22, 23));

  const Decoded wide(Jp2(3, 1, 5, 16, indexes, palette(5)));
  EXPECT_FALSE(wide.ok);
  EXPECT_NE(wide.reason.find("5 components"), std::string::npos) << wide.reason;
  // 16384 x 16384 indexes fit the sample budget, their four-channel expansion
  // does not. Cut short, so that only a check before decoding says "too large".
  std::vector<uint8_t> huge(indexes.begin(), indexes.end() - 6);
  for (const size_t at : {8, 12, 24, 28}) huge = Patched(huge, at, 16384);
  const Decoded expanded(Jp2(16384, 16384, 4, 16, huge, palette(4)));
  EXPECT_FALSE(expanded.ok);
  EXPECT_NE(expanded.reason.find("too large"), std::string::npos) << expanded.reason;

  const Plane p{{1, 2}};
  const Decoded five(LibraryEncode(2, 1, {p, p, p, p, p}, OPJ_CODEC_J2K));
  EXPECT_FALSE(five.ok);
  EXPECT_NE(five.reason.find("5 components"), std::string::npos) << five.reason;

  const Decoded cmyk(Jp2(2, 1, 4, 12, LibraryEncode(2, 1, {p, p, p, p}, OPJ_CODEC_J2K)));
  EXPECT_FALSE(cmyk.ok);
  EXPECT_NE(cmyk.reason.find("CMYK"), std::string::npos) << cmyk.reason;
}

class Jpeg2000Damage : public ::testing::Test {
 protected:
  void SetUp() override {
    dib picture;
    newdib(&picture, 8, 8, 24, nullptr, 0);
    std::mt19937 random(3);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) setpixel(picture, x, y, random() & 0xFFFFFF);
    ASSERT_TRUE(EncodeJpeg2000(picture, &jp2, nullptr).done());
    ReleaseDib(&picture);
    codestream = LibraryEncode(64, 64, {Plane{std::vector<int32_t>(64 * 64, 9)}}, OPJ_CODEC_J2K);
  }
  std::vector<uint8_t> jp2, codestream;
};

TEST_F(Jpeg2000Damage, NonsenseAndEveryPrefixFailCleanly) {
  for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, {'a', 'b', 'c'}, {0xFF, 0x4F, 0xFF, 0x51}})
    ExpectCleanResult(bytes, "nonsense");
  for (const auto* file : {&jp2, &codestream})
    for (size_t n = 0; n < file->size(); ++n)
      ExpectCleanResult(std::vector<uint8_t>(file->begin(), file->begin() + n), "prefix " + std::to_string(n));
}

TEST_F(Jpeg2000Damage, RandomByteChangesFailCleanlyOrDecode) {
  std::mt19937 random(20240601);
  for (int round = 0; round < 400; ++round) {
    std::vector<uint8_t> bytes = round % 2 ? jp2 : codestream;
    for (int k = 0, flips = 1 + round % 4; k < flips; ++k)
      bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1 + random() % 255);
    ExpectCleanResult(bytes, "round " + std::to_string(round));
  }
}

TEST_F(Jpeg2000Damage, HeadersClaimingTooMuchAreRefusedBeforeDecoding) {
  const size_t siz = std::search(jp2.begin(), jp2.end(), codestream.begin(), codestream.begin() + 4) - jp2.begin();
  struct Case {
    std::vector<uint8_t> bytes;
    const char* reason;
    FileProblem problem;
  };
  const Case cases[] = {
      {Patched(Patched(codestream, 8, 60000), 12, 60000), "too large", FileProblem::Damaged},
      {Patched(Patched(jp2, siz + 8, 60000), siz + 12, 60000), "too large", FileProblem::Damaged},
      {Patched(codestream, 8, 70000), "out of range", FileProblem::TooLarge},
      {Patched(Patched(codestream, 24, 1), 28, 1), "tiles", FileProblem::Damaged},
      {Patched(codestream, 38, 16384), "16384 components", FileProblem::Damaged},  // YTOsiz stays 0
  };
  for (const Case& c : cases) {
    const Decoded d(c.bytes);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.picture.poi, nullptr);
    EXPECT_NE(d.reason.find(c.reason), std::string::npos) << d.reason;
    EXPECT_EQ(d.outcome.problem, c.problem) << d.reason;
  }
}

}  // namespace
}  // namespace trellimap
