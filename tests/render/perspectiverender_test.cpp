// The renderers with the perspective-true map, against a direct read through
// the projection that relates the two outlines.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>

#include "image/pixmill3.h"
#include "render/workspacerender.h"
#include "tests/support/outlines.h"
#include "warp/homography.h"
#include "warp/perspectivemap.h"
#include "warp/smoothrenderer.h"

namespace trellimap {
namespace {

using testing::PointSpec;

// A projective map that takes integer points to integer points at the places
// used below: x' = 200 x / (x + 200), y' = 200 y / (x + 200), exact wherever
// x + 200 divides 40000 and the y are chosen to match.
Homography Squeeze() {
  Homography g;
  g.m[0][0] = g.m[1][1] = 200;
  g.m[2][0] = 1;
  g.m[2][2] = 200;
  return g;
}

Homography Affine(double a, double b, double c, double d, double e, double f) {
  Homography h;
  h.m[0][0] = a, h.m[0][1] = b, h.m[0][2] = c, h.m[1][0] = d, h.m[1][1] = e, h.m[1][2] = f;
  return h;
}

// Outline 1 (raw, before `place1`): side 1 bent twice, side 3 twice, at x
// where Squeeze is exact; straight cases use the corners alone.
const std::vector<PointSpec> kBent = {{0, 0, true},     {50, -15, false},  {120, 8, false},  {200, 0, true},
                                      {200, 160, true}, {120, 176, false}, {50, 185, false}, {0, 160, true}};

std::vector<PointSpec> Through(const Homography& h, const std::vector<PointSpec>& points) {
  std::vector<PointSpec> out;
  for (const PointSpec& p : points) {
    const Vec q = h.Apply({static_cast<double>(p.x), static_cast<double>(p.y)});
    out.push_back({static_cast<int32_t>(std::lround(q.x)), static_cast<int32_t>(std::lround(q.y)), p.corner});
    EXPECT_NEAR(q.x, out.back().x, 1e-9);  // the case must be exact
    EXPECT_NEAR(q.y, out.back().y, 1e-9);
  }
  return out;
}

uint32_t Pattern(int32_t x, int32_t y) {
  const auto channel = [](double v) { return static_cast<uint32_t>(std::lround(130 + 90 * v)); };
  return channel(std::sin(x / 5.3 + y / 7.1)) | channel(std::cos(x / 6.1 - y / 4.7)) << 8 |
         channel(std::sin((x + y) / 9.3)) << 16;
}

struct ProjectiveCase {
  const char* name;
  bool bent;
  Homography place1;  // raw points to picture 1
  Homography g;       // raw points to picture 2
  int32_t w1, h1, w2, h2;
};

void PrintTo(const ProjectiveCase& c, std::ostream* out) { *out << c.name; }

// Straight cases relate the corners of any two quadrilaterals; bent ones
// carry the bends through an exact projection too.
std::vector<ProjectiveCase> Cases() {
  const Homography shift1 = Affine(1, 0, 20, 0, 1, 30);
  const Homography squeeze = Squeeze();
  // A rectangle seen at an angle on a wall: the raw corners through the unit square.
  const Vec wall[4] = {{75, 50}, {325, 88}, {325, 212}, {75, 250}};
  const Homography onWall = SquareOnto(wall)->After(Affine(1.0 / 200, 0, 0, 0, -1.0 / 160, 1));
  return {
      {"bent, minified", true, shift1, Affine(1, 0, 30, 0, 1, 40).After(squeeze), 240, 230, 160, 230},
      {"bent, mirrored", true, shift1, Affine(-1, 0, 140, 0, 1, 40).After(squeeze), 240, 230, 160, 230},
      {"bent, magnified", true, shift1, Affine(3, 0, 10, 0, 3, 60).After(squeeze), 240, 230, 330, 600},
      {"straight, on a wall", false, Affine(0.5, 0, 20, 0, 0.5, 30), onWall, 140, 130, 400, 300},
  };
}

struct Rendered {
  Workspace ws;
  Homography oneToTwo;
  std::vector<PointSpec> outline[2];

