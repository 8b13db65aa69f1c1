#include "codecs/picturefilter.h"

#include <array>

#include "i18n/translateunit.h"

namespace trellimap {

std::string BuildPictureFilter(const std::string& allPictures, const std::string& allFiles) {
  static constexpr std::array<std::pair<const char*, const char*>, 14> kFormats{{
      {"BMP - Windows, OS/2 Bitmap", "*.BMP"},
      {"DIB - Windows, OS/2 DIB", "*.DIB"},
      {"GIF - CompuServe Graphics Interchange", "*.GIF"},
      {"IFF - Amiga", "*.IFF"},
      {"JIF - JPEG - JFIF Compilant", "*.JIF"},
      {"JPG - JPEG - JFIF Compilant", "*.JPG"},
      {"LBM - Deluxe Paint", "*.LBM"},
      {"PCX - ZSoft Paintbrush", "*.PCX"},
      {"RLE - Windows RLE", "*.RLE"},
      {"TGA - Truevision Targa", "*.TGA"},
      {"TIF - Tagged image file Format", "*.TIF"},
      {"PNG - Portable Graphics Network", "*.PNG"},
      {"EMF - Windows Enhanced Metafile", "*.EMF"},
      {"JP2 - JPEG 2000", "*.JP2"},
  }};
  std::string filter = allPictures + "|*.BMP;*.DIB;*.GIF;*.IFF;*.JIF;*.JPG;*.LBM;*.PCX;*.RLE;*.TGA;*.TIF;*.PNG;*.JP2|";
  for (const auto& [description, pattern] : kFormats) filter += std::string(description) + "|" + pattern + "|";
  return filter + allFiles + " (*.*)|*.*";
}

std::string BuildSavePictureFilter(const std::string& allFiles) {
  static constexpr std::array<std::pair<const char*, const char*>, 10> kFormats{{
      {"BMP picture (*.bmp *.dib)", "*.bmp;*.dib"},
      {"BMP picture, run-length encoded (*.rle)", "*.rle"},
      {"GIF picture (*.gif)", "*.gif"},
      {"IFF picture (*.iff *.lbm)", "*.iff;*.lbm"},
      {"JPEG picture (*.jpg *.jpeg *.jif)", "*.jpg;*.jpeg;*.jif"},
      {"JPEG 2000 picture (*.jp2)", "*.jp2"},
      {"PCX picture (*.pcx)", "*.pcx"},
      {"PNG picture (*.png)", "*.png"},
      {"Targa picture (*.tga)", "*.tga"},
      {"TIFF picture (*.tif *.tiff)", "*.tif;*.tiff"},
  }};
  std::string filter;
  for (const auto& [description, patterns] : kFormats) filter += TranslateUtf8(description) + "|" + patterns + "|";
  return filter + allFiles + " (*.*)|*.*";
}

}  // namespace trellimap
