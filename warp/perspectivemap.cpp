#include "warp/perspectivemap.h"

#include <utility>
#include <vector>

namespace trellimap {
namespace {

// The turn at b on the way a → b → c: positive one way, negative the other,
// zero on a line. Exact for the coordinates outlines hold.
int Turn(const Vec& a, const Vec& b, const Vec& c) {
  const long double cross = (static_cast<long double>(b.x) - a.x) * (static_cast<long double>(c.y) - b.y) -
                            (static_cast<long double>(b.y) - a.y) * (static_cast<long double>(c.x) - b.x);
  return (cross > 0) - (cross < 0);
}

// What keeps four corners from being a convex quadrilateral: a convex one
// turns the same way at every corner.
PerspectiveProblem CornerProblem(const Vec corners[4]) {
  int left = 0, right = 0;
  for (int i = 0; i < 4; ++i) {
    const int turn = Turn(corners[i], corners[(i + 1) % 4], corners[(i + 2) % 4]);
    if (turn == 0) return PerspectiveProblem::CornersInLine;
    (turn > 0 ? left : right) += 1;
  }
  if (left == 4 || right == 4) return PerspectiveProblem::None;
  return left == 2 ? PerspectiveProblem::CrossedSides : PerspectiveProblem::CornerBeyondHorizon;
}

}  // namespace

std::optional<OutlineMap> PerspectiveMap(std::vector<Vec> side1, std::vector<Vec> side3, PerspectiveProblem* problem) {
  const auto fail = [&](PerspectiveProblem why) -> std::optional<OutlineMap> {
    if (problem != nullptr) *problem = why;
    return std::nullopt;
  };
  if (side1.size() < 2 || side3.size() < 2) return fail(PerspectiveProblem::CornersInLine);
  const Vec corners[4] = {side1.front(), side1.back(), side3.front(), side3.back()};
  if (const PerspectiveProblem found = CornerProblem(corners); found != PerspectiveProblem::None) return fail(found);
  const std::optional<Homography> view = SquareOnto(corners);
  if (!view) return fail(PerspectiveProblem::CornersInLine);
  // Points on the corners' side of the horizon get a positive weight.
  const Vec middle{(corners[0].x + corners[1].x + corners[2].x + corners[3].x) / 4,
                   (corners[0].y + corners[1].y + corners[2].y + corners[3].y) / 4};
  const Homography back = view->Inverse().WithPositiveWeightAt(middle);
  for (std::vector<Vec>* side : {&side1, &side3})
    for (Vec& p : *side) {
      if (!(back.Weight(p) > 0)) return fail(PerspectiveProblem::BendBeyondHorizon);
      p = back.Apply(p);
    }
  // The corners land on the square's corners exactly, whatever the rounding.
  side1.front() = {0, 1};
  side1.back() = {1, 1};
  side3.front() = {1, 0};
  side3.back() = {0, 0};
  if (problem != nullptr) *problem = PerspectiveProblem::None;
  return OutlineMap(SidePath(std::move(side1)), SidePath(std::move(side3)), view);
}

std::optional<OutlineMap> PerspectiveMap(const TDynaArray& outline, PerspectiveProblem* problem) {
  return PerspectiveMap(SidePoints(outline, 1), SidePoints(outline, 3), problem);
}

MapPair ChosenMaps(const TDynaArray& destination, const TDynaArray& source, bool perspective) {
  if (perspective) {
    std::optional<OutlineMap> to = PerspectiveMap(destination), from = PerspectiveMap(source);
    if (to && from) return {std::move(*to), std::move(*from)};
  }
  return {OutlineMap(destination), OutlineMap(source)};
}

}  // namespace trellimap
