// Ranking the pages that guesses led to, and choosing the one the picture
// shows.

#include <algorithm>
#include <array>
#include <cmath>

#include "detect/edgetrace.h"
#include "detect/stages.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

namespace {

// The mean share of the sides along which the page's edges show, and in
// `least` the least. A page filling most of the picture may end at its border
// and show no edge there: with its other three sides all clear, it rests on
// those. Smaller shapes cut off by the border (a window, a lamp), and shapes
// that merely reach it, are judged on all four.
double Support(const WorkingCopy& copy, const Page& page, double* least) {
  std::array<double, 4> support;
  std::array<bool, 4> along;
  for (int i = 0; i < 4; ++i) {
    const Stretch s = Inner(page.sides[i], page.corners[i], page.corners[(i + 1) % 4]);
    support[i] = EdgeSupport(copy, page.sides[i], s.t0, s.t1, page.rising[i], kFaint);
    // A page that fills the picture may end at its border, or run on out of it.
    along[i] = AlongOneBorder(page.corners[i], page.corners[(i + 1) % 4], copy.gradient.cols, copy.gradient.rows,
                              {kOnBorder, kOnBorder});
  }
  const auto mean = [&](int leftOut) {
    double sum = 0;
    *least = 1;
    for (int i = 0; i < 4; ++i)
      if (i != leftOut) sum += support[i], *least = std::min(*least, support[i]);
    return sum / (leftOut < 0 ? 4 : 3);
  };
  const double picture = static_cast<double>(copy.gradient.cols) * copy.gradient.rows;
  if (std::count(along.begin(), along.end(), true) == 1 && Area(Corners(page)) >= kFillsPicture * picture) {
    const double rest = mean(static_cast<int>(std::find(along.begin(), along.end(), true) - along.begin()));
    if (*least >= kClearSides) return rest;
  }
  return mean(-1);
}

}  // namespace

void Score(const WorkingCopy& copy, Page& page) {
  double least = 0;
  page.score = Support(copy, page, &least);
  if (least < kFaintestSide) page.score *= least / kFaintestSide;
}

Inside InsideOf(const WorkingCopy& copy, const Page& page) {
  Inside inside;
  for (int i = 0; i < kInsideGrid; ++i)
    for (int j = 0; j < kInsideGrid; ++j) {
      // Bilinear between the corners: across from side 4 to side 2, down from side 1 to side 3.
      const double u = kInsideInset + (1 - 2 * kInsideInset) * (i + 0.5) / kInsideGrid,
                   v = kInsideInset + (1 - 2 * kInsideInset) * (j + 0.5) / kInsideGrid;
      const Vec &a = page.corners[0], &b = page.corners[1], &c = page.corners[2], &d = page.corners[3];
      const Vec p = (1 - v) * ((1 - u) * a + u * b) + v * ((1 - u) * d + u * c);
      inside.edges += Sample(copy.sharpness, p) > 2 * kFaint;
      inside.light += LightnessOf(Sample(copy.level, p));
    }
  inside.edges /= kInsideGrid * kInsideGrid;
  inside.light /= 255.0 * kInsideGrid * kInsideGrid;
  return inside;
}

// Pages are lighter than what they lie on, nearly always, and light inside,
// where coloured shapes around them are darker; and even inside once their
// text is closed away: an outline around a page and more holds the page's
// own edges within. The score counts most: a clutter's small shapes have
// clear edges too, and larger pages come first.
double Rank(const WorkingCopy& copy, const Page& page) {
  const double area = static_cast<double>(copy.gradient.rows) * copy.gradient.cols;
  const Inside inside = InsideOf(copy, page);
  return std::pow(page.score, kScorePower) * std::sqrt(Area(Corners(page)) / area) *
         (page.polarity > 0 ? 1 : kDarkPage) * inside.light / (1 + kInsideEdges * inside.edges);
}

bool Encloses(const Page& outer, const Page& inner) {
  return std::all_of(inner.corners.begin(), inner.corners.end(), [&](const Vec& p) { return Holds(outer, p); });
}

void Keep(std::vector<Page>& pages, const Page& page) {
  for (Page& known : pages)
    if (NearlySame(Corners(known), Corners(page), kSamePlace)) {
      if (page.score > known.score) known = page;
      return;
    }
  pages.push_back(page);
}

std::optional<Page> Choose(const WorkingCopy& copy, const std::vector<Page>& pages) {
  if (pages.empty()) return std::nullopt;
  std::vector<double> ranks;
  for (const Page& page : pages) ranks.push_back(Rank(copy, page));
  const Page& best = pages[std::max_element(ranks.begin(), ranks.end()) - ranks.begin()];
  if (best.score < kLeastScore) return std::nullopt;
  // A page whose text block shows as a quad of its own: the page is the quad around it.
  const Page* chosen = &best;
  for (const Page& page : pages)
    if (page.score >= kEnclosingScore * best.score && Area(Corners(page)) > kEnclosingArea * Area(Corners(*chosen)) &&
        Encloses(page, *chosen))
      chosen = &page;
  return *chosen;
}

}  // namespace trellimap
