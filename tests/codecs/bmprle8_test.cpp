#include "codecs/bmprle8.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <tuple>

#include "codecs/pictureopening.h"
#include "image/pixmill3.h"
#include "tests/support/recordingmessages.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using Bytes = std::vector<uint8_t>;
using IndexFn = std::function<uint8_t(int x, int y)>;

uint32_t Le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

// An 8-bit picture with 256 distinct colours, filled by index(x, y), y from the top.
dib Paletted(int w, int h, const IndexFn& index) {
  BitmapInfo colours{};
  for (int i = 0; i < 256; ++i) colours.bmiColors[i] = {uint8_t(i * 37), uint8_t(255 - i), uint8_t(i), 0};
  dib d;
  newdib(&d, w, h, 8, &colours, 256);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) setpixel(d, x, y, index(x, y));
  return d;
}

struct Content {
  const char* name;
  IndexFn index;
};

const std::vector<Content> kContents = {
    {"OneColourRows", [](int, int y) { return uint8_t(y * 50 + 3); }},
    {"Pairs", [](int x, int y) { return uint8_t(x / 2 + y); }},
    {"Triples", [](int x, int y) { return uint8_t(x / 3 * 7 + y); }},
    // Two different pixels, then a run of four: absolute mode cannot take the two.
    {"TwoThenRun", [](int x, int y) { return uint8_t(x % 6 < 2 ? x : 100 + y); }},
    {"Noise", [](int x, int y) { return uint8_t(std::minstd_rand(uint32_t(x * 977 + y + 1))()); }},
    // In every 20 pixels, a run of y + 1 equal ones, then single pixels.
    {"Mixed", [](int x, int y) { return uint8_t(x % 20 <= y ? 200 : x * 31 % 256); }},
};

class BmpRle8 : public ::testing::TestWithParam<std::tuple<int, size_t>> {
 protected:
  testing::TempFolder folder;
  testing::RecordingMessages messages;
};

// GraphicsMagick's BMP reader is the independent judge of the stream.
TEST_P(BmpRle8, IsReadBackExactlyByTheLibrary) {
  const auto [w, content] = GetParam();
  const int h = 5;
  dib picture = Paletted(w, h, kContents[content].index);
  Bytes file;
  ASSERT_TRUE(EncodeBmpRle8(picture, &file));
  dib read{};
  OpenDib(&read, folder.Write("rle.bmp", file).c_str(), 0, nullptr);
  ASSERT_NE(read.poi, nullptr) << (messages.shown.empty() ? "" : messages.shown[0].text);
  ASSERT_EQ(DibWidth(&read), w);
  ASSERT_EQ(DibHeight(&read), h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(DibPixelColour(read, x, y), DibPixelColour(picture, x, y)) << x << "," << y;
  ReleaseDib(&read);
  ReleaseDib(&picture);
}

INSTANTIATE_TEST_SUITE_P(WidthsAndContents, BmpRle8,
                         ::testing::Combine(::testing::Values(1, 3, 255, 300),
                                            ::testing::Range(size_t{0}, kContents.size())),
                         [](const auto& p) {
                           return kContents[std::get<1>(p.param)].name + std::to_string(std::get<0>(p.param));
                         });

TEST(EncodeBmpRle8, HeadersDescribeTheCompressedFile) {
  dib picture = Paletted(300, 2, [](int, int) { return uint8_t{9}; });
  Bytes file;
  ASSERT_TRUE(EncodeBmpRle8(picture, &file));
  ReleaseDib(&picture);
  ASSERT_GE(file.size(), 1078u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 2), Bytes({'B', 'M'}));
  EXPECT_EQ(Le32(file, 2), file.size());
  EXPECT_EQ(Le32(file, 10), 1078u);                       // pixel data after the 256-entry table
  EXPECT_EQ(Le32(file, 14), 40u);                         // information header size
  EXPECT_EQ(Bytes(file.begin() + 18, file.begin() + 34),  // 300 × 2 (bottom-up), 1 plane, 8 bits, RLE8
            Bytes({44, 1, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0}));
  EXPECT_EQ(Le32(file, 34), file.size() - 1078);
  EXPECT_EQ(Le32(file, 46), 256u);
  EXPECT_EQ(Le32(file, 54 + 4 * 9), 9u << 16 | 246u << 8 | (9 * 37 % 256));  // entry 9: blue, green, red, 0
  // Each row: runs of 255 and 45, end of line; then end of bitmap.
  EXPECT_EQ(Bytes(file.begin() + 1078, file.end()), Bytes({255, 9, 45, 9, 0, 0, 255, 9, 45, 9, 0, 0, 0, 1}));
}

TEST(EncodeBmpRle8, RefusesOtherDepthsAndEmptyPictures) {
  for (const int bits : {1, 4, 24}) {
    dib d;
    newdib(&d, 4, 4, bits, nullptr, 0);
    Bytes file = {1};
    EXPECT_FALSE(EncodeBmpRle8(d, &file)) << bits;
    EXPECT_TRUE(file.empty());
    ReleaseDib(&d);
  }
  dib empty{};
  Bytes file;
  EXPECT_FALSE(EncodeBmpRle8(empty, &file));
}

}  // namespace
}  // namespace trellimap
