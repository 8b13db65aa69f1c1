// The chosen page at full resolution: its sides fitted again to the edge
// found there, sub-pixel, turned upright, and written out as an outline.

#include <algorithm>
#include <cmath>

#include "detect/edgetrace.h"
#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

namespace {

// Whether the bent pair's bows may stand: as the page's top and bottom as
// the picture shows them, or, where both sides bow clearly, a book held
// sideways. A slight bow on a page's left and right, or one side bowing
// alone, is more likely the fit's noise or a shape beside the page.
bool BowsMayStand(const Page& page, int pair) {
  if (pair == AcrossPair(page)) return true;
  const double size = Diagonal(page);
  return std::min(std::abs(SignedBow(page, pair)), std::abs(SignedBow(page, pair + 2))) > kClearBow * size;
}

}  // namespace

SideCurve Scaled(const SideCurve& side, double factor) {
  SideCurve scaled = side;
  scaled.origin = side.origin * factor;
  scaled.length = side.length * factor;
  for (double& c : scaled.coefficients) c *= factor;
  return scaled;
}

Page AtFullResolution(const FullPicture& picture, double scale, const Page& found) {
  Page page = found;
  const double factor = 1 / scale;
  for (int i = 0; i < 4; ++i) {
    page.sides[i] = Scaled(found.sides[i], factor);
    page.corners[i] = found.corners[i] * factor;
  }
  // The edge is looked for a little further off than a working pixel's rounding reaches.
  const double reach = kRefineReach * factor + 1;
  Page next = page;
  std::array<std::vector<Vec>, 4> points;
  const double spread = std::max(1.0, kRefineSpread * factor);
  for (int i = 0; i < 4; ++i) {
    const Stretch s = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
    points[i] = RefineEdge(picture, page.sides[i], s.t0, s.t1, reach, page.rising[i]);
    const int degree = page.sides[i].Straight() ? 1 : kCurveDegree;
    if (const std::optional<SideCurve> fit = FitSide(page.sides[i], points[i], degree, spread)) next.sides[i] = *fit;
  }
  if (Meets(next)) {
    const int pair = BentPair(next);
    StraightenAllBut(next, pair >= 0 && BowsEvenly(next, pair) && BowsMayStand(next, pair) ? pair : -1, points, spread);
    page = next;
  }
  return page;
}

void TurnUpright(Page& page) {
  const int bent = BentPair(page);
  const int pair = bent >= 0 ? bent : AcrossPair(page);
  const auto middle = [&](int i) { return (page.corners[i] + page.corners[(i + 1) % 4]) / 2; };
  // Of the pair, the side higher in the picture (further left, for a pair that stands upright).
  const bool pairAcross = Horizontal(page, pair) + Horizontal(page, pair + 2) >= 0;
  const Vec m0 = middle(pair), m2 = middle(pair + 2);
  const int top = (pairAcross ? m0.y <= m2.y : m0.x <= m2.x) ? pair : pair + 2;
  std::rotate(page.sides.begin(), page.sides.begin() + top, page.sides.end());
  std::rotate(page.corners.begin(), page.corners.begin() + top, page.corners.end());
}

PageOutline Outline(const Page& page) {
  PageOutline outline;
  outline.score = page.score;
  const double height = (Distance(page.corners[0], page.corners[3]) + Distance(page.corners[1], page.corners[2])) / 2;
  const double tolerance = std::max(kLeastBendTolerance, kBendTolerance * height);
  for (int i = 0; i < 4; ++i) {
    outline.points.push_back({page.corners[i], true});
    if (i % 2 == 0 && !page.sides[i].Straight())
      for (const Vec& p : BendPoints(page.sides[i], page.corners[i], page.corners[(i + 1) % 4], tolerance))
        outline.points.push_back({p, false});
  }
  return outline;
}

}  // namespace trellimap
