#pragma once
// Opening a picture file: decoding it, promoted to 24 bits, into a picture field.

#include <cstdint>
#include <string>

#include "codecs/picturedecoder.h"
#include "foundation/fileproblem.h"
#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads the picture file `fname` (UTF-8) into `d`, at the depth the file
// suggests: 1, 4 or 8 bits with a colour table and `pal` for paletted pictures
// of at most 2, 16 or 256 colours, else 24 bits (alpha flattened onto white).
// On failure `d->poi` is null and one message naming the file and the reason
// has been shown. `flags` and `window` are accepted for callers' sake and unused.
void OpenDib(dib* d, const char* fname, int32_t flags, void* window);

// Reads `fname` with OpenDib and, when that worked, promotes it to 24 bits and
// replaces `*field` (releasing the old picture). A failed read leaves `*field`
// as it was; a failed promotion loads the picture at its own depth. True when
// the field was replaced.
bool TryToOpenFile(dib* field, const std::string& fname);

// The reading half of TryToOpenFile, which shows no message: `loaded`
// (overwritten) receives the picture promoted to 24 bits. On anything but
// Done `loaded.poi` is null; `progress`, when given, may stop the reading;
// `reduction`, when given, lets it be read reduced (ReadPicture). The caller
// owns what it receives.
Outcome ReadPictureFile(const std::string& fname, dib& loaded, Progress* progress = nullptr,
                        Reduction* reduction = nullptr);

// The message that says `fname` could not be read for `problem`, in the
// user's words.
std::string PictureReadFailure(const std::string& fname, FileProblem problem);

}  // namespace trellimap
