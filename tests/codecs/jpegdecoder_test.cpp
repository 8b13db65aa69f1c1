// Which JPEG files our own reader takes: the streams of plain colours it
// decodes, and those whose header libjpeg cannot read, which it refuses; the
// picture library reads the others.

#include "codecs/jpegdecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// libjpeg's header needs the standard I/O declarations first.
#include <jpeglib.h>

#include "codecs/jpegrestarts.h"
#include "codecs/picturedecoder.h"
#include "image/pixmill3.h"
#include "tests/support/jpegstreams.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::MakeJpeg;

constexpr int kW = 16, kH = 8;

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
  const std::vector<uint8_t> ycbcr = MakeJpeg(JCS_RGB, 3, JCS_YCbCr, kW, kH);
  const Case cases[] = {
      {"grey", MakeJpeg(JCS_GRAYSCALE, 1, JCS_GRAYSCALE, kW, kH), true, true},
      {"YCbCr", ycbcr, true, true},
      {"RGB", MakeJpeg(JCS_RGB, 3, JCS_RGB, kW, kH), true, true},
      {"CMYK", MakeJpeg(JCS_CMYK, 4, JCS_CMYK, kW, kH), false, false},
      {"YCCK", MakeJpeg(JCS_CMYK, 4, JCS_YCCK, kW, kH), false, false},
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

// A stream with a restart marker after every row of blocks is cut nearest
// its middle at a row of blocks and read in two halves at once: the same
// picture, to the last bit, as the stream without markers gives, at every
// reduction, colour smoothed across the cut included.
TEST(JpegRestarts, HalvesReadAsTheWholeStream) {
  struct Stream {
    J_COLOR_SPACE given;
    int components;
    J_COLOR_SPACE stored;
    int width, height;
    bool wholeChroma;
  };
  const Stream streams[] = {
      {JCS_GRAYSCALE, 1, JCS_GRAYSCALE, 40, 64, false}, {JCS_GRAYSCALE, 1, JCS_GRAYSCALE, 33, 71, false},
      {JCS_RGB, 3, JCS_YCbCr, 50, 90, false},           {JCS_RGB, 3, JCS_YCbCr, 48, 37, true},
      {JCS_RGB, 3, JCS_YCbCr, 17, 200, false},
  };
  for (const Stream& s : streams) {
    SCOPED_TRACE(std::to_string(s.components) + " components, " + std::to_string(s.width) + " x " +
                 std::to_string(s.height));
    const std::vector<uint8_t> marked =
        MakeJpeg(s.given, s.components, s.stored, s.width, s.height, {.restartRows = 1, .wholeChroma = s.wholeChroma});
    const std::optional<JpegHalves> halves = SplitAtRestart(marked);
    ASSERT_TRUE(halves.has_value());
    const int unit = s.components == 1 || s.wholeChroma ? 8 : 16;
    EXPECT_EQ(halves->seam % unit, 0);
    EXPECT_EQ(halves->overlap, unit);
    EXPECT_LE(std::abs(2 * halves->seam - s.height), 2 * unit);
    // Each half a stream of its own.
    for (const auto& [half, rows] : {std::pair{&halves->upper, halves->seam + halves->overlap},
                                     std::pair{&halves->lower, s.height - halves->seam + halves->overlap}}) {
      dib part;
      ASSERT_TRUE(ReadJpeg(*half, part, nullptr).done());
      EXPECT_EQ(DibHeight(&part), rows);
      ReleaseDib(&part);
    }
    const std::vector<uint8_t> plain =
        MakeJpeg(s.given, s.components, s.stored, s.width, s.height, {.wholeChroma = s.wholeChroma});
    ASSERT_FALSE(SplitAtRestart(plain).has_value());
    for (const int32_t least : {0, 20, 10, 5}) {
      int32_t factor = 0, plainFactor = 0;
      dib cut, whole;
      ASSERT_TRUE(ReadJpegReduced(marked, cut, nullptr, least, &factor).done());
      ASSERT_TRUE(ReadJpegReduced(plain, whole, nullptr, least, &plainFactor).done());
      ASSERT_EQ(factor, plainFactor);
      ASSERT_EQ(DibWidth(&cut), DibWidth(&whole));
      ASSERT_EQ(DibHeight(&cut), DibHeight(&whole));
      for (int32_t y = 0; y < DibHeight(&cut); ++y)
        for (int32_t x = 0; x < DibWidth(&cut); ++x)
          ASSERT_EQ(DibPixelColour(cut, x, y), DibPixelColour(whole, x, y))
              << "at " << x << ", " << y << ", reduced by " << factor;
      ReleaseDib(&cut);
      ReleaseDib(&whole);
    }
  }
}

// Only sequential streams of one scan whose markers all stand in order are
// cut; any other, and any stream cut short or with a byte changed, is either
// not cut or read whole or refused as the whole stream would be: never
// anything in between.
TEST(JpegRestarts, OnlyStreamsInOrderAreCut) {
  EXPECT_FALSE(SplitAtRestart(MakeJpeg(JCS_RGB, 3, JCS_YCbCr, 64, 64, {.restartRows = 1, .progressive = true})));
  EXPECT_FALSE(SplitAtRestart(MakeJpeg(JCS_RGB, 3, JCS_YCbCr, 64, 48, {.restartRows = 1})));  // three rows of blocks
  EXPECT_FALSE(SplitAtRestart(std::vector<uint8_t>{}));
  const std::vector<uint8_t> marked = MakeJpeg(JCS_RGB, 3, JCS_YCbCr, 40, 96, {.restartRows = 1});
  ASSERT_TRUE(SplitAtRestart(marked));
  std::srand(5);
  for (int trial = 0; trial < 400; ++trial) {
    std::vector<uint8_t> bytes = marked;
    if (trial % 2 == 0)
      bytes.resize(static_cast<size_t>(std::rand()) % bytes.size());
    else
      bytes[static_cast<size_t>(std::rand()) % bytes.size()] ^= static_cast<uint8_t>(1 + std::rand() % 255);
    dib whole, reduced;
    int32_t factor = 0;
    const Outcome wholeRead = ReadJpeg(bytes, whole, nullptr);
    const Outcome reducedRead = ReadJpegReduced(bytes, reduced, nullptr, 0, &factor);
    if (SplitAtRestart(bytes) && !wholeRead.done()) {
      EXPECT_FALSE(reducedRead.done()) << trial;  // the halves refuse what the whole refuses
    }
    EXPECT_EQ(reducedRead.done() || reducedRead.failed(), true) << trial;
    if (whole.poi != nullptr) ReleaseDib(&whole);
    if (reduced.poi != nullptr) ReleaseDib(&reduced);
  }
}

}  // namespace
}  // namespace trellimap
