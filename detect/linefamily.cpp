#include "detect/linefamily.h"

#include <algorithm>
#include <cmath>

namespace trellimap {

using namespace tuning;

std::optional<LineFamily> LineFamily::Of(const std::vector<const TextLine*>& lines, double left, double right) {
  // The frame runs from the block's middle, its polynomials' variable from
  // -1 at the left to 1 at the right, where powers differ most.
  LineFamily family;
  family.frame_.origin = {(left + right) / 2, 0};
  family.frame_.length = std::max(1.0, (right - left) / 2);
  std::vector<double> levels;
  std::vector<std::vector<double>> coefficients;
  for (const TextLine* line : lines) {
    std::vector<Vec> points;
    const double a = line->middle.Along(line->left), b = line->middle.Along(line->right);
    for (int k = 0; k <= kFamilySamples; ++k) points.push_back(line->middle.At(a + (b - a) * k / kFamilySamples));
    const std::optional<SideCurve> fit =
        FitSide(family.frame_, points, kTextLineDegree, std::max(1.0, line->height / 2));
    if (!fit || fit->coefficients.size() != kTextLineDegree + 1) continue;
    levels.push_back(fit->Offset(0));
    coefficients.push_back(fit->coefficients);
  }
  if (levels.size() < 2) return std::nullopt;
  // Each coefficient a straight line over the levels, least squares.
  const double n = static_cast<double>(levels.size());
  double meanLevel = 0;
  for (const double l : levels) meanLevel += l / n;
  double spread = 0;
  for (const double l : levels) spread += (l - meanLevel) * (l - meanLevel);
  if (!(spread > 0)) return std::nullopt;
  for (int k = 0; k <= kTextLineDegree; ++k) {
    double mean = 0, covariance = 0;
    for (size_t i = 0; i < levels.size(); ++i) mean += coefficients[i][k] / n;
    for (size_t i = 0; i < levels.size(); ++i) covariance += (levels[i] - meanLevel) * (coefficients[i][k] - mean);
    family.slope_[k] = covariance / spread;
    family.base_[k] = mean - family.slope_[k] * meanLevel;
  }
  return family;
}

double LineFamily::LevelThrough(const Vec& p) const {
  // Offsets are linear in the level: base(u) + slope(u) · level.
  const double u = frame_.Along(p) / frame_.length;
  double base = 0, slope = 0;
  for (int k = kTextLineDegree; k >= 0; --k) base = base * u + base_[k], slope = slope * u + slope_[k];
  return std::abs(slope) > 1e-9 ? (p.y - base) / slope : p.y;
}

bool LineFamily::Spans(const Vec& p) const { return std::abs(frame_.Along(p)) <= frame_.length; }

SideCurve LineFamily::At(double level, bool reversed) const {
  SideCurve curve = frame_;
  curve.coefficients.resize(kTextLineDegree + 1);
  for (int k = 0; k <= kTextLineDegree; ++k) curve.coefficients[k] = base_[k] + slope_[k] * level;
  if (!reversed) return curve;
  // The same curve over the same base line run the other way, fitted to
  // points of it well past either end, where the page's corners may lie.
  std::vector<Vec> points;
  for (int k = -2 * kFamilySamples; k <= 2 * kFamilySamples; ++k)
    points.push_back(curve.At(curve.length * k / kFamilySamples));
  return FitSide(BaseLine(frame_.At(2 * frame_.length), frame_.At(-2 * frame_.length)), points, kTextLineDegree, 1)
      .value_or(curve);
}

}  // namespace trellimap
