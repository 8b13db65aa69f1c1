#pragma once
// Geometry of the window's panes, free of any window system: the split of the
// client area, zoomed sizes, and the mapping between pane and picture pixels.

#include <cstdint>
#include <string_view>

#include "foundation/dynaarray.h"

namespace trellimap {

struct Split {
  int32_t first;   // the left column, or the upper pane
  int32_t second;  // the rest, one pixel more when the total is odd
};

// Splits `total` pixels in half, the odd pixel going to the second part.
Split HalfSplit(int32_t total);

// Zoom edits hold whole percent from 1 to 10000.
inline constexpr int32_t kZoomMin = 1;
inline constexpr int32_t kZoomMax = 10000;

// The zoom an edit's text stands for: its whole number, 1 for an empty or
// non-numeric text, and the nearer limit for a number outside 1 to 10000.
int32_t ZoomFromText(std::string_view text);

// A picture length or coordinate at `zoom` percent: the nearest integer of
// value × zoom ÷ 100, halves to even. Both mappings keep their results within
// ±2^29, far beyond any pane or picture.
int32_t Zoomed(int32_t value, int32_t zoom);

// The picture coordinate under pane position `position` at `zoom` percent:
// the nearest integer of position ÷ zoom × 100 (the quotient taken in extended
// precision first), halves to even.
int32_t PaneToPicture(int32_t position, int32_t zoom);

// The largest zoom (1 to 10000) at which a picture of width × height takes
// no more than viewWidth × viewHeight pane pixels.
int32_t FitZoom(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight);

// The zoom `notches` wheel notches away from `zoom`: 1.25 times larger per
// notch in (positive), smaller out, at least 1 % per notch, within the limits.
int32_t WheelZoom(int32_t zoom, int notches);

// The scroll offset that keeps the picture point under the pointer (at
// `pointer` pane pixels into the view, scrolled to `scroll`) where it is when
// the zoom goes from `from` to `to` percent.
int32_t ScrollKeepingPoint(int32_t scroll, int32_t pointer, int32_t from, int32_t to);

// The index of the point of `list` (TOutlinePoint records, `corners` corners
// placed) drawn nearest to pane position (px, py) at `zoom` percent, if it
// lies within `radius` pane pixels; -1 otherwise. The closing record of a
// complete outline answers as corner 1 (index 0).
int32_t PointNear(const TDynaArray& list, int32_t corners, int32_t px, int32_t py, int32_t zoom, int32_t radius);

}  // namespace trellimap
