#pragma once
// The warp's map made continuous: on an outline, T(s) lies at arc length
// s × L1 along side 1 from corner 1, B(s) at (1 − s) × L3 along side 3 from
// corner 3, and P(s, r) = B(s) + (T(s) − B(s)) × r, for s and r from 0 to 1.
// Points with the same (s, r) on two outlines correspond. Between the s where
// a side bends, P is bilinear in (s, r); the mesh of the map puts its columns
// on those s, so each cell is one bilinear patch, and divides cells finely
// enough that two triangles per cell follow the patch to a small fraction of
// a pixel.

#include <cstdint>
#include <optional>
#include <vector>

#include "foundation/dynaarray.h"
#include "warp/homography.h"
#include "warp/vec.h"

namespace trellimap {

// One side as a polyline, walked by arc length.
class SidePath {
 public:
  explicit SidePath(std::vector<Vec> points);
  double Length() const { return cumulative_.back(); }
  // The point at `distance` along the side from its start (clamped to the side).
  Vec At(double distance) const;
  // The distances of its inner vertices from the start.
  std::vector<double> Bends() const;

 private:
  std::vector<Vec> points_;
  std::vector<double> cumulative_;  // distance of each point from the start
};

// The points of side k (1 to 4) of an outline: from the k-th corner record
// to the next one; the point (0, 0) for a missing side.
std::vector<Vec> SidePoints(const TDynaArray& outline, int k);

// The map of one outline: sides 1 and 3 (a missing one is the point (0, 0)).
// With a view, the sides are given in the view's square and every point of
// the map is taken through it: the outline seen in perspective.
struct OutlineMap {
  SidePath side1, side3;
  std::optional<Homography> view;

  explicit OutlineMap(const TDynaArray& outline);
  OutlineMap(SidePath one, SidePath three, const std::optional<Homography>& seen = std::nullopt)
      : side1(std::move(one)), side3(std::move(three)), view(seen) {}
  Vec Top(double s) const { return Seen(FlatTop(s)); }
  Vec Bottom(double s) const { return Seen(FlatBottom(s)); }
  Vec At(double s, double r) const { return Seen(FlatAt(s, r)); }
  // The same before the view.
  Vec FlatTop(double s) const { return side1.At(s * side1.Length()); }
  Vec FlatBottom(double s) const { return side3.At((1 - s) * side3.Length()); }
  Vec FlatAt(double s, double r) const {
    const Vec t = FlatTop(s), b = FlatBottom(s);
    return {b.x + (t.x - b.x) * r, b.y + (t.y - b.y) * r};
  }
  Vec Seen(const Vec& flat) const { return view ? view->Apply(flat) : flat; }
  // The s (0 < s < 1) where side 1 or side 3 bends.
  std::vector<double> Bends() const;
};

// The s where either map bends, with 0 and 1, ascending: between two of them
// both maps are bilinear in (s, r).
std::vector<double> SharedBends(const OutlineMap& one, const OutlineMap& other);

// The map's vertices on both outlines at columns s[c] and rows r = j / rows,
// in the order of the exact renderer's grid: rows (r) ascending, then columns.
struct Mesh {
  std::vector<double> s;  // columns, 0 to 1 ascending, every bend of either map among them
  int32_t rows = 0;
  std::vector<Vec> destination, source;  // (rows + 1) × s.size(), row by row

  size_t Columns() const { return s.size(); }
  const Vec& Destination(int32_t row, size_t column) const { return destination[Index(row, column)]; }
  const Vec& Source(int32_t row, size_t column) const { return source[Index(row, column)]; }
  size_t Index(int32_t row, size_t column) const { return static_cast<size_t>(row) * s.size() + column; }
};

// The mesh of the map from `destination` to `source`: cells at most about
// `cell` destination pixels across, and fine enough that a triangle strays
// from its bilinear patch by no more than `tolerance` pixels on either outline
// (within caps on the cell count, for outlines far beyond any picture).
Mesh BuildMesh(const OutlineMap& destination, const OutlineMap& source, double cell, double tolerance);

}  // namespace trellimap
