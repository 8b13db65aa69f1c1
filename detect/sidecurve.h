#pragma once
// One side of a page as found: points along it, fitted by a straight line or,
// for a page's top and bottom that may curve, by a polynomial offset from a
// base line.

#include <optional>
#include <vector>

#include "warp/vec.h"

namespace trellimap {

// A curve given in the frame of a base line: the point at distance t along
// `direction` from `origin`, moved by offset(t) along the normal (the direction
// turned a quarter clockwise on the screen: into the page for a side of an
// outline that runs clockwise).
struct SideCurve {
  Vec origin{0, 0}, direction{1, 0};
  double length = 1;                 // t runs over about 0 … length; the polynomial takes t / length
  std::vector<double> coefficients;  // offset(t) = Σ c[k] (t / length)^k; one or two: a straight line

  Vec Normal() const { return {-direction.y, direction.x}; }
  double Offset(double t) const;
  Vec At(double t) const;
  // The base-line distance of p's foot and its offset from the base line.
  double Along(const Vec& p) const;
  double Across(const Vec& p) const;
  bool Straight() const { return coefficients.size() <= 2; }
};

// The base line from `a` to `b` with a zero offset.
SideCurve BaseLine(const Vec& a, const Vec& b);

// Fits offsets of `points` in `base`'s frame by a polynomial of `degree`,
// weighting down points far from the fit (Tukey's biweight with `spread`
// pixels); nothing when fewer points than needed are given.
std::optional<SideCurve> FitSide(const SideCurve& base, const std::vector<Vec>& points, int degree, double spread);

// The typical distance of `points` from `curve` (the root mean square of
// those within `spread`), and the share of points within `spread`.
struct FitQuality {
  double rms, inliers;
};
FitQuality Quality(const SideCurve& curve, const std::vector<Vec>& points, double spread);

// Where two sides meet: the point of `curve` that lies on `other`, found from
// their base lines' crossing; nothing for sides (nearly) parallel.
std::optional<Vec> Meet(const SideCurve& curve, const SideCurve& other);

// Points of `curve` from `from` to `to` (both on it), at equal steps along
// the curve, as few as keep the polyline within `tolerance` of it; the ends
// excluded. None for a curve that strays from its chord by less than `tolerance`.
std::vector<Vec> BendPoints(const SideCurve& curve, const Vec& from, const Vec& to, double tolerance);

}  // namespace trellimap
