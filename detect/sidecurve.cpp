#include "detect/sidecurve.h"

#include <algorithm>
#include <cmath>

namespace trellimap {

double SideCurve::Offset(double t) const {
  double sum = 0, power = 1;
  const double u = t / length;
  for (const double c : coefficients) {
    sum += c * power;
    power *= u;
  }
  return sum;
}

Vec SideCurve::At(double t) const { return origin + t * direction + Offset(t) * Normal(); }

double SideCurve::Along(const Vec& p) const { return Dot(p - origin, direction); }

double SideCurve::Across(const Vec& p) const { return Dot(p - origin, Normal()); }

SideCurve BaseLine(const Vec& a, const Vec& b) {
  SideCurve curve;
  curve.origin = a;
  curve.length = std::max(Distance(a, b), 1e-9);
  curve.direction = (b - a) / curve.length;
  curve.coefficients = {0};
  return curve;
}

namespace {

// Solves the normal equations of a weighted polynomial fit (degree + 1 unknowns) by Gaussian elimination.
std::optional<std::vector<double>> SolveWeighted(const std::vector<double>& u, const std::vector<double>& e,
                                                 const std::vector<double>& w, int degree) {
  const int n = degree + 1;
  std::vector<double> a(static_cast<size_t>(n * (n + 1)), 0.0);
  for (size_t i = 0; i < u.size(); ++i) {
    if (w[i] <= 0) continue;
    double powers[8];
    powers[0] = 1;
    for (int k = 1; k < n; ++k) powers[k] = powers[k - 1] * u[i];
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) a[r * (n + 1) + c] += w[i] * powers[r] * powers[c];
      a[r * (n + 1) + n] += w[i] * powers[r] * e[i];
    }
  }
  for (int col = 0; col < n; ++col) {
    int pivot = col;
    for (int r = col + 1; r < n; ++r)
      if (std::abs(a[r * (n + 1) + col]) > std::abs(a[pivot * (n + 1) + col])) pivot = r;
    if (std::abs(a[pivot * (n + 1) + col]) < 1e-12) return std::nullopt;
    for (int c = 0; c <= n; ++c) std::swap(a[col * (n + 1) + c], a[pivot * (n + 1) + c]);
    for (int r = 0; r < n; ++r) {
      if (r == col) continue;
      const double f = a[r * (n + 1) + col] / a[col * (n + 1) + col];
      for (int c = col; c <= n; ++c) a[r * (n + 1) + c] -= f * a[col * (n + 1) + c];
    }
  }
  std::vector<double> x(n);
  for (int r = 0; r < n; ++r) x[r] = a[r * (n + 1) + n] / a[r * (n + 1) + r];
  return x;
}

// Weights of 1 for the points near the line through two of them that the
// most points lie near, 0 for the rest. Pairs a quarter and a half of the
// points apart, from every sixteenth point: a run of the edge holds many such.
void ConsensusWeights(const std::vector<double>& u, const std::vector<double>& e, double spread,
                      std::vector<double>& w) {
  const size_t n = u.size();
  double bestSlope = 0, bestStart = 0;
  size_t most = 0;
  for (size_t i = 0; i < n; i += std::max<size_t>(1, n / 16))
    for (const size_t gap : {n / 4, n / 2}) {
      const size_t j = i + std::max<size_t>(1, gap);
      if (j >= n || u[j] == u[i]) continue;
      const double slope = (e[j] - e[i]) / (u[j] - u[i]), start = e[i] - slope * u[i];
      size_t near = 0;
      for (size_t k = 0; k < n; ++k) near += std::abs(e[k] - start - slope * u[k]) <= spread;
      if (near > most) most = near, bestSlope = slope, bestStart = start;
    }
  if (most == 0) return;
  for (size_t k = 0; k < n; ++k) w[k] = std::abs(e[k] - bestStart - bestSlope * u[k]) <= spread ? 1 : 0;
}

}  // namespace

