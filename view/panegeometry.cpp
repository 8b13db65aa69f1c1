#include "view/panegeometry.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "foundation/outlinepoint.h"
#include "workspace/outlineediting.h"

namespace trellimap {

Split HalfSplit(int32_t total) {
  if (total < 0) total = 0;
  return {total / 2, total - total / 2};
}

int32_t ZoomFromText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return kZoomMin;
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
    value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{kZoomMax} + 1);
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  if (i != text.size()) return kZoomMin;  // not a whole number
  if (negative) return kZoomMin;
  return static_cast<int32_t>(std::clamp<int64_t>(value, kZoomMin, kZoomMax));
}

namespace {

// Results are kept within ±2^29: far outside any pane or picture, and safe to
// add small offsets to.
constexpr double kLimit = 1 << 29;

int32_t Clamped(long double value) { return static_cast<int32_t>(std::clamp<long double>(value, -kLimit, kLimit)); }

}  // namespace

int32_t Zoomed(int32_t value, int32_t zoom) {
  return Clamped(std::nearbyint(static_cast<double>(value) * zoom / 100.0));
}

int32_t PaneToPicture(int32_t position, int32_t zoom) {
  return Clamped(std::nearbyint(static_cast<long double>(position) / zoom * 100));
}

int32_t FitZoom(int32_t width, int32_t height, int32_t viewWidth, int32_t viewHeight) {
  if (width <= 0 || height <= 0) return kZoomMax;
  const auto fits = [&](int32_t z) { return Zoomed(width, z) <= viewWidth && Zoomed(height, z) <= viewHeight; };
  const long double estimate =
      std::min(100.0L * viewWidth / width, 100.0L * viewHeight / height);  // the rounding decides the last step
  int32_t zoom = static_cast<int32_t>(std::clamp<long double>(estimate, kZoomMin, kZoomMax));
  while (zoom > kZoomMin && !fits(zoom)) --zoom;
  while (zoom < kZoomMax && fits(zoom + 1)) ++zoom;
  return zoom;
}

int32_t WheelZoom(int32_t zoom, int notches) {
  long double z = zoom;
  for (int i = 0; i < std::abs(notches); ++i) {
    const long double next = std::nearbyint(notches > 0 ? z * 1.25L : z / 1.25L);
    z = next != z ? next : z + (notches > 0 ? 1 : -1);
    z = std::clamp<long double>(z, kZoomMin, kZoomMax);
  }
  return static_cast<int32_t>(z);
}

int32_t ScrollKeepingPoint(int32_t scroll, int32_t pointer, int32_t from, int32_t to) {
  if (from <= 0) return scroll;
  const long double under = (static_cast<long double>(scroll) + pointer) * to / from;
  return Clamped(std::nearbyint(under - pointer));
}

int32_t PointNear(const TDynaArray& list, int32_t corners, int32_t px, int32_t py, int32_t zoom, int32_t radius) {
  const auto points = static_cast<int32_t>(list.count) - (HasClosingRecord(list, corners) ? 1 : 0);
  int32_t found = -1;
  int64_t best = 0;
  for (int32_t i = 0; i < points; ++i) {
    const TOutlinePoint& p = PointAt(list, static_cast<uint32_t>(i));
    const int64_t dx = Zoomed(p.x, zoom) - int64_t{px}, dy = Zoomed(p.y, zoom) - int64_t{py};
    if (std::llabs(dx) > radius || std::llabs(dy) > radius) continue;
    // Of points drawn on top of each other, the later one is the one seen.
    const int64_t distance = dx * dx + dy * dy;
    if (distance <= int64_t{radius} * radius && (found < 0 || distance <= best)) {
      found = i;
      best = distance;
    }
  }
  return found;
}

}  // namespace trellimap
