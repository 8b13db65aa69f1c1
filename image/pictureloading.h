#pragma once
// Loading a picture file into a picture field, promoted to 24 bits.

#include <cstdint>
#include <string>

#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Reads `fname` with OpenDib and, when that worked, promotes it to 24 bits and
// replaces `*field` (releasing the old picture). A failed read leaves `*field`
// as it was; a failed promotion loads the picture at its own depth. True when
// the field was replaced.
bool TryToOpenFile(dib* field, const std::string& fname);

// The reading half of TryToOpenFile: `*loaded` (overwritten) receives the
// picture promoted to 24 bits; false, with `loaded->poi` null, when it could
// not be read (said in a message) or was stopped through `progress`. The
// caller owns what it receives. Reading is decoding, so the codecs define it.
bool ReadPictureFile(const std::string& fname, dib* loaded, Progress* progress = nullptr);

// The replacing half: `*field` is released and takes `loaded`.
void ReplacePicture(dib* field, const dib& loaded);

// Promotes a 1-, 2-, 4- or 8-bit picture to `bitcount` (only 24 is supported) in
// place: the new buffer is made first and replaces the old one when filled.
// Other depths, and a failed allocation, leave the picture as it is.
void DepthUpTo(int32_t bitcount, dib* picture);

}  // namespace trellimap
