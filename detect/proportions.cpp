#include "detect/proportions.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "warp/homography.h"

namespace trellimap {
namespace {

// The focal length, in picture diagonals, assumed where the picture cannot
// tell it (a 35 mm-equivalent lens, the middle of what phones and compact
// cameras use).
constexpr double kUsualFocal = 0.8;
// Focal lengths outside this range, in picture diagonals, are taken as noise.
constexpr double kLeastFocal = 0.2, kMostFocal = 20;
// A vanishing point farther than this many picture diagonals from the
// principal point is at infinity: its place is rounding error.
constexpr double kFarthestVanishing = 1e5;
// Proportions beyond this (either way) are no page.
constexpr double kMostRatio = 1000;
// The most a page's bent side can be longer than its chord: a half circle.
constexpr double kHalfCircle = 1.5707963267948966;

// Width : height from the average lengths of opposite sides: right for a
// parallelogram (a view from afar), and the answer of last resort.
double AverageSides(const std::vector<Vec>& c) {
  return (Distance(c[0], c[1]) + Distance(c[3], c[2])) / (Distance(c[1], c[2]) + Distance(c[0], c[3]));
}

// Whether the four corners make a convex quadrilateral, turning one way.
bool Convex(const Vec c[4]) {
  int turns = 0;
  for (int i = 0; i < 4; ++i) {
    const Vec &a = c[i], &b = c[(i + 1) % 4], &d = c[(i + 2) % 4];
    const double cross = Cross(b - a, d - b);
    turns += cross > 0 ? 1 : cross < 0 ? -1 : 0;
  }
  return std::abs(turns) == 4;
}

// The camera's focal length from the two vanishing points, the images of the
// rectangle's two directions: the homogeneous points h1 and h2 (the view's
// first two columns, the principal point at the origin). Seen from the camera
// the two directions are at right angles: (h1x h2x + h1y h2y) / f² + h1z h2z = 0.
// Nothing when a vanishing point lies at infinity (the picture then cannot
// tell f: every f gives the same outline with other proportions), or when the
// answer is no real focal length or an absurd one.
std::optional<double> FocalLength(const double h1[3], const double h2[3]) {
  for (const double* h : {h1, h2})
    if (!(std::abs(h[2]) * kFarthestVanishing > std::hypot(h[0], h[1]))) return std::nullopt;
  const double squared = -(h1[0] * h2[0] + h1[1] * h2[1]) / (h1[2] * h2[2]);
  if (!(squared > 0)) return std::nullopt;
  const double f = std::sqrt(squared);
  if (f < kLeastFocal || f > kMostFocal) return std::nullopt;
  return f;
}

struct V3 {
  double x, y, z;
};
double Dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Norm(const V3& a) { return std::sqrt(Dot(a, a)); }

// How much longer than its chord a bent side of the page is, in space. A page
// bends across its width only (an open book's page curls about lines parallel
// to the spine), so each of its top and bottom edges lies in a plane at right
// angles to the page's height through the edge's two corners; the ray of
// each point of the side meets that plane where the edge really is. `height`
// is the page's height direction and `level` the plane's place along it
// (X · height = level), both as the camera sees them with focal length `f`;
// `front` the sign of depths in front of the camera. 1 for a straight side,
// one whose rays run along the plane or behind the camera, and at most a half
// circle's length over its diameter.
double Stretch(const std::vector<Vec>& side, const V3& height, double level, double f, double front) {
  if (side.size() < 3) return 1;
  std::vector<V3> edge;
  for (const Vec& p : side) {
    const V3 ray{p.x / f, p.y / f, 1};
    const double across = Dot(ray, height);
    if (!(std::abs(across) > 1e-9 * Norm(ray) * Norm(height))) return 1;
    const double depth = level / across;
    if (!(depth * front > 0)) return 1;
    edge.push_back({depth * ray.x, depth * ray.y, depth});
  }
  double length = 0;
  for (size_t i = 1; i < edge.size(); ++i)
    length += Norm({edge[i].x - edge[i - 1].x, edge[i].y - edge[i - 1].y, edge[i].z - edge[i - 1].z});
  const V3 chord{edge.back().x - edge.front().x, edge.back().y - edge.front().y, edge.back().z - edge.front().z};
  const double stretch = length / Norm(chord);
  return std::isfinite(stretch) ? std::clamp(stretch, 1.0, kHalfCircle) : 1;
}

}  // namespace

double TrueProportion(const std::vector<Vec>& corners, int32_t pictureWidth, int32_t pictureHeight,
                      const std::vector<Vec>& top, const std::vector<Vec>& bottom) {
  if (corners.size() != 4) return 1;
  // Picture coordinates about the principal point, in picture diagonals.
  const double diagonal =
      std::max(1.0, std::hypot(static_cast<double>(pictureWidth), static_cast<double>(pictureHeight)));
  const Vec centre{pictureWidth / 2.0, pictureHeight / 2.0};
  const auto local = [&](const Vec& p) { return (p - centre) / diagonal; };
  Vec c[4];
  for (int i = 0; i < 4; ++i) c[i] = local(corners[i]);

  const std::optional<Homography> view = Convex(c) ? SquareOnto(c) : std::nullopt;
  if (!view) {
    const double ratio = AverageSides(corners);
    return std::isfinite(ratio) && ratio > 0 ? std::clamp(ratio, 1 / kMostRatio, kMostRatio) : 1;
  }
  const double h1[3] = {view->m[0][0], view->m[1][0], view->m[2][0]};
  const double h2[3] = {view->m[0][1], view->m[1][1], view->m[2][1]};
  const double f = FocalLength(h1, h2).value_or(kUsualFocal);
  // With K = diag(f, f, 1), K⁻¹ · view = λ [w·r1, h·r2, t] for the
  // rectangle's w × h, its orientation's unit columns r1, r2 and its place t:
  // the square's (s, r) lies at s·m1 + r·m2 + m3 as the camera sees it.
  const auto seen = [&](int column) { return V3{view->m[0][column] / f, view->m[1][column] / f, view->m[2][column]}; };
  const V3 m1 = seen(0), m2 = seen(1), m3 = seen(2);
  double ratio = Norm(m1) / Norm(m2);
  if (!std::isfinite(ratio) || ratio <= 0) return 1;

  // An open book's page: sides 1 and 3 curve out of the plane of its corners,
  // and the page is wider than their rectangle by as much as they are longer
  // than their chords. Side 1 runs along the square's r = 1 (through m2 + m3),
  // side 3 along r = 0 (through m3). A side whose plane the camera sees
  // edge-on shows its bend hardly at all, and a pixel's error there is a
  // large error in space: each side given has the say of the squared sine of
  // the angle at which the ray to its middle meets its plane. A side given
  // by its corners alone shows no bend: where the other one bends, its bend
  // was hidden (under a thumb, or seen edge-on), and the page's width comes
  // from the other alone.
  double stretch = 0, say = 0;
  for (const auto& [side, corner] :
       {std::pair{&top, V3{m2.x + m3.x, m2.y + m3.y, m2.z + m3.z}}, std::pair{&bottom, m3}})
    if (side->size() > 2) {
      std::vector<Vec> points;
      for (const Vec& p : *side) points.push_back(local(p));
      const double level = Dot(corner, m2);
      const V3 middle{corner.x + m1.x / 2, corner.y + m1.y / 2, corner.z + m1.z / 2};
      const double sine = level / (Norm(middle) * Norm(m2));
      if (!std::isfinite(sine)) continue;
      stretch += sine * sine * Stretch(points, m2, level, f, m3.z);
      say += sine * sine;
    }
  if (say > 0) ratio *= stretch / say;
  return std::clamp(ratio, 1 / kMostRatio, kMostRatio);
}

}  // namespace trellimap
