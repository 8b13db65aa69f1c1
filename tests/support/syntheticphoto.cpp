#include "tests/support/syntheticphoto.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>
#include <utility>

#include "image/pixmill3.h"

namespace trellimap::testing {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kProfileSteps = 512;
// A book's text block, in shares of the page: its left and right margins,
// the top of its first line, the lowest bottom of its last, its lines'
// pitch and height.
constexpr double kBookLeft = 0.1, kBookTextWidth = 0.8, kBookTop = 0.07, kBookBottom = 0.93;
constexpr double kBookPitch = 0.026, kBookLineHeight = 0.012;

// A book's lines of text: paragraphs of three to seven lines, ragged right
// by up to 4 % of the text's width, the last line of each 15 to 70 % long.
std::vector<TextRow> BookRows(uint32_t seed) {
  std::mt19937 random(seed * 7 + 3);
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  std::vector<TextRow> rows;
  int left = 0;
  for (double top = kBookTop; top + kBookLineHeight <= kBookBottom; top += kBookPitch) {
    if (left == 0) left = std::uniform_int_distribution<int>(3, 7)(random);
    const double length = --left == 0 ? uniform(0.15, 0.7) : 1 - uniform(0, 0.04);
    rows.push_back({kBookLeft, kBookLeft + kBookTextWidth * length, top, top + kBookLineHeight});
  }
  return rows;
}

struct V3 {
  double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(double k, V3 a) { return {k * a.x, k * a.y, k * a.z}; }

// The rotation by `angle` about the unit axis `a` (Rodrigues).
void AxisRotation(V3 a, double angle, double m[3][3]) {
  const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  const double r[3][3] = {{t * a.x * a.x + c, t * a.x * a.y - s * a.z, t * a.x * a.z + s * a.y},
                          {t * a.x * a.y + s * a.z, t * a.y * a.y + c, t * a.y * a.z - s * a.x},
                          {t * a.x * a.z - s * a.y, t * a.y * a.z + s * a.x, t * a.z * a.z + c}};
  std::copy(&r[0][0], &r[0][0] + 9, &m[0][0]);
}

// The bent page's cross-section: height z(x) = -lift · sin(π x / span) (towards
// the camera), with `span` chosen so that the arc is the page's width long.
struct Profile {
  double span = 0, lift = 0;
  std::vector<double> arc;  // arc length at x = span · i / kProfileSteps

