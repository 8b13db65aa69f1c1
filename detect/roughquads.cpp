#include "detect/roughquads.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <set>
#include <span>

#include "detect/nestedregions.h"
#include "detect/tuning.h"

namespace trellimap {

using namespace tuning;

namespace {

struct Guess {
  Quad quad;
  double fit;  // how well the quad covers the region: 1 for a region that is the quad
};

// The four-cornered polygon that approximates a convex hull of pixels, else
// its enclosing rectangle; each pixel stands for a square `cell` working
// pixels wide.
Quad QuadOf(const std::vector<cv::Point>& hull, double cell) {
  const double perimeter = cv::arcLength(hull, true);
  std::vector<cv::Point> polygon;
  for (double share = kPolygonTolerance; share < kMostPolygonTolerance; share += kPolygonTolerance) {
    cv::approxPolyDP(hull, polygon, share * perimeter, true);
    if (polygon.size() <= 4) break;
  }
  Quad quad;
  if (polygon.size() == 4) {
    for (int i = 0; i < 4; ++i) quad[i] = {(polygon[i].x + 0.5) * cell, (polygon[i].y + 0.5) * cell};
  } else {
    cv::Point2f box[4];
    cv::minAreaRect(hull).points(box);
    for (int i = 0; i < 4; ++i) quad[i] = {(box[i].x + 0.5) * cell, (box[i].y + 0.5) * cell};
  }
  return Clockwise(quad);
}

// The guesses that cover their regions well, the best first, without two that nearly coincide.
std::vector<Quad> Distinct(std::vector<Guess>& guesses, const WorkingCopy& copy) {
  std::stable_sort(guesses.begin(), guesses.end(), [](const Guess& a, const Guess& b) { return a.fit > b.fit; });
  std::vector<Quad> quads;
  const double reach = kDistinct * std::hypot(copy.gradient.cols, copy.gradient.rows);
  for (const Guess& guess : guesses) {
    if (guess.fit < kLeastFit) continue;
    if (std::none_of(quads.begin(), quads.end(), [&](const Quad& q) { return NearlySame(q, guess.quad, reach); }))
      quads.push_back(guess.quad);
  }
  return quads;
}

}  // namespace

bool NearlySame(const Quad& a, const Quad& b, double reach) {
  for (int i = 0; i < 4; ++i)
    if (Distance(a[i], b[i]) > reach) return false;
  return true;
}

bool AlongOneBorder(const Vec& a, const Vec& b, double width, double height, const Vec& within) {
  const auto near = [](double u, double v, double border, double reach) {
    return std::abs(u - border) <= reach && std::abs(v - border) <= reach;
  };
  return near(a.x, b.x, 0, within.x) || near(a.x, b.x, width, within.x) || near(a.y, b.y, 0, within.y) ||
         near(a.y, b.y, height, within.y);
}

Quad QuadAround(const std::vector<Vec>& points) {
  std::vector<cv::Point> pixels, hull;
  for (const Vec& p : points)
    pixels.push_back({static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))});
  cv::convexHull(pixels, hull);
  return QuadOf(hull, 1);
}

double Area(const Quad& quad) {
  double twice = 0;
  for (int i = 0; i < 4; ++i) twice += Cross(quad[i], quad[(i + 1) % 4]);
  return std::abs(twice) / 2;
}

Quad Clockwise(Quad quad) {
  Vec centre{0, 0};
  for (const Vec& p : quad) centre += p / 4;
  // With y downwards, a growing angle turns clockwise on the screen.
  std::sort(quad.begin(), quad.end(), [&](const Vec& a, const Vec& b) {
    return std::atan2(a.y - centre.y, a.x - centre.x) < std::atan2(b.y - centre.y, b.x - centre.x);
  });
  return quad;
}

