#include "codecs/ilbm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "image/pixmill3.h"

namespace trellimap {
namespace {

using Bytes = std::vector<uint8_t>;
using PixelFn = std::function<uint32_t(int x, int y)>;

// ---- Assembling IFF files by hand ----

Bytes Big32(size_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Chunk(const char* id, const Bytes& data) {
  Bytes out = Cat({Bytes(id, id + 4), Big32(data.size()), data});
  if (data.size() & 1) out.push_back(0);
  return out;
}

Bytes Form(const char* type, std::initializer_list<Bytes> chunks) {
  const Bytes inner = Cat({Bytes(type, type + 4), Cat(chunks)});
  return Cat({{'F', 'O', 'R', 'M'}, Big32(inner.size()), inner});
}

Bytes Bmhd(int w, int h, int planes, int masking = 0, int compression = 0) {
  const Bytes fields = {uint8_t(planes), uint8_t(masking), uint8_t(compression), 0, 0, 0, 10, 11};
  return Chunk("BMHD", Cat({Big32(size_t(w) << 16 | size_t(h)), Bytes(4), fields, Bytes(4)}));
}
Bytes Body(const Bytes& data) { return Chunk("BODY", data); }
Bytes Camg(size_t mode) { return Chunk("CAMG", Big32(mode)); }

// Colour map entry i as red + 256 × green + 65536 × blue.
uint32_t Pal(uint32_t i) { return (i * 5 + 1) % 256 | (250 - i) % 256 << 8 | (i * 37) % 256 << 16; }

Bytes Cmap(uint32_t n) {
  Bytes b;
  for (uint32_t i = 0; i < n; ++i) b.insert(b.end(), {uint8_t(Pal(i)), uint8_t(Pal(i) >> 8), uint8_t(Pal(i) >> 16)});
  return Chunk("CMAP", b);
}

size_t PlaneRow(int w) { return static_cast<size_t>((w + 15) / 16 * 2); }

// Unpacked rows: plane k holds bit k of value(x, y); a mask plane of junk follows when asked.
Bytes Planar(int w, int h, int planes, const PixelFn& value, bool mask = false) {
  Bytes out;
  for (int y = 0; y < h; ++y) {
    Bytes row(PlaneRow(w) * static_cast<size_t>(planes + mask), mask ? 0xA5 : 0);
    std::fill_n(row.begin(), PlaneRow(w) * static_cast<size_t>(planes), 0);
    for (int x = 0; x < w; ++x)
      for (int k = 0; k < planes; ++k)
        if ((value(x, y) >> k) & 1) row[static_cast<size_t>(k) * PlaneRow(w) + size_t(x / 8)] |= 0x80 >> (x % 8);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

Bytes Chunky(int w, int h, const PixelFn& value) {
  Bytes out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w + (w & 1); ++x) out.push_back(x < w ? uint8_t(value(x, y)) : 0xEE);
  return out;
}

// The tests' own ByteRun1 packer: a no-op opens each row, equal bytes go as
// repeats, others as literals of one byte.
Bytes Pack(const Bytes& raw, size_t rowBytes) {
  Bytes out;
  for (size_t i = 0, n = 1; i < raw.size(); i += n, n = 1) {
    if (i % rowBytes == 0) out.push_back(0x80);
    while ((i + n) % rowBytes != 0 && n < 128 && raw[i + n] == raw[i]) ++n;
    out.insert(out.end(), {n > 1 ? uint8_t(257 - n) : uint8_t(0), raw[i]});
  }
  return out;
}

// A decoded picture, released at the end. The file goes into a block of
// exactly its size, so that the sanitizer sees any read past its end.
struct Decoded {
  dib d{};
  std::string reason;
  bool ok = false;
  explicit Decoded(const Bytes& file) {
    const std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size()]);
    std::copy(file.begin(), file.end(), exact.get());
    const Outcome read = ReadIlbm({exact.get(), file.size()}, d, nullptr);
    ok = read.done();
    reason = read.detail;
    EXPECT_EQ(ok, d.poi != nullptr);
    EXPECT_EQ(ok, reason.empty()) << reason;
    EXPECT_EQ(read.failed(), read.problem != FileProblem::None) << reason;
  }
  ~Decoded() { ReleaseDib(&d); }
};

void ExpectColours(const dib& d, int w, int h, const PixelFn& colour) {
  ASSERT_EQ(DibWidth(&d), w);
  ASSERT_EQ(DibHeight(&d), h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(DibPixelColour(d, x, y), colour(x, y)) << "at " << x << "," << y;
}

// ---- Writer and reader together ----

class IlbmRoundTrip : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(IlbmRoundTrip, GivesBackThePixelsCompactly) {
  const auto [w, h] = GetParam();
  std::mt19937 random(static_cast<uint32_t>(w + h));
  dib source;
  newdib(&source, w, h, 24, nullptr, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)  // bands of one colour between stretches of noise
      setpixel(source, x, y, (x / 7 + y) % 3 ? 0x102030u * uint32_t(x / 150 + 1) : uint32_t(random()) & 0xFFFFFF);
  Bytes file;
  ASSERT_TRUE(EncodeIlbm(source, &file));
  // At worst one control byte per 128 literal bytes in each plane row.
  EXPECT_LE(file.size(), 48 + 24 * size_t(h) * (PlaneRow(w) + (PlaneRow(w) + 127) / 128) + 1);
  Decoded back(file);
  EXPECT_EQ(DibBitCount(&back.d), 24);
  ExpectColours(back.d, w, h, [&](int x, int y) { return getpixel(source, x, y); });
  ReleaseDib(&source);
}

INSTANTIATE_TEST_SUITE_P(Sizes, IlbmRoundTrip,
                         ::testing::Values(std::pair{1, 1}, std::pair{17, 3}, std::pair{33, 9}, std::pair{300, 2},
                                           std::pair{2100, 2}));

TEST(EncodeIlbm, OneColourPacksToTwoBytesPer128AndEmptyIsRefused) {
  dib p;
  newdib(&p, 2048, 4, 8, nullptr, 0);
  Bytes file;
  ASSERT_TRUE(EncodeIlbm(p, &file));
  ReleaseDib(&p);
  const Bytes head = Cat({{'F', 'O', 'R', 'M'}, Big32(file.size() - 8), {'I', 'L', 'B', 'M'}});
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 12), head);
  // Header: 24 planes, no mask, ByteRun1, square pixels; no colour map.
  EXPECT_EQ(Bytes(file.begin() + 20, file.begin() + 36), Bytes({8, 0, 0, 4, 0, 0, 0, 0, 24, 0, 1, 0, 0, 0, 1, 1}));
  EXPECT_EQ(file.size(), 48u + 24 * 4 * 4);  // each 256-byte plane row: two repeats of 128
  dib empty{};
  EXPECT_FALSE(EncodeIlbm(empty, &file));
  EXPECT_TRUE(file.empty());
}

// ---- Hand-made files of every kind ----

struct Kind {
  const char* name;
  Bytes file;
  int bits;  // depth delivered
  int w, h;
  PixelFn colour;
};

class IlbmKinds : public ::testing::TestWithParam<Kind> {};

TEST_P(IlbmKinds, DecodeToTheirDepthAndColours) {
  const Kind& k = GetParam();
  Decoded p(k.file);
  ASSERT_TRUE(p.ok);
  EXPECT_EQ(DibBitCount(&p.d), k.bits);
  ExpectColours(p.d, k.w, k.h, k.colour);
}

const PixelFn kIndex = [](int x, int y) { return uint32_t(x * 7 + y * 3); };
PixelFn Mod(int n) {
  return [n](int x, int y) { return kIndex(x, y) % uint32_t(n); };
}
PixelFn Coloured(const PixelFn& index) {
  return [index](int x, int y) { return Pal(index(x, y)); };
}
uint32_t Half(uint32_t c) { return c >> 1 & 0x7F7F7F; }
const PixelFn kRgb = [](int x, int y) { return uint32_t(x * 40 | (y * 50) << 8 | ((x + y) * 20) << 16); };
// Hold-and-modify rows: control in the top two planes (0 index, 1 blue, 2 red, 3 green).
// A row starts from colour 0, so the first pixel modifies that.
const std::vector<uint32_t> kHam6 = {0x21, 0x03, 0x1A, 0x25, 0x3F, 0x00};
const std::vector<uint32_t> kHam8 = {0x05, 0x40 | 0x3F, 0x80 | 0x01, 0xC0 | 0x21};

std::vector<Kind> Kinds() {
  const Bytes body19x3x4 = Planar(19, 3, 4, Mod(16));
  const PixelFn halfBrite = [](int x, int y) {
    return Mod(64)(x, y) < 32 ? Pal(Mod(64)(x, y)) : Half(Pal(Mod(64)(x, y) - 32));
  };
  const PixelFn ham6 = [](int x, int) { return kHam6[size_t(x)]; }, ham8 = [](int x, int) { return kHam8[size_t(x)]; };
  return {
      {"OnePlanePacked", Form("ILBM", {Bmhd(19, 3, 1, 0, 1), Cmap(2), Body(Pack(Planar(19, 3, 1, Mod(2)), 4))}), 1, 19,
       3, Coloured(Mod(2))},
      {"FourPlanes", Form("ILBM", {Bmhd(19, 3, 4), Cmap(16), Body(body19x3x4)}), 4, 19, 3, Coloured(Mod(16))},
      {"TwoPlanesGreyRamp", Form("ILBM", {Bmhd(19, 3, 2), Body(Planar(19, 3, 2, Mod(4)))}), 4, 19, 3,
       [](int x, int y) { return Mod(4)(x, y) * 85 * 0x010101u; }},
      {"FivePlanesShortMap", Form("ILBM", {Bmhd(19, 3, 5, 0, 1), Cmap(20), Body(Pack(Planar(19, 3, 5, Mod(32)), 20))}),
       8, 19, 3, [](int x, int y) { return Mod(32)(x, y) < 20 ? Pal(Mod(32)(x, y)) : 0; }},
      {"EightPlanesPacked", Form("ILBM", {Bmhd(19, 3, 8, 0, 1), Cmap(256), Body(Pack(Planar(19, 3, 8, Mod(256)), 32))}),
       8, 19, 3, Coloured(Mod(256))},
      {"HalfBrite", Form("ILBM", {Bmhd(19, 3, 6), Camg(0x80), Cmap(32), Body(Planar(19, 3, 6, Mod(64)))}), 8, 19, 3,
       halfBrite},
      // Without a CAMG, 6 planes over a 32-entry map can only be half-bright.
      {"HalfBriteGuessed", Form("ILBM", {Bmhd(19, 3, 6), Cmap(32), Body(Planar(19, 3, 6, Mod(64)))}), 8, 19, 3,
       halfBrite},
      {"Ham6", Form("ILBM", {Bmhd(6, 2, 6, 0, 1), Camg(0x800), Cmap(16), Body(Pack(Planar(6, 2, 6, ham6), 12))}), 24, 6,
       2,
       [](int x, int) {
         return std::vector<uint32_t>{(Pal(0) & 0xFFFF00) | 0x11,   Pal(3),   (Pal(3) & 0xFFFF) | 0xAA0000,
                                      (Pal(3) & 0xFF00) | 0xAA0055, 0xAAFF55, Pal(0)}[size_t(x)];
       }},
      // 6-bit values replace the top of a component, keeping its low two bits.
      {"Ham8", Form("ILBM", {Bmhd(4, 1, 8), Camg(0x800), Cmap(64), Body(Planar(4, 1, 8, ham8))}), 24, 4, 1,
       [](int x, int) {
         const uint32_t b = 0xFC | (Pal(5) >> 16 & 3), r = 0x04 | (Pal(5) & 3), g = 0x84 | (Pal(5) >> 8 & 3);
         return std::vector<uint32_t>{Pal(5), (Pal(5) & 0xFFFF) | b << 16, (b << 16 | (Pal(5) & 0xFF00) | r),
                                      b << 16 | g << 8 | r}[size_t(x)];
       }},
      {"ChunkyPacked", Form("PBM ", {Bmhd(5, 3, 8, 0, 1), Cmap(256), Body(Pack(Chunky(5, 3, Mod(256)), 6))}), 8, 5, 3,
       Coloured(Mod(256))},
      {"MaskPlane", Form("ILBM", {Bmhd(19, 3, 4, 1), Cmap(16), Body(Planar(19, 3, 4, Mod(16), true))}), 4, 19, 3,
       Coloured(Mod(16))},
      {"TrueColour", Form("ILBM", {Bmhd(6, 3, 24, 0, 1), Body(Pack(Planar(6, 3, 24, kRgb), 48))}), 24, 6, 3, kRgb},
      {"AlphaPlanesIgnored",
       Form("ILBM", {Bmhd(6, 3, 32), Body(Planar(6, 3, 32, [](int x, int y) { return kRgb(x, y) | 0xA5000000u; }))}),
       24, 6, 3, kRgb},
      // Odd-length unknown chunk first, the map after the body, a CAMG too short to say anything last.
      {"ChunksInAnyOrder",
       Form("ILBM",
            {Chunk("ANNO", {'a', 'b', 'c'}), Bmhd(19, 3, 4), Body(body19x3x4), Cmap(16), Chunk("CAMG", {8, 0})}),
       4, 19, 3, Coloured(Mod(16))},
      {"RunSpansThePlanesOfARow", Form("ILBM", {Bmhd(1, 1, 24, 0, 1), Body({0xD1, 0xFF})}), 24, 1, 1,
       [](int, int) { return 0xFFFFFFu; }},
      // A 4-byte literal in a 2-byte row: the excess is dropped, the next row starts after it.
      {"OverrunIsClipped", Form("ILBM", {Bmhd(16, 2, 1, 0, 1), Cmap(2), Body({3, 0xFF, 0, 0xAA, 0xAA, 0xFE, 0x0F})}), 1,
       16, 2, [](int x, int y) { return Pal(y == 0 ? x < 8 : (x & 7) >= 4); }},
  };
}

INSTANTIATE_TEST_SUITE_P(Files, IlbmKinds, ::testing::ValuesIn(Kinds()),
                         [](const ::testing::TestParamInfo<Kind>& p) { return std::string(p.param.name); });

// ---- Damaged files ----

Bytes WithBig32At(Bytes b, size_t at, size_t v) {
  std::copy_n(Big32(v).begin(), 4, b.begin() + static_cast<ptrdiff_t>(at));
  return b;
}

const Bytes kSmall = Form("ILBM", {Bmhd(13, 3, 4, 0, 1), Cmap(16), Camg(4), Body(Pack(Planar(13, 3, 4, Mod(16)), 8)),
                                   Chunk("ANNO", {'x', 'y', 'z'})});

TEST(DecodeIlbmDamage, EveryTruncationFailsCleanlyOrGivesTheWholePicture) {
  Decoded whole(kSmall);
  ASSERT_TRUE(whole.ok);
  int complete = 0;
  for (size_t n = 0; n < kSmall.size(); ++n) {
    const Bytes cut(kSmall.begin(), kSmall.begin() + static_cast<ptrdiff_t>(n));
    EXPECT_FALSE(Decoded(cut).ok) << n;  // the FORM length tells
    if (n < 12) continue;
    // With a FORM length to match, only cuts after the BODY's data may succeed.
    Decoded p(WithBig32At(cut, 4, n - 8));
    if (!p.ok) continue;
    ++complete;
    ExpectColours(p.d, 13, 3, [&](int x, int y) { return DibPixelColour(whole.d, x, y); });
  }
  EXPECT_EQ(complete, 10);  // the BODY's pad byte, the last chunk's first 8 bytes, or its pad may go
}

struct Damage {
  const char* name;
  Bytes file;
  const char* reason;  // words the reason must contain
};

class DecodeIlbmRejects : public ::testing::TestWithParam<Damage> {};

TEST_P(DecodeIlbmRejects, WithAReason) {
  dib d;
  std::memset(&d, 0x5A, sizeof d);
  const Outcome read = ReadIlbm(GetParam().file, d, nullptr);
  EXPECT_TRUE(read.failed());
  EXPECT_EQ(d.poi, nullptr);
  EXPECT_EQ(d.pmi, nullptr);
  EXPECT_NE(read.detail.find(GetParam().reason), std::string::npos) << read.detail;
}

const Bytes kRows = Body(Bytes(4));  // 2 rows of 8 pixels in 1 plane

INSTANTIATE_TEST_SUITE_P(
    Files, DecodeIlbmRejects,
    ::testing::Values(
        Damage{"NotIff", {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}, "FORM"},
        Damage{"FormLongerThanFile", WithBig32At(kSmall, 4, kSmall.size() - 7), "FORM chunk claims"},
        Damage{"NotAPicture", Form("8SVX", {Chunk("VHDR", Bytes(20))}), "'8SVX'"},
        Damage{"ChunkLongerThanForm", WithBig32At(kSmall, 16, 0x7FFFFFF0), "'BMHD' chunk claims"},
        Damage{"BmhdTooShort", Form("ILBM", {Chunk("BMHD", Bytes(19)), kRows}), "BMHD chunk holds 19"},
        Damage{"NoBmhd", Form("ILBM", {kRows}), "no BMHD"}, Damage{"NoBody", Form("ILBM", {Bmhd(8, 2, 1)}), "no BODY"},
        Damage{"ZeroWidth", Form("ILBM", {Bmhd(0, 2, 1), kRows}), "width or height is 0"},
        Damage{"NinePlanes", Form("ILBM", {Bmhd(8, 2, 9), Body(Bytes(36))}), "9 bit planes"},
        Damage{"CompressionTwo", Form("ILBM", {Bmhd(8, 2, 1, 0, 2), kRows}), "compression method 2"},
        Damage{"MaskingFour", Form("ILBM", {Bmhd(8, 2, 1, 4), kRows}), "masking method 4"},
        Damage{"HamOfFivePlanes", Form("ILBM", {Bmhd(8, 2, 5), Camg(0x800), Body(Bytes(20))}), "6 or 8"},
        Damage{"ChunkyOfFourBits", Form("PBM ", {Bmhd(8, 2, 4), Body(Bytes(16))}), "8 bits per pixel"},
        Damage{"ChunkyWithMask", Form("PBM ", {Bmhd(8, 2, 8, 1), Body(Bytes(64))}), "mask"},
        Damage{"RawBodyShortByOne", Form("ILBM", {Bmhd(8, 2, 1), Body(Bytes(3))}), "too few"},
        Damage{"PackedBodyLacksLastRow", Form("ILBM", {Bmhd(16, 3, 1, 0, 1), Body({0xFF, 1, 0xFF, 2, 0x80, 0x80})}),
               "row 3 of 3"},
        Damage{"RepeatWithoutItsByte", Form("ILBM", {Bmhd(16, 1, 1, 0, 1), Body({0x80, 0xFF})}), "row 1"},
        Damage{"LiteralPastTheBody", Form("ILBM", {Bmhd(16, 1, 1, 0, 1), Body({0x05, 1, 2, 3})}), "row 1"},
        Damage{"HugeSidesTinyBody", Form("ILBM", {Bmhd(65535, 65535, 24, 0, 1), Body({0xD1, 0xFF})}), "too few"}),
    [](const ::testing::TestParamInfo<Damage>& p) { return std::string(p.param.name); });

// Random damage to valid files of every kind; the sanitizers catch any stray
// access, overflow or leak, and each outcome must keep its contract (Decoded checks).
TEST(DecodeIlbmDamage, RandomMutationsNeverBreakTheContract) {
  std::vector<Bytes> seeds = {kSmall};
  for (const Kind& k : Kinds()) seeds.push_back(k.file);
  std::mt19937 random(20240611);
  int decoded = 0;
  for (const Bytes& seed : seeds) {
    for (int round = 0; round < 500; ++round) {
      Bytes file = seed;
      for (int k = 1 + int(random() % 6); k > 0; --k) {
        // Half of the changes hit the headers, where the lengths and sizes are.
        const size_t at = random() % (random() % 2 ? std::min<size_t>(file.size(), 64) : file.size());
        file[at] = random() % 2 ? uint8_t(file[at] ^ (1u << (random() % 8))) : uint8_t(random());
      }
      if (random() % 8 == 0) {
        file.resize(random() % file.size());
        // Mostly with a FORM length to match, so that the chunks inside get cut.
        if (file.size() >= 8 && random() % 4 != 0) file = WithBig32At(file, 4, file.size() - 8);
      }
      decoded += Decoded(file).ok;
    }
  }
  EXPECT_GT(decoded, 1000);  // the damage must not stop at the first check
}

}  // namespace
}  // namespace trellimap