  Profile(double width, double liftHeight) : span(width), lift(liftHeight) {
    for (int round = 0; round < 30 && lift > 0; ++round) {
      Measure();
      span *= width / arc.back();
    }
    Measure();
  }
  double Z(double x) const { return lift > 0 ? -lift * std::sin(kPi * std::clamp(x, 0.0, span) / span) : 0; }
  void Measure() {
    arc.assign(kProfileSteps + 1, 0);
    for (int i = 1; i <= kProfileSteps; ++i) {
      const double x0 = span * (i - 1) / kProfileSteps, x1 = span * i / kProfileSteps;
      arc[i] = arc[i - 1] + std::hypot(x1 - x0, Z(x1) - Z(x0));
    }
  }
  // The arc length at x, and the x at arc length u.
  double ArcAt(double x) const {
    const double f = std::clamp(x / span, 0.0, 1.0) * kProfileSteps;
    const int i = std::min(static_cast<int>(f), kProfileSteps - 1);
    return arc[i] + (f - i) * (arc[i + 1] - arc[i]) + std::max(0.0, x - span) + std::min(0.0, x);
  }
  double XAt(double u) const {
    const int i = static_cast<int>(std::upper_bound(arc.begin(), arc.end(), u) - arc.begin()) - 1;
    const int k = std::clamp(i, 0, kProfileSteps - 1);
    const double t = (u - arc[k]) / std::max(arc[k + 1] - arc[k], 1e-12);
    return span * (k + t) / kProfileSteps;
  }
};

// The profile of a page `width` wide lifted by `lift`, made once for a run of
// projections of the same page.
const Profile& ProfileOf(double width, double lift) {
  thread_local std::optional<std::pair<std::pair<double, double>, Profile>> last;
  if (!last || last->first != std::pair{width, lift}) last.emplace(std::pair{width, lift}, Profile(width, lift));
  return last->second;
}

double Smoothstep(double a, double b, double x) {
  const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Value noise in [0, 1): smooth, a few octaves.
class Noise {
 public:
  explicit Noise(uint32_t seed) {
    std::mt19937 random(seed);
    for (double& v : grid_) v = std::uniform_real_distribution<double>(0, 1)(random);
  }
  double At(double x, double y) const {
    double sum = 0, weight = 0, amplitude = 1;
    for (int octave = 0; octave < 4; ++octave, x *= 2.1, y *= 2.1, amplitude *= 0.5) {
      sum += amplitude * Smooth(x, y);
      weight += amplitude;
    }
    return sum / weight;
  }

 private:
  double Smooth(double x, double y) const {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx) & 63, iy = static_cast<int>(fy) & 63;
    const double tx = Smoothstep(0, 1, x - fx), ty = Smoothstep(0, 1, y - fy);
    const auto g = [&](int a, int b) { return grid_[((iy + b) & 63) * 64 + ((ix + a) & 63)]; };
    return (g(0, 0) * (1 - tx) + g(1, 0) * tx) * (1 - ty) + (g(0, 1) * (1 - tx) + g(1, 1) * tx) * ty;
  }
  double grid_[64 * 64];
};

struct Colour {
  double r, g, b;
};
Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The shapes scattered over a cluttered backdrop, in picture pixels.
struct Blob {
  bool round;
  double x, y, a, b, angle;
  Colour colour;
};

class Scene {
 public:
  Scene(const PhotoSetup& setup, const SyntheticPhoto& photo)
      : setup_(setup), photo_(photo), profile_(photo.width, photo.lift), noise_(setup.seed * 7919 + 1) {
    std::mt19937 random(setup.seed);
    std::uniform_real_distribution<double> unit(0, 1);
    const double tone = unit(random);
    switch (setup.backdrop) {
      case Backdrop::Plain:
      case Backdrop::Textured:
        backdrop_ = Mix(Colour{60, 45, 35}, Colour{120, 125, 135}, tone);
        break;
      case Backdrop::Cluttered:
        backdrop_ = Mix(Colour{90, 80, 70}, Colour{150, 150, 140}, tone);
        break;
      case Backdrop::LowContrast:
        backdrop_ = Mix(Colour{200, 196, 188}, Colour{222, 222, 226}, tone);
        break;
    }
    paper_ = Mix(Colour{246, 244, 238}, Colour{236, 240, 246}, unit(random));
    ink_ = Mix(Colour{30, 30, 35}, Colour{20, 40, 110}, unit(random));
    if (setup.backdrop == Backdrop::Cluttered) {
      for (int i = 0; i < 40; ++i) {
        blobs_.push_back({unit(random) < 0.5, unit(random) * setup.width, unit(random) * setup.height,
                          (0.01 + 0.12 * unit(random)) * setup.width, (0.005 + 0.05 * unit(random)) * setup.width,
                          unit(random) * kPi, Colour{255 * unit(random), 255 * unit(random), 255 * unit(random)}});
      }
    }
    // Fingers over the page's edge: ellipses across it, most of each outside
    // the page, skin-toned and in front of everything.
    for (int i = 0; i < setup.fingers && !photo.outline.empty(); ++i) {
      const size_t at = static_cast<size_t>(unit(random) * (photo.outline.size() - 1));
      const Vec p = photo.outline[at], q = photo.outline[(at + 1) % photo.outline.size()];
      const double along = std::atan2(q.y - p.y, q.x - p.x);
      const double length = (0.05 + 0.04 * unit(random)) * setup.width, width = 0.35 * length;
      const Vec out{std::sin(along), -std::cos(along)};  // away from the clockwise outline's inside
      fingers_.push_back({true, p.x + out.x * 0.45 * length, p.y + out.y * 0.45 * length, length, width,
                          along + kPi / 2, Mix(Colour{228, 176, 146}, Colour{176, 118, 92}, unit(random))});
    }
    shadowAngle_ = unit(random) * 2 * kPi;
    shadowPlace_ = unit(random) * 0.6 - 0.3;
    // Words: per text line, a run of word lengths.
    for (int line = 0; line < 200; ++line) {
      std::vector<double> words;
      for (double u = 0; u < 1;) {
        const double w = 0.02 + 0.08 * unit(random);
        words.push_back(u);
        words.push_back(u + w);
        u += w + 0.015;
      }
      words_.push_back(std::move(words));
    }
  }

