// A page's shape as the stages read it: its corners and sides, how its sides
// bow, and whether it may be a page at all.

#include <algorithm>
#include <cmath>

#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

double Diagonal(const Page& page) { return Distance(page.corners[0], page.corners[2]); }

Quad Corners(const Page& page) {
  Quad quad;
  std::copy(page.corners.begin(), page.corners.end(), quad.begin());
  return quad;
}

namespace {

// The page with every point and direction moved by `point` and `way`; a
// turn keeps each side's normal on its side, so the offsets stay.
template <typename Point, typename Way>
Page Moved(const Page& page, const Point& point, const Way& way) {
  Page moved = page;
  for (int i = 0; i < 4; ++i) {
    moved.sides[i].origin = point(page.sides[i].origin);
    moved.sides[i].direction = way(page.sides[i].direction);
    moved.corners[i] = point(page.corners[i]);
  }
  return moved;
}

}  // namespace

Page TurnedQuarter(const Page& page, int rows) {
  return Moved(
      page,
      [rows](const Vec& p) {
        return Vec{rows - p.y, p.x};
      },
      [](const Vec& d) {
        return Vec{-d.y, d.x};
      });
}

Page TurnedBack(const Page& page, int rows) {
  return Moved(
      page,
      [rows](const Vec& p) {
        return Vec{p.y, rows - p.x};
      },
      [](const Vec& d) {
        return Vec{d.y, -d.x};
      });
}

Stretch Inner(const SideCurve& side, const Vec& from, const Vec& to) {
  const double a = side.Along(from), b = side.Along(to);
  // A curved side is followed nearly to its ends: a curve does not extend well beyond its points.
  const double share = side.Straight() ? kCornerShare : kCurvedCornerShare;
  return {a + share * (b - a), b - share * (b - a)};
}

bool Holds(const Page& page, const Vec& p) {
  for (int i = 0; i < 4; ++i) {
    const Vec &a = page.corners[i], &b = page.corners[(i + 1) % 4];
    if (Cross(b - a, p - a) < 0) return false;
  }
  return true;
}

bool Meets(Page& page) {
  for (int i = 0; i < 4; ++i) {
    const SideCurve &before = page.sides[(i + 3) % 4], &after = page.sides[i];
    const std::optional<Vec> corner = after.Straight() ? Meet(before, after) : Meet(after, before);
    if (!corner) return false;
    page.corners[i] = *corner;
  }
  return true;
}

double SignedBow(const Page& page, int i) {
  const Vec &from = page.corners[i], &to = page.corners[(i + 1) % 4];
  const SideCurve chord = BaseLine(from, to);
  const SideCurve& side = page.sides[i];
  const double a = side.Along(from), b = side.Along(to);
  double most = 0;
  for (int k = 1; k < kBowSamples; ++k) {
    const double across = chord.Across(side.At(a + (b - a) * k / kBowSamples));
    if (std::abs(across) > std::abs(most)) most = across;
  }
  return most;
}

// Seen at an angle, one of the two may look nearly straight. A side that
// bows by more than a tenth of the page's height or a fifth of its own
// length has followed something else astray, and bends nothing.
int BentPair(const Page& page) {
  const double size = Diagonal(page);
  double most = std::max(1.0, kLeastBow * size);
  int pair = -1;
  for (int i = 0; i < 4; ++i) {
    const Vec &a = page.corners[i], &b = page.corners[(i + 1) % 4], &c = page.corners[(i + 2) % 4];
    const double width = Distance(a, b), height = Distance(b, c);
    const double bent = SignedBow(page, i);
    if (std::abs(bent) > most && std::abs(bent) < kMostBowOfHeight * height && std::abs(bent) < kMostBow * width)
      pair = i % 2, most = std::abs(bent);
  }
  return pair;
}

// As a page bent over a cylinder does, not only near their ends.
bool BowsEvenly(const Page& page, int pair) {
  for (const int i : {pair, pair + 2}) {
    const Vec &from = page.corners[i], &to = page.corners[(i + 1) % 4];
    const SideCurve chord = BaseLine(from, to);
    const SideCurve& side = page.sides[i];
    const double a = side.Along(from), b = side.Along(to);
    const auto off = [&](double share) { return chord.Across(side.At(a + (b - a) * share)); };
    const double bow = SignedBow(page, i), sag = off(0.5) - (off(0.25) + off(0.75)) / 2;
    if (std::abs(bow) > 1 && sag * bow < kEvenSag * bow * bow) return false;
  }
  return true;
}

double Horizontal(const Page& page, int i) {
  const Vec side = page.corners[(i + 1) % 4] - page.corners[i];
  return std::abs(side.x) - std::abs(side.y);
}

int AcrossPair(const Page& page) {
  return Horizontal(page, 0) + Horizontal(page, 2) >= Horizontal(page, 1) + Horizontal(page, 3) ? 0 : 1;
}

bool Plausible(const Page& page, cv::Size size) {
  const Quad quad = Corners(page);
  const double margin = kPictureMargin * std::max(size.width, size.height);
  for (const Vec& c : quad)
    if (!std::isfinite(c.x) || c.x < -margin || c.y < -margin || c.x > size.width + margin ||
        c.y > size.height + margin)
      return false;
  // Convex and turning clockwise at every corner.
  for (int i = 0; i < 4; ++i) {
    const Vec &a = quad[i], &b = quad[(i + 1) % 4], &c = quad[(i + 2) % 4];
    if (Cross(b - a, c - b) <= 0) return false;
  }
  return Area(quad) > kLeastPage * size.width * size.height;
}

std::optional<SideCurve> FitEither(const SideCurve& guess, const std::vector<Vec>& points, double spread) {
  std::optional<SideCurve> line = FitSide(guess, points, 1, spread);
  if (!line) return line;
  std::optional<SideCurve> curve = FitSide(guess, points, kCurveDegree, spread);
  if (!curve) return line;
  const FitQuality straight = Quality(*line, points, spread), bent = Quality(*curve, points, spread);
  const bool better = bent.inliers > straight.inliers + kCurveInliers || bent.rms < kCurveRms * straight.rms;
  return better ? curve : line;
}

void StraightenAllBut(Page& page, int pair, const std::array<std::vector<Vec>, 4>& points, double spread) {
  for (int i = 0; i < 4; ++i) {
    if (page.sides[i].Straight() || (pair >= 0 && i % 2 == pair)) continue;
    if (std::optional<SideCurve> line = FitSide(page.sides[i], points[i], 1, spread)) page.sides[i] = *line;
  }
  Meets(page);
}

}  // namespace trellimap
