#include "detect/pageoutline.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "detect/edgetrace.h"
#include "detect/roughquads.h"
#include "detect/sidecurve.h"
#include "detect/workingcopy.h"
#include "image/pixmill3.h"

namespace trellimap {

std::vector<Vec> PageOutline::Corners() const {
  std::vector<Vec> corners;
  for (const PagePoint& p : points)
    if (p.corner) corners.push_back(p.at);
  return corners;
}

std::vector<Vec> PageOutline::Side(int side) const {
  // Side 1 runs from the first corner to the second, side 3 from the third to the fourth.
  const int first = side == 1 ? 0 : 2;
  std::vector<Vec> along;
  int corner = -1;
  for (const PagePoint& p : points) {
    if (p.corner) ++corner;
    if (corner == first || (corner == first + 1 && p.corner)) along.push_back(p.at);
  }
  return along;
}

namespace {

constexpr int kWorkingSize = 720;   // the working copy's longer side, in pixels
constexpr int kCurveDegree = 3;     // a page's curved top or bottom: a cubic offset from its chord
constexpr double kCornerShare = 0.1;  // the part of a side at either end left out of fits: rounded corners

// A page as found: four sides (side i from corner i to corner i + 1, clockwise)
// and where they meet.
struct Page {
  std::array<SideCurve, 4> sides;
  std::array<Vec, 4> corners;
  int polarity = 1;
  double score = 0;
};

// The stretch of a side between its corners, less the ends.
struct Stretch {
  double t0, t1;
};
Stretch Inner(const SideCurve& side, const Vec& from, const Vec& to) {
  const double a = side.Along(from), b = side.Along(to);
  return {a + kCornerShare * (b - a), b - kCornerShare * (b - a)};
}

// How far the curve strays from the chord between two of its points.
double Bow(const SideCurve& side, const Vec& from, const Vec& to) {
  const SideCurve chord = BaseLine(from, to);
  double most = 0;
  const double a = side.Along(from), b = side.Along(to);
  for (int i = 1; i < 32; ++i) most = std::max(most, std::abs(chord.Across(side.At(a + (b - a) * i / 32.0))));
  return most;
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

// A straight line, or a cubic where that follows the points clearly better.
std::optional<SideCurve> FitEither(const SideCurve& guess, const std::vector<Vec>& points, double spread, bool curves) {
  std::optional<SideCurve> line = FitSide(guess, points, 1, spread);
  if (!curves || !line) return line;
  std::optional<SideCurve> curve = FitSide(guess, points, kCurveDegree, spread);
  if (!curve) return line;
  const FitQuality straight = Quality(*line, points, spread), bent = Quality(*curve, points, spread);
  const bool better = bent.inliers > straight.inliers + 0.05 || bent.rms < 0.7 * straight.rms;
  return better ? curve : line;
}

// Whether the page's level is higher inside the quad than around it.
int PolarityOf(const WorkingCopy& copy, const Quad& quad) {
  double inside = 0, outside = 0;
  for (int i = 0; i < 4; ++i) {
    const SideCurve side = BaseLine(quad[i], quad[(i + 1) % 4]);
    const Vec n = side.Normal();
    for (int j = 1; j < 8; ++j) {
      const Vec p = side.At(side.length * j / 8.0);
      inside += Sample(copy.level, p.x + 4 * n.x, p.y + 4 * n.y);
      outside += Sample(copy.level, p.x - 4 * n.x, p.y - 4 * n.y);
    }
  }
  return inside >= outside ? 1 : -1;
}

double Support(const WorkingCopy& copy, const Page& page, double* least) {
  double sum = 0;
  *least = 1;
  for (int i = 0; i < 4; ++i) {
    const Stretch s = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
    const double support = EdgeSupport(copy, page.sides[i], s.t0, s.t1, page.polarity, 0.008f);
    sum += support;
    *least = std::min(*least, support);
  }
  return sum / 4;
}

bool Plausible(const Page& page, const cv::Mat& image) {
  Quad quad;
  std::copy(page.corners.begin(), page.corners.end(), quad.begin());
  const double margin = 0.05 * std::max(image.cols, image.rows);
  for (const Vec& c : quad)
    if (!std::isfinite(c.x) || c.x < -margin || c.y < -margin || c.x > image.cols + margin ||
        c.y > image.rows + margin)
      return false;
  // Convex and turning clockwise at every corner.
  for (int i = 0; i < 4; ++i) {
    const Vec &a = quad[i], &b = quad[(i + 1) % 4], &c = quad[(i + 2) % 4];
    if ((b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x) <= 0) return false;
  }
  return Area(quad) > 0.01 * image.cols * image.rows;
}

// The page around a first guess in the working copy: each side's edge traced
// in a band that narrows round by round, fitted and met with its neighbours.
std::optional<Page> Follow(const WorkingCopy& copy, const Quad& quad) {
  Page page;
  page.polarity = PolarityOf(copy, quad);
  for (int i = 0; i < 4; ++i) page.sides[i] = BaseLine(quad[i], quad[(i + 1) % 4]);
  std::copy(quad.begin(), quad.end(), page.corners.begin());
  const double diagonal = std::hypot(quad[2].x - quad[0].x, quad[2].y - quad[0].y);
  for (const double band : {std::max(4.0, 0.05 * diagonal), std::max(3.0, 0.015 * diagonal), 2.5}) {
    Page next = page;
    for (int i = 0; i < 4; ++i) {
      const Stretch s = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
      const std::vector<Vec> points = TraceEdge(copy, page.sides[i], s.t0, s.t1, band, page.polarity);
      const SideCurve base = BaseLine(page.sides[i].At(s.t0), page.sides[i].At(s.t1));
      const std::optional<SideCurve> fit = FitEither(base, points, std::max(1.5, band / 3), true);
      if (!fit) return std::nullopt;
      next.sides[i] = *fit;
    }
    if (!Meets(next) || !Plausible(next, copy.gradient)) return std::nullopt;
    page = next;
  }
  double least = 0;
  page.score = Support(copy, page, &least);
  if (least < 0.25) page.score *= least / 0.25;
  return page;
}

SideCurve Scaled(const SideCurve& side, double factor) {
  SideCurve scaled = side;
  scaled.origin = {side.origin.x * factor, side.origin.y * factor};
  scaled.length = side.length * factor;
  for (double& c : scaled.coefficients) c *= factor;
  return scaled;
}

// The page's sides taken to the full picture and fitted again to the edge found there, sub-pixel.
Page AtFullResolution(const FullPicture& picture, const WorkingCopy& copy, const Page& found) {
  Page page = found;
  const double factor = 1 / copy.scale;
  for (int i = 0; i < 4; ++i) {
    page.sides[i] = Scaled(found.sides[i], factor);
    page.corners[i] = {found.corners[i].x * factor, found.corners[i].y * factor};
  }
  const double reach = 1.5 * factor + 1;
  Page next = page;
  for (int i = 0; i < 4; ++i) {
    const Stretch s = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
    const std::vector<Vec> points = RefineEdge(picture, page.sides[i], s.t0, s.t1, reach, page.polarity);
    const int degree = page.sides[i].Straight() ? 1 : kCurveDegree;
    if (const std::optional<SideCurve> fit = FitSide(page.sides[i], points, degree, std::max(1.0, 0.5 * factor)))
      next.sides[i] = *fit;
  }
  if (Meets(next)) page = next;
  return page;
}

// Turns the page so that side 1 is its top as the picture shows it, or, where
// only one pair of opposite sides is curved, so that those are sides 1 and 3.
void TurnUpright(Page& page) {
  const auto bowed = [&](int i) {
    const double size = std::hypot(page.corners[2].x - page.corners[0].x, page.corners[2].y - page.corners[0].y);
    return !page.sides[i].Straight() &&
           Bow(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]) > std::max(1.0, 0.002 * size);
  };
  const bool firstPair = bowed(0) || bowed(2), secondPair = bowed(1) || bowed(3);
  const auto horizontal = [&](int i) {
    const Vec &a = page.corners[i], &b = page.corners[(i + 1) % 4];
    return std::abs(b.x - a.x) - std::abs(b.y - a.y);
  };
  int pair = horizontal(0) + horizontal(2) >= horizontal(1) + horizontal(3) ? 0 : 1;
  if (firstPair != secondPair) pair = firstPair ? 0 : 1;
  const auto middle = [&](int i) {
    const Vec &a = page.corners[i], &b = page.corners[(i + 1) % 4];
    return Vec{(a.x + b.x) / 2, (a.y + b.y) / 2};
  };
  // Of the pair, the side higher in the picture (further left, for a pair that stands upright).
  const bool across = std::abs(horizontal(pair)) >= 0 && horizontal(pair) + horizontal(pair + 2) >= 0;
  const Vec m0 = middle(pair), m2 = middle(pair + 2);
  const int top = (across ? m0.y <= m2.y : m0.x <= m2.x) ? pair : pair + 2;
  std::rotate(page.sides.begin(), page.sides.begin() + top, page.sides.end());
  std::rotate(page.corners.begin(), page.corners.begin() + top, page.corners.end());
  // Sides 2 and 4 are straight; sides 1 and 3 only where they bow.
  for (int i = 0; i < 4; ++i)
    if (!page.sides[i].Straight() && (i % 2 == 1 || !bowed(i))) {
      SideCurve line = page.sides[i];
      line.coefficients.resize(2);
      const Vec a = page.corners[i], b = page.corners[(i + 1) % 4];
      page.sides[i] = BaseLine(a, b);
      (void)line;
    }
  Meets(page);
}

PageOutline Outline(const Page& page) {
  PageOutline outline;
  outline.score = page.score;
  const double height = (std::hypot(page.corners[3].x - page.corners[0].x, page.corners[3].y - page.corners[0].y) +
                         std::hypot(page.corners[2].x - page.corners[1].x, page.corners[2].y - page.corners[1].y)) /
                        2;
  const double tolerance = std::max(0.4, 0.001 * height);
  for (int i = 0; i < 4; ++i) {
    outline.points.push_back({page.corners[i], true});
    if (i % 2 == 0 && !page.sides[i].Straight())
      for (const Vec& p : BendPoints(page.sides[i], page.corners[i], page.corners[(i + 1) % 4], tolerance))
        outline.points.push_back({p, false});
  }
  return outline;
}

}  // namespace

std::optional<PageOutline> FindPageOutline(const dib& picture) {
  if (picture.poi == nullptr || DibWidth(&picture) < 16 || DibHeight(&picture) < 16) return std::nullopt;
  const FullPicture full(picture);
  const WorkingCopy copy = MakeWorkingCopy(full, kWorkingSize);
  std::optional<Page> best;
  const double area = static_cast<double>(copy.gradient.rows) * copy.gradient.cols;
  double bestRank = 0;
  const std::vector<Quad> quads = RoughQuads(copy);
  for (size_t i = 0; i < quads.size() && i < 10; ++i) {
    const std::optional<Page> page = Follow(copy, quads[i]);
    if (!page) continue;
    Quad corners;
    std::copy(page->corners.begin(), page->corners.end(), corners.begin());
    const double rank = page->score * (0.7 + 0.3 * std::min(1.0, Area(corners) / (0.2 * area)));
    if (rank > bestRank) bestRank = rank, best = page;
  }
  if (!best || best->score < 0.5) return std::nullopt;
  Page page = AtFullResolution(full, copy, *best);
  TurnUpright(page);
  return Outline(page);
}

}  // namespace trellimap
