#pragma once
// An outline seen as a flat quadrilateral in perspective: the view that takes
// the unit square's corners onto the outline's four corners, and the outline's
// sides 1 and 3 taken back through it into the square. Walking those sides by
// arc length there and mapping the points forward through the view gives the
// perspective-true map of the outline; two outlines that are projective
// images of each other, bends included, get the same sides in the square, so
// the map between them is that projection.

#include <optional>
#include <vector>

#include "foundation/dynaarray.h"
#include "warp/smoothmap.h"

namespace trellimap {

// Why an outline has no perspective view.
enum class PerspectiveProblem {
  None,
  CornersInLine,        // three corners on one line (or two in one place)
  CornerBeyondHorizon,  // one corner inside the triangle of the other three
  CrossedSides,         // the outline crosses itself: a bow tie
  BendBeyondHorizon,    // a point of side 1 or 3 lies past the view's horizon
};

// The outline's map seen in perspective (OutlineMap with its view), or
// nothing, `problem` then telling why; the outline needs its four corners.
std::optional<OutlineMap> PerspectiveMap(const TDynaArray& outline, PerspectiveProblem* problem = nullptr);
// The same for an outline given as its sides 1 (corner 1 to corner 2) and 3
// (corner 3 to corner 4).
std::optional<OutlineMap> PerspectiveMap(std::vector<Vec> side1, std::vector<Vec> side3,
                                         PerspectiveProblem* problem = nullptr);

// The maps of one direction's outlines: both seen in perspective when
// `perspective` asks for it and both outlines allow it, else both by arc length.
struct MapPair {
  OutlineMap destination, source;
};
MapPair ChosenMaps(const TDynaArray& destination, const TDynaArray& source, bool perspective);

inline PerspectiveProblem PerspectiveProblemOf(const TDynaArray& outline) {
  PerspectiveProblem problem = PerspectiveProblem::None;
  PerspectiveMap(outline, &problem);
  return problem;
}

}  // namespace trellimap
