#include "warp/perspectiverenderer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "foundation/processor.h"
#include "foundation/workers.h"
#include "warp/gridaxis.h"
#include "warp/picturereader.h"

namespace trellimap {
namespace {

// Threads take the result's rows in bands of this many.
constexpr int32_t kBandRows = 16;

// A bilinear patch in a square: P(s, r) = base + s × e + r × f + s × r × g,
// for s and r from 0 to 1.
struct Patch {
  Vec base, e, f, g;

  Patch(const OutlineMap& map, double s0, double s1) {
    const Vec b0 = map.FlatBottom(s0), b1 = map.FlatBottom(s1), t0 = map.FlatTop(s0), t1 = map.FlatTop(s1);
    base = b0;
    e = {b1.x - b0.x, b1.y - b0.y};
    f = {t0.x - b0.x, t0.y - b0.y};
    g = {t1.x - t0.x - e.x, t1.y - t0.y - e.y};
  }
  bool operator==(const Patch& o) const {
    return base.x == o.base.x && base.y == o.base.y && e.x == o.e.x && e.y == o.e.y && f.x == o.f.x && f.y == o.f.y &&
           g.x == o.g.x && g.y == o.g.y;
  }
};

// One strip between two shared bends: the quadrilateral it covers in the
// destination (bottom at s0, bottom at s1, top at s1, top at s0), and its
// patches in both squares.
struct Strip {
  Vec corner[4];
  Patch to, from;
  double top, bottom;  // the rows it may take lie between
  // Along a row the source is found exactly every `step` pixels (a power
  // of two) and in straight lines between: the map bends so little there
  // that the lines stray by no more than kStray.
  int32_t step = 1;
};

// How far the straight lines between exact points may stray from the map, in source pixels.
constexpr double kStray = 0.01;
constexpr int32_t kLongestStep = 16;  // a power of two, as every step is
// Limits on s and r that leave them free: the patches continued past the strip.
constexpr double kFar = 1e9;

// Where the source is read for the points x0, x0 + step, … (n of them) of
// row y of a strip: the point taken into the destination's square, found in
// the destination's patch as (s, r) (kept within [low, high]), and the
// source's patch at (s, r) seen through the source's view. Written for the
// vectoriser.
TRELLIMAP_CLONES("avx512f", "avx2", "default")
void SourcePoints(const Strip& strip, const Homography& back, const Homography& view, double y, double x0, double step,
                  int32_t n, double* __restrict us, double* __restrict vs, double low = 0, double high = 1) {
  // Everything the loop reads, in locals, so that the vectoriser knows the
  // stores cannot change it.
  const Patch p = strip.to, q = strip.from;
  const Homography h = back, v = view;
  const double wy = h.m[2][1] * y + h.m[2][2], xy = h.m[0][1] * y + h.m[0][2], yy = h.m[1][1] * y + h.m[1][2];
  const double k2 = p.g.x * p.f.y - p.g.y * p.f.x, ef = p.e.x * p.f.y - p.e.y * p.f.x;
  // The root k0 / t is the one that stays put as the patch flattens (k2 → 0).
  const double otherRoot = k2 != 0 ? 1 / k2 : 0;
  for (int32_t i = 0; i < n; ++i) {
    const double x = x0 + step * i;
    // Each division is one reciprocal, multiplied: divisions cost most here.
    const double w = 1 / (h.m[2][0] * x + wy);
    const double hx = (h.m[0][0] * x + xy) * w - p.base.x, hy = (h.m[1][0] * x + yy) * w - p.base.y;
    // h = s e + r f + s r g: crossing out s leaves k2 r² + k1 r + k0 = 0.
    const double k0 = hx * p.e.y - hy * p.e.x, k1 = hx * p.g.y - hy * p.g.x + ef;
    const double square = k1 * k1 - 4 * k0 * k2;
    const double t = -0.5 * (k1 + std::copysign(std::sqrt(square > 0 ? square : 0), k1));
    const double near = k0 / t, far = t * otherRoot;
    double r = near >= -1e-9 && near <= 1 + 1e-9 ? near : far;
    r = r > low ? (r < high ? r : high) : low;  // not a number: low
    const double dx = p.e.x + p.g.x * r, dy = p.e.y + p.g.y * r;
    double s = ((hx - p.f.x * r) * dx + (hy - p.f.y * r) * dy) / (dx * dx + dy * dy);
    s = s > low ? (s < high ? s : high) : low;
    const double sx = q.base.x + q.e.x * s + q.f.x * r + q.g.x * s * r;
    const double sy = q.base.y + q.e.y * s + q.f.y * r + q.g.y * s * r;
    const double sw = 1 / (v.m[2][0] * sx + v.m[2][1] * sy + v.m[2][2]);
    us[i] = (v.m[0][0] * sx + v.m[0][1] * sy + v.m[0][2]) * sw;
    vs[i] = (v.m[1][0] * sx + v.m[1][1] * sy + v.m[1][2]) * sw;
  }
}

// The same for a strip whose patches are the same in both squares: the views
// alone, one projective map from destination to source pixels.
TRELLIMAP_CLONES("avx512f", "avx2", "default")
void ProjectedPoints(const Homography& projection, int32_t y, int32_t x0, int32_t n, double* __restrict us,
                     double* __restrict vs) {
  const Homography map = projection;
  const double wy = map.m[2][1] * y + map.m[2][2], uy = map.m[0][1] * y + map.m[0][2],
               vy = map.m[1][1] * y + map.m[1][2];
  for (int32_t i = 0; i < n; ++i) {
    const double x = x0 + i;
    const double w = 1 / (map.m[2][0] * x + wy);
    us[i] = (map.m[0][0] * x + uy) * w;
    vs[i] = (map.m[1][0] * x + vy) * w;
  }
}

// The byte offsets of the source pixels nearest to (us, vs) (halves to
// even), −1 off the source.
TRELLIMAP_CLONES("avx512f", "avx2", "default")
void NearestOffsets(const double* us, const double* vs, int32_t n, const PixelLayout& source, int32_t* __restrict out) {
  const double width = source.width, height = source.height;
  for (int32_t i = 0; i < n; ++i) {
    const double u = std::nearbyint(us[i]), v = std::nearbyint(vs[i]);
    const bool inside = u >= 0 && u < width && v >= 0 && v < height;  // false for not a number
    const auto column = static_cast<uint32_t>(inside ? u : 0), row = static_cast<uint32_t>(inside ? v : 0);
    const uint32_t offset =
        (static_cast<uint32_t>(source.height) - 1 - row) * static_cast<uint32_t>(source.bytew) + 3 * column;
    out[i] = inside ? static_cast<int32_t>(offset) : -1;
  }
}

struct Job {
  PictureReader source, destination;
  dib* result;
  int32_t W, H;
  bool showoriginal, transparent;
  const std::vector<Strip>* strips;
  std::vector<bool> same;         // per strip: its patches are the same in both squares
  Homography back, view, direct;  // destination pixels to its square, source square to pixels, and both at once
};

// A row's working space.
struct Scratch {
  std::vector<double> us, vs, exactU, exactV;
  std::vector<int32_t> offsets;
  explicit Scratch(int32_t W)
      : us(static_cast<size_t>(W)),
        vs(static_cast<size_t>(W)),
        exactU(static_cast<size_t>(W) + 2),
        exactV(static_cast<size_t>(W) + 2),
        offsets(static_cast<size_t>(W)) {}
};

// The step at which the strip's map is found exactly along rows: from how
// much it bends along a row near its corners and at its middle.
int32_t StepFor(const Strip& strip, const Homography& back, const Homography& view) {
  Vec middle{0, 0};
  for (const Vec& c : strip.corner) middle = {middle.x + c.x / 4, middle.y + c.y / 4};
  constexpr double kApart = 4;
  double bend = 0;
  for (int k = 0; k <= 4; ++k) {
    const Vec c = k < 4 ? strip.corner[k] : middle;
    const Vec at{middle.x + (c.x - middle.x) * 0.9, middle.y + (c.y - middle.y) * 0.9};
    double u[3], v[3];
    // The patches continue past the strip's edges, with no kink there.
    SourcePoints(strip, back, view, at.y, at.x - kApart, kApart, 3, u, v, -kFar, kFar);
    bend = std::max({bend, std::abs(u[0] - 2 * u[1] + u[2]), std::abs(v[0] - 2 * v[1] + v[2])});
  }
  // A straight line over `step` pixels strays by step² / 8 times the second
  // derivative at most; twice the bend found, for what lies between.
  const double derivative = 2 * bend / (kApart * kApart);
  if (!(derivative > 0)) return derivative == 0 ? kLongestStep : 1;
  const double longest = std::clamp(std::sqrt(8 * kStray / derivative), 1.0, double{kLongestStep});
  return static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(longest)));
}

