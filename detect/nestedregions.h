#pragma once
// The connected regions of a picture below each of several thresholds, all
// found in one pass. The pixels at or below a threshold include those at or
// below every lower one, so each threshold's regions grow from the last's:
// the pixels are added threshold by threshold and joined to their
// neighbours, rather than the picture being labelled afresh for each.

#include <functional>
#include <opencv2/core.hpp>
#include <span>
#include <vector>

namespace trellimap {

struct RegionStats {
  cv::Rect box;  // the smallest rectangle holding the region
  int area = 0;  // its pixels
};

struct ChosenRegion {
  RegionStats stats;
  cv::Mat mask;  // of the box: 255 on the region's pixels, 0 elsewhere
};

// Picks from a threshold's regions, given in the order of their first pixel
// row by row, the indices of those whose pixels are wanted.
using RegionChoice = std::function<std::vector<size_t>(const std::vector<RegionStats>&)>;

// For each of `thresholds` (rising), the chosen 4-connected regions of the
// pixels of `values` (one float channel) at or below it, as labelling
// `values <= threshold` with connectedComponentsWithStats would give them.
std::vector<std::vector<ChosenRegion>> RegionsBelow(const cv::Mat& values, std::span<const float> thresholds,
                                                    const RegionChoice& choose);

}  // namespace trellimap
