#include "codecs/picturefilter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace trellimap {
namespace {

TEST(PictureFilter, ListsEveryFormatBetweenTheTwoGivenTexts) {
  const std::string f = BuildPictureFilter("All pictures", "All files");
  EXPECT_EQ(f.rfind("All pictures|*.BMP;*.DIB;*.GIF;*.IFF;*.JIF;*.JPG;*.LBM;*.PCX;*.RLE;*.TGA;*.TIF;*.PNG;*.JP2;"
                    "*.AVIF;*.HEIC;*.HEIF;*.JXL;*.WEBP|BMP - Windows, OS/2 Bitmap|*.BMP|DIB - Windows, OS/2 DIB|*.DIB|",
                    0),
            0u);
  EXPECT_NE(f.find("|JIF - JPEG - JFIF Compilant|*.JIF|"), std::string::npos);
  EXPECT_NE(f.find("|EMF - Windows Enhanced Metafile|*.EMF|JP2 - JPEG 2000|*.JP2|AVIF - AV1 picture|*.AVIF|"
                   "HEIC - HEIF picture|*.HEIC|HEIF - HEIF picture|*.HEIF|JXL - JPEG XL picture|*.JXL|"
                   "WEBP - WebP picture|*.WEBP|All files (*.*)|*.*"),
            std::string::npos);
  EXPECT_EQ(std::count(f.begin(), f.end(), '|'), 2 * 21 - 1);
}

}  // namespace
}  // namespace trellimap