  // The colour the ray through picture point (px, py) meets.
  Colour Ray(double px, double py) const {
    if (const Blob* finger = Inside(fingers_, px, py)) return finger->colour;
    const auto& cam = photo_.camera;
    const V3 local{(px - cam.cx) / cam.focal, (py - cam.cy) / cam.focal, 1};
    const V3 d{cam.rotation[0][0] * local.x + cam.rotation[0][1] * local.y + cam.rotation[0][2] * local.z,
               cam.rotation[1][0] * local.x + cam.rotation[1][1] * local.y + cam.rotation[1][2] * local.z,
               cam.rotation[2][0] * local.x + cam.rotation[2][1] * local.y + cam.rotation[2][2] * local.z};
    const V3 c{cam.centre[0], cam.centre[1], cam.centre[2]};
    double t = -c.z / d.z;
    // The bent page: Newton's steps on z(x(t)) = c.z + t d.z from the plane's point.
    for (int i = 0; i < 12 && profile_.lift > 0; ++i) {
      const double x = c.x + t * d.x, h = 1e-4 * photo_.width;
      const double g = profile_.Z(x) - (c.z + t * d.z);
      const double slope = (profile_.Z(x + h) - profile_.Z(x - h)) / (2 * h) * d.x - d.z;
      t -= g / slope;
    }
    const V3 p = c + t * d;
    const double u = profile_.ArcAt(p.x) / photo_.width, v = p.y / photo_.height;
    if (t > 0 && OnPage(u, v)) return Page(u, v);
    return Backdrop(px, py);
  }

  double Shade(double px, double py) const {
    if (setup_.shadow <= 0) return 1;
    const double along =
        ((px / setup_.width - 0.5) * std::cos(shadowAngle_) + (py / setup_.height - 0.5) * std::sin(shadowAngle_)) -
        shadowPlace_;
    return 1 - setup_.shadow * Smoothstep(-0.08, 0.08, along);
  }

 private:
  bool OnPage(double u, double v) const {
    if (u < 0 || u > 1 || v < 0 || v > 1) return false;
    const double r = setup_.cornerRadius * std::min(photo_.width, photo_.height);
    if (r <= 0) return true;
    const double x = u * photo_.width, y = v * photo_.height;
    const double cx = std::clamp(x, r, photo_.width - r), cy = std::clamp(y, r, photo_.height - r);
    return std::hypot(x - cx, y - cy) <= r;
  }

  Colour Page(double u, double v) const {
    if (setup_.bookText) return BookPage(u, v);
    if (setup_.print != nullptr) return Printed(u, v);
    const double rule = 0.0035;
    for (double at : photo_.rules)
      if (std::abs(v - at) < rule && u > photo_.ruleInset && u < 1 - photo_.ruleInset) return ink_;
    // Text lines between margins of 8 %.
    if (u > 0.08 && u < 0.92 && v > 0.08 && v < 0.92) {
      const double pitch = 0.022, height = 0.011;
      const int line = static_cast<int>(v / pitch);
      if (v - line * pitch < height) {
        const std::vector<double>& words = words_[line % words_.size()];
        const double x = (u - 0.08) / 0.84;
        for (size_t i = 0; i + 1 < words.size(); i += 2)
          if (x >= words[i] && x < words[i + 1]) return Mix(ink_, paper_, 0.25);
      }
    }
    return paper_;
  }

