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
  // Takes reduced copies of pictures 1 and 2 (any depth in; 24-bit copies
  // out). Call when a drag starts; a second call starts afresh.
  void Begin(const Workspace& ws);
  // Renders both directions for ws's current outlines and options
  // (showoriginal, transparent, perspective) on the reduced copies. False (and nothing
  // rendered) when not begun or an outline is not complete.
  bool Render(const Workspace& ws);
  bool Active() const { return preview_ != nullptr; }
  // The reduced result of `direction`; an empty record before a Render.
  const dib& Result(WarpDirection direction) const;

  // Releases the copies and results.
  void End() { preview_.reset(); }

 private:
  // The reduced copies as pictures 1 and 2, the reduced results, and the
  // outlines scaled by each side's own factor k.
  std::unique_ptr<Workspace> preview_;
  int32_t k_[2] = {1, 1};
};

}  // namespace trellimap
