// Rescue passes over the chosen page: grown past sides that cut it short, and
// trimmed where it runs round a light shape beside it.

#include <algorithm>
#include <cmath>

#include "detect/edgetrace.h"
#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

// Dark bands across a page (a heading's rule, a table) can part it, and its
// likeliest part stand for it. Where both sides next to one side run on past
// their corners with the page's edge, the page is followed again from that
// side moved to where they end, and kept where its far corners stay and its
// edges show nearly as clearly.
Page Extended(const WorkingCopy& copy, Page page) {
  for (int i = 0; i < 4; ++i) {
    const Vec &from = page.corners[i], &to = page.corners[(i + 1) % 4];
    const SideCurve before = BaseLine(page.corners[(i + 3) % 4], from), after = BaseLine(to, page.corners[(i + 2) % 4]);
    const double size = Diagonal(page), gap = std::max(kLeastRunGap, kRunGap * size);
    const double along = RunsOn(copy, before, before.Along(from), 1, page.rising[(i + 3) % 4], kFaint, gap, size);
    const double back = RunsOn(copy, after, after.Along(to), -1, page.rising[(i + 1) % 4], kFaint, gap, size);
    const double reach = std::min(along, back);
    if (reach < kLeastRunOn * size) continue;
    Quad quad = Corners(page);
    quad[i] = before.At(before.Along(from) + reach);
    quad[(i + 1) % 4] = after.At(after.Along(to) - reach);
    const std::optional<Page> grown = Follow(copy, quad);
    if (!grown || grown->score < kExtendedScore * page.score || Area(Corners(*grown)) < Area(Corners(page))) continue;
    const auto stays = [&](int k) { return Distance(grown->corners[k % 4], page.corners[k % 4]) < kStays * size; };
    if (stays(i + 2) && stays(i + 3)) page = *grown;
  }
  return page;
}

// There the side runs round the shape, and the page's own edge lies inside,
// meeting the side where the shape ends, or, where the shape covers the whole
// side, straight where the side bends round the shape (or the other way
// round). Such a side is fitted again to that inner edge; an edge inside
// along the whole side and alike in shape (a band of colour along it) is the
// page's own and is left.
Page Trimmed(const WorkingCopy& copy, Page page) {
  for (int i = 0; i < 4; ++i) {
    const SideCurve& side = page.sides[i];
    const Stretch s = Inner(side, page.corners[i], page.corners[(i + 1) % 4]);
    const std::vector<std::optional<Vec>> inner =
        InnerEdge(copy, side, s.t0, s.t1, kTrimSamples, kTrimDepth * Diagonal(page), page.rising[i], kFaint);
    std::vector<Vec> points;
    for (const std::optional<Vec>& p : inner)
      if (p) points.push_back(*p);
    if (points.size() < kTrimSamples / 4) continue;
    const std::optional<SideCurve> edge = FitEither(BaseLine(side.At(s.t0), side.At(s.t1)), points, kTrimSpread);
    if (!edge) continue;
    // Signed: positive where the edge lies inside the side.
    const auto off = [&](const Vec& p) { return edge->Offset(edge->Along(p)) - edge->Across(p); };
    int follows = 0;
    for (const std::optional<Vec>& p : inner) follows += p && std::abs(off(*p)) <= 2 * kTrimSpread;
    // Whether the edge meets or crosses the side between its corners, or differs from it in shape.
    const double a = side.Along(page.corners[i]), b = side.Along(page.corners[(i + 1) % 4]);
    double nearest = 1e300;
    for (int j = 0; j <= kTrimSamples; ++j) nearest = std::min(nearest, off(side.At(a + (b - a) * j / kTrimSamples)));
    const bool roundAShape = nearest <= 2 * kTrimSpread || side.Straight() != edge->Straight();
    if (follows < kTrimSamples / 4 || !roundAShape) continue;
    Page trimmed = page;
    trimmed.sides[i] = *edge;
    if (!Meets(trimmed) || !Plausible(trimmed, copy.gradient.size()) || Area(Corners(trimmed)) >= Area(Corners(page)))
      continue;
    Score(copy, trimmed);
    if (trimmed.score >= page.score) page = trimmed;
  }
  return page;
}

}  // namespace trellimap
