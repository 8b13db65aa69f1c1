#include "codecs/emf.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/pixmill3.h"
#include "tests/support/emfwriter.h"

namespace trellimap {
namespace {

using testing::EmfWriter;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;  // COLORREF: red in the low byte
constexpr uint32_t kWhite = 0xFFFFFF;

// The 108-byte header. The reference device is 960 × 960 pixels on 254 ×
// 254 mm, that is 96 dots per inch, so with MM_TEXT a logical unit is one
// device pixel. A frame of 6350 × 3175 hundredths of a millimetre is 2.5 ×
// 1.25 inches, 240 × 120 pixels at 96 dots per inch; the bounds of 240 × 120
// device units make the converter's scale exactly 1, so a logical unit is one
// pixel of the picture.
void Header(EmfWriter* w, int32_t frame_right = 6350, int32_t frame_bottom = 3175, int32_t bounds_right = 240,
            int32_t bounds_bottom = 120) {
  w->Begin(1);
  w->Rect(0, 0, bounds_right, bounds_bottom);  // bounds, device units
  w->Rect(0, 0, frame_right, frame_bottom);    // frame, 0.01 mm
  w->U32(0x464D4520);                          // " EMF"
  w->U32(0x10000);                             // version
  w->U32(0);                                   // bytes, records: Finish
  w->U32(0);
  w->U16(8);  // handles
  w->U16(0);
  w->U32(0);  // description: none
  w->U32(0);
  w->U32(0);  // palette entries
  w->I32(960);
  w->I32(960);
  w->I32(254);
  w->I32(254);
  w->U32(0);  // pixel format: none
  w->U32(0);
  w->U32(0);  // no OpenGL
  w->I32(254000);
  w->I32(254000);
  w->End();
}

void Eof(EmfWriter* w) {
  w->Begin(14);
  w->U32(0);
  w->U32(16);
  w->U32(20);
  w->End();
}

void Select(EmfWriter* w, uint32_t handle) {
  w->Begin(37);
  w->U32(handle);
  w->End();
}

void Brush(EmfWriter* w, uint32_t handle, uint32_t colour) {
  w->Begin(39);
  w->U32(handle);
  w->U32(0);  // solid
  w->U32(colour);
  w->U32(0);
  w->End();
  Select(w, handle);
}

void Pen(EmfWriter* w, uint32_t handle, uint32_t colour, int32_t width) {
  w->Begin(38);
  w->U32(handle);
  w->U32(0);  // solid
  w->I32(width);
  w->I32(0);
  w->U32(colour);
  w->End();
  Select(w, handle);
}

void Poly16(EmfWriter* w, uint32_t type, const std::vector<std::pair<int16_t, int16_t>>& points) {
  w->Begin(type);
  w->Rect(0, 0, 240, 120);
  w->U32(static_cast<uint32_t>(points.size()));
  for (auto [x, y] : points) {
    w->U16(static_cast<uint16_t>(x));
    w->U16(static_cast<uint16_t>(y));
  }
  w->End();
}

// A 4 × 4 picture of 24 bits in blocks of 2 × 2, stretched onto 40 × 40
// pixels at (130, 10): top left red, top right green, bottom left blue, bottom
// right black. Each block's middle lies between source pixels of the same
// colour, so smoothing leaves it pure.
void StretchedBitmap(EmfWriter* w) {
  w->Begin(81);
  w->Rect(130, 10, 170, 50);
  w->I32(130);  // destination
  w->I32(10);
  w->I32(0);  // source
  w->I32(0);
  w->I32(4);
  w->I32(4);
  w->U32(80);  // header at 80, 40 bytes
  w->U32(40);
  w->U32(120);  // bits at 120, four rows of 12 bytes
  w->U32(48);
  w->U32(0);           // colours are RGB
  w->U32(0x00CC0020);  // copy
  w->I32(40);
  w->I32(40);
  const uint32_t header[] = {40, 4, 4, 1 | 24u << 16, 0, 48, 0, 0, 0, 0};
  for (uint32_t v : header) w->U32(v);
  const uint8_t blue[] = {255, 0, 0}, black[] = {0, 0, 0}, red[] = {0, 0, 255}, green[] = {0, 255, 0};
  const uint8_t* rows[4][4] = {
      {blue, blue, black, black}, {blue, blue, black, black}, {red, red, green, green}, {red, red, green, green}};
  for (const auto& row : rows) {  // bottom row first
    for (const uint8_t* bgr : row) {
      for (int i = 0; i < 3; ++i) w->Byte(bgr[i]);
    }
  }
  w->End();
}

void Font(EmfWriter* w, uint32_t handle, int32_t height = -40) {
  w->Begin(82);
  w->U32(handle);
  w->I32(height);
  for (int i = 0; i < 3; ++i) w->I32(0);
  w->I32(700);  // bold
  w->U32(0);    // italic, underline, strike-out, character set
  w->U32(0);    // precisions, quality, pitch
  const std::u16string face = u"DejaVu Sans";
  for (size_t i = 0; i < 32; ++i) w->U16(i < face.size() ? face[i] : 0);
  w->End();
  Select(w, handle);
}

// "HH" with its reference point at the top left of (130, 64); `options` as
// the record gives them (0x10: the text is glyph indexes of the font).
void Text(EmfWriter* w, uint32_t options = 0) {
  const std::u16string text = u"HH";
  w->Begin(84);
  w->Rect(130, 64, 200, 110);
  w->U32(1);  // compatible graphics mode
  w->U32(0);  // scales (0.0f)
  w->U32(0);
  w->I32(130);  // reference point
  w->I32(64);
  w->U32(static_cast<uint32_t>(text.size()));
  w->U32(76);  // string offset: right after the fixed fields
  w->U32(options);
  w->Rect(0, 0, -1, -1);
  w->U32(0);  // no spacing array
  for (char16_t c : text) w->U16(c);
  w->End();
}

// Every kind of record the reader is expected to draw, at known places.
std::vector<uint8_t> SampleMetafile(int32_t font_height = -40, uint32_t text_options = 0) {
  EmfWriter w;
  Header(&w);
  w.Begin(17);  // map mode
  w.U32(1);     // MM_TEXT
  w.End();
  Brush(&w, 1, kRed);
  Pen(&w, 2, kRed, 1);
  w.Begin(43);  // rectangle
  w.Rect(10, 10, 60, 50);
  w.End();
  Brush(&w, 3, kBlue);
  Pen(&w, 4, kBlue, 1);
  Poly16(&w, 86, {{70, 10}, {110, 10}, {110, 50}, {70, 50}});
  Pen(&w, 5, kGreen, 4);
  Poly16(&w, 87, {{10, 80}, {110, 80}});
  StretchedBitmap(&w);
  Font(&w, 6, font_height);
  Text(&w, text_options);
  Eof(&w);
  return w.Finish();
}

// A metafile holding only a header and the end record.
std::vector<uint8_t> EmptyMetafile(int32_t frame_right, int32_t frame_bottom, int32_t bounds_right = 240,
                                   int32_t bounds_bottom = 120) {
  EmfWriter w;
  Header(&w, frame_right, frame_bottom, bounds_right, bounds_bottom);
  Eof(&w);
  return w.Finish();
}

// The colour as getpixel packs it, from a COLORREF (the same packing).
uint32_t At(const dib& d, int32_t x, int32_t y) { return getpixel(d, x, y); }

// Each of red, green and blue within `tolerance` of the expected one.
bool Near(uint32_t colour, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    if (std::abs(static_cast<int>(colour >> shift & 0xFF) - static_cast<int>(expected >> shift & 0xFF)) > tolerance)
      return false;
  }
  return true;
}

// Whether `file` was read; a failure names a problem and says why.
bool Decodes(const std::vector<uint8_t>& file, dib* out, std::string* reason) {
  const Outcome read = ReadEmf(file, *out, nullptr);
  EXPECT_EQ(read.failed(), read.problem != FileProblem::None);
  *reason = read.detail;
  return read.done();
}

TEST(EmfTest, RecognisesTheHeaderRecordAndSignature) {
  const std::vector<uint8_t> file = SampleMetafile();
  EXPECT_TRUE(LooksLikeEmf(file.data(), file.size()));
  EXPECT_FALSE(LooksLikeEmf(file.data(), 43));
  EXPECT_FALSE(LooksLikeEmf(nullptr, 0));
  std::vector<uint8_t> other = file;
  other[0] = 2;
  EXPECT_FALSE(LooksLikeEmf(other.data(), other.size()));
  other = file;
  other[41] = 'X';
  EXPECT_FALSE(LooksLikeEmf(other.data(), other.size()));
}

TEST(EmfTest, DrawsShapesBitmapAndTextAtTheirPlaces) {
  dib d;
  std::string reason;
  ASSERT_TRUE(Decodes(SampleMetafile(), &d, &reason)) << reason;
  EXPECT_EQ(DibWidth(&d), 240);
  EXPECT_EQ(DibHeight(&d), 120);
  EXPECT_EQ(DibBitCount(&d), 24);
  EXPECT_EQ(At(d, 30, 30), kRed);    // inside the rectangle
  EXPECT_EQ(At(d, 5, 5), kWhite);    // outside everything
  EXPECT_EQ(At(d, 64, 30), kWhite);  // between rectangle and polygon
  EXPECT_EQ(At(d, 90, 30), kBlue);   // inside the polygon
  // The one-pixel polyline on y = 80 straddles rows 79 and 80: light green.
  EXPECT_TRUE(Near(At(d, 60, 80), 0x80FF80, 0x10)) << std::hex << At(d, 60, 80);
  EXPECT_EQ(At(d, 60, 90), kWhite);  // below it
  // The bitmap's quarters, 20 pixels each, sampled at their centres.
  EXPECT_TRUE(Near(At(d, 140, 20), kRed, 2)) << std::hex << At(d, 140, 20);
  EXPECT_TRUE(Near(At(d, 160, 20), kGreen, 2)) << std::hex << At(d, 160, 20);
  EXPECT_TRUE(Near(At(d, 140, 40), kBlue, 2)) << std::hex << At(d, 140, 40);
  EXPECT_TRUE(Near(At(d, 160, 40), 0, 2)) << std::hex << At(d, 160, 40);
  EXPECT_EQ(At(d, 200, 30), kWhite);
  // The text leaves dark pixels below its reference point, and only there.
  int dark_in_text = 0, dark_beside = 0;
  for (int32_t y = 60; y < 120; ++y) {
    for (int32_t x = 120; x < 240; ++x) {
      const uint32_t c = At(d, x, y);
      const bool dark = (c & 0xFF) < 128 && (c >> 8 & 0xFF) < 128 && (c >> 16) < 128;
      (x >= 130 && y >= 64 ? dark_in_text : dark_beside) += dark;
    }
  }
  EXPECT_GT(dark_in_text, 50);
  EXPECT_EQ(dark_beside, 0);
  // The bottom row of the buffer is the picture's last row: white.
  EXPECT_EQ(d.poi[0], 0xFF);
  ReleaseDib(&d);
}

// Text sizes near 2^21 pixels and beyond used to abort the renderer; they are
// limited before drawing and the rest of the picture is kept.
TEST(EmfTest, SurvivesHugeAndNegativeFonts) {
  for (int32_t height : {INT32_MIN + 1, -(1 << 30), -70000, 1 << 30, INT32_MAX}) {
    SCOPED_TRACE(height);
    dib d;
    std::string reason;
    ASSERT_TRUE(Decodes(SampleMetafile(height), &d, &reason)) << reason;
    EXPECT_EQ(At(d, 30, 30), kRed);
    ReleaseDib(&d);
  }
}

// For text given by glyph indexes the converter looks up the font's file in
// fontconfig and then ends fontconfig, which aborts the program when others
// still hold its caches: here the renderer, which drew the text before; in the
// window, the window system from the start.
TEST(EmfTest, DrawsTextByGlyphIndexesAfterOtherText) {
  constexpr uint32_t kGlyphIndexes = 0x10;
  for (uint32_t options : {0u, kGlyphIndexes, 0u, kGlyphIndexes}) {
    SCOPED_TRACE(options);
    dib d;
    std::string reason;
    ASSERT_TRUE(Decodes(SampleMetafile(-40, options), &d, &reason)) << reason;
    EXPECT_EQ(At(d, 30, 30), kRed);
    ReleaseDib(&d);
  }
}

// A program that set a locale writing decimal commas still gets its pictures.
TEST(EmfTest, DrawsTheSameUnderADecimalCommaLocale) {
  const std::string before = setlocale(LC_ALL, nullptr);
  if (setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
    GTEST_SKIP() << "no decimal-comma locale installed";
  }
  dib d;
  std::string reason;
  const bool ok = Decodes(SampleMetafile(), &d, &reason);
  setlocale(LC_ALL, before.c_str());
  ASSERT_TRUE(ok) << reason;
  EXPECT_EQ(At(d, 30, 30), kRed);
  EXPECT_TRUE(Near(At(d, 140, 20), kRed, 2));
  ReleaseDib(&d);
}

struct FrameCase {
  int32_t right, bottom;
  int32_t width, height;
};

class EmfFrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(EmfFrameTest, FrameGivesThePictureSizeAt96DotsPerInch) {
  const FrameCase c = GetParam();
  dib d;
  std::string reason;
  ASSERT_TRUE(Decodes(EmptyMetafile(c.right, c.bottom), &d, &reason)) << reason;
  EXPECT_EQ(DibWidth(&d), c.width);
  EXPECT_EQ(DibHeight(&d), c.height);
  EXPECT_EQ(At(d, c.width / 2, c.height / 2), kWhite);
  ReleaseDib(&d);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EmfFrameTest,
                         ::testing::Values(FrameCase{6350, 3175, 240, 120},  // exact
                                           FrameCase{2540, 2540, 96, 96},    // one inch
                                           FrameCase{40, 13, 2, 1},          // 1.51 and 0.49 pixels, rounded
                                           FrameCase{1, 1, 1, 1},            // never below one pixel
                                           // 96000 × 48000 pixels, halved twice and then some to fit 16000
                                           FrameCase{2540000, 1270000, 16000, 8000},
                                           FrameCase{1270000, 2540000, 8000, 16000},
                                           // the widest frame the fields hold; its height shrinks to a pixel
                                           FrameCase{INT32_MAX, 1000, 16000, 1}));

TEST(EmfTest, EmptyBoundsGiveAWhitePicture) {
  dib d;
  std::string reason;
  ASSERT_TRUE(Decodes(EmptyMetafile(6350, 3175, -1, -1), &d, &reason)) << reason;
  EXPECT_EQ(DibWidth(&d), 240);
  EXPECT_EQ(At(d, 0, 0), kWhite);
  EXPECT_EQ(At(d, 239, 119), kWhite);
  ReleaseDib(&d);
}

TEST(EmfTest, ToleratesAMissingEndRecordAndAShortByteCount) {
  std::vector<uint8_t> file = SampleMetafile();
  file.resize(file.size() - 20);  // drop the end record, keep the byte count honest
  std::memcpy(file.data() + 48, "\0\0\0\0", 4);
  dib d;
  std::string reason;
  ASSERT_TRUE(Decodes(file, &d, &reason)) << reason;
  EXPECT_EQ(At(d, 30, 30), kRed);
  ReleaseDib(&d);
}

void ExpectRefused(const std::vector<uint8_t>& file, const std::string& reason_part) {
  dib d;
  std::memset(&d, 0xAB, sizeof d);
  std::string reason;
  EXPECT_FALSE(Decodes(file, &d, &reason));
  EXPECT_EQ(d.poi, nullptr);
  EXPECT_EQ(d.pmi, nullptr);
  EXPECT_NE(reason.find(reason_part), std::string::npos) << reason;
}

TEST(EmfTest, RefusesEveryPrefixOfAFile) {
  const std::vector<uint8_t> file = SampleMetafile();
  for (size_t n = 0; n < file.size(); ++n) {
    SCOPED_TRACE(n);
    ExpectRefused(std::vector<uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n)), "");
  }
}

