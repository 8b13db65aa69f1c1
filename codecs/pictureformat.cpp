#include "codecs/pictureformat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

namespace trellimap {
namespace {

bool StartsWith(const uint8_t* head, size_t length, const char* magic, size_t n) {
  return length >= n && std::memcmp(head, magic, n) == 0;
}

PictureFormat ByContent(const uint8_t* h, size_t n) {
  if (StartsWith(h, n, "\x89PNG\r\n\x1a\n", 8)) return PictureFormat::Png;
  if (StartsWith(h, n, "GIF87a", 6) || StartsWith(h, n, "GIF89a", 6)) return PictureFormat::Gif;
  if (StartsWith(h, n, "\xFF\xD8\xFF", 3)) return PictureFormat::Jpeg;
  if (StartsWith(h, n, "II*\0", 4) || StartsWith(h, n, "MM\0*", 4)) return PictureFormat::Tiff;
  if (StartsWith(h, n, "\0\0\0\x0CjP  \r\n\x87\n", 12) || StartsWith(h, n, "\xFF\x4F\xFF\x51", 4))
    return PictureFormat::Jpeg2000;
  if (StartsWith(h, n, "FORM", 4) && n >= 12 &&
      (std::memcmp(h + 8, "ILBM", 4) == 0 || std::memcmp(h + 8, "PBM ", 4) == 0))
    return PictureFormat::Iff;
  // An enhanced metafile: record type 1 with the signature " EMF" at byte 40.
  if (StartsWith(h, n, "\x01\0\0\0", 4) && n >= 44 && std::memcmp(h + 40, " EMF", 4) == 0) return PictureFormat::Emf;
  // Windows and OS/2 bitmaps, including OS/2 icon and pointer variants.
  for (const char* m : {"BM", "BA", "CI", "CP", "IC", "PT"})
    if (StartsWith(h, n, m, 2)) return PictureFormat::Bmp;
  return PictureFormat::Unknown;
}

// PCX has only a weak signature (manufacturer 10, a known version, encoding 0
// or 1), which a Targa header can also show, so it yields to a .tga name.
bool LooksLikePcx(const uint8_t* h, size_t n) { return n >= 3 && h[0] == 0x0A && h[1] <= 5 && h[1] != 1 && h[2] <= 1; }

PictureFormat ByExtension(std::string_view filename) {
  const size_t dot = filename.find_last_of('.');
  const size_t slash = filename.find_last_of('/');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return PictureFormat::Unknown;
  std::string ext(filename.substr(dot + 1));
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  struct Entry {
    const char* ext;
    PictureFormat format;
  };
  static constexpr std::array<Entry, 19> kTable{{{"bmp", PictureFormat::Bmp},
                                                 {"emf", PictureFormat::Emf},
                                                 {"iff", PictureFormat::Iff},
                                                 {"lbm", PictureFormat::Iff},
                                                 {"jp2", PictureFormat::Jpeg2000},
                                                 {"j2k", PictureFormat::Jpeg2000},
                                                 {"dib", PictureFormat::Bmp},
                                                 {"rle", PictureFormat::Bmp},
                                                 {"gif", PictureFormat::Gif},
                                                 {"jpg", PictureFormat::Jpeg},
                                                 {"jpeg", PictureFormat::Jpeg},
                                                 {"jif", PictureFormat::Jpeg},
                                                 {"jfif", PictureFormat::Jpeg},
                                                 {"pcx", PictureFormat::Pcx},
                                                 {"png", PictureFormat::Png},
                                                 {"tga", PictureFormat::Tga},
                                                 {"vda", PictureFormat::Tga},
                                                 {"tif", PictureFormat::Tiff},
                                                 {"tiff", PictureFormat::Tiff}}};
  for (const Entry& e : kTable)
    if (ext == e.ext) return e.format;
  return PictureFormat::Unknown;
}

}  // namespace

PictureFormat DetectPictureFormat(const uint8_t* head, size_t length, std::string_view filename) {
  const PictureFormat content = ByContent(head, length);
  if (content != PictureFormat::Unknown) return content;
  const PictureFormat named = ByExtension(filename);
  if (LooksLikePcx(head, length) && named != PictureFormat::Tga) return PictureFormat::Pcx;
  return named;
}

}  // namespace trellimap