  // The print's colour at (u, v), between its pixels' middles, on the paper.
  Colour Printed(double u, double v) const {
    const dib& print = *setup_.print;
    const int32_t w = DibWidth(&print), h = DibHeight(&print);
    const double x = std::clamp(u * w - 0.5, 0.0, w - 1.0), y = std::clamp(v * h - 0.5, 0.0, h - 1.0);
    const auto x0 = static_cast<int32_t>(x), y0 = static_cast<int32_t>(y);
    const int32_t x1 = std::min(x0 + 1, w - 1), y1 = std::min(y0 + 1, h - 1);
    const auto at = [&](int32_t px, int32_t py) {
      const uint32_t c = getpixel(print, px, py);
      return Colour{static_cast<double>(c & 0xFF), static_cast<double>(c >> 8 & 0xFF),
                    static_cast<double>(c >> 16 & 0xFF)};
    };
    const Colour top = Mix(at(x0, y0), at(x1, y0), x - x0), bottom = Mix(at(x0, y1), at(x1, y1), x - x0);
    const Colour c = Mix(top, bottom, y - y0);
    return {c.r * paper_.r / 255, c.g * paper_.g / 255, c.b * paper_.b / 255};
  }

  // The rows are evenly pitched: the one under v is found by division.
  Colour BookPage(double u, double v) const {
    const std::vector<TextRow>& rows = photo_.textRows;
    if (rows.empty()) return paper_;
    const double pitch = rows.size() > 1 ? rows[1].top - rows[0].top : 1;
    const long line = std::lround(std::floor((v - rows[0].top) / pitch));
    if (line < 0 || line >= static_cast<long>(rows.size())) return paper_;
    const TextRow& row = rows[static_cast<size_t>(line)];
    if (v < row.top || v >= row.bottom || u < row.left || u >= row.right) return paper_;
    const std::vector<double>& words = words_[static_cast<size_t>(line) % words_.size()];
    const double x = (u - row.left) / kBookTextWidth;
    for (size_t i = 0; i + 1 < words.size(); i += 2)
      if (x >= words[i] && x < words[i + 1]) return ink_;
    return paper_;
  }

  // The last of `blobs` (the one in front) that covers (px, py), if any.
  static const Blob* Inside(const std::vector<Blob>& blobs, double px, double py) {
    for (auto blob = blobs.rbegin(); blob != blobs.rend(); ++blob) {
      const double dx = px - blob->x, dy = py - blob->y;
      const double a = dx * std::cos(blob->angle) + dy * std::sin(blob->angle);
      const double b = -dx * std::sin(blob->angle) + dy * std::cos(blob->angle);
      const bool inside = blob->round ? (a * a) / (blob->a * blob->a) + (b * b) / (blob->b * blob->b) < 1
                                      : std::abs(a) < blob->a && std::abs(b) < blob->b;
      if (inside) return &*blob;
    }
    return nullptr;
  }

  Colour Backdrop(double px, double py) const {
    const double s = 1.0 / std::max(setup_.width, setup_.height);
    // A window behind: clipped white panes with darker bars between them.
    if (py < setup_.window * setup_.height) {
      const bool bar = std::fmod(px, 0.25 * setup_.width) < 0.015 * setup_.width;
      return bar ? Colour{150, 150, 155} : Colour{255, 255, 252};
    }
    switch (setup_.backdrop) {
      case Backdrop::Plain:
        return backdrop_;
      case Backdrop::LowContrast: {
        const double n = noise_.At(px * s * 12, py * s * 12) - 0.5;
        return Mix(backdrop_, Colour{255, 255, 255}, 0.1 * n);
      }
      case Backdrop::Textured: {
        const double grain = noise_.At(px * s * 40, py * s * 4);
        const double rings = 0.5 + 0.5 * std::sin(px * s * 90 + 8 * noise_.At(px * s * 3, py * s * 3));
        return Mix(backdrop_, Colour{200, 160, 110}, 0.25 * grain + 0.2 * rings);
      }
      case Backdrop::Cluttered:
        if (const Blob* blob = Inside(blobs_, px, py)) return blob->colour;
        return Mix(backdrop_, Colour{0, 0, 0}, 0.3 * noise_.At(px * s * 20, py * s * 20));
    }
    return backdrop_;
  }

