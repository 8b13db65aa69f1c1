#include "tests/support/pagephotos.h"

#include "codecs/picturewriter.h"
#include "tests/support/syntheticphoto.h"

namespace trellimap::testing {

std::string WriteTiltedPagePhoto(const TempFolder& folder, const std::string& name, double width, double height,
                                 int32_t pictureWidth, int32_t pictureHeight) {
  PhotoSetup setup;
  setup.width = pictureWidth;
  setup.height = pictureHeight;
  setup.pageWidth = width;
  setup.pageHeight = height;
  setup.tilt = 20;
  setup.fill = 0.8;
  const SyntheticPhoto photo = MakePhoto(setup);
  const std::string path = folder.Path(name);
  WritePictureFile(photo.picture, path);
  return path;
}

}  // namespace trellimap::testing
