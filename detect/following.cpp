// Following a guess to a page: each side's edge traced near the guess's side
// in a band that narrows round by round, fitted, and met with its neighbours.

#include <algorithm>
#include <cmath>

#include "detect/edgetrace.h"
#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

int PolarityOf(const WorkingCopy& copy, const Quad& quad) {
  double inside = 0, outside = 0;
  const double away = kPolarityAway + kPolarityAwayShare * Distance(quad[0], quad[2]);
  for (int i = 0; i < 4; ++i) {
    const SideCurve side = BaseLine(quad[i], quad[(i + 1) % 4]);
    const Vec n = side.Normal();
    for (int j = 1; j < kPolaritySamples; ++j) {
      const Vec p = side.At(side.length * j / kPolaritySamples);
      inside += Sample(copy.level, p + away * n);
      outside += Sample(copy.level, p - away * n);
    }
  }
  return inside >= outside ? 1 : -1;
}

std::optional<Page> Follow(const WorkingCopy& copy, const Quad& quad) {
  Page page;
  page.polarity = PolarityOf(copy, quad);
  for (int i = 0; i < 4; ++i) page.sides[i] = BaseLine(quad[i], quad[(i + 1) % 4]);
  std::copy(quad.begin(), quad.end(), page.corners.begin());
  const double diagonal = Distance(quad[0], quad[2]);
  bool first = true;
  for (const Band& round : kBands) {
    const double band = std::max(round.least, round.share * diagonal);
    Page next = page;
    std::array<std::vector<Vec>, 4> points;
    const double spread = std::max(kLeastSpread, band / kBandsPerSpread);
    std::array<Stretch, 4> stretches;
    std::array<float, 4> strength;
    for (int i = 0; i < 4; ++i) {
      stretches[i] = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
      points[i] = TraceEdge(copy, page.sides[i], stretches[i].t0, stretches[i].t1, band, page.polarity, &strength[i]);
    }
    const float strongest = *std::max_element(strength.begin(), strength.end());
    for (int i = 0; i < 4; ++i) {
      const Stretch s = stretches[i];
      // A first guess may lie further off a side than the band reaches: look
      // wider where the band shows little edge, or only a faint slope across
      // the page (its lighting) while other sides show the page's edge.
      const double few =
          kFewTraced * std::clamp((s.t1 - s.t0) / kTraceSpacing, double{kLeastTraced}, double{kMostTraced});
      for (double wider = kFirstWider * band;
           first && (points[i].size() < few || strength[i] < kFaintShare * strongest) && wider <= kWidest * diagonal;
           wider *= 2) {
        float widerStrength = 0;
        std::vector<Vec> found = TraceEdge(copy, page.sides[i], s.t0, s.t1, wider, page.polarity, &widerStrength);
        if (points[i].size() < few || widerStrength > kFaintShare * strongest)
          points[i] = found, strength[i] = widerStrength;
      }
      const SideCurve base = BaseLine(page.sides[i].At(s.t0), page.sides[i].At(s.t1));
      const std::optional<SideCurve> fit = FitEither(base, points[i], spread);
      if (!fit) continue;  // the side keeps its last place
      next.sides[i] = *fit;
    }
    if (Meets(next)) StraightenAllBut(next, BentPair(next), points, spread);
    // A narrower band that loses the edge keeps what the wider one found.
    const bool followed = Meets(next) && Plausible(next, copy.gradient.size());
    if (!followed && first) return std::nullopt;
    if (!followed) break;
    page = next;
    first = false;
  }
  Score(copy, page);
  return page;
}

}  // namespace trellimap