// The source points of the pixels x0 … x0 + n − 1 of row y of strip k.
void SpanPoints(const Job& job, size_t k, int32_t y, int32_t x0, int32_t n, Scratch& scratch) {
  double* us = scratch.us.data();
  double* vs = scratch.vs.data();
  if (job.same[k]) {
    ProjectedPoints(job.direct, y, x0, n, us, vs);
    return;
  }
  const Strip& strip = (*job.strips)[k];
  const int32_t step = strip.step;
  if (step == 1) {
    SourcePoints(strip, job.back, job.view, y, x0, 1, n, us, vs);
    return;
  }
  // Exact points every `step` pixels, the last at or past the span's end
  // (the patches continue there without a kink), straight lines between.
  double* exactU = scratch.exactU.data();
  double* exactV = scratch.exactV.data();
  const int32_t segments = (n - 1 + step - 1) / step;
  SourcePoints(strip, job.back, job.view, y, x0, step, segments + 1, exactU, exactV, -kFar, kFar);
  const double part = 1.0 / step;
  for (int32_t j = 0; j < segments; ++j) {
    const double u0 = exactU[j], du = (exactU[j + 1] - u0) * part;
    const double v0 = exactV[j], dv = (exactV[j + 1] - v0) * part;
    const int32_t first = j * step, length = std::min(step, n - first);
    for (int32_t t = 0; t < length; ++t) {
      us[first + t] = u0 + du * t;
      vs[first + t] = v0 + dv * t;
    }
  }
  if (segments * step == n - 1) {  // the last pixel lies on an exact point
    us[n - 1] = exactU[segments];
    vs[n - 1] = exactV[segments];
  }
}

