// Opens the input as a picture file whose name ends in the extension that
// $TRELLIMAP_FUZZ_EXTENSION gives (png, bmp, jp2, ...), as the window and the
// command-line tool open one: the name and the content choose the reader, and
// a picture read is promoted to 24 bits; and again reduced, as a page is
// found in it. One target per format is this
// program run with that format's extension and seeds.

#include <magick/api.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "codecs/picturedecoder.h"
#include "codecs/pictureopening.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/silentmessages.h"
#include "image/pixmill3.h"

namespace {

trellimap::fuzz::InputFile* input = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* extension = std::getenv("TRELLIMAP_FUZZ_EXTENSION");
  if (extension == nullptr || *extension == 0) {
    std::fprintf(stderr, "fuzz_picture: set TRELLIMAP_FUZZ_EXTENSION to the extension to read (png, bmp, ...)\n");
    std::exit(2);
  }
  static trellimap::fuzz::InputFile file(std::string("input.") + extension);
  input = &file;
  static trellimap::fuzz::SilentMessages silent;
  trellimap::SetMessageBoxes(&silent);
  trellimap::InitializePictureLibrary();
  // One input at a time is what the fuzzer measures; the library's worker
  // threads would only share the same work.
  SetMagickResourceLimit(ThreadsResource, 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  input->Put(data, size);
  trellimap::dib picture;
  if (!trellimap::ReadPictureFile(input->Path(), picture).done()) {
    // A failed read holds no picture.
    if (picture.poi != nullptr) std::abort();
    return 0;
  }
  if (trellimap::DibBitCount(&picture) != 24 || trellimap::DibWidth(&picture) <= 0 ||
      trellimap::DibHeight(&picture) <= 0)
    std::abort();
  trellimap::ReleaseDib(&picture);
  // Read again as finding a page reads it, reduced where the format allows
  // (a JPEG with restart markers then in two halves at once).
  trellimap::Reduction reduction{16};
  if (trellimap::ReadPictureFile(input->Path(), picture, nullptr, &reduction).done())
    trellimap::ReleaseDib(&picture);
  else if (picture.poi != nullptr)
    std::abort();
  return 0;
}
