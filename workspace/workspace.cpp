#include "workspace/workspace.h"

#include "image/pixmill3.h"

namespace trellimap {

Workspace::Workspace() {
  for (dib* d : Pictures()) newdib(d, kStartWidth, kStartHeight, 24, nullptr, 0);
}

Workspace::~Workspace() {
  for (dib* d : Pictures()) ReleaseDib(d);
}

SideRef Workspace::Side(size_t side) {
  if (side == 0) return {di1, punkte1, ecken1};
  return {di2, punkte2, ecken2};
}

ConstSideRef Workspace::Side(size_t side) const {
  const SideRef s = const_cast<Workspace*>(this)->Side(side);
  return {s.picture, s.outline, s.corners};
}

dib& Workspace::Result(WarpDirection direction) { return direction == WarpDirection::OneIntoTwo ? di3 : di4; }

const dib& Workspace::Result(WarpDirection direction) const { return const_cast<Workspace*>(this)->Result(direction); }

std::array<dib*, 4> Workspace::Pictures() { return {&di1, &di2, &di3, &di4}; }

std::array<const dib*, 4> Workspace::Pictures() const { return {&di1, &di2, &di3, &di4}; }

}  // namespace trellimap