// Writes the pixels x0 … x0 + n − 1 of row y from strip k.
void DrawSpan(const Job& job, size_t k, int32_t y, int32_t x0, int32_t n, Scratch& scratch) {
  SpanPoints(job, k, y, x0, n, scratch);
  uint8_t* to = job.result->poi + static_cast<int64_t>(job.H - 1 - y) * job.result->bytew + 3 * int64_t{x0};
  const PictureReader& source = job.source;
  if (source.direct && !job.transparent) {
    NearestOffsets(scratch.us.data(), scratch.vs.data(), n, PixelLayout{source.w, source.h, source.d->bytew},
                   scratch.offsets.data());
    // Whole words are read (pixel blocks have slack) and written over the
    // next pixel, which is written after; the last pixel gets its three bytes.
    const uint8_t* from = source.d->poi;
    const int32_t* offsets = scratch.offsets.data();
    // The reads wander across source rows in a way the processor does not
    // foresee: each is asked for well ahead.
    constexpr int32_t kAhead = 96;
    for (int32_t i = 0; i < std::min(n, kAhead); i += 4)
      if (offsets[i] >= 0) __builtin_prefetch(from + offsets[i]);
    for (int32_t i = 0; i < n; ++i) {
      if (i + kAhead < n && (i & 3) == 0 && offsets[i + kAhead] >= 0) __builtin_prefetch(from + offsets[i + kAhead]);
      const int32_t at = offsets[i];
      uint32_t word;
      std::memcpy(&word, from + (at >= 0 ? at : 0), 4);
      word = at >= 0 ? word : 0;
      std::memcpy(to + 3 * i, &word, i + 1 < n ? 4 : 3);
    }
    return;
  }
  for (int32_t i = 0; i < n; ++i) {
    const double u = std::nearbyint(scratch.us[i]), v = std::nearbyint(scratch.vs[i]);
    const bool near = std::fabs(u) < 1 << 30 && std::fabs(v) < 1 << 30;  // false for not a number
    uint8_t bgr[3];
    source.Read(near ? static_cast<int32_t>(u) : -1, near ? static_cast<int32_t>(v) : -1, bgr);
    if (job.transparent) {
      uint8_t partner[3];
      job.destination.Read(x0 + i, y, partner);
      for (int c = 0; c < 3; ++c) bgr[c] = static_cast<uint8_t>((bgr[c] + partner[c]) >> 1);
    }
    std::memcpy(to + 3 * i, bgr, 3);
  }
}

// One edge of a strip from its upper end down: the x where it crosses a
// row. Strips sharing an edge work it out from the same end with the same
// numbers, so they agree on every crossing to the last bit.
struct Edge {
  double x0, y0, y1, slope;

  Edge(Vec a, Vec b) {
    if (a.y > b.y) std::swap(a, b);
    x0 = a.x;
    y0 = a.y;
    y1 = b.y;
    slope = b.y > a.y ? (b.x - a.x) / (b.y - a.y) : 0;
  }
  bool Crosses(double y) const { return y0 <= y && y < y1; }
  double At(double y) const { return x0 + (y - y0) * slope; }
};

// The first integer at or after c, within [low, high]; `low` for not a number.
int32_t FirstFrom(double c, int32_t low, int32_t high) {
  const double first = std::ceil(c);
  return first > low ? (first < high ? static_cast<int32_t>(first) : high) : low;
}

// A run of pixels [from, to) of a row that strip `strip` takes.
struct Span {
  int32_t from, to;
  size_t strip;
};