std::optional<SideCurve> FitSide(const SideCurve& base, const std::vector<Vec>& points, int degree, double spread) {
  if (static_cast<int>(points.size()) < 2 * (degree + 1)) return std::nullopt;
  SideCurve fit = base;
  std::vector<double> u, e, w(points.size(), 1.0);
  for (const Vec& p : points) {
    u.push_back(base.Along(p) / base.length);
    e.push_back(base.Across(p));
  }
  // Least absolute offsets first (weights of 1 / |r|), which a crowd of
  // points off to one side does not pull along; then rounds that weigh the
  // far points down and out. A line starts instead from the longest straight
  // run among the points: where an edge runs on along something touching
  // the page, the page's own stretch, not a blend of both.
  constexpr int kAbsoluteRounds = 6;
  int first = 0;
  if (degree == 1) {
    ConsensusWeights(u, e, spread, w);
    first = kAbsoluteRounds;
  }
  for (int round = first; round < kAbsoluteRounds + 6; ++round) {
    const std::optional<std::vector<double>> c = SolveWeighted(u, e, w, degree);
    if (!c) return std::nullopt;
    fit.coefficients = *c;
    const int tukey = round - kAbsoluteRounds + 1;
    const double reach = spread * (tukey <= 0 ? 1 : tukey == 1 ? 4 : tukey == 2 ? 2 : 1);
    for (size_t i = 0; i < points.size(); ++i) {
      const double r = e[i] - fit.Offset(u[i] * base.length);
      if (tukey <= 0) {
        w[i] = 1 / std::max(std::abs(r), 0.1 * spread);
      } else {
        const double q = r / reach;
        w[i] = std::abs(q) < 1 ? (1 - q * q) * (1 - q * q) : 0;
      }
    }
  }
  return fit;
}

FitQuality Quality(const SideCurve& curve, const std::vector<Vec>& points, double spread) {
  double squares = 0;
  int inside = 0;
  for (const Vec& p : points) {
    const double r = curve.Across(p) - curve.Offset(curve.Along(p));
    if (std::abs(r) <= spread) {
      squares += r * r;
      ++inside;
    }
  }
  return {inside > 0 ? std::sqrt(squares / inside) : spread,
          points.empty() ? 0 : static_cast<double>(inside) / points.size()};
}

std::optional<Vec> Meet(const SideCurve& curve, const SideCurve& other) {
  // Newton's steps on the signed distance of curve(t) from the other's line
  // (the other taken as its tangent line where it is curved).
  const double denominator = Dot(curve.direction, other.Normal());
  if (std::abs(denominator) < 1e-3) return std::nullopt;
  double t = -other.Across(curve.origin) / denominator;
  for (int i = 0; i < 30; ++i) {
    const Vec p = curve.At(t);
    const double h = 1e-3 * curve.length;
    const Vec q = curve.At(t + h);
    // Distance of a point from the other side: across its base line minus its offset there.
    const auto distance = [&](const Vec& x) { return other.Across(x) - other.Offset(other.Along(x)); };
    const double d = distance(p), slope = (distance(q) - d) / h;
    if (std::abs(slope) < 1e-9) return std::nullopt;
    const double step = d / slope;
    t -= step;
    if (std::abs(step) < 1e-6) break;
  }
  const Vec p = curve.At(t);
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
  return p;
}

std::vector<Vec> BendPoints(const SideCurve& curve, const Vec& from, const Vec& to, double tolerance) {
  const double t0 = curve.Along(from), t1 = curve.Along(to);
  // The curve densely, with its arc length.
  constexpr int kDense = 400;
  std::vector<Vec> dense;
  std::vector<double> arc{0};
  for (int i = 0; i <= kDense; ++i) {
    dense.push_back(curve.At(t0 + (t1 - t0) * i / kDense));
    if (i > 0) arc.push_back(arc.back() + Distance(dense[i - 1], dense[i]));
  }
  const auto strayOf = [&](const std::vector<size_t>& knots) {
    double stray = 0;
    for (size_t k = 0; k + 1 < knots.size(); ++k) {
      const Vec &a = dense[knots[k]], &b = dense[knots[k + 1]];
      const double len = std::max(Distance(a, b), 1e-12);
      for (size_t i = knots[k]; i <= knots[k + 1]; ++i)
        stray = std::max(stray, std::abs(Cross(dense[i] - a, b - a)) / len);
    }
    return stray;
  };
  for (int pieces = 1; pieces <= 32; ++pieces) {
    std::vector<size_t> knots{0};
    for (int k = 1; k < pieces; ++k) {
      const double wanted = arc.back() * k / pieces;
      knots.push_back(static_cast<size_t>(std::lower_bound(arc.begin(), arc.end(), wanted) - arc.begin()));
    }
    knots.push_back(kDense);
    if (strayOf(knots) <= tolerance || pieces == 32) {
      std::vector<Vec> points;
      for (size_t k = 1; k + 1 < knots.size(); ++k) points.push_back(dense[knots[k]]);
      return points;
    }
  }
  return {};
}

}  // namespace trellimap
