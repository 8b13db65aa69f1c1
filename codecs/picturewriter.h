#pragma once
// Writing a picture to a file in the format its extension selects.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

enum class PictureFileFormat { Bmp, BmpRle8, Gif, Ilbm, Jpeg, Jpeg2000, Pcx, Png, Tga, Tiff };

// The format an extension (with its dot, any case) selects: ".bmp" and ".dib"
// BMP, ".rle" BMP with RLE8 after reduction to 256 colours, ".gif" GIF (256
// colours), ".iff" and ".lbm" ILBM with 24 bit planes, ".jif" and ".jpg" JPEG
// at quality 90, ".pcx" PCX with three planes, ".tga", ".tif", ".png", and
// ".jp2" lossless JPEG 2000 (".jpeg" and ".tiff" too). Nothing for any other extension.
std::optional<PictureFileFormat> FormatForExtension(std::string_view extension);

// The extension of the file name part of `fname` with its dot, or "".
std::string ExtensionOf(std::string_view fname);

// `fname` with ".bmp" added when its name has no extension.
std::string WithDefaultExtension(const std::string& fname);

// Encodes `picture` (any depth; colours are what is written) in `format`.
bool EncodePicture(const dib& picture, PictureFileFormat format, std::vector<uint8_t>* out, std::string* reason,
                   Progress* progress = nullptr);

// Writes `picture` to `fname` in the format its extension selects. The file
// appears under its name only when it was written completely. False, with a
// short English reason, when the picture could not be written.
// `progress`, when given, hears how far the encoding got and may stop it;
// a stopped write fails with the reason kStopped and leaves any file alone.
bool WritePictureFile(const dib& picture, const std::string& fname, std::string* reason, Progress* progress = nullptr);

}  // namespace trellimap
