#include "workspace/outlineguidance.h"

#include <algorithm>
#include <string>

#include "foundation/outlinepoint.h"
#include "i18n/translateunit.h"
#include "image/pixmill3.h"

namespace trellimap {
namespace {

struct Point {
  long double x, y;
};

std::vector<Point> Polygon(const TDynaArray& list) {
  std::vector<Point> points;
  for (uint32_t i = 0; i < list.count; ++i) {
    const TOutlinePoint& p = PointAt(list, i);
    points.push_back({static_cast<long double>(p.x), static_cast<long double>(p.y)});
  }
  return points;
}

// Which side of the line a→b the point c lies on: +1, −1, or 0 on the line.
int Side(const Point& a, const Point& b, const Point& c) {
  const long double cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  return cross > 0 ? 1 : cross < 0 ? -1 : 0;
}

bool Within(long double v, long double a, long double b) { return v >= std::min(a, b) && v <= std::max(a, b); }

bool SegmentsMeet(const Point& a, const Point& b, const Point& c, const Point& d) {
  const int s1 = Side(a, b, c), s2 = Side(a, b, d), s3 = Side(c, d, a), s4 = Side(c, d, b);
  if (s1 * s2 < 0 && s3 * s4 < 0) return true;
  // Touching: an end point of one lying on the other.
  const auto on = [](const Point& p, const Point& q, const Point& r) {
    return Within(r.x, p.x, q.x) && Within(r.y, p.y, q.y);
  };
  return (s1 == 0 && on(a, b, c)) || (s2 == 0 && on(a, b, d)) || (s3 == 0 && on(c, d, a)) || (s4 == 0 && on(c, d, b));
}

bool Complete(const TDynaArray& list, int32_t corners) { return corners == 4 && list.count >= 5; }

bool PointOffPicture(const TDynaArray& list, const dib& picture) {
  const int32_t w = DibWidth(&picture), h = DibHeight(&picture);
  for (uint32_t i = 0; i < list.count; ++i) {
    const TOutlinePoint& p = PointAt(list, i);
    if (p.x < 0 || p.y < 0 || p.x >= w || p.y >= h) return true;
  }
  return false;
}

}  // namespace

std::string OutlineGuidance(int picture, const TDynaArray& list, int32_t corners) {
  const std::string which = std::to_string(picture);
  if (corners >= 4 && list.count > 0)
    return TranslateFormat("Picture %1: outline complete; drag a point to adjust it, click elsewhere to start again",
                           {which});
  const int32_t next = corners < 0 ? 1 : corners + 1;
  // Sides 1 and 3 are drawn while one or three corners stand; they may bend.
  if (next == 2 || next == 4)
    return TranslateFormat("Picture %1: click corner %2 of 4; the right button adds a point that bends side %3",
                           {which, std::to_string(next), std::to_string(next - 1)});
  return TranslateFormat("Picture %1: click corner %2 of 4", {which, std::to_string(next)});
}

std::vector<std::string> OutlineWarnings(const Workspace& ws) {
  std::vector<std::string> warnings;
  const ConstSideRef sides[2] = {ws.Side(0), ws.Side(1)};
  const bool complete[2] = {Complete(sides[0].outline, sides[0].corners), Complete(sides[1].outline, sides[1].corners)};
  if (complete[0] && complete[1]) {
    const long double turn1 = OutlineTurn(sides[0].outline), turn2 = OutlineTurn(sides[1].outline);
    if ((turn1 > 0 && turn2 < 0) || (turn1 < 0 && turn2 > 0))
      warnings.push_back(TranslateUtf8("The outlines turn in opposite directions: the results come out mirrored."));
  }
  for (size_t i = 0; i < 2; ++i) {
    if (complete[i] && OutlineCrossesItself(sides[i].outline))
      warnings.push_back(TranslateFormat("The outline of picture %1 crosses itself.", {std::to_string(i + 1)}));
    if (PointOffPicture(sides[i].outline, sides[i].picture))
      warnings.push_back(TranslateFormat("A point of picture %1 lies outside the picture.", {std::to_string(i + 1)}));
  }
  return warnings;
}

std::string UnfinishedOutlineWarning() {
  return TranslateUtf8("Both outlines need four corners before the results can be rendered.");
}

long double OutlineTurn(const TDynaArray& list) {
  const std::vector<Point> p = Polygon(list);
  long double sum = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const Point& a = p[i];
    const Point& b = p[(i + 1) % p.size()];
    sum += a.x * b.y - b.x * a.y;
  }
  return sum;
}

bool OutlineCrossesItself(const TDynaArray& list) {
  std::vector<Point> p = Polygon(list);
  // The sides of the closed polygon; the closing record makes the last side.
  if (p.size() >= 2 && p.front().x == p.back().x && p.front().y == p.back().y) p.pop_back();
  const size_t n = p.size();
  if (n < 4) return false;
  for (size_t i = 0; i < n; ++i)
    for (size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours through the first point
      if (SegmentsMeet(p[i], p[(i + 1) % n], p[j], p[(j + 1) % n])) return true;
    }
  return false;
}

}  // namespace trellimap