struct Damage {
  const char* name;
  size_t offset;  // into the sample file
  uint32_t value;
  const char* reason_part;
};

class EmfDamageTest : public ::testing::TestWithParam<Damage> {};

// The sample's records: header (108 bytes), map mode at 108 (12), brush at
// 120 (24); the end record takes the last 20 bytes.
TEST_P(EmfDamageTest, RefusesLyingSizes) {
  const Damage c = GetParam();
  std::vector<uint8_t> file = SampleMetafile();
  const size_t at = c.offset == SIZE_MAX ? file.size() - 16 : c.offset;
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(c.value >> (8 * i));
  ExpectRefused(file, c.reason_part);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, EmfDamageTest,
    ::testing::Values(Damage{"HeaderTooSmall", 4, 84, "damaged"}, Damage{"HeaderNotWords", 4, 110, "damaged"},
                      Damage{"HeaderPastEnd", 4, 0x7FFFFFF0, "truncated"},
                      Damage{"BytesPastEnd", 48, 1u << 20, "truncated"},
                      Damage{"DescriptionOutside", 60, 4, "description"},
                      Damage{"PixelFormatOutside", 88, 64, "pixel format"}, Damage{"RecordSizeZero", 112, 0, "damaged"},
                      Damage{"RecordSizeFour", 112, 4, "damaged"}, Damage{"RecordSizeOdd", 112, 14, "damaged"},
                      Damage{"RecordPastEnd", 112, 0xFFFFFFFC, "truncated"},
                      Damage{"LastRecordOneWordPastEnd", SIZE_MAX, 24, "truncated"},
                      Damage{"EndRecordTooShort", SIZE_MAX, 8, "end record"},
                      Damage{"FrameInverted", 32, static_cast<uint32_t>(-100), "frame"},
                      Damage{"FrameEmpty", 36, 0, "frame"}, Damage{"BoundsBeyond32Bits", 8, 0x80000000, "bounds"}),
    [](const ::testing::TestParamInfo<Damage>& p) { return std::string(p.param.name); });

TEST(EmfTest, RefusesOtherFilesAndTrailingPartRecords) {
  ExpectRefused(std::vector<uint8_t>(200, 0), "not an enhanced metafile");
  std::vector<uint8_t> file = EmptyMetafile(6350, 3175);
  file.resize(file.size() - 20);
  file.resize(file.size() + 4, 0);  // half a record header where the end record was
  std::memcpy(file.data() + 48, "\0\0\0\0", 4);
  ExpectRefused(file, "truncated");
}

// Damaged records inside a well-framed file: the converter and the renderer
// may draw anything or fail, but must not crash or leak.
TEST(EmfTest, SurvivesScrambledRecordContents) {
  const std::vector<uint8_t> sample = SampleMetafile();
  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> file = sample;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) {
      file[108 + random() % (file.size() - 108)] = static_cast<uint8_t>(random());
    }
    dib d;
    std::string reason;
    if (Decodes(file, &d, &reason)) {
      EXPECT_GE(DibWidth(&d), 1);
      ReleaseDib(&d);
    } else {
      EXPECT_EQ(d.poi, nullptr);
      EXPECT_FALSE(reason.empty());
    }
  }
}

}  // namespace
}  // namespace trellimap