  explicit Rendered(const ProjectiveCase& c) {
    std::vector<PointSpec> raw = kBent;
    if (!c.bent) std::erase_if(raw, [](const PointSpec& p) { return !p.corner; });
    outline[0] = Through(c.place1, raw);
    outline[1] = Through(c.g, raw);
    oneToTwo = c.g.After(c.place1.Inverse());
    Paint(ws.di1, c.w1, c.h1);
    Paint(ws.di2, c.w2, c.h2);
    for (int k = 0; k < 2; ++k) {
      std::vector<PointSpec> closed = outline[k];
      closed.push_back(closed.front());
      testing::FillOutline(k == 0 ? ws.punkte1 : ws.punkte2, closed);
    }
    ws.ecken1 = ws.ecken2 = 4;
    ws.perspective = true;
  }
  static void Paint(dib& d, int32_t w, int32_t h) {
    ReleaseDib(&d);  // the start picture it replaces
    newdib(&d, w, h, 24, nullptr, 0);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) setpixel(d, x, y, Pattern(x, y));
  }
  // The map from `direction`'s result pixels to its source.
  Homography Preimage(WarpDirection direction) const {
    return direction == WarpDirection::OneIntoTwo ? oneToTwo.Inverse() : oneToTwo;
  }
};

// Visits the result pixels whose centres lie inside the destination outline,
// farther than `margin` from its sides, with the preimage of their centre.
void ForInside(const Rendered& r, WarpDirection direction, double margin,
               const std::function<void(int32_t, int32_t)>& visit) {
  const std::vector<PointSpec>& to = r.outline[DestinationSide(direction)];
  const dib& picture = DestinationSide(direction) == 0 ? r.ws.di1 : r.ws.di2;
  for (int32_t y = 0; y < DibHeight(&picture); ++y)
    for (int32_t x = 0; x < DibWidth(&picture); ++x) {
      const testing::PolygonPlace place = testing::PlaceInPolygon(to, x, y);
      if (place.inside && place.distance > margin) visit(x, y);
    }
}

double Channel(uint32_t c, int k) { return static_cast<double>(c >> (8 * k) & 0xFF); }

// The source's channels averaged over a result pixel through the
// projection: 6 × 6 bilinear reads.
std::array<double, 3> Supersampled(const dib& source, const Homography& preimage, int32_t x, int32_t y) {
  constexpr int kSide = 6;
  std::array<double, 3> sum{};
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j) {
      const Vec p = preimage.Apply({x - 0.5 + (i + 0.5) / kSide, y - 0.5 + (j + 0.5) / kSide});
      const double fx = std::floor(p.x), fy = std::floor(p.y), ax = p.x - fx, ay = p.y - fy;
      const auto at = [&](double u, double v) {
        return DibPixelColour(source, static_cast<int32_t>(u), static_cast<int32_t>(v));
      };
      const uint32_t c00 = at(fx, fy), c10 = at(fx + 1, fy), c01 = at(fx, fy + 1), c11 = at(fx + 1, fy + 1);
      for (int k = 0; k < 3; ++k)
        sum[k] += ((Channel(c00, k) * (1 - ax) + Channel(c10, k) * ax) * (1 - ay) +
                   (Channel(c01, k) * (1 - ax) + Channel(c11, k) * ax) * ay) /
                  (kSide * kSide);
    }
  return sum;
}

class PerspectiveRender : public ::testing::TestWithParam<ProjectiveCase> {};

TEST_P(PerspectiveRender, SmoothResultsFollowTheProjection) {
  Rendered r(GetParam());
  for (const WarpDirection d : kBothDirections) {
    ASSERT_TRUE(RenderDirectionSmooth(r.ws, d));
    const dib& source = SourceSide(d) == 0 ? r.ws.di1 : r.ws.di2;
    double squared = 0;
    int64_t count = 0;
    ForInside(r, d, 1.5, [&](int32_t x, int32_t y) {
      const uint32_t got = DibPixelColour(r.ws.Result(d), x, y);
      const std::array<double, 3> expected = Supersampled(source, r.Preimage(d), x, y);
      for (int k = 0; k < 3; ++k) {
        const double error = Channel(got, k) - expected[k];
        squared += error * error;
        ++count;
      }
    });
    ASSERT_GT(count, 3000);
    const double psnr = 10 * std::log10(255.0 * 255.0 / (squared / static_cast<double>(count)));
    EXPECT_GT(psnr, 36) << GetParam().name << ", direction " << SourceSide(d) + 1 << ": " << psnr << " dB";
  }
}

TEST_P(PerspectiveRender, ExactResultsTakeTheNearestPixelWithoutHoles) {
  Rendered r(GetParam());
  for (const WarpDirection d : kBothDirections) {
    ASSERT_TRUE(RenderDirectionExact(r.ws, d));
    const dib& source = SourceSide(d) == 0 ? r.ws.di1 : r.ws.di2;
    int64_t inside = 0, same = 0, holes = 0;
    ForInside(r, d, 0.5, [&](int32_t x, int32_t y) {
      const uint32_t got = DibPixelColour(r.ws.Result(d), x, y);
      const Vec p = r.Preimage(d).Apply({static_cast<double>(x), static_cast<double>(y)});
      const auto u = static_cast<int32_t>(std::nearbyint(p.x)), v = static_cast<int32_t>(std::nearbyint(p.y));
      ++inside;
      holes += got == 0;
      same += got == DibPixelColour(source, u, v);
    });
    EXPECT_EQ(holes, 0) << GetParam().name;
    EXPECT_GE(static_cast<double>(same), 0.97 * static_cast<double>(inside)) << GetParam().name;
  }
}

