#pragma once
// Writing a picture to a file in the format its extension selects.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/formatregistry.h"
#include "foundation/outcome.h"
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

// Encodes `picture` (any depth; colours are what is written) in `format`. A
// failure has no FileProblem and says why in its detail; `progress`, when
// given, hears how far the encoding got and may stop it (Stopped).
Outcome EncodePicture(const dib& picture, PictureFileFormat format, std::vector<uint8_t>* out,
                      Progress* progress = nullptr);

// Writes `picture` to `fname` in the format its extension selects. The file
// appears under its name only when it was written completely. A failure of
// the file itself (no such folder, no permission, a folder, a full disk)
// names its FileProblem; any other failure (an extension that names no
// format, an encoder's) has none. Either way the detail says why in short
// English. `progress`, when given, hears how far the encoding got and may
// stop it: Stopped, and any file is left alone.
Outcome WritePictureFile(const dib& picture, const std::string& fname, Progress* progress = nullptr);

// The message that says the failed `outcome` of writing `fname` in the
// user's words: the file's own problem where it has one, else the writer's.
std::string PictureSaveFailure(const std::string& fname, const Outcome& outcome);

}  // namespace trellimap
