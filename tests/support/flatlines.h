#pragma once
// Lines of text on a flattened page, measured: how straight each runs and
// how evenly they are spaced, for checking that flattening a book's page
// has undone its bend.

#include <vector>

#include "image/dib.h"

namespace trellimap::testing {

struct FlatLines {
  int lines = 0;                // text lines found
  double worstBend = 0;         // the largest spread of a line's height across it, share of the page's height
  double worstSpacing = 0;      // the largest difference of a gap between lines from their median, share of it
  std::vector<double> middles;  // each line's mean height, pixels from the top
};

// The dark rows of `page` (a 24-bit picture) taken as lines of text, each
// measured in `bands` bands across by the middle of its dark pixels there;
// rows touching the page's top or bottom are left out (what lies beyond the
// page's edge).
FlatLines MeasureFlatLines(const dib& page, int bands = 12);

}  // namespace trellimap::testing
