#include "detect/pageoutline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <opencv2/core/utility.hpp>

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

std::vector<Vec> PageOutline::Polygon() const {
  std::vector<Vec> polygon;
  for (const PagePoint& p : points) polygon.push_back(p.at);
  return polygon;
}

namespace {

constexpr int kWorkingSize = 660;            // the working copy's longer side, in pixels
constexpr int kCurveDegree = 4;              // a page's curved top or bottom: a quartic offset from its chord
constexpr double kCornerShare = 0.1;         // the part of a side at either end left out of fits: rounded corners
constexpr double kCurvedCornerShare = 0.02;  // the same for a bent page's top and bottom, whose corners are sharp
constexpr float kFaint = 0.008f;             // the least rise of the working level across an edge that shows
constexpr float kFaintShare = 0.2f;  // a side's edge this much fainter than the page's strongest is likely not its edge
constexpr double kMostBow = 0.2;     // the most a bent side bows, as a share of its chord
constexpr double kEvenSag = 0.12;    // the least sag of a bent side's middle half, as a share of its bow
constexpr double kSamePlace = 1.5;   // pages whose corners lie this close (working pixels) are one
constexpr double kClearBow = 0.01;   // a bow, as a share of the page's diagonal, that shows a page is bent
constexpr size_t kMostGuesses = 16;  // the most first guesses followed, the likeliest first

// A page as found: four sides (side i from corner i to corner i + 1, clockwise)
// and where they meet.
struct Page {
  std::array<SideCurve, 4> sides;
  std::array<Vec, 4> corners;
  int polarity = 1;
  double score = 0;
};

double Diagonal(const Page& page) {
  return std::hypot(page.corners[2].x - page.corners[0].x, page.corners[2].y - page.corners[0].y);
}

Quad Corners(const Page& page) {
  Quad quad;
  std::copy(page.corners.begin(), page.corners.end(), quad.begin());
  return quad;
}

// The stretch of a side between its corners, less the ends.
struct Stretch {
  double t0, t1;
};
Stretch Inner(const SideCurve& side, const Vec& from, const Vec& to) {
  const double a = side.Along(from), b = side.Along(to);
  // A curved side is followed nearly to its ends: a curve does not extend well beyond its points.
  const double share = side.Straight() ? kCornerShare : kCurvedCornerShare;
  return {a + share * (b - a), b - share * (b - a)};
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

// How far the side bows between its corners into the page (negative: out of it).
double SignedBow(const Page& page, int i) {
  const Vec &from = page.corners[i], &to = page.corners[(i + 1) % 4];
  const SideCurve chord = BaseLine(from, to);
  const SideCurve& side = page.sides[i];
  const double a = side.Along(from), b = side.Along(to);
  double most = 0;
  for (int k = 1; k < 32; ++k) {
    const double across = chord.Across(side.At(a + (b - a) * k / 32.0));
    if (std::abs(across) > std::abs(most)) most = across;
  }
  return most;
}

// The pair of opposite sides (0: sides 0 and 2, 1: sides 1 and 3) that bow as
// the top and bottom of a bent page do, the one that bows most; -1 for none.
// Seen at an angle, one of the two may look nearly straight. A side that
// bows by more than a tenth of the page's height or a fifth of its own
// length has followed something else astray, and bends nothing.
int BentPair(const Page& page) {
  const double size = Diagonal(page);
  double most = std::max(1.0, 0.002 * size);
  int pair = -1;
  for (int i = 0; i < 4; ++i) {
    const Vec &a = page.corners[i], &b = page.corners[(i + 1) % 4], &c = page.corners[(i + 2) % 4];
    const double width = std::hypot(b.x - a.x, b.y - a.y), height = std::hypot(c.x - b.x, c.y - b.y);
    const double bent = SignedBow(page, i);
    if (std::abs(bent) > most && std::abs(bent) < 0.1 * height && std::abs(bent) < kMostBow * width)
      pair = i % 2, most = std::abs(bent);
  }
  return pair;
}

// Whether the pair's sides bow evenly, sagging through their middle half as
// a page bent over a cylinder does, not only near their ends.
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

// Makes every side but those of the bent pair straight, refitted from `points`
// (each side's edge points), and meets the sides again.
void StraightenAllBut(Page& page, int pair, const std::array<std::vector<Vec>, 4>& points, double spread) {
  for (int i = 0; i < 4; ++i) {
    if (page.sides[i].Straight() || (pair >= 0 && i % 2 == pair)) continue;
    if (std::optional<SideCurve> line = FitSide(page.sides[i], points[i], 1, spread)) page.sides[i] = *line;
  }
  Meets(page);
}

// A straight line, or a curve where that follows the points clearly better.
std::optional<SideCurve> FitEither(const SideCurve& guess, const std::vector<Vec>& points, double spread) {
  std::optional<SideCurve> line = FitSide(guess, points, 1, spread);
  if (!line) return line;
  std::optional<SideCurve> curve = FitSide(guess, points, kCurveDegree, spread);
  if (!curve) return line;
  const FitQuality straight = Quality(*line, points, spread), bent = Quality(*curve, points, spread);
  const bool better = bent.inliers > straight.inliers + 0.05 || bent.rms < 0.7 * straight.rms;
  return better ? curve : line;
}

// Whether the page's level is higher inside the quad than around it, seen
// a little way off its sides (a guess may lie a few pixels off the edge).
int PolarityOf(const WorkingCopy& copy, const Quad& quad) {
  double inside = 0, outside = 0;
  const double away = 3 + 0.03 * std::hypot(quad[2].x - quad[0].x, quad[2].y - quad[0].y);
  for (int i = 0; i < 4; ++i) {
    const SideCurve side = BaseLine(quad[i], quad[(i + 1) % 4]);
    const Vec n = side.Normal();
    for (int j = 1; j < 8; ++j) {
      const Vec p = side.At(side.length * j / 8.0);
      inside += Sample(copy.level, p.x + away * n.x, p.y + away * n.y);
      outside += Sample(copy.level, p.x - away * n.x, p.y - away * n.y);
    }
  }
  return inside >= outside ? 1 : -1;
}

double Support(const WorkingCopy& copy, const Page& page, double* least) {
  double sum = 0;
  *least = 1;
  for (int i = 0; i < 4; ++i) {
    const Stretch s = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
    const double support = EdgeSupport(copy, page.sides[i], s.t0, s.t1, page.polarity, kFaint);
    sum += support;
    *least = std::min(*least, support);
  }
  return sum / 4;
}

// Scores the page by how clearly its edges show, the faintest side counting most when it hardly shows.
void Score(const WorkingCopy& copy, Page& page) {
  double least = 0;
  page.score = Support(copy, page, &least);
  if (least < 0.25) page.score *= least / 0.25;
}

bool Plausible(const Page& page, const cv::Mat& image) {
  const Quad quad = Corners(page);
  const double margin = 0.05 * std::max(image.cols, image.rows);
  for (const Vec& c : quad)
    if (!std::isfinite(c.x) || c.x < -margin || c.y < -margin || c.x > image.cols + margin || c.y > image.rows + margin)
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
  bool first = true;
  for (const double band : {std::max(4.0, 0.05 * diagonal), std::max(3.0, 0.015 * diagonal), 2.5}) {
    Page next = page;
    std::array<std::vector<Vec>, 4> points;
    const double spread = std::max(1.5, band / 3);
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
      const double few = 0.3 * std::clamp((s.t1 - s.t0) / 2, 12.0, 200.0);
      for (double wider = 2.5 * band;
           first && (points[i].size() < few || strength[i] < kFaintShare * strongest) && wider <= 0.25 * diagonal;
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
    const bool followed = Meets(next) && Plausible(next, copy.gradient);
    if (!followed && first) return std::nullopt;
    if (!followed) break;
    page = next;
    first = false;
  }
  Score(copy, page);
  return page;
}

// What a grid over the page's inside, clear of its sides, shows: the share
// of its points where the working copy has a sharp edge, and the mean
// lightness once text is closed away (0 black to 1 white).
struct Inside {
  double edges = 0, light = 0;
};
Inside InsideOf(const WorkingCopy& copy, const Page& page) {
  constexpr int kGrid = 24;
  constexpr double kInset = 0.06;
  Inside inside;
  for (int i = 0; i < kGrid; ++i)
    for (int j = 0; j < kGrid; ++j) {
      // Bilinear between the corners: across from side 4 to side 2, down from side 1 to side 3.
      const double u = kInset + (1 - 2 * kInset) * (i + 0.5) / kGrid, v = kInset + (1 - 2 * kInset) * (j + 0.5) / kGrid;
      const Vec& a = page.corners[0];
      const Vec& b = page.corners[1];
      const Vec& c = page.corners[2];
      const Vec& d = page.corners[3];
      const Vec p{(1 - v) * ((1 - u) * a.x + u * b.x) + v * ((1 - u) * d.x + u * c.x),
                  (1 - v) * ((1 - u) * a.y + u * b.y) + v * ((1 - u) * d.y + u * c.y)};
      inside.edges += Sample(copy.sharpness, p.x, p.y) > 2 * kFaint;
      inside.light += std::exp(Sample(copy.level, p.x, p.y)) - 8;
    }
  inside.edges /= kGrid * kGrid;
  inside.light /= 255.0 * kGrid * kGrid;
  return inside;
}

// Whether every corner of `inner` lies inside `outer` (both clockwise).
bool Encloses(const Page& outer, const Page& inner) {
  for (const Vec& p : inner.corners)
    for (int i = 0; i < 4; ++i) {
      const Vec &a = outer.corners[i], &b = outer.corners[(i + 1) % 4];
      if ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x) < 0) return false;
    }
  return true;
}

// The quad grown by `factor` about its centre.
Quad Grown(const Quad& quad, double factor) {
  Vec centre{0, 0};
  for (const Vec& p : quad) centre = {centre.x + p.x / 4, centre.y + p.y / 4};
  Quad grown;
  for (int i = 0; i < 4; ++i)
    grown[i] = {centre.x + factor * (quad[i].x - centre.x), centre.y + factor * (quad[i].y - centre.y)};
  return grown;
}

SideCurve Scaled(const SideCurve& side, double factor) {
  SideCurve scaled = side;
  scaled.origin = {side.origin.x * factor, side.origin.y * factor};
  scaled.length = side.length * factor;
  for (double& c : scaled.coefficients) c *= factor;
  return scaled;
}

// How much more side i runs across the picture than down it.
double Horizontal(const Page& page, int i) {
  const Vec &a = page.corners[i], &b = page.corners[(i + 1) % 4];
  return std::abs(b.x - a.x) - std::abs(b.y - a.y);
}

// The pair of opposite sides that runs more across the picture than down it.
int AcrossPair(const Page& page) {
  return Horizontal(page, 0) + Horizontal(page, 2) >= Horizontal(page, 1) + Horizontal(page, 3) ? 0 : 1;
}

// Whether the bent pair's bows may stand: as the page's top and bottom as
// the picture shows them, or, where both sides bow clearly, a book held
// sideways. A slight bow on a page's left and right, or one side bowing
// alone, is more likely the fit's noise or a shape beside the page.
bool BowsMayStand(const Page& page, int pair) {
  if (pair == AcrossPair(page)) return true;
  const double size = Diagonal(page);
  return std::min(std::abs(SignedBow(page, pair)), std::abs(SignedBow(page, pair + 2))) > kClearBow * size;
}

// The page's sides taken to the full picture and fitted again to the edge found there, sub-pixel.
Page AtFullResolution(const FullPicture& picture, double scale, const Page& found) {
  Page page = found;
  const double factor = 1 / scale;
  for (int i = 0; i < 4; ++i) {
    page.sides[i] = Scaled(found.sides[i], factor);
    page.corners[i] = {found.corners[i].x * factor, found.corners[i].y * factor};
  }
  const double reach = 1.5 * factor + 1;
  Page next = page;
  std::array<std::vector<Vec>, 4> points;
  const double spread = std::max(1.0, 0.5 * factor);
  for (int i = 0; i < 4; ++i) {
    const Stretch s = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
    points[i] = RefineEdge(picture, page.sides[i], s.t0, s.t1, reach, page.polarity);
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

// Turns the page so that side 1 is its top as the picture shows it, or, where
// its top and bottom bow (an open book), so that those are sides 1 and 3 even
// when the picture shows them upright.
void TurnUpright(Page& page) {
  const int bent = BentPair(page);
  const int pair = bent >= 0 ? bent : AcrossPair(page);
  const auto middle = [&](int i) {
    const Vec &a = page.corners[i], &b = page.corners[(i + 1) % 4];
    return Vec{(a.x + b.x) / 2, (a.y + b.y) / 2};
  };
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

// How likely the page is the one the picture shows, by its score in the
// working copy. Pages are lighter than what they lie on, nearly always, and
// light inside, where coloured shapes around them are darker; and even inside
// once their text is closed away: an outline around a page and more holds the
// page's own edges within.
double Rank(const WorkingCopy& copy, const Page& page) {
  const double area = static_cast<double>(copy.gradient.rows) * copy.gradient.cols;
  const Inside inside = InsideOf(copy, page);
  return std::pow(page.score, 4) * std::sqrt(Area(Corners(page)) / area) * (page.polarity > 0 ? 1 : 0.6) *
         inside.light / (1 + 4 * inside.edges);
}

// The page grown past sides that cut it short: dark bands across a page (a
// heading's rule, a table) can part it, and its likeliest part stand for it.
// Where both sides next to one side run on past their corners with the
// page's edge, the page is followed again from that side moved to where they
// end, and kept where its far corners stay and its edges show nearly as clearly.
Page Extended(const WorkingCopy& copy, Page page) {
  for (int i = 0; i < 4; ++i) {
    const Vec &from = page.corners[i], &to = page.corners[(i + 1) % 4];
    const SideCurve before = BaseLine(page.corners[(i + 3) % 4], from), after = BaseLine(to, page.corners[(i + 2) % 4]);
    const double size = Diagonal(page), gap = std::max(3.0, 0.03 * size);
    const double along = RunsOn(copy, before, before.Along(from), 1, page.polarity, kFaint, gap, size);
    const double back = RunsOn(copy, after, after.Along(to), -1, page.polarity, kFaint, gap, size);
    const double reach = std::min(along, back);
    if (reach < 0.05 * size) continue;
    Quad quad = Corners(page);
    quad[i] = before.At(before.Along(from) + reach);
    quad[(i + 1) % 4] = after.At(after.Along(to) - reach);
    const std::optional<Page> grown = Follow(copy, quad);
    if (!grown || grown->score < 0.85 * page.score || Area(Corners(*grown)) < Area(Corners(page))) continue;
    const auto stays = [&](int k) {
      const Vec &a = grown->corners[k % 4], &b = page.corners[k % 4];
      return std::hypot(a.x - b.x, a.y - b.y) < 0.01 * size;
    };
    if (stays(i + 2) && stays(i + 3)) page = *grown;
  }
  return page;
}

// The page without a light shape that it touches along one side: there the
// side runs round the shape, and the page's own edge lies inside, meeting
// the side where the shape ends, or, where the shape covers the whole side,
// straight where the side bends round the shape (or the other way round).
// Such a side is fitted again to that inner edge; an edge inside along the
// whole side and alike in shape (a band of colour along it) is the page's
// own and is left.
Page Trimmed(const WorkingCopy& copy, Page page) {
  constexpr int kSamples = 32;
  constexpr double kSpread = 1.5;
  for (int i = 0; i < 4; ++i) {
    const SideCurve& side = page.sides[i];
    const Stretch s = Inner(side, page.corners[i], page.corners[(i + 1) % 4]);
    const std::vector<std::optional<Vec>> inner =
        InnerEdge(copy, side, s.t0, s.t1, kSamples, 0.12 * Diagonal(page), page.polarity, kFaint);
    std::vector<Vec> points;
    for (const std::optional<Vec>& p : inner)
      if (p) points.push_back(*p);
    if (points.size() < kSamples / 4) continue;
    const std::optional<SideCurve> edge = FitEither(BaseLine(side.At(s.t0), side.At(s.t1)), points, kSpread);
    if (!edge) continue;
    // Signed: positive where the edge lies inside the side.
    const auto off = [&](const Vec& p) { return edge->Offset(edge->Along(p)) - edge->Across(p); };
    int follows = 0;
    for (const std::optional<Vec>& p : inner) follows += p && std::abs(off(*p)) <= 2 * kSpread;
    // Whether the edge meets or crosses the side between its corners, or differs from it in shape.
    const double a = side.Along(page.corners[i]), b = side.Along(page.corners[(i + 1) % 4]);
    double nearest = 1e300;
    for (int j = 0; j <= kSamples; ++j) nearest = std::min(nearest, off(side.At(a + (b - a) * j / kSamples)));
    const bool roundAShape = nearest <= 2 * kSpread || side.Straight() != edge->Straight();
    if (follows < kSamples / 4 || !roundAShape) continue;
    Page trimmed = page;
    trimmed.sides[i] = *edge;
    if (!Meets(trimmed) || !Plausible(trimmed, copy.gradient) || Area(Corners(trimmed)) >= Area(Corners(page)))
      continue;
    Score(copy, trimmed);
    if (trimmed.score >= page.score) page = trimmed;
  }
  return page;
}

// The likeliest page the working copy shows; nothing when no page stands out clearly.
std::optional<Page> BestPage(const WorkingCopy& copy) {
  // Every guess followed; the page is the one whose edges show clearly along
  // most of their length, larger ones first (a clutter's small shapes have
  // clear edges too).
  std::vector<Page> pages;
  const std::vector<Quad> quads = RoughQuads(copy);
  // Follows a guess to a page, kept once where guesses lead to nearly the
  // same one (the better followed).
  const auto follow = [&](const Quad& quad) {
    const std::optional<Page> page = Follow(copy, quad);
    if (!page) return;
    for (Page& known : pages)
      if (NearlySame(Corners(known), Corners(*page), kSamePlace)) {
        if (page->score > known.score) known = *page;
        return;
      }
    pages.push_back(*page);
  };
  for (size_t i = 0; i < quads.size() && i < kMostGuesses; ++i) follow(quads[i]);
  // A block darker than what surrounds it is likely a page's text: the page
  // lies around it. Grown from the guess, whether or not it led to a page: a
  // side following a block of text may run on to an edge beyond the page.
  for (size_t i = 0; i < quads.size() && i < kMostGuesses; ++i)
    if (PolarityOf(copy, quads[i]) < 0)
      for (const double grow : {1.1, 1.2, 1.3}) follow(Grown(quads[i], grow));
  // Parts of one page that dark bands across it (headings, a table's rules)
  // kept apart, joined two at a time, and the joined parts again.
  for (size_t from = 0, round = 0; round < 2; ++round) {
    const size_t to = pages.size();
    for (size_t i = 0; i < to; ++i)
      for (size_t j = std::max(i + 1, from); j < to; ++j) {
        if (pages[i].polarity < 0 || pages[j].polarity < 0) continue;
        std::vector<Vec> both(pages[i].corners.begin(), pages[i].corners.end());
        both.insert(both.end(), pages[j].corners.begin(), pages[j].corners.end());
        const Quad around = QuadAround(both);
        if (Area(around) < 1.3 * (Area(Corners(pages[i])) + Area(Corners(pages[j])))) follow(around);
      }
    from = to;
  }
  if (pages.empty()) return std::nullopt;
  std::vector<double> ranks;
  for (const Page& page : pages) ranks.push_back(Rank(copy, page));
  const Page& best = pages[std::max_element(ranks.begin(), ranks.end()) - ranks.begin()];
  if (best.score < 0.5) return std::nullopt;
  // A page whose text block shows as a quad of its own: the page is the quad around it.
  const Page* chosen = &best;
  for (const Page& page : pages)
    if (page.score >= 0.85 * best.score && Area(Corners(page)) > 1.2 * Area(Corners(*chosen)) &&
        Encloses(page, *chosen))
      chosen = &page;
  return Extended(copy, Trimmed(copy, *chosen));
}

}  // namespace

std::optional<PageOutline> FindPageOutline(const dib& picture) {
  if (picture.poi == nullptr || DibWidth(&picture) < 16 || DibHeight(&picture) < 16) return std::nullopt;
  // OpenCV works in the calling thread alone: detection is brief, and the
  // program's own workers are the only threads that touch pictures.
  cv::setNumThreads(0);
  const FullPicture full(picture);
  double scale = 1;
  const cv::Mat lightness = ReducedLightness(full, kWorkingSize, &scale);
  // Text closed away less and more: a page's dark bands (a heading, a table)
  // need the wider closing, a page beside light clutter the narrower one.
  std::optional<Page> best;
  double bestRank = 0;
  for (const double closing : {0.015, 0.022}) {
    const WorkingCopy copy = MakeWorkingCopy(lightness, closing);
    const std::optional<Page> found = BestPage(copy);
    if (!found) continue;
    if (const double rank = Rank(copy, *found); !best || rank > bestRank) best = found, bestRank = rank;
  }
  if (!best) return std::nullopt;
  Page page = AtFullResolution(full, scale, *best);
  TurnUpright(page);
  return Outline(page);
}

}  // namespace trellimap
