#pragma once
// Geometry of the window's panes, free of any window system.

#include <cstdint>

namespace trellimap {

struct Split {
  int32_t first;   // the left column, or the upper pane
  int32_t second;  // the rest, one pixel more when the total is odd
};

// Splits `total` pixels in half, the odd pixel going to the second part.
Split HalfSplit(int32_t total);

}  // namespace trellimap
