#include "render/dragpreview.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/outlinepoint.h"
#include "image/pixmill3.h"
#include "render/workspacerender.h"

namespace trellimap {
namespace {

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// The smallest k >= 1 with ceil(w / k) × ceil(h / k) <= kPreviewPixels.
int32_t Factor(int32_t width, int32_t height) {
  const int64_t w = std::max(width, 0), h = std::max(height, 0);
  int64_t k = 1;
  while (CeilDiv(w, k) * CeilDiv(h, k) > kPreviewPixels) ++k;
  return static_cast<int32_t>(k);
}

// `to` becomes a 24-bit picture of every k-th pixel of `from` in both
// directions, starting at the top-left; empty when `from` has no pixels.
void Reduce(const dib& from, int32_t k, dib& to) {
  ReleaseDib(&to);
  if (from.poi == nullptr) return;
  const int64_t w = DibWidth(&from), h = DibHeight(&from);
  const int64_t rw = CeilDiv(w, k), rh = CeilDiv(h, k);
  newdib(&to, static_cast<int32_t>(rw), static_cast<int32_t>(rh), 24, nullptr, 0);
  if (to.poi == nullptr) return;
  const bool direct = DibBitCount(&from) == 24;
  for (int64_t y = 0; y < rh; ++y) {
    // Rows are stored bottom-up in both pictures.
    uint8_t* out = to.poi + (rh - 1 - y) * to.bytew;
    const int64_t sy = y * k;
    if (direct) {
      const uint8_t* in = from.poi + (h - 1 - sy) * from.bytew;
      for (int64_t x = 0; x < rw; ++x) std::memcpy(out + 3 * x, in + 3 * x * k, 3);
    } else {
      for (int64_t x = 0; x < rw; ++x) {
        const uint32_t c = DibPixelColour(from, static_cast<int32_t>(x * k), static_cast<int32_t>(sy));
        out[3 * x] = static_cast<uint8_t>(c >> 16);
        out[3 * x + 1] = static_cast<uint8_t>(c >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(c);
      }
    }
  }
}

// `to` becomes `from` with x and y divided by k, rounded to nearest (halves
// to even).
void ScaleOutline(const TDynaArray& from, int32_t k, TDynaArray& to) {
  to.Clear();
  for (uint32_t i = 0; i < from.count; ++i) {
    auto* r = static_cast<TOutlinePoint*>(to.Add());
    if (r == nullptr) return;
    const TOutlinePoint& p = PointAt(from, i);
    r->x = static_cast<int32_t>(std::llrint(static_cast<double>(p.x) / k));
    r->y = static_cast<int32_t>(std::llrint(static_cast<double>(p.y) / k));
    r->iscorner = p.iscorner;
  }
}

const dib kNoResult{};

}  // namespace

void DragPreview::Begin(const Workspace& ws) {
  preview_ = std::make_unique<Workspace>();
  for (const WarpDirection d : kBothDirections) ReleaseDib(&preview_->Result(d));
  for (size_t side = 0; side < 2; ++side) {
    const dib& picture = ws.Side(side).picture;
    k_[side] = Factor(DibWidth(&picture), DibHeight(&picture));
    Reduce(picture, k_[side], preview_->Side(side).picture);
  }
}

bool DragPreview::Render(const Workspace& ws) {
  if (preview_ == nullptr || !OutlinesComplete(ws)) return false;
  Workspace& p = *preview_;
  for (size_t side = 0; side < 2; ++side) {
    ScaleOutline(ws.Side(side).outline, k_[side], p.Side(side).outline);
    p.Side(side).corners = ws.Side(side).corners;
  }
  p.showoriginal = ws.showoriginal;
  p.transparent = ws.transparent;
  p.perspective = ws.perspective;
  for (const WarpDirection d : kBothDirections) RenderDirectionExact(p, d);
  return true;
}

const dib& DragPreview::Result(WarpDirection direction) const {
  return preview_ != nullptr ? preview_->Result(direction) : kNoResult;
}

}  // namespace trellimap
