// Following a guess to a page: each side's edge traced near the guess's side
// in a band that narrows round by round, fitted, and met with its neighbours.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "detect/edgetrace.h"
#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

namespace {

// How much higher the level lies inside the quad than outside it along each
// side, a little way off the side (a guess may lie a few pixels off the
// edge), summed over the side's pieces.
std::array<double, 4> RiseInto(const WorkingCopy& copy, const Quad& quad) {
  std::array<double, 4> rise{};
  const double away = kPolarityAway + kPolarityAwayShare * Distance(quad[0], quad[2]);
  for (int i = 0; i < 4; ++i) {
    const SideCurve side = BaseLine(quad[i], quad[(i + 1) % 4]);
    const Vec n = side.Normal();
    for (int j = 1; j < kPolaritySamples; ++j) {
      const Vec p = side.At(side.length * j / kPolaritySamples);
      rise[i] += Sample(copy.level, p + away * n) - Sample(copy.level, p - away * n);
    }
  }
  return rise;
}

// The polarity all sides' rises together tell.
int PolarityOf(const std::array<double, 4>& rise) { return rise[0] + rise[1] + rise[2] + rise[3] >= 0 ? 1 : -1; }

// Per side, `polarity` unless its own rise clearly says the other.
std::array<int, 4> RisingOf(const std::array<double, 4>& rise, int polarity) {
  std::array<int, 4> rising;
  for (int i = 0; i < 4; ++i)
    rising[i] = polarity * rise[i] <= -kOwnRise * (kPolaritySamples - 1) ? -polarity : polarity;
  return rising;
}

}  // namespace

int PolarityOf(const WorkingCopy& copy, const Quad& quad) { return PolarityOf(RiseInto(copy, quad)); }

std::array<int, 4> RisingOf(const WorkingCopy& copy, const Quad& quad, int polarity) {
  return RisingOf(RiseInto(copy, quad), polarity);
}

std::optional<Page> Follow(const WorkingCopy& copy, const Quad& quad) {
  Page page;
  // Each side's rise is read once: it tells the page's polarity and each side's.
  const std::array<double, 4> rise = RiseInto(copy, quad);
  page.polarity = PolarityOf(rise);
  page.rising.fill(page.polarity);
  const std::array<int, 4> told = RisingOf(rise, page.polarity);
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
    // Each side's stretch is read once however often the first round traces it.
    std::array<std::optional<BandReadings>, 4> readings;
    for (int i = 0; i < 4; ++i) {
      stretches[i] = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
      readings[i].emplace(copy, page.sides[i], stretches[i].t0, stretches[i].t1);
      points[i] = TraceEdge(*readings[i], page.sides[i], band, page.rising[i], &strength[i]);
    }
    const float strongest = *std::max_element(strength.begin(), strength.end());
    for (int i = 0; i < 4; ++i) {
      const Stretch s = stretches[i];
      // A first guess may lie further off a side than the band reaches: look
      // wider where the band shows little edge, or only a faint slope across
      // the page (its lighting) while other sides show the page's edge.
      const double few =
          kFewTraced * std::clamp((s.t1 - s.t0) / kTraceSpacing, double{kLeastTraced}, double{kMostTraced});
      const auto widen = [&](std::vector<Vec>& found, float& shown, int polarity) {
        for (double wider = kFirstWider * band;
             (found.size() < few || shown < kFaintShare * strongest) && wider <= kWidest * diagonal; wider *= 2) {
          float widerStrength = 0;
          std::vector<Vec> farther = TraceEdge(*readings[i], page.sides[i], wider, polarity, &widerStrength);
          if (found.size() < few || widerStrength > kFaintShare * strongest)
            found = std::move(farther), shown = widerStrength;
        }
      };
      if (first) widen(points[i], strength[i], page.rising[i]);
      // A side whose level tells the other polarity takes it where its edge
      // shows so, and the page's way hardly at all: a shadow along the page,
      // or a dark rule across it, show both ways, and so does a side half
      // against a darker ground, half against a lighter shape.
      if (first && told[i] != page.polarity) {
        float otherStrength = 0;
        std::vector<Vec> other = TraceEdge(*readings[i], page.sides[i], band, told[i], &otherStrength);
        widen(other, otherStrength, told[i]);
        if (strength[i] < kFaintShare * otherStrength &&
            otherStrength * other.size() >= kOtherWay * strength[i] * points[i].size()) {
          points[i] = std::move(other), strength[i] = otherStrength;
          page.rising[i] = next.rising[i] = told[i];
        }
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