// Outlines that are no projective images of each other, bent differently:
// each result pixel inside takes the source pixel nearest to the point of
// the same (s, r), found here by Newton's method on the destination's map.
TEST(PerspectiveRenderAny, ExactResultsFollowTheMapBetweenAnyBentOutlines) {
  Workspace ws;
  Rendered::Paint(ws.di1, 260, 200);
  Rendered::Paint(ws.di2, 300, 240);
  const std::vector<PointSpec> one = {{20, 30, true},   {90, 10, false},   {160, 40, false}, {240, 20, true},
                                      {230, 180, true}, {120, 170, false}, {10, 190, true}};
  const std::vector<PointSpec> two = {{40, 20, true},    {250, 50, true},  {280, 200, true},
                                      {200, 215, false}, {90, 190, false}, {20, 230, true}};
  for (const auto& [list, points] : {std::pair{&ws.punkte1, one}, std::pair{&ws.punkte2, two}}) {
    std::vector<PointSpec> closed = points;
    closed.push_back(closed.front());
    testing::FillOutline(*list, closed);
  }
  ws.ecken1 = ws.ecken2 = 4;
  ws.perspective = true;
  ASSERT_TRUE(RenderDirectionExact(ws, WarpDirection::OneIntoTwo));
  const std::optional<OutlineMap> from = PerspectiveMap(ws.punkte1), to = PerspectiveMap(ws.punkte2);
  ASSERT_TRUE(from && to);
  int64_t inside = 0, same = 0;
  double s = 0.5, r = 0.5;
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 300; ++x) {
      if (testing::PlaceInPolygon(two, x, y).distance < 1 || !testing::PlaceInPolygon(two, x, y).inside) continue;
      for (int step = 0; step < 30; ++step) {  // Newton's method from the last pixel's (s, r)
        const double d = 1e-6;
        const Vec at = to->At(s, r), ds = to->At(s + d, r), dr = to->At(s, r + d);
        const double a = (ds.x - at.x) / d, b = (dr.x - at.x) / d, c = (ds.y - at.y) / d, e = (dr.y - at.y) / d;
        const double ex = x - at.x, ey = y - at.y, det = a * e - b * c;
        s = std::clamp(s + (e * ex - b * ey) / det, 0.0, 1.0);
        r = std::clamp(r + (a * ey - c * ex) / det, 0.0, 1.0);
      }
      const Vec p = from->At(s, r);
      ++inside;
      same += DibPixelColour(ws.di3, x, y) == DibPixelColour(ws.di1, static_cast<int32_t>(std::nearbyint(p.x)),
                                                             static_cast<int32_t>(std::nearbyint(p.y)));
    }
  EXPECT_GT(inside, 30000);
  EXPECT_GE(static_cast<double>(same), 0.995 * static_cast<double>(inside));
}

// The background, "Show original pictures in the background" and "Make
// transparent" mean with perspective what they mean without it.
TEST(PerspectiveRenderAny, OptionsKeepTheirMeaning) {
  Rendered r(Cases()[3]);
  const int32_t outside[2] = {5, 5}, inside[2] = {200, 150};
  const auto at = [](const dib& d, const int32_t(&p)[2]) { return DibPixelColour(d, p[0], p[1]); };
  for (const bool smooth : {false, true}) {
    r.ws.showoriginal = true;
    r.ws.transparent = false;
    smooth ? RenderDirectionSmooth(r.ws, WarpDirection::OneIntoTwo)
           : RenderDirectionExact(r.ws, WarpDirection::OneIntoTwo);
    EXPECT_EQ(at(r.ws.di3, outside), at(r.ws.di2, outside)) << smooth;
    const uint32_t alone = at(r.ws.di3, inside);
    r.ws.showoriginal = false;
    r.ws.transparent = true;
    smooth ? RenderDirectionSmooth(r.ws, WarpDirection::OneIntoTwo)
           : RenderDirectionExact(r.ws, WarpDirection::OneIntoTwo);
    EXPECT_EQ(at(r.ws.di3, outside), 0u) << smooth;
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(Channel(at(r.ws.di3, inside), k), (Channel(alone, k) + Channel(at(r.ws.di2, inside), k)) / 2, 1)
          << smooth;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PerspectiveRender, ::testing::ValuesIn(Cases()),
                         [](const auto& test) { return "case" + std::to_string(test.index); });

}  // namespace
}  // namespace trellimap
