#include "detect/doubt.h"

#include <algorithm>
#include <cmath>

#include "detect/proportions.h"
#include "detect/roughquads.h"
#include "detect/tuning.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

using namespace tuning;

// The edge score's confidence, from photos with the page known (synthetic and
// real): the share of outlines of at least that score that were the page.
constexpr struct {
  double score, confidence;
} kCalibration[] = {{0.0, 0.1}, {0.7, 0.3}, {0.8, 0.55}, {0.9, 0.85}, {0.95, 0.99}, {1.0, 0.995}};
// What an obvious sign leaves of the confidence.
constexpr double kSignedConfidence = 0.1;

double Area(const std::vector<Vec>& polygon) {
  double twice = 0;
  for (size_t i = 0; i < polygon.size(); ++i) {
    const Vec &p = polygon[i], &q = polygon[(i + 1) % polygon.size()];
    twice += Cross(p, q);
  }
  return std::abs(twice) / 2;
}

bool Inside(const std::vector<Vec>& polygon, const Vec& p) {
  bool inside = false;
  for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
    const Vec &a = polygon[i], &b = polygon[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}

int SidesAlongBorder(const std::vector<Vec>& corners, double width, double height) {
  int along = 0;
  for (size_t k = 0; k < 4; ++k)
    along +=
        AlongOneBorder(corners[k], corners[(k + 1) % 4], width, height, {kNearBorder * width, kNearBorder * height});
  return along;
}

// The share of samples inside `polygon` whose every channel is clipped near white.
double ClippedShare(const std::vector<Vec>& polygon, const dib& picture) {
  double left = polygon[0].x, right = left, top = polygon[0].y, bottom = top;
  for (const Vec& p : polygon) {
    left = std::min(left, p.x), right = std::max(right, p.x);
    top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  }
  int inside = 0, clipped = 0;
  for (int i = 0; i < kBrightnessSamples; ++i)
    for (int j = 0; j < kBrightnessSamples; ++j) {
      const Vec p{left + (right - left) * (i + 0.5) / kBrightnessSamples,
                  top + (bottom - top) * (j + 0.5) / kBrightnessSamples};
      if (!Inside(polygon, p)) continue;
      ++inside;
      const uint32_t c = DibPixelColour(picture, static_cast<int32_t>(p.x), static_cast<int32_t>(p.y));
      clipped += (c & 0xFF) >= kClipped && ((c >> 8) & 0xFF) >= kClipped && ((c >> 16) & 0xFF) >= kClipped;
    }
  return inside > 0 ? static_cast<double>(clipped) / inside : 0;
}

double Calibrated(double score) {
  const auto* upper = std::find_if(std::begin(kCalibration), std::end(kCalibration),
                                   [score](const auto& point) { return point.score >= score; });
  if (upper == std::begin(kCalibration)) return upper->confidence;
  if (upper == std::end(kCalibration)) return std::prev(upper)->confidence;
  const auto* lower = std::prev(upper);
  const double t = (score - lower->score) / (upper->score - lower->score);
  return lower->confidence + t * (upper->confidence - lower->confidence);
}

}  // namespace

PageDoubt JudgeOutline(const PageOutline& found, const dib& picture) {
  const double width = DibWidth(&picture), height = DibHeight(&picture);
  const std::vector<Vec> corners = found.Corners(), polygon = found.Polygon();
  // A page found from its text is as sure as its lines are many and follow
  // their curves; it may fill the picture and run out of it.
  PageDoubt doubt{found.fromText ? found.score : Calibrated(found.score), DoubtReason::None};
  if (corners.size() != 4 || width <= 0 || height <= 0) return {0, DoubtReason::Small};
  const double ratio = TrueProportion(corners, DibWidth(&picture), DibHeight(&picture));
  if (std::max(ratio, 1 / ratio) > kMostPaperRatio)
    doubt.reason = DoubtReason::Sliver;
  else if (Area(polygon) < kLeastPageShare * width * height)
    doubt.reason = DoubtReason::Small;
  else if (!found.fromText && SidesAlongBorder(corners, width, height) > kMostSidesAlongBorder)
    doubt.reason = DoubtReason::AlongBorder;
  else if (ClippedShare(polygon, picture) > kMostClipped)
    doubt.reason = DoubtReason::Bright;
  else if (found.paperUnseen)
    doubt.reason = DoubtReason::PaperUnseen;
  else if (doubt.confidence < kLeastConfidence)
    doubt.reason = found.fromText ? DoubtReason::FewLines : DoubtReason::FaintEdges;
  if (doubt.reason != DoubtReason::None && doubt.reason != DoubtReason::FaintEdges &&
      doubt.reason != DoubtReason::FewLines)
    doubt.confidence = std::min(doubt.confidence, kSignedConfidence);
  return doubt;
}

const char* DoubtWords(DoubtReason reason) {
  switch (reason) {
    case DoubtReason::None:
      return "";
    case DoubtReason::Sliver:
      return "proportions no paper has";
    case DoubtReason::Small:
      return "a small part of the picture for a page";
    case DoubtReason::AlongBorder:
      return "the outline runs along the picture's edges";
    case DoubtReason::Bright:
      return "brighter than paper: a window or a lamp?";
    case DoubtReason::FaintEdges:
      return "the picture hardly shows edges along the outline";
    case DoubtReason::FewLines:
      return "found from few lines of text, or lines that fit poorly";
    case DoubtReason::PaperUnseen:
      return "found from its text; the paper's edges hardly show";
  }
  return "";
}

}  // namespace trellimap
