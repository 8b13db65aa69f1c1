#include "view/outlinedrawing.h"

#include <algorithm>
#include <cstdlib>

#include "foundation/outlinepoint.h"
#include "view/panegeometry.h"

namespace trellimap {
namespace {

constexpr int32_t kMarkerReach = 3;

class Pen {
 public:
  Pen(PixelSurface& surface, int32_t originX, int32_t originY, uint32_t colour)
      : s_(surface), ox_(originX), oy_(originY), colour_(colour) {}

  void SetWidth(int32_t width) { width_ = width; }

  // A pen of width w covers the w × w square whose top-left lies w/2 pixels
  // up and left of the point, as a centred geometric pen does.
  void Stamp(int32_t x, int32_t y) {
    const int32_t left = x - width_ / 2, top = y - width_ / 2;
    for (int32_t dy = 0; dy < width_; ++dy)
      for (int32_t dx = 0; dx < width_; ++dx) Plot(left + dx, top + dy);
  }

  // The pixels of a line from (x0, y0) to (x1, y1), the end point excluded:
  // one per step along the longer axis, the other coordinate rounded (halves
  // away from the start). Only steps that can reach the surface are visited,
  // so a line from a point far off the pane costs no more than a short one.
  void Line(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const bool xMajor = std::llabs(int64_t{x1} - x0) >= std::llabs(int64_t{y1} - y0);
    const int64_t a0 = xMajor ? x0 : y0, a1 = xMajor ? x1 : y1;  // the longer axis
    const int64_t b0 = xMajor ? y0 : x0, b1 = xMajor ? y1 : x1;
    const int64_t steps = std::llabs(a1 - a0);
    if (steps == 0) return;
    const int64_t da = a1 > a0 ? 1 : -1, db = b1 > b0 ? 1 : -1, rise = std::llabs(b1 - b0);
    // Steps whose position on the longer axis lies within the surface (with
    // the pen's reach) form one range.
    const int64_t low = (xMajor ? ox_ : oy_) - width_, high = low + (xMajor ? s_.width() : s_.height()) + 2 * width_;
    int64_t first = 0, last = steps - 1;
    if (da > 0) {
      first = std::max(first, low - a0);
      last = std::min(last, high - a0);
    } else {
      first = std::max(first, a0 - high);
      last = std::min(last, a0 - low);
    }
    for (int64_t i = first; i <= last; ++i) {
      const int64_t a = a0 + da * i;
      const int64_t b = b0 + db * ((2 * i * rise + steps) / (2 * steps));
      if (xMajor)
        Stamp(static_cast<int32_t>(a), static_cast<int32_t>(b));
      else
        Stamp(static_cast<int32_t>(b), static_cast<int32_t>(a));
    }
  }

  // The outline of the rectangle [left, right) × [top, bottom).
  void Frame(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    for (int32_t x = left; x < right; ++x) {
      Stamp(x, top);
      Stamp(x, bottom - 1);
    }
    for (int32_t y = top; y < bottom; ++y) {
      Stamp(left, y);
      Stamp(right - 1, y);
    }
  }

 private:
  void Plot(int32_t x, int32_t y) {
    const int64_t sx = int64_t{x} - ox_, sy = int64_t{y} - oy_;
    if (sx < 0 || sy < 0 || sx >= s_.width() || sy >= s_.height()) return;
    uint8_t* p = s_.Row(static_cast<int32_t>(sy)) + 3 * sx;
    p[0] = static_cast<uint8_t>(colour_ >> 16);  // blue
    p[1] = static_cast<uint8_t>(colour_ >> 8);   // green
    p[2] = static_cast<uint8_t>(colour_);        // red
  }

  PixelSurface& s_;
  int32_t ox_, oy_;
  uint32_t colour_;
  int32_t width_ = 1;
};

}  // namespace

void DrawOutline(PixelSurface& surface, int32_t originX, int32_t originY, const TDynaArray& list, int32_t zoom,
                 int32_t scale, uint32_t colour) {
  if (list.count == 0) return;
  Pen pen(surface, originX, originY, colour);
  const int32_t at = zoom * scale, reach = kMarkerReach * scale;
  const TOutlinePoint& first = PointAt(list, 0);
  int32_t penX = Zoomed(first.x, at), penY = Zoomed(first.y, at);
  for (uint32_t i = 0; i < list.count; ++i) {
    const TOutlinePoint& point = PointAt(list, i);
    const int32_t x = Zoomed(point.x, at), y = Zoomed(point.y, at);
    pen.SetWidth((point.iscorner ? 2 : 1) * scale);
    pen.Frame(x - reach, y - reach, x + reach, y + reach);
    pen.Line(penX, penY, x, y);
    penX = x;
    penY = y;
  }
}

}  // namespace trellimap
