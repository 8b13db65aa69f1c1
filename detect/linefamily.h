#pragma once
// The lines of text of a block as one family of curves. In a frame whose
// base line runs level across the block, each line's offset (its height) is a
// polynomial along it whose coefficients change in step with the line's level
// (its height at the block's middle): lines seen in perspective meet where
// their direction says, and a bent page's lines change their bend smoothly
// from line to line. So the family carries the lines' shape on a little past
// the first and the last line, to the page's margins, where no line shows it.

#include <array>
#include <optional>
#include <vector>

#include "detect/sidecurve.h"
#include "detect/textlines.h"
#include "detect/tuning.h"

namespace trellimap {

class LineFamily {
 public:
  // The family of `lines` in the frame from `left` to `right` (picture x);
  // nothing where fewer than two of them can be fitted in it.
  static std::optional<LineFamily> Of(const std::vector<const TextLine*>& lines, double left, double right);

  // The level of the family's curve through p.
  double LevelThrough(const Vec& p) const;
  // Whether p lies across the frame's stretch, where the lines showed the
  // family's shape (beyond it the polynomials soon stray).
  bool Spans(const Vec& p) const;

  // The family's curve at `level`, as a side running left to right or, when
  // `reversed`, right to left.
  SideCurve At(double level, bool reversed) const;

 private:
  SideCurve frame_;
  // The polynomial's coefficients at a level: base_ + slope_ · level.
  std::array<double, tuning::kTextLineDegree + 1> base_{}, slope_{};
};

}  // namespace trellimap
