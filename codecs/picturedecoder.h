#pragma once
// Decoding of picture files into picture buffers, on GraphicsMagick.

#include <string>

#include "foundation/fileproblem.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Starts the decoding library once per process, with limits on the size of
// picture and the memory it may take, so that a damaged header cannot make it
// allocate without bound. Safe to call any number of times.
void InitializePictureLibrary();

// Reads `path` (UTF-8) into `out` (see OpenDib for the depths delivered).
// On failure `out->poi` is null and `*reason` (when given) says why.
// `progress`, when given, hears how far the library's decoding got and may
// stop it: the reason is then kStopped. `problem`, when given, receives the
// kind of failure in the user's terms (None for a stopped decoding).
bool DecodePicture(const std::string& path, dib* out, std::string* reason, Progress* progress = nullptr,
                   FileProblem* problem = nullptr);

// DecodePicture that reports a failure itself, in one message naming the
// file and the kind of problem in the user's words; a decoding that was
// stopped is no failure to report.
bool DecodePictureFile(const char* path, dib* out, Progress* progress = nullptr);

}  // namespace trellimap
