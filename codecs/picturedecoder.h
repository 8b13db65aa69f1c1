#pragma once
// Decoding of picture files into picture buffers, on GraphicsMagick.

#include <string>

#include "image/dib.h"

namespace trellimap {

// Starts the decoding library once per process, with limits on the size of
// picture and the memory it may take, so that a damaged header cannot make it
// allocate without bound. Safe to call any number of times.
void InitializePictureLibrary();

// Reads `path` (UTF-8) into `out` (see OpenDib for the depths delivered).
// On failure `out->poi` is null and `*reason` (when given) says why.
bool DecodePicture(const std::string& path, dib* out, std::string* reason);

// DecodePicture that reports a failure itself, in one message naming the file.
void DecodePictureFile(const char* path, dib* out);

}  // namespace trellimap