  const PhotoSetup& setup_;
  const SyntheticPhoto& photo_;
  Profile profile_;
  Noise noise_;
  Colour backdrop_{}, paper_{}, ink_{};
  std::vector<Blob> blobs_, fingers_;
  std::vector<std::vector<double>> words_;
  double shadowAngle_ = 0, shadowPlace_ = 0;
};

V3 Rotate(const double m[3][3], V3 a) {
  return {m[0][0] * a.x + m[0][1] * a.y + m[0][2] * a.z, m[1][0] * a.x + m[1][1] * a.y + m[1][2] * a.z,
          m[2][0] * a.x + m[2][1] * a.y + m[2][2] * a.z};
}

// A separable Gaussian blur of 8-bit planes.
void Blur(std::vector<double>& plane, int32_t w, int32_t h, double sigma) {
  const int radius = static_cast<int>(std::ceil(3 * sigma));
  std::vector<double> kernel(2 * radius + 1);
  double sum = 0;
  for (int i = -radius; i <= radius; ++i) sum += kernel[i + radius] = std::exp(-0.5 * i * i / (sigma * sigma));
  for (double& k : kernel) k /= sum;
  std::vector<double> out(plane.size());
  for (int pass = 0; pass < 2; ++pass) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        double v = 0;
        for (int i = -radius; i <= radius; ++i) {
          const int32_t sx = pass == 0 ? std::clamp(x + i, 0, w - 1) : x;
          const int32_t sy = pass == 1 ? std::clamp(y + i, 0, h - 1) : y;
          v += kernel[i + radius] * plane[static_cast<size_t>(sy) * w + sx];
        }
        out[static_cast<size_t>(y) * w + x] = v;
      }
    std::swap(plane, out);
  }
}

}  // namespace

SyntheticPhoto::SyntheticPhoto(SyntheticPhoto&& other) noexcept
    : picture(std::exchange(other.picture, dib{})),
      outline(std::move(other.outline)),
      rules(std::move(other.rules)),
      ruleInset(other.ruleInset),
      textRows(std::move(other.textRows)),
      camera(other.camera),
      width(other.width),
      height(other.height),
      lift(other.lift) {
  std::copy(other.corners, other.corners + 4, corners);
}

SyntheticPhoto::~SyntheticPhoto() {
  if (picture.poi != nullptr || picture.pmi != nullptr) deldib(picture);
}

Vec SyntheticPhoto::Project(double u, double v) const {
  const Profile& profile = ProfileOf(width, lift);
  const double x = profile.XAt(u * width);
  const V3 p{x, v * height, profile.Z(x)};
  const V3 q = p - V3{camera.centre[0], camera.centre[1], camera.centre[2]};
  // Into the camera: the transpose of its rotation.
  const auto& m = camera.rotation;
  const V3 local{m[0][0] * q.x + m[1][0] * q.y + m[2][0] * q.z, m[0][1] * q.x + m[1][1] * q.y + m[2][1] * q.z,
                 m[0][2] * q.x + m[1][2] * q.y + m[2][2] * q.z};
  return {camera.cx + camera.focal * local.x / local.z, camera.cy + camera.focal * local.y / local.z};
}

