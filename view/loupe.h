#pragma once
// The loupe a picture pane shows while a point is dragged or placed: the
// picture's pixels around the point, magnified, in the corner of the pane
// farthest from the pointer, with the point's own pixel marked.

#include <cstdint>

namespace trellimap {

// Each picture pixel is shown as a square of this many screen pixels each way.
inline constexpr int32_t kLoupeMagnification = 4;
// Picture pixels across the loupe: odd, so that the point's pixel can be the middle one.
inline constexpr int32_t kLoupePixels = 31;
// The loupe's side in screen pixels.
inline constexpr int32_t kLoupeSide = kLoupePixels * kLoupeMagnification;
// Room left between the loupe and the pane's edges.
inline constexpr int32_t kLoupeMargin = 6;

struct LoupeRect {
  int32_t x, y, width, height;
  bool operator==(const LoupeRect&) const = default;
};

struct LoupePlacement {
  LoupeRect source;  // picture pixels shown; beyond the picture only where it is too small or the point lies outside
  LoupeRect place;   // where the loupe lies in the pane's visible area
  LoupeRect mark;    // the point's pixel, magnified, in loupe pixels
};

// The loupe for the point at picture pixel (pointX, pointY) on a picture of
// pictureWidth × pictureHeight, the pointer at (pointerX, pointerY) of a
// visible area of viewWidth × viewHeight. The shown pixels are centred on the
// point where the picture allows it and otherwise stay within the picture,
// always holding the point. The loupe takes the corner diagonally across from
// the quarter the pointer is in.
LoupePlacement PlaceLoupe(int32_t pointX, int32_t pointY, int32_t pictureWidth, int32_t pictureHeight, int32_t pointerX,
                          int32_t pointerY, int32_t viewWidth, int32_t viewHeight);

// Where the middle of picture pixel (x, y) lies in `loupe`, in loupe pixels
// from its top left: so an outline's sides can be drawn over the magnified
// pixels through the points they join.
struct LoupeSpot {
  double x, y;
  bool operator==(const LoupeSpot&) const = default;
};
LoupeSpot ToLoupe(const LoupePlacement& loupe, int32_t x, int32_t y);

}  // namespace trellimap
