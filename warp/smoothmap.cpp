#include "warp/smoothmap.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "foundation/outlinepoint.h"

namespace trellimap {
namespace {

// Caps on the mesh, so that outlines far beyond any picture stay cheap.
constexpr double kMaxRows = 4096;
constexpr double kMaxColumnsPerStrip = 4096;
constexpr size_t kMaxColumns = 1 << 16;

// How nearly a direction runs across (0 down, 1 across; 0 for no direction).
double Across(const Vec& way) {
  const double length = Length(way);
  return length > 0 ? std::abs(way.x) / length : 0;
}

// How far the two triangles of the cell [s0, s1] × [r0, r1] stray from the
// map: at the middles of their edges and at their centres.
double CellStray(const OutlineMap& map, double s0, double s1, double r0, double r1) {
  const Vec p00 = map.At(s0, r0), p10 = map.At(s1, r0), p01 = map.At(s0, r1), p11 = map.At(s1, r1);
  const double sm = (s0 + s1) / 2, rm = (r0 + r1) / 2;
  const auto mean = [](std::initializer_list<Vec> points) {
    Vec sum{0, 0};
    for (const Vec& p : points) sum += p;
    return sum / static_cast<double>(points.size());
  };
  const std::pair<Vec, Vec> checks[] = {
      {map.At(sm, r0), mean({p00, p10})},
      {map.At(s1, rm), mean({p10, p11})},
      {map.At(sm, rm), mean({p00, p11})},
      {map.At(sm, r1), mean({p11, p01})},
      {map.At(s0, rm), mean({p01, p00})},
      {map.At((s0 + 2 * s1) / 3, (2 * r0 + r1) / 3), mean({p00, p10, p11})},
      {map.At((2 * s0 + s1) / 3, (r0 + 2 * r1) / 3), mean({p00, p11, p01})},
  };
  double stray = 0;
  for (const auto& [onMap, onMesh] : checks) stray = std::max(stray, Distance(onMap, onMesh));
  return stray;
}

}  // namespace

std::vector<Vec> SidePoints(const TDynaArray& outline, int k) {
  std::vector<Vec> points;
  int corners = 0;
  for (uint32_t i = 0; i < outline.count; ++i) {
    const TOutlinePoint& p = PointAt(outline, i);
    if (p.iscorner) ++corners;
    if (corners == k || (corners == k + 1 && p.iscorner))
      points.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
    if (corners > k) break;
  }
  if (points.empty()) points.push_back({0, 0});
  return points;
}

SidePath::SidePath(std::vector<Vec> points) : points_(std::move(points)) {
  cumulative_.push_back(0);
  for (size_t i = 1; i < points_.size(); ++i)
    cumulative_.push_back(cumulative_.back() + Distance(points_[i - 1], points_[i]));
}

Vec SidePath::At(double distance) const {
  if (points_.size() == 1 || distance <= 0) return points_.front();
  if (distance >= Length()) return points_.back();
  // The segment that holds the distance; zero-length segments are passed over.
  const size_t end =
      static_cast<size_t>(std::upper_bound(cumulative_.begin(), cumulative_.end(), distance) - cumulative_.begin());
  const size_t a = end - 1;
  const double span = cumulative_[end] - cumulative_[a];
  const double t = span > 0 ? (distance - cumulative_[a]) / span : 0;
  return {points_[a].x + (points_[end].x - points_[a].x) * t, points_[a].y + (points_[end].y - points_[a].y) * t};
}

std::vector<double> SidePath::Bends() const {
  return {cumulative_.begin() + 1, cumulative_.end() - (cumulative_.size() > 1 ? 1 : 0)};
}

OutlineMap::OutlineMap(const TDynaArray& outline) : side1(SidePoints(outline, 1)), side3(SidePoints(outline, 3)) {}

std::vector<double> OutlineMap::Bends() const {
  std::vector<double> s;
  if (side1.Length() > 0)
    for (double d : side1.Bends()) s.push_back(d / side1.Length());
  if (side3.Length() > 0)
    for (double d : side3.Bends()) s.push_back(1 - d / side3.Length());
  return s;
}

std::vector<double> SharedBends(const OutlineMap& one, const OutlineMap& other) {
  std::vector<double> bends = one.Bends();
  for (double s : other.Bends()) bends.push_back(s);
  bends.push_back(0);
  bends.push_back(1);
  std::erase_if(bends, [](double s) { return !(s >= 0 && s <= 1); });
  std::sort(bends.begin(), bends.end());
  bends.erase(std::unique(bends.begin(), bends.end()), bends.end());
  return bends;
}

Mesh BuildMesh(const OutlineMap& destination, const OutlineMap& source, double cell, double tolerance) {
  const std::vector<double> bends = SharedBends(destination, source);

  // Each strip between bends is one bilinear patch on either outline.
  struct Strip {
    double s0, s1, across, twist;
  };
  std::vector<Strip> strips;
  double along = 0;  // the longest r-edge, in destination pixels
  for (size_t i = 0; i + 1 < bends.size(); ++i) {
    Strip strip{bends[i], bends[i + 1], 0, 0};
    for (const OutlineMap* map : {&destination, &source}) {
      const Vec b0 = map->Bottom(strip.s0), b1 = map->Bottom(strip.s1);
      const Vec t0 = map->Top(strip.s0), t1 = map->Top(strip.s1);
      strip.twist = std::max(strip.twist, Length(t1 - t0 - b1 + b0));
      if (map == &destination) {
        strip.across = std::max(Distance(b0, b1), Distance(t0, t1));
        along = std::max({along, Distance(b0, t0), Distance(b1, t1)});
      }
    }
    strips.push_back(strip);
  }
  // Samples are taken along destination rows, so the tolerance is met by
  // dividing cells in the direction of the map that runs more nearly down the
  // destination: the cells come out long and flat, and their rows of samples long.
  const Vec sWay = (destination.Top(1) - destination.Top(0)) + (destination.Bottom(1) - destination.Bottom(0));
  const Vec rWay = (destination.Top(0) - destination.Bottom(0)) + (destination.Top(1) - destination.Bottom(1));
  const bool divideRows = Across(sWay) >= Across(rWay);
  // A triangle of a cell a × b (in parts of the strip) strays by at most
  // twist × a × b / 4 from its patch.
  const auto enough = [&](double twist, double otherParts) { return std::ceil(twist / (4 * tolerance * otherParts)); };
  const auto partsOf = [&](const Strip& strip, double rows) {
    const double forTwist = divideRows ? 1 : enough(strip.twist, rows);
    return static_cast<int>(std::clamp(std::max(std::ceil(strip.across / cell), forTwist), 1.0, kMaxColumnsPerStrip));
  };
  double rows = std::ceil(along / cell);
  if (divideRows)
    for (const Strip& strip : strips) rows = std::max(rows, enough(strip.twist, partsOf(strip, rows)));
  rows = std::clamp(rows, 1.0, kMaxRows);
  std::vector<double> parts;
  for (const Strip& strip : strips) parts.push_back(partsOf(strip, rows));
  // Seen in perspective, a cell is no longer one bilinear patch: the stray of
  // cells spread over the map is measured, and the cells divided until it is
  // small enough. The stray falls with the square of the division; a
  // quarter more is asked for what lies between the cells measured. Cells
  // are divided across alone when that is what their stray comes from.
  const auto strayOf = [&](double rowCount, double across) {
    double stray = 0;
    for (size_t i = 0; i < strips.size(); ++i) {
      const double width = (strips[i].s1 - strips[i].s0) / (parts[i] * across), height = 1 / rowCount;
      for (const double s0 : {strips[i].s0, (strips[i].s0 + strips[i].s1 - width) / 2, strips[i].s1 - width})
        for (int k = 0; k <= 4; ++k) {
          const double r0 = (1 - height) * k / 4;
          for (const OutlineMap* map : {&destination, &source})
            stray = std::max(stray, CellStray(*map, s0, s0 + width, r0, r0 + height));
        }
    }
    return stray;
  };
  for (int round = 0; round < 3 && (destination.view || source.view); ++round) {
    const double stray = strayOf(rows, 1);
    if (!(1.25 * stray > tolerance)) break;
    const double acrossOnly = std::sqrt(1.25 * stray / tolerance);
    if (strayOf(rows, acrossOnly) <= tolerance) {
      for (double& p : parts) p = std::min(std::ceil(p * acrossOnly), kMaxColumnsPerStrip);
      continue;
    }
    const double divide = std::sqrt(1.25 * stray / tolerance);
    rows = std::min(std::ceil(rows * divide), kMaxRows);
    for (double& p : parts) p = std::min(std::ceil(p * divide), kMaxColumnsPerStrip);
  }
  Mesh mesh;
  mesh.rows = static_cast<int32_t>(rows);
  mesh.s.push_back(0);
  for (size_t i = 0; i < strips.size(); ++i) {
    const Strip& strip = strips[i];
    const int count = static_cast<int>(parts[i]);
    for (int k = 1; k <= count && mesh.s.size() < kMaxColumns; ++k)
      mesh.s.push_back(k == count ? strip.s1 : strip.s0 + (strip.s1 - strip.s0) * k / count);
  }
  if (mesh.s.back() != 1) mesh.s.push_back(1);
  const size_t vertices = static_cast<size_t>(mesh.rows + 1) * mesh.Columns();
  mesh.destination.resize(vertices);
  mesh.source.resize(vertices);
  for (int32_t j = 0; j <= mesh.rows; ++j) {
    const double r = static_cast<double>(j) / mesh.rows;
    for (size_t c = 0; c < mesh.Columns(); ++c) {
      mesh.destination[mesh.Index(j, c)] = destination.At(mesh.s[c], r);
      mesh.source[mesh.Index(j, c)] = source.At(mesh.s[c], r);
    }
  }
  return mesh;
}

}  // namespace trellimap
