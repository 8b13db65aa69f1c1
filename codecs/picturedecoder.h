#pragma once
// Decoding of picture files into picture buffers, on GraphicsMagick.

#include <cstdint>
#include <string>

#include "foundation/outcome.h"
#include "foundation/progress.h"
#include "image/dib.h"

namespace trellimap {

// Starts the decoding library once per process, with limits on the size of
// picture and the memory it may take, so that a damaged header cannot make it
// allocate without bound. Safe to call any number of times.
void InitializePictureLibrary();

// Reads `path` (UTF-8) into `picture`, at the file's own depth (see OpenDib
// for the depths delivered), as its file says it is shown. A failure names
// the kind of problem in the user's terms and says why in short English;
// `progress`, when given, hears how far the reading got and may stop it
// (Stopped). On anything but Done `picture.poi` is null.
Outcome ReadPicture(const std::string& path, dib& picture, Progress* progress = nullptr);

// A picture read for a use that needs only so many pixels (finding a page):
// a format that decodes straight to a reduced size (JPEG, by 2, 4 or 8) is
// read reduced while its longer side stays at least `leastSide`; others whole.
struct Reduction {
  int32_t leastSide = 0;
  int32_t factor = 1;  // set by the reading: what the picture's sides were divided by
};
Outcome ReadPicture(const std::string& path, dib& picture, Progress* progress, Reduction* reduction);

}  // namespace trellimap
