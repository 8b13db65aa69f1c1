#pragma once
// Results that follow a dragged point: both directions rendered by the exact
// renderer on reduced copies of the two pictures (every k-th pixel, k chosen so
// each copy holds at most kPreviewPixels pixels), with the outlines scaled alike.

#include <cstdint>
#include <memory>

#include "image/dib.h"
#include "workspace/workspace.h"

namespace trellimap {

// The most pixels a reduced copy holds.
inline constexpr int64_t kPreviewPixels = 500000;

class DragPreview {
 public:
  // Takes reduced copies of ws.di1 and ws.di2 (any depth in; 24-bit copies
  // out). Call when a drag starts; a second call starts afresh.
  void Begin(const Workspace& ws);
  // Renders both directions for ws's current outlines and options
  // (showoriginal, transparent) on the reduced copies. False (and nothing
  // rendered) when not begun or an outline is not complete.
  bool Render(const Workspace& ws);
  bool Active() const { return preview_ != nullptr; }
  // The reduced results: result 1 (picture 1 into picture 2's outline) and
  // result 2. Empty records before a Render.
  const dib& Result1() const;
  const dib& Result2() const;
  // Releases the copies and results.
  void End() { preview_.reset(); }

 private:
  // di1, di2: the reduced copies; di3, di4: the reduced results; the outlines
  // scaled by each picture's own factor.
  std::unique_ptr<Workspace> preview_;
  int32_t k1_ = 1, k2_ = 1;
};

}  // namespace trellimap
