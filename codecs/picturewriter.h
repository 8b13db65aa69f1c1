#pragma once
// Writing a picture to a file in the format its extension selects.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/formatregistry.h"
#include "foundation/fileproblem.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// The format an extension (with its dot, any case) selects: the writer the
// format registry gives it (".rle" BMP with RLE8 after reduction to 256
// colours, ".jpg" JPEG at quality 90 and so on). Nothing for an extension that
// is only read (".emf", ".jfif") or unknown.
std::optional<PictureFileFormat> FormatForExtension(std::string_view extension);

// `fname` with the default extension (".bmp") added when its name has none.
std::string WithDefaultExtension(const std::string& fname);

// Encodes `picture` (any depth; colours are what is written) in `format`.
bool EncodePicture(const dib& picture, PictureFileFormat format, std::vector<uint8_t>* out, std::string* reason,
                   Progress* progress = nullptr);

// Writes `picture` to `fname` in the format its extension selects. The file
// appears under its name only when it was written completely. False, with a
// short English reason, when the picture could not be written.
// `progress`, when given, hears how far the encoding got and may stop it;
// a stopped write fails with the reason kStopped and leaves any file alone.
// `problem`, when given, receives the kind of a failure of the file itself
// (no such folder, no permission, a folder, a full disk); None otherwise.
bool WritePictureFile(const dib& picture, const std::string& fname, std::string* reason, Progress* progress = nullptr,
                      FileProblem* problem = nullptr);

}  // namespace trellimap