SyntheticPhoto PlacePage(const PhotoSetup& setup) {
  SyntheticPhoto photo;
  photo.width = setup.pageWidth;
  photo.height = setup.pageHeight;
  photo.lift = setup.curl * setup.pageWidth;
  if (setup.bookText)
    photo.textRows = BookRows(setup.seed);
  else
    photo.rules = {0.06, 0.35, 0.65, 0.94};
  auto& cam = photo.camera;
  cam.focal = setup.focal * setup.width;
  cam.cx = setup.width / 2.0;
  cam.cy = setup.height / 2.0;

  // Orientation: lean by `tilt` about an axis in the page's plane, then roll about the view.
  const double a = setup.azimuth * kPi / 180;
  double lean[3][3], roll[3][3];
  AxisRotation({std::cos(a), std::sin(a), 0}, setup.tilt * kPi / 180, lean);
  AxisRotation({0, 0, 1}, setup.roll * kPi / 180, roll);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      cam.rotation[i][j] = 0;
      for (int k = 0; k < 3; ++k) cam.rotation[i][j] += lean[i][k] * roll[k][j];
    }
  const V3 view = Rotate(cam.rotation, {0, 0, 1});

  // Distance and aim: the page fills `fill` of the picture, moved by `shift` within the room left.
  V3 target{photo.width / 2, photo.height / 2, -photo.lift / 2};
  double distance = 2 * std::max(photo.width, photo.height) * setup.focal;
  const auto place = [&] {
    const V3 c = target - distance * view;
    cam.centre[0] = c.x, cam.centre[1] = c.y, cam.centre[2] = c.z;
  };
  const auto bounds = [&](double box[4]) {
    box[0] = box[1] = 1e300, box[2] = box[3] = -1e300;
    for (int i = 0; i <= 40; ++i)
      for (const Vec& e : {photo.Project(i / 40.0, 0), photo.Project(i / 40.0, 1), photo.Project(0, i / 40.0),
                           photo.Project(1, i / 40.0)}) {
        box[0] = std::min(box[0], e.x), box[1] = std::min(box[1], e.y);
        box[2] = std::max(box[2], e.x), box[3] = std::max(box[3], e.y);
      }
  };
  double box[4];
  for (int round = 0; round < 8; ++round) {
    place();
    bounds(box);
    distance *= std::max((box[2] - box[0]) / setup.width, (box[3] - box[1]) / setup.height) / setup.fill;
  }
  place();
  bounds(box);
  // Move the aim in the camera's picture plane until the page's box sits where `shift` asks.
  const V3 right = Rotate(cam.rotation, {1, 0, 0}), down = Rotate(cam.rotation, {0, 1, 0});
  for (int round = 0; round < 6; ++round) {
    const double roomX = setup.width - (box[2] - box[0]), roomY = setup.height - (box[3] - box[1]);
    const double wantX = roomX / 2 * (1 + setup.shift.x), wantY = roomY / 2 * (1 + setup.shift.y);
    const double perPixel = distance / cam.focal;
    target = target + perPixel * (box[0] - wantX) * right + perPixel * (box[1] - wantY) * down;
    place();
    bounds(box);
  }

  photo.corners[0] = photo.Project(0, 0);
  photo.corners[1] = photo.Project(1, 0);
  photo.corners[2] = photo.Project(1, 1);
  photo.corners[3] = photo.Project(0, 1);
  constexpr int kEdge = 200;
  for (int i = 0; i < kEdge; ++i) photo.outline.push_back(photo.Project(static_cast<double>(i) / kEdge, 0));
  for (int i = 0; i < kEdge; ++i) photo.outline.push_back(photo.Project(1, static_cast<double>(i) / kEdge));
  for (int i = kEdge; i > 0; --i) photo.outline.push_back(photo.Project(static_cast<double>(i) / kEdge, 1));
  for (int i = kEdge; i > 0; --i) photo.outline.push_back(photo.Project(0, static_cast<double>(i) / kEdge));
  return photo;
}