std::vector<Quad> RoughQuads(const WorkingCopy& copy) {
  std::vector<Guess> guesses;
  // Regions met before (by box and area), which neighbouring thresholds often cut alike.
  std::set<std::array<int, 5>> seen;
  // Regions are labelled at half the working resolution, the costliest step
  // done at a quarter of the cost: edges thickened to three pixels or more
  // still show at every other pixel.
  const auto halved = [](const cv::Mat& full) {
    cv::Mat half;
    cv::resize(full, half, {}, 1 / kCell, 1 / kCell, cv::INTER_NEAREST);
    return half;
  };
  // Of each threshold's regions (at half resolution), those that span the
  // most, by their boxes: a page's margin around its text can be a thin ring
  // whose outline is still the page's.
  const auto spanning = [](const std::vector<RegionStats>& regions, double area) {
    const auto span = [&](size_t i) { return static_cast<double>(regions[i].box.width) * regions[i].box.height; };
    std::vector<size_t> chosen;
    for (size_t i = 0; i < regions.size(); ++i)
      if (regions[i].area > kLeastRegion * area && span(i) > kLeastRegionBox * area && span(i) < kMostRegionBox * area)
        chosen.push_back(i);
    std::sort(chosen.begin(), chosen.end(), [&](size_t a, size_t b) { return span(a) > span(b); });
    if (chosen.size() > kMostRegions) chosen.resize(kMostRegions);
    return chosen;
  };
  // The quads of the spanning regions below each threshold, the highest threshold first.
  const auto regionsOf = [&](const cv::Mat& values, std::span<const float> rising) {
    const double area = static_cast<double>(values.rows) * values.cols;
    const auto chosen = RegionsBelow(values, rising, [&](const auto& regions) { return spanning(regions, area); });
    for (auto step = chosen.rbegin(); step != chosen.rend(); ++step)
      for (const ChosenRegion& region : *step) {
        const cv::Rect& box = region.stats.box;
        if (!seen.insert({box.x, box.y, box.width, box.height, region.stats.area}).second) continue;
        std::vector<std::vector<cv::Point>> contours;
        cv::findContours(region.mask, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE, box.tl());
        if (contours.empty()) continue;
        const auto& contour = *std::max_element(contours.begin(), contours.end(), [](const auto& a, const auto& b) {
          return cv::contourArea(a) < cv::contourArea(b);
        });
        std::vector<cv::Point> hull;
        cv::convexHull(contour, hull);
        const double hullArea = cv::contourArea(hull), regionArea = cv::contourArea(contour);
        if (hullArea <= 0) continue;
        const Quad quad = QuadOf(hull, kCell);
        const double quadArea = Area(quad) / (kCell * kCell);
        if (quadArea <= 0) continue;
        const double cover = std::min(regionArea, quadArea) / std::max(regionArea, quadArea);
        guesses.push_back({quad, cover * regionArea / hullArea});
      }
  };
  // Regions between edges, thickened a little, and again more to close the
  // gaps where a page meets something as light as itself.
  const std::vector<float> rising(std::rbegin(kThresholds), std::rend(kThresholds));
  const int wide =
      std::max(kLeastWideEdge, static_cast<int>(kWideEdge * std::max(copy.sharpness.cols, copy.sharpness.rows)) | 1);
  cv::Mat thick;
  for (const int thickness : {kThinEdge, wide}) {
    // Thickening and halving the edge strengths once does so for every threshold alike.
    cv::dilate(copy.sharpness, thick, cv::getStructuringElement(cv::MORPH_RECT, {thickness, thickness}));
    regionsOf(halved(thick), rising);
  }
  // Blocks of text: dark strokes on a light ground, the strokes smeared
  // into one region. A page whose edge shows only in part, or merges with
  // light shapes it touches, still shows its text, and the page lies around it.
  const cv::Mat ground = LightnessOf(copy.level);
  cv::Mat strokes, open;
  copy.lightness.convertTo(strokes, CV_32F);
  cv::subtract(ground, strokes, strokes);
  cv::compare(strokes, kStrokeDepth, open, cv::CMP_GT);
  cv::dilate(open, open, cv::getStructuringElement(cv::MORPH_RECT, {wide, wide}));
  // The smeared strokes as the one region below 0.
  cv::Mat outside;
  cv::Mat(255 - halved(open)).convertTo(outside, CV_32F);
  const float zero = 0;
  regionsOf(outside, {&zero, 1});
  return Distinct(guesses, copy);
}

}  // namespace trellimap
