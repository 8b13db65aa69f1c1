#include "view/loupe.h"

#include <algorithm>

namespace trellimap {
namespace {

// The first of kLoupePixels picture pixels shown along one axis: centred on
// `point`, moved inside [0, length) where the picture is long enough, and
// never leaving `point` out.
int32_t FirstShown(int32_t point, int32_t length) {
  const int64_t centred = int64_t{point} - kLoupePixels / 2;
  const int64_t inside = std::clamp<int64_t>(centred, 0, std::max<int64_t>(0, int64_t{length} - kLoupePixels));
  return static_cast<int32_t>(std::clamp<int64_t>(inside, int64_t{point} - (kLoupePixels - 1), point));
}

// The loupe's start along one axis: at the far end from the pointer, never before the view's start.
int32_t PlaceAlong(int32_t pointer, int32_t view) {
  const bool pointerInFirstHalf = int64_t{pointer} * 2 < view;
  return std::max(0, pointerInFirstHalf ? view - kLoupeSide - kLoupeMargin : kLoupeMargin);
}

}  // namespace

LoupePlacement PlaceLoupe(int32_t pointX, int32_t pointY, int32_t pictureWidth, int32_t pictureHeight, int32_t pointerX,
                          int32_t pointerY, int32_t viewWidth, int32_t viewHeight) {
  const LoupeRect source{FirstShown(pointX, pictureWidth), FirstShown(pointY, pictureHeight), kLoupePixels,
                         kLoupePixels};
  return {source,
          {PlaceAlong(pointerX, viewWidth), PlaceAlong(pointerY, viewHeight), kLoupeSide, kLoupeSide},
          {(pointX - source.x) * kLoupeMagnification, (pointY - source.y) * kLoupeMagnification, kLoupeMagnification,
           kLoupeMagnification}};
}

LoupeSpot ToLoupe(const LoupePlacement& loupe, int32_t x, int32_t y) {
  return {(static_cast<double>(x) - loupe.source.x + 0.5) * kLoupeMagnification,
          (static_cast<double>(y) - loupe.source.y + 0.5) * kLoupeMagnification};
}

}  // namespace trellimap