SyntheticPhoto MakePhoto(const PhotoSetup& setup) {
  SyntheticPhoto photo = PlacePage(setup);
  // Four rays a pixel, then light, blur and noise.
  const Scene scene(setup, photo);
  const size_t count = static_cast<size_t>(setup.width) * setup.height;
  std::vector<double> planes[3] = {std::vector<double>(count), std::vector<double>(count), std::vector<double>(count)};
  for (int32_t y = 0; y < setup.height; ++y)
    for (int32_t x = 0; x < setup.width; ++x) {
      Colour sum{0, 0, 0};
      for (const double dy : {0.25, 0.75})
        for (const double dx : {0.25, 0.75}) {
          const Colour c = scene.Ray(x + dx, y + dy);
          sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
        }
      const double shade = scene.Shade(x + 0.5, y + 0.5) / 4;
      const size_t i = static_cast<size_t>(y) * setup.width + x;
      planes[0][i] = sum.r * shade * setup.light[0], planes[1][i] = sum.g * shade * setup.light[1];
      planes[2][i] = sum.b * shade * setup.light[2];
    }
  if (setup.blur > 0)
    for (auto& plane : planes) Blur(plane, setup.width, setup.height, setup.blur);
  std::mt19937 random(setup.seed * 31 + 7);
  std::normal_distribution<double> grain(0, setup.noise > 0 ? setup.noise : 1);
  newdib(&photo.picture, setup.width, setup.height, 24, nullptr, 0);
  for (int32_t y = 0; y < setup.height; ++y) {
    uint8_t* row = photo.picture.poi + static_cast<int64_t>(setup.height - 1 - y) * photo.picture.bytew;
    for (int32_t x = 0; x < setup.width; ++x) {
      const size_t i = static_cast<size_t>(y) * setup.width + x;
      for (int c = 0; c < 3; ++c) {
        const double value = planes[2 - c][i] + (setup.noise > 0 ? grain(random) : 0);
        row[3 * x + c] = static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
      }
    }
  }
  return photo;
}

const char* PageKindName(PageKind kind) {
  static const char* const kNames[] = {"a4", "letter", "card", "screen", "receipt", "book"};
  return kNames[static_cast<int>(kind)];
}

PageKind VariedPageKind(uint32_t index) { return static_cast<PageKind>(index % 6); }

PhotoSetup VariedPhoto(uint32_t index, int32_t width, int32_t height) {
  std::mt19937 random(index * 2654435761u + 12345);
  const auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(random); };
  PhotoSetup setup;
  setup.width = width;
  setup.height = height;
  setup.seed = index + 1;
  const PageKind kind = VariedPageKind(index);
  static const double kSizes[][2] = {{210, 297}, {216, 279}, {85.6, 54}, {345, 194}, {80, 260}, {150, 230}};
  setup.pageWidth = kSizes[static_cast<int>(kind)][0];
  setup.pageHeight = kSizes[static_cast<int>(kind)][1];
  if ((kind == PageKind::A4 || kind == PageKind::Letter) && uniform(0, 1) < 0.25)
    std::swap(setup.pageWidth, setup.pageHeight);
  if (kind == PageKind::Card) setup.cornerRadius = uniform(0.04, 0.12);
  if (kind == PageKind::Screen && uniform(0, 1) < 0.5) setup.cornerRadius = uniform(0.01, 0.04);
  if (kind == PageKind::Book) setup.curl = uniform(0.04, 0.14);
  setup.backdrop = static_cast<Backdrop>((index / 6) % 4);
  setup.tilt = uniform(0, 45);
  setup.azimuth = uniform(0, 360);
  setup.roll = uniform(-12, 12);
  setup.focal = uniform(0.7, 1.4);
  setup.fill = uniform(0.45, 0.85);
  setup.shift = {uniform(-0.7, 0.7), uniform(-0.7, 0.7)};
  setup.shadow = uniform(0, 1) < 0.4 ? uniform(0.1, 0.45) : 0;
  setup.noise = uniform(0, 6);
  setup.blur = uniform(0, 1) < 0.5 ? uniform(0.3, 1.5) : 0;
  return setup;
}

