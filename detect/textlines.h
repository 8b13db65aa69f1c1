#pragma once
// Lines of text on a page: dark marks joined into lines, each line's middle
// fitted with a smooth curve. On a bent page the lines bend with the paper,
// so they show its shape where its edges do not.

#include <vector>

#include "detect/sidecurve.h"
#include "detect/workingcopy.h"

namespace trellimap {

struct TextLine {
  SideCurve middle;   // the line's middle; its base line runs left to right
  Vec left, right;    // its ends, on the middle
  double height = 0;  // how high its marks stand, pixels
  double rms = 0;     // how far the marks' middles stray from the curve, pixels

  double Length() const { return Distance(left, right); }
  Vec Centre() const { return middle.At(middle.Along((left + right) / 2)); }
};

// The dark marks of the working copy: 255 where the lightness lies clearly
// below the closed ground around it (text, rules), 0 elsewhere.
cv::Mat DarkMarks(const WorkingCopy& copy);

// The lines of text that the marks form, top to bottom by their centres.
std::vector<TextLine> FindTextLines(const cv::Mat& marks);

}  // namespace trellimap
