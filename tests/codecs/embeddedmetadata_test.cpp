// Pictures read as their files say they are shown: upright under each EXIF
// orientation, and in sRGB when they carry another colour profile. The files
// and the references are made by ImageMagick and ExifTool.

#include "codecs/embeddedmetadata.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "codecs/picturedecoder.h"
#include "image/pixmill3.h"
#include "tests/support/testfiles.h"

namespace trellimap {
namespace {

using testing::TempFolder;

struct Picture {
  dib d{};
  explicit Picture(const std::string& path) {
    const Outcome read = ReadPicture(path, d);
    EXPECT_TRUE(read.done()) << path << ": " << read.detail;
  }
  ~Picture() { ReleaseDib(&d); }
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
};

// The largest difference of any channel of any pixel; -1 for other sizes.
int LargestDifference(const dib& a, const dib& b) {
  if (DibWidth(&a) != DibWidth(&b) || DibHeight(&a) != DibHeight(&b)) return -1;
  int largest = 0;
  for (int32_t y = 0; y < DibHeight(&a); ++y)
    for (int32_t x = 0; x < DibWidth(&a); ++x) {
      const uint32_t p = DibPixelColour(a, x, y), q = DibPixelColour(b, x, y);
      for (int k = 0; k < 24; k += 8) largest = std::max(largest, std::abs(int(p >> k & 0xFF) - int(q >> k & 0xFF)));
    }
  return largest;
}

void Shell(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

// A 40 × 20 picture with no two pixels alike and no symmetry, in `base.bmp`.
std::string Base(const TempFolder& folder) {
  return folder.Write("base.bmp", testing::MakeBmp(40, 20, 24, {}, [](int x, int y) {
                        return static_cast<uint32_t>(x * 6 | y * 12 << 8 | (x + y) * 4 << 16);
                      }));
}

// Each orientation of each format reads as ImageMagick turns the picture
// stored in the file by what the orientation means.
TEST(EmbeddedMetadata, PicturesReadUprightInEveryOrientation) {
  TempFolder folder;
  const std::string base = Base(folder);
  const char* turns[] = {"", "-flop", "-rotate 180", "-flip", "-transpose", "-rotate 90", "-transverse", "-rotate 270"};
  const struct {
    const char* extension;
    int tolerance;  // JPEG decoders may differ by a level or two
  } formats[] = {{"png", 0}, {"tif", 0}, {"jpg", 3}};
  std::string tag = "exiftool";
  for (int n = 1; n <= 8; ++n) {
    if (n > 1) tag += " -execute";
    tag += " -n -Orientation=" + std::to_string(n);
    for (const auto& f : formats) {
      const std::string file = folder.Path("o" + std::to_string(n) + "." + f.extension);
      Shell("convert '" + base + "' -quality 95 '" + file + "'");
      tag += " '" + file + "'";
    }
  }
  Shell(tag + " -common_args -q -q -m -overwrite_original");
  for (int n = 1; n <= 8; ++n)
    for (const auto& f : formats) {
      const std::string file = folder.Path("o" + std::to_string(n) + "." + f.extension);
      Shell("convert '" + file + "' -strip " + turns[n - 1] + " '" + file + ".upright.png'");
      const Picture read(file), upright(file + ".upright.png");
      const int difference = LargestDifference(read.d, upright.d);
      EXPECT_GE(difference, 0) << file << " is " << DibWidth(&read.d) << " × " << DibHeight(&read.d);
      EXPECT_LE(difference, f.tolerance) << file;
    }
}

// A portrait shot carried over by each format's own encoder reads upright as
// the JPEG it came from; an AVIF file that turns its picture itself (which
// its decoder leaves undone) is turned.
TEST(EmbeddedMetadata, NewFormatsReadUpright) {
  TempFolder folder;
  const std::string base = Base(folder), jpeg = folder.Path("portrait.jpg");
  Shell("convert '" + base + "' -quality 95 '" + jpeg +
        "' && exiftool -q -q -m -overwrite_original -n -Orientation=6 '" + jpeg + "'");
  const std::string path = folder.Path("portrait");
  Shell("cwebp -quiet -lossless -metadata exif '" + jpeg + "' -o '" + path + ".webp'");
  Shell("heif-enc -L -o '" + path + ".heic' '" + jpeg + "' >/dev/null");
  Shell("avifenc -l '" + jpeg + "' '" + path + ".avif' >/dev/null");
  Shell("cjxl -d 0 '" + jpeg + "' '" + path + ".jxl' >/dev/null 2>&1");
  const Picture upright(jpeg);
  ASSERT_EQ(DibWidth(&upright.d), 20);
  for (const char* extension : {"webp", "heic", "avif", "jxl"}) {
    const Picture read(path + "." + extension);
    const int difference = LargestDifference(read.d, upright.d);
    EXPECT_GE(difference, 0) << extension << " is " << DibWidth(&read.d) << " × " << DibHeight(&read.d);
    EXPECT_LE(difference, 24) << extension;  // the colour conversions of lossless HEIF lose a little
  }
  Shell("convert '" + base + "' '" + path + ".png' && avifenc -l --irot 1 '" + path + ".png' '" + path +
        "-turned.avif' >/dev/null && convert '" + base + "' -rotate 270 '" + path + "-turned.png'");
  const Picture turned(path + "-turned.avif"), reference(path + "-turned.png");
  EXPECT_LE(LargestDifference(turned.d, reference.d), 2);
  EXPECT_GE(LargestDifference(turned.d, reference.d), 0);
}

// Tagged with a wide-gamut profile, a picture is converted to sRGB as
// ImageMagick converts it (relative colorimetric, black point compensated);
// tagged sRGB, it reads as untagged.
TEST(EmbeddedMetadata, ProfilesOtherThanSrgbAreConvertedToIt) {
  TempFolder folder;
  const std::string base = Base(folder), profiles = "/usr/share/color/icc/colord/";
  for (const char* extension : {"jpg", "png", "tif"}) {
    const std::string plain = folder.Path(std::string("plain.") + extension);
    const std::string wide = folder.Path(std::string("wide.") + extension);
    const std::string srgb = folder.Path(std::string("srgb.") + extension);
    Shell("convert '" + base + "' -quality 95 '" + plain + "'");
    Shell("convert '" + base + "' -quality 95 -profile " + profiles + "AdobeRGB1998.icc '" + wide + "'");
    Shell("convert '" + base + "' -quality 95 -profile " + profiles + "sRGB.icc '" + srgb + "'");
    Shell("convert '" + wide + "' -intent Relative -black-point-compensation -profile " + profiles +
          "sRGB.icc -strip '" + wide + ".srgb.png'");
    const Picture untagged(plain), tagged(wide), reference(wide + ".srgb.png"), same(srgb);
    EXPECT_GT(LargestDifference(tagged.d, untagged.d), 10) << extension;  // the conversion is no small change
    EXPECT_LE(LargestDifference(tagged.d, reference.d), 3) << extension;
    EXPECT_EQ(LargestDifference(same.d, untagged.d), 0) << extension;
  }
}

// Damaged containers have no orientation: nothing is read past their ends.
TEST(EmbeddedMetadata, DamagedBlocksTurnNothing) {
  const std::string exif("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0", 28);
  EXPECT_EQ(ExifOrientation(reinterpret_cast<const uint8_t*>(exif.data()), exif.size()), 6);
  for (size_t cut = 0; cut < exif.size(); ++cut)
    EXPECT_EQ(ExifOrientation(reinterpret_cast<const uint8_t*>(exif.data()), cut), 1) << cut;
}

}  // namespace
}  // namespace trellimap