// Adds the spans strip k takes on row y: the pixels with x0 <= x < x1
// between crossings of the strip's edges (even-odd), for the edges with
// top <= y < bottom, so that strips sharing an edge neither take a pixel
// twice nor miss one.
void AddSpans(const Job& job, size_t k, int32_t y, std::vector<Span>& spans) {
  const Vec* c = (*job.strips)[k].corner;
  const Edge edges[4] = {{c[0], c[1]}, {c[1], c[2]}, {c[2], c[3]}, {c[3], c[0]}};
  double xs[4];
  int crossings = 0;
  for (const Edge& e : edges) {
    if (!e.Crosses(y)) continue;
    // Kept in order as they come: at most four.
    const double x = e.At(y);
    int at = crossings++;
    for (; at > 0 && xs[at - 1] > x; --at) xs[at] = xs[at - 1];
    xs[at] = x;
  }
  for (int i = 0; i + 1 < crossings; i += 2) {
    const int32_t from = FirstFrom(xs[i], 0, job.W), to = FirstFrom(xs[i + 1], 0, job.W);
    if (from < to) spans.push_back({from, to, k});
  }
}

// Draws row y: each strip's spans in the map's order, so that where the
// region folds the later strip wins, then the background where no strip
// drew (each pixel is written once where the strips do not fold).
void DrawRow(const Job& job, int32_t y, std::vector<Span>& spans, Scratch& scratch) {
  spans.clear();
  for (size_t k = 0; k < job.strips->size(); ++k) {
    const Strip& strip = (*job.strips)[k];
    if (strip.top <= y && y < strip.bottom) AddSpans(job, k, y, spans);
  }
  for (const Span& span : spans) DrawSpan(job, span.strip, y, span.from, span.to - span.from, scratch);
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.from < b.from; });
  int32_t drawn = 0;  // pixels before this are drawn or filled
  for (const Span& span : spans) {
    if (span.from > drawn)
      FillBackground(*job.result, *job.destination.d, job.showoriginal, drawn, y, span.from, y + 1);
    drawn = std::max(drawn, span.to);
  }
  if (drawn < job.W) FillBackground(*job.result, *job.destination.d, job.showoriginal, drawn, y, job.W, y + 1);
}

// Bands of rows are taken in turn by all threads, the first telling
// `progress` how far they got; false when it stopped them.
bool DrawBands(const Job& job, int threads, Progress* progress) {
  const int32_t bands = (job.H + kBandRows - 1) / kBandRows;
  return TakeInTurn(static_cast<size_t>(bands), threads, progress, [&](Turns& turns) {
    Scratch scratch(job.W);
    std::vector<Span> spans;
    while (const std::optional<size_t> band = turns.Next()) {
      const auto b = static_cast<int32_t>(*band);
      for (int32_t y = b * kBandRows; y < std::min(job.H, (b + 1) * kBandRows); ++y) DrawRow(job, y, spans, scratch);
    }
  });
}

}  // namespace

bool RenderPerspectiveExact(const DirectionParts& parts, const RenderOptions& options, const OutlineMap& destination,
                            const OutlineMap& source) {
  const int32_t W = DibWidth(&parts.destination), H = DibHeight(&parts.destination);
  bool reused = false;
  if (!ReuseOrMake(parts.result, W, H, reused)) return true;  // no memory: the result stays empty
  try {
    const std::vector<double> bends = SharedBends(destination, source);
    std::vector<Strip> strips;
    std::vector<bool> same;
    for (size_t i = 0; i + 1 < bends.size(); ++i) {
      const double s0 = bends[i], s1 = bends[i + 1];
      const Vec corners[4] = {destination.Bottom(s0), destination.Bottom(s1), destination.Top(s1), destination.Top(s0)};
      double top = corners[0].y, bottom = corners[0].y;
      for (const Vec& c : corners) {
        top = std::min(top, c.y);
        bottom = std::max(bottom, c.y);
      }
      strips.push_back({{corners[0], corners[1], corners[2], corners[3]},
                        Patch(destination, s0, s1),
                        Patch(source, s0, s1),
                        top,
                        bottom});
      same.push_back(strips.back().to == strips.back().from);
    }
    const Homography back = destination.view->Inverse();
    for (Strip& strip : strips) strip.step = StepFor(strip, back, *source.view);
    const Job job{PictureReader(parts.source),
                  PictureReader(parts.destination),
                  &parts.result,
                  W,
                  H,
                  options.showoriginal,
                  options.transparent,
                  &strips,
                  std::move(same),
                  back,
                  *source.view,
                  source.view->After(back)};
    return DrawBands(job, ThreadsFor(options.threads, int64_t{W} * H), options.progress);
  } catch (const std::bad_alloc&) {
    ReleaseDib(&parts.result);
    return true;
  }
}

}  // namespace trellimap
