#include "codecs/pictureopening.h"

#include "codecs/picturedecoder.h"
#include "image/depthpromotion.h"
#include "image/pixmill3.h"

namespace trellimap {

void OpenDib(dib* d, const char* fname, int32_t /*flags*/, void* /*window*/) { DecodePictureFile(fname, d); }

bool ReadPictureFile(const std::string& fname, dib* loaded, Progress* progress) {
  if (!DecodePictureFile(fname.c_str(), loaded, progress)) return false;
  if (DibBitCount(loaded) != 24) DepthUpTo(24, loaded);
  return true;
}

bool TryToOpenFile(dib* field, const std::string& fname) {
  dib loaded;
  if (!ReadPictureFile(fname, &loaded)) return false;
  ReplacePicture(field, loaded);
  return true;
}

}  // namespace trellimap