PhotoSetup HandHeldPhoto(uint32_t index, int32_t width, int32_t height) {
  // Flat pages only: every sixth varied photo is a book's bent page.
  PhotoSetup setup = VariedPhoto(index + index / 5, width, height);
  setup.fingers = 1 + static_cast<int>(index % 3);
  setup.window = index % 2 == 1 ? 0.3 + 0.05 * (index % 4) : 0;
  return setup;
}

PhotoSetup FillingPhoto(uint32_t index, int32_t size) {
  PhotoSetup setup;
  const bool landscape = index % 3 == 0;
  setup.width = landscape ? size : size * 3 / 4;
  setup.height = landscape ? size * 3 / 4 : size;
  const bool letter = index % 5 == 0;
  setup.pageWidth = letter ? 216 : 210;
  setup.pageHeight = letter ? 279 : 297;
  setup.tilt = 2 + (index * 7) % 15;
  setup.azimuth = 37.0 * index;
  setup.roll = static_cast<double>((index * 5) % 9) - 4;
  setup.fill = 0.97 + 0.01 * (index % 7);
  // Pushed against one side: the page's far end touches or runs out of the picture.
  const double way = index % 2 == 0 ? 1 : -1;
  setup.shift = (index / 2) % 2 == 0 ? Vec{0, way} : Vec{way, 0};
  setup.backdrop = static_cast<Backdrop>(index % 4);
  setup.noise = 2;
  setup.blur = 0.6;
  setup.seed = 7 + index;
  return setup;
}

PhotoSetup BookCloseUp(double curl, double tilt, double fill, Vec shift, uint32_t seed) {
  PhotoSetup setup;
  setup.width = 600;
  setup.height = 800;
  setup.pageWidth = 150;
  setup.pageHeight = 230;
  setup.bookText = true;
  setup.curl = curl;
  setup.tilt = tilt;
  setup.azimuth = 90 + 20.0 * (seed % 3) - 20;
  setup.roll = 3.0 * (seed % 5) - 6;
  setup.fill = fill;
  setup.shift = shift;
  setup.noise = 2;
  setup.blur = 0.6;
  setup.seed = seed;
  return setup;
}

double Overlap(const std::vector<Vec>& a, const std::vector<Vec>& b, int32_t width, int32_t height, double step) {
  // Even-odd crossings along each grid row, for both polygons at once.
  const auto crossings = [](const std::vector<Vec>& polygon, double y, std::vector<double>& xs) {
    xs.clear();
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
      const Vec &p = polygon[i], &q = polygon[j];
      if ((p.y > y) != (q.y > y)) xs.push_back(p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y));
    }
    std::sort(xs.begin(), xs.end());
  };
  const auto inside = [](const std::vector<double>& xs, double x) {
    return (std::upper_bound(xs.begin(), xs.end(), x) - xs.begin()) % 2 == 1;
  };
  double both = 0, either = 0;
  std::vector<double> xa, xb;
  for (double y = step / 2; y < height; y += step) {
    crossings(a, y, xa);
    crossings(b, y, xb);
    for (double x = step / 2; x < width; x += step) {
      const bool inA = inside(xa, x), inB = inside(xb, x);
      both += inA && inB;
      either += inA || inB;
    }
  }
  return either > 0 ? both / either : 0;
}

double DistanceToPolyline(const std::vector<Vec>& points, const Vec& p) {
  double best = 1e300;
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const double dx = points[i + 1].x - points[i].x, dy = points[i + 1].y - points[i].y;
    const double squared = dx * dx + dy * dy;
    const double t =
        squared > 0 ? std::clamp(((p.x - points[i].x) * dx + (p.y - points[i].y) * dy) / squared, 0.0, 1.0) : 0.0;
    best = std::min(best, std::hypot(p.x - points[i].x - t * dx, p.y - points[i].y - t * dy));
  }
  return best;
}

}  // namespace trellimap::testing
