#pragma once
// Real phone photos of documents with hand-labelled pages, kept outside the
// repository (a development set): where they are, and what their labels say.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "warp/vec.h"

namespace trellimap::testing {

struct RealPhoto {
  std::string file;               // full path
  int32_t width = 0, height = 0;  // the upright picture's size
  bool noPage = false;            // no whole page shows
  std::vector<Vec> corners;       // top left, top right, bottom right, bottom left as the text reads; pixels
  std::vector<Vec> outline;       // the page's outline in pixels, corners and the points of bent sides, round
};

// The development set's folder, when it is there: $TRELLIMAP_REAL_PHOTOS, else
// the folder beside the source tree.
std::optional<std::string> RealPhotoFolder();

// The photos `folder`'s truth.json labels, in the order of their names;
// empty when it cannot be read.
std::vector<RealPhoto> ReadRealPhotos(const std::string& folder);

// Whether an outline found on `photo` is its page: overlap (intersection
// over union) with the labelled page of at least this.
inline constexpr double kRightOverlap = 0.95;
double OverlapWithPage(const RealPhoto& photo, const std::vector<Vec>& found);

}  // namespace trellimap::testing
